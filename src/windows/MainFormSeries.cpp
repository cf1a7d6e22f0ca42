// The measurement series in the main window: appending, deleting, the list
// and the result indicators.  The series and its result are the program
// state's; the window asks it for changes and shows what it signals.
#include "windows/MainForm.h"

#include "base/NumberFormat.h"
#include "device/DeviceSession.h"
#include "state/ProgramState.h"
#include "series/SeriesResult.h"
#include "series/StopTimesModel.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

void TMainForm::ZpracujHodnotu_ms(double stoptime)
{
    // The series keeps which instrument measured it and when; a demo value
    // without an instrument on the line leaves the instrument as it was.
    const DeviceInfo &live = m_device->info();
    m_state.appendMeasured(stoptime, live.Pripojeno ? instrumentOf(live) : m_state.instrument(),
                           m_platform.clock->now());
    if (m_state.appSettings.SoundEnable)
        m_platform.sound->play(m_state.appSettings.SoundFile);
}

void TMainForm::Smazprvek(int index)
{
    m_state.removeAt(index);
}

void TMainForm::PopupDeleteRowsClick()
{
    // Single selection: at most one row goes.
    const QModelIndexList rows = LW_data->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        Smazprvek(rows.constFirst().row());
}

void TMainForm::DeleteAll1Click()
{
    if (MujMessageDlg(m_state.messageTexts.DeleteAllValuesQuery) == mrCancel)
        return;
    m_state.clear();
}

void TMainForm::connectSeries()
{
    followSeries(m_state, *m_model);
    connect(&m_state, &ProgramState::valuesInserted, this, &TMainForm::Aktualizuj_ListView);
    connect(&m_state, &ProgramState::resultChanged, this, &TMainForm::Aktualizuj_Ukazatele);
    connect(&m_state, &ProgramState::languageChanged, this, &TMainForm::showVerdict);
    connect(&m_state, &ProgramState::safetyDeviceChanged, this, &TMainForm::showSafetyDevice);
}

void TMainForm::Aktualizuj_ListView()
{
    // The newest value comes into sight.
    LW_data->scrollToBottom();
}

QColor TMainForm::LW_dataCustomDrawItem(int row)
{
    return StopTimesModel::rowColour(row);
}

namespace {

void setGoverning(QLabel *label, bool governs)
{
    QFont f = label->font();
    f.setBold(true);
    f.setUnderline(governs);
    label->setFont(f);
}

} // namespace

void TMainForm::showVerdict()
{
    const SeriesResult &result = m_state.result();
    const DistanceChoice &choice = m_state.distanceChoice();
    Label_StandardName->setText(result.standard ? result.standard->name() : choice.standardId);
    QString verdict;
    QColor colour;
    const std::optional<DistanceVerdict> &v = result.distance.verdict;
    if (result.enoughValues() && v) {
        const LanguageTexts &t = m_state.texts();
        if (v->meets) {
            verdict = t.text("MainWindow", "VerdictMeets");
            colour = QColor(0, 128, 0);
        } else {
            verdict = t.text("MainWindow", "VerdictCloser").arg(formatNumber(shownShortfallMm(*v), 1, 0));
            colour = QColor(255, 0, 0);
        }
    }
    QPalette p = Label_Verdict->palette();
    p.setColor(QPalette::WindowText, colour);
    Label_Verdict->setPalette(p);
    Label_Verdict->setText(verdict);
    Label_Verdict->setVisible(!verdict.isEmpty());
    // A label that shows a value is named by that value.
    Label_Verdict->setAccessibleName(verdict);
    // Beside the distance: a standard that was not read from the project
    // (until one is chosen anew), why there is no distance where the
    // standard refused one, and the standard's warnings.
    QStringList warnings;
    const LanguageTexts &texts = m_state.texts();
    if (!m_state.standardProblem().isEmpty())
        warnings << texts.text("MainWindow", "StandardBlockIgnored") + QStringLiteral(" (") + m_state.standardProblem()
                + QStringLiteral("). ") + texts.text("MainWindow", "StandardBlockChoose");
    if (result.enoughValues() && result.governingMs && !result.distanceMm
        && !result.distance.noDistanceReason.isEmpty())
        warnings << texts.text("MainWindow", "NoDistanceReason").arg(result.distance.noDistanceReason.render());
    if (result.enoughValues())
        for (const DistanceText &w : result.distance.warnings)
            warnings << w.render();
    Label_DistanceWarning->setText(warnings.join(QLatin1Char('\n')));
    Label_DistanceWarning->setVisible(!warnings.isEmpty());
}

void TMainForm::Aktualizuj_Ukazatele()
{
    const SeriesResult &result = m_state.result();
    showVerdict();

    const std::optional<SeriesStatistics> &stats = result.statistics;
    setGoverning(Label_3Sigma, false);
    setGoverning(Label_Maximum, false);
    Label_SafetyDistanceValue->setToolTip(QString());
    if (!stats) {
        Label_Count->setText(QStringLiteral("0"));
        for (QLabel *l : {Label_Mean, Label_Sigma, Label_3Sigma, Label_Maximum})
            l->setText(kNoValueMs);
        Label_SafetyDistanceValue->setText(kNoValueMm);
        return;
    }

    Label_Count->setText(formatCount(qint64(stats->count)));
    Label_Mean->setText(formatStatisticMs(stats->mean));
    Label_Sigma->setText(formatStatisticMs(stats->sigma));
    Label_3Sigma->setText(formatStatisticMs(stats->meanPlus3Sigma));
    Label_Maximum->setText(formatStatisticMs(stats->maximum));

    if (result.enoughValues() && result.governing != GoverningStatistic::None)
        setGoverning(result.governing == GoverningStatistic::MeanPlus3Sigma ? Label_3Sigma : Label_Maximum, true);
    // Under ten values, with an input that is no number and for a result
    // that is not finite there is no distance, and the window says so.
    if (!result.distanceMm) {
        Label_SafetyDistanceValue->setText(kNoValueMm);
        return;
    }
    Label_SafetyDistanceValue->setText(formatDistanceMm(*result.distanceMm));
    Label_SafetyDistanceValue->setToolTip(formatDistanceInch(*result.distanceMm / 25.4));
}
