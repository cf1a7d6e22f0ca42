#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QLocale>

#include <vector>

// The stop-time list as a view over the series: rows are formatted when they
// are painted, so a change costs what is visible, not what is stored.
class StopTimesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit StopTimesModel(const std::vector<double> &stopTimes, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The series tells its changes before and after it makes them, as a
    // Qt model must: connect these to its owner's signals.
    void beginInsertValues(int first, int last) { beginInsertRows({}, first, last); }
    void endInsertValues() { endInsertRows(); }
    // The "#" column numbers the rows, so taking out a row before the last
    // renumbers all below it: that is a new list, not a removal.
    void beginRemoveValue(int index);
    void endRemoveValue();
    void beginResetValues() { beginResetModel(); }
    void endResetValues() { endResetModel(); }
    void setColumnCaptions(const QString &number, const QString &stopTime);

    // Background of a row: even rows white, odd rows light grey.
    static QColor rowColour(int row);

private:
    const std::vector<double> &m_stopTimes;
    bool m_removingLast = false;
    QString m_captions[2] = {QStringLiteral("#"), QStringLiteral("Stop Time [ms]")};
};
