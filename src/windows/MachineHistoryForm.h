#pragma once

#include "archive/FleetOverview.h"
#include "archive/Trend.h"
#include "archive/TrendLayout.h"

#include <QDialog>
#include <QWidget>

#include <memory>
#include <vector>

class Archive;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class Forms;
struct Platform;
class ProgramState;

// The governing stop time (left axis) and the safety distance (right axis)
// of one machine over the dates of its measurements.
class TrendChartView : public QWidget
{
    Q_OBJECT
public:
    explicit TrendChartView(QWidget *parent = nullptr);
    void setTrend(const std::vector<TrendPoint> &points, const QString &governingCaption,
                  const QString &distanceCaption);
    // The geometry of what is drawn now.
    TrendChartLayout chartLayout() const;
    QSize sizeHint() const override { return {560, 220}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<TrendPoint> m_points;
    QString m_governingCaption;
    QString m_distanceCaption;
};

// Tools > Machine History: the machines of the archive with a search field;
// for the chosen machine its measurements, the trend chart and the warning
// when the latest governing stop time grew more than the setting allows
// against the one before or against the machine's reference (its first
// measurement unless one is marked).  Open brings a measurement into the
// main window.
class TMachineHistoryForm : public QDialog
{
    Q_OBJECT
public:
    TMachineHistoryForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);
    ~TMachineHistoryForm() override;

    // Opens the archive in force and lists its machines.
    void FormShow();
    // The fleet overview: the machines whose ID holds the search text (only
    // those that need attention when so chosen), sortable by each column.
    void showMachines();
    // Writes the overview as it stands (filter, order) to a CSV file.
    void Btn_ExportClick();
    // The measurements and the trend of the machine in row `row`.
    void showMachine(int row);
    // Brings the chosen measurement into the main window and closes.
    void Btn_OpenClick();
    // Marks the chosen measurement as the machine's reference for the trend.
    void Btn_ReferenceClick();

    QLabel *Label_SearchCaption = nullptr;
    QLineEdit *Edit_Search = nullptr;
    QLabel *Label_MachinesCaption = nullptr;
    QTableWidget *LW_machines = nullptr; // the fleet overview
    QCheckBox *CHB_Attention = nullptr;  // only machines that need attention
    QPushButton *Btn_Export = nullptr;
    QLabel *Label_MeasurementsCaption = nullptr;
    QTableWidget *LW_measurements = nullptr;
    TrendChartView *Chart = nullptr;
    QLabel *Label_Changes = nullptr; // against the one before and the reference
    QLabel *Label_Warning = nullptr;
    QLabel *Label_Archive = nullptr; // where the archive is, or why it cannot be read
    QPushButton *Btn_Reference = nullptr;
    QPushButton *Btn_Open = nullptr;
    QPushButton *Btn_Close = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString text(const char *key) const;
    void setHeaders();

    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
    std::unique_ptr<Archive> m_archive;
    std::vector<FleetMachineRow> m_machines; // as the table shows them, filtered
    // The machine of a table row, whatever the order the user sorted by.
    QString machineAt(int row) const;
    std::vector<ArchiveEntry> m_entries;
};
