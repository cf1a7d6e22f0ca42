// The measurement series in the main window: appending, deleting, the list
// and the result indicators.
#include "windows/MainForm.h"

#include "base/NumberFormat.h"
#include "state/ProgramState.h"
#include "series/SeriesResult.h"
#include "series/StopTimesModel.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include <utility>

void TMainForm::ZpracujHodnotu_ms(double stoptime)
{
    m_state.StopTimes.push_back(stoptime);
    Aktualizuj_ListView();
    Aktualizuj_Ukazatele();
    if (m_state.appSettings.SoundEnable)
        m_platform.sound->play(m_state.appSettings.SoundFile);
}

void TMainForm::Smazprvek(int index)
{
    if (index < 0 || std::size_t(index) >= m_state.StopTimes.size())
        return;
    m_state.StopTimes.erase(m_state.StopTimes.begin() + index);
}

void TMainForm::PopupDeleteRowsClick()
{
    // Single selection: at most one row goes.
    const QModelIndexList rows = LW_data->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        Smazprvek(rows.constFirst().row());
    Aktualizuj_ListView();
    Aktualizuj_Ukazatele();
}

void TMainForm::DeleteAll1Click()
{
    if (MujMessageDlg(m_state.messageTexts.DeleteAllValuesQuery) == mrCancel)
        return;
    m_state.StopTimes.clear();
    Aktualizuj_ListView();
    Aktualizuj_Ukazatele();
}

TMainForm::SeriesRefreshDeferral::SeriesRefreshDeferral(TMainForm &form)
    : m_form(form)
{
    ++m_form.m_refreshDeferrals;
}

TMainForm::SeriesRefreshDeferral::~SeriesRefreshDeferral()
{
    if (--m_form.m_refreshDeferrals > 0)
        return;
    if (std::exchange(m_form.m_listViewPending, false))
        m_form.Aktualizuj_ListView();
    if (std::exchange(m_form.m_indicatorsPending, false))
        m_form.Aktualizuj_Ukazatele();
}

void TMainForm::Aktualizuj_ListView()
{
    if (m_refreshDeferrals > 0) {
        m_listViewPending = true;
        return;
    }
    m_model->refresh();
    LW_data->scrollToBottom();
    m_state.notifySeriesChanged();
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

void TMainForm::Aktualizuj_Ukazatele()
{
    if (m_refreshDeferrals > 0) {
        m_indicatorsPending = true;
        return;
    }
    // d comes from the record; H, C, h and the non-industrial choice from
    // the selection dialog's fields as they stand now.
    const SeriesResult result = computeSeriesResult(m_state.StopTimes, m_state.resultDevice());

    const std::optional<SeriesStatistics> &stats = result.statistics;
    setGoverning(Label_3Sigma, false);
    setGoverning(Label_Maximum, false);
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

    // Under ten values the distance last computed stays in the record.
    if (!result.enoughValues()) {
        Label_SafetyDistanceValue->setText(kNoValueMm);
        return;
    }
    if (result.governing != GoverningStatistic::None)
        setGoverning(result.governing == GoverningStatistic::MeanPlus3Sigma ? Label_3Sigma : Label_Maximum, true);
    // An infinite or NaN stop time or distance is no result: the protocol
    // prints -1 mm for it, the window no number at all.
    if (result.notFinite) {
        m_state.SafetyDistanceMM = -1.0;
        Label_SafetyDistanceValue->setText(kNoValueMm);
        return;
    }
    m_state.SafetyDistanceMM = result.distanceMm.value_or(-1.0);
    if (result.distanceInch)
        m_state.SafetyDistanceInch = *result.distanceInch;
    Label_SafetyDistanceValue->setText(formatDistanceMm(m_state.SafetyDistanceMM));
    Label_SafetyDistanceValue->setToolTip(formatDistanceInch(m_state.SafetyDistanceInch));
}
