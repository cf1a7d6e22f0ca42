#include "windows/MachineHistoryForm.h"

#include "archive/Archive.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveRecording.h"
#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "base/SaveFile.h"
#include "base/Seams.h"
#include "project/ValueExport.h"
#include "safety/DistanceStandard.h"
#include "state/ProgramState.h"
#include "windows/MainForm.h"
#include "windows/WindowTexts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QTableWidget *table(const char *name)
{
    auto *t = named(new QTableWidget, name);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

// Sorts by its key (a number, a date) rather than by the text it shows.
class SortedItem : public QTableWidgetItem
{
public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem &other) const override
    {
        const QVariant mine = data(kSortKey);
        const QVariant theirs = other.data(kSortKey);
        if (mine.isValid() && theirs.isValid())
            return QVariant::compare(mine, theirs) == QPartialOrdering::Less;
        return QTableWidgetItem::operator<(other);
    }
    static constexpr int kSortKey = Qt::UserRole + 1;
};

QTableWidgetItem *cell(const QString &text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter,
                       const QVariant &sortKey = QVariant())
{
    auto *item = new SortedItem(text);
    item->setTextAlignment(alignment);
    if (sortKey.isValid())
        item->setData(SortedItem::kSortKey, sortKey);
    return item;
}

QVariant optionalKey(const std::optional<double> &v)
{
    // Unknown sorts before every number.
    return v ? QVariant(*v) : QVariant(-std::numeric_limits<double>::infinity());
}

const QColor kGoverningColour(30, 90, 200);
const QColor kDistanceColour(200, 90, 30);

} // namespace

TrendChartView::TrendChartView(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(360, 160);
}

void TrendChartView::setTrend(const std::vector<TrendPoint> &points, const QString &governingCaption,
                              const QString &distanceCaption)
{
    m_points = points;
    m_governingCaption = governingCaption;
    m_distanceCaption = distanceCaption;
    update();
}

TrendChartLayout TrendChartView::chartLayout() const
{
    const QFontMetricsF metrics(font());
    // Room for the value labels left and right, the dates below and the
    // axis captions above.
    const double side = metrics.horizontalAdvance(QStringLiteral("00000")) + 8.0;
    const QRectF plot = QRectF(rect()).adjusted(side, metrics.height() * 1.5, -side, -(metrics.height() + 8.0));
    return layoutTrendChart(m_points, plot, metrics.horizontalAdvance(QStringLiteral("0000-00-00")) + 16.0);
}

void TrendChartView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    if (m_points.empty())
        return;
    p.setRenderHint(QPainter::Antialiasing);
    const TrendChartLayout l = chartLayout();
    const QFontMetricsF metrics(font());

    p.setPen(QPen(palette().mid().color(), 1.0));
    p.drawRect(l.plot);
    for (const TrendTick &t : l.msTicks) {
        p.setPen(QPen(palette().midlight().color(), 1.0, Qt::DotLine));
        p.drawLine(QPointF(l.plot.left(), t.position), QPointF(l.plot.right(), t.position));
        p.setPen(kGoverningColour);
        p.drawText(QRectF(0, t.position - metrics.height() / 2, l.plot.left() - 4, metrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, t.label);
    }
    p.setPen(kDistanceColour);
    for (const TrendTick &t : l.mmTicks)
        p.drawText(QRectF(l.plot.right() + 4, t.position - metrics.height() / 2, width() - l.plot.right() - 4,
                          metrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, t.label);
    p.setPen(palette().text().color());
    for (const TrendTick &t : l.dateTicks) {
        const double w = metrics.horizontalAdvance(t.label);
        const double x = std::clamp(t.position - w / 2, 0.0, width() - w);
        p.drawText(QPointF(x, l.plot.bottom() + metrics.ascent() + 4), t.label);
    }
    p.setPen(kGoverningColour);
    p.drawText(QPointF(l.plot.left(), metrics.ascent()), m_governingCaption);
    if (!l.mmTicks.empty()) {
        p.setPen(kDistanceColour);
        p.drawText(QPointF(l.plot.right() - metrics.horizontalAdvance(m_distanceCaption), metrics.ascent()),
                   m_distanceCaption);
    }

    // The two series: lines between the points, a dot on each.
    auto series = [&p](const std::vector<QPointF> &points, const QColor &colour) {
        p.setPen(QPen(colour, 2.0));
        for (std::size_t i = 1; i < points.size(); ++i)
            p.drawLine(points[i - 1], points[i]);
        p.setBrush(colour);
        for (const QPointF &point : points)
            p.drawEllipse(point, 3.0, 3.0);
        p.setBrush(Qt::NoBrush);
    };
    std::vector<QPointF> distance;
    for (const std::optional<QPointF> &d : l.distance) {
        if (d)
            distance.push_back(*d);
    }
    series(distance, kDistanceColour);
    series(l.governing, kGoverningColour);
}

TMachineHistoryForm::TMachineHistoryForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("TMachineHistoryForm"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // Title, captions and headers come from the language-text table.

    Label_SearchCaption = named(new QLabel, "Label_SearchCaption");
    Edit_Search = named(new QLineEdit, "Edit_Search");
    Label_SearchCaption->setBuddy(Edit_Search);
    Label_MachinesCaption = named(new QLabel, "Label_MachinesCaption");
    LW_machines = table("LW_machines");
    LW_machines->setColumnCount(11);
    LW_machines->setSortingEnabled(true);
    CHB_Attention = named(new QCheckBox, "CHB_Attention");
    Btn_Export = named(new QPushButton, "Btn_Export");
    Label_MeasurementsCaption = named(new QLabel, "Label_MeasurementsCaption");
    LW_measurements = table("LW_measurements");
    Label_MachinesCaption->setBuddy(LW_machines);
    Label_MeasurementsCaption->setBuddy(LW_measurements);
    LW_measurements->setColumnCount(5);
    Chart = named(new TrendChartView, "Chart");
    Label_Warning = named(new QLabel, "Label_Warning");
    Label_Warning->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    Label_Warning->setWordWrap(true);
    Label_Archive = named(new QLabel, "Label_Archive");
    Label_Archive->setWordWrap(true);
    Label_Archive->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label_Changes = named(new QLabel, "Label_Changes");
    Label_Changes->setWordWrap(true);
    Btn_Reference = named(new QPushButton, "Btn_Reference");
    Btn_Reference->setEnabled(false);
    Btn_Open = named(new QPushButton, "Btn_Open");
    Btn_Open->setEnabled(false);
    Btn_Close = named(new QPushButton, "Btn_Close");

    auto *search = new QHBoxLayout;
    search->addWidget(Label_SearchCaption);
    search->addWidget(Edit_Search);
    auto *left = new QVBoxLayout;
    left->addLayout(search);
    left->addWidget(Label_MachinesCaption);
    left->addWidget(LW_machines);
    auto *fleetButtons = new QHBoxLayout;
    fleetButtons->addWidget(CHB_Attention, 1);
    fleetButtons->addWidget(Btn_Export);
    left->addLayout(fleetButtons);
    auto *right = new QVBoxLayout;
    right->addWidget(Label_MeasurementsCaption);
    right->addWidget(LW_measurements, 1);
    right->addWidget(Chart, 1);
    right->addWidget(Label_Changes);
    right->addWidget(Label_Warning);
    auto *columns = new QHBoxLayout;
    // The fleet overview has eleven columns: it takes the larger part.
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Label_Archive, 1);
    buttons->addWidget(Btn_Reference);
    buttons->addWidget(Btn_Open);
    buttons->addWidget(Btn_Close);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(columns, 1);
    outer->addLayout(buttons);
    resize(1280, 600);

    connect(Edit_Search, &QLineEdit::textChanged, this, [this] { showMachines(); });
    connect(LW_machines, &QTableWidget::currentCellChanged, this, [this](int row) { showMachine(row); });
    connect(CHB_Attention, &QCheckBox::toggled, this, [this] { showMachines(); });
    connect(Btn_Export, &QPushButton::clicked, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Btn_ExportClick(); });
    });
    connect(LW_measurements, &QTableWidget::currentCellChanged, this,
            [this](int row) {
                const bool chosen = row >= 0 && row < int(m_entries.size());
                Btn_Open->setEnabled(chosen);
                Btn_Reference->setEnabled(chosen);
            });
    connect(LW_measurements, &QTableWidget::cellDoubleClicked, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Btn_OpenClick(); });
    });
    connect(Btn_Open, &QPushButton::clicked, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Btn_OpenClick(); });
    });
    connect(Btn_Reference, &QPushButton::clicked, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Btn_ReferenceClick(); });
    });
    connect(Btn_Close, &QPushButton::clicked, this, &QDialog::reject);
    followLanguage(m_state, TextWindow::History, this);
    connect(&m_state, &ProgramState::languageChanged, this, [this] { setHeaders(); });
    setHeaders();
}

TMachineHistoryForm::~TMachineHistoryForm() = default;

QString TMachineHistoryForm::text(const char *key) const
{
    return m_state.texts().text("HistoryWindow", key);
}

void TMachineHistoryForm::setHeaders()
{
    LW_machines->setHorizontalHeaderLabels({text("MachinesLabel"), text("DateColumn"), text("MachineCountColumn"),
                                            text("GoverningColumn"), text("DistanceColumn"), text("StandardColumn"),
                                            text("InstalledColumn"), text("VerdictColumn"), text("BaselineColumn"),
                                            text("DueColumn"), text("StatusColumn")});
    LW_measurements->setHorizontalHeaderLabels({text("DateColumn"), text("CountColumn"), text("GoverningColumn"),
                                                text("DistanceColumn"), text("SerialNumberColumn")});
}

void TMachineHistoryForm::showEvent(QShowEvent *event)
{
    // The clear button's icon comes from the icon theme, whose loading is
    // a noticeable part of the program's start: it waits for the first
    // showing.
    Edit_Search->setClearButtonEnabled(true);
    QDialog::showEvent(event);
    FormShow();
}

void TMachineHistoryForm::FormShow()
{
    // Opened anew at each showing: the setting or another program may have
    // changed the archive since.
    m_archive.reset();
    const QString url = archiveUrlInForce(m_state.appSettings.ArchiveUrl);
    try {
        m_archive = std::make_unique<Archive>(parseArchiveUrl(url), Archive::Access::Read);
        Label_Archive->setText(m_archive->location().url());
    } catch (const ArchiveError &e) {
        Label_Archive->setText(e.message());
    }
    showMachines();
}

QString TMachineHistoryForm::machineAt(int row) const
{
    const QTableWidgetItem *item = row >= 0 ? LW_machines->item(row, 0) : nullptr;
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void TMachineHistoryForm::showMachines()
{
    const QString chosen = machineAt(LW_machines->currentRow());
    m_machines.clear();
    if (m_archive) {
        try {
            const AppSettings &s = m_state.appSettings;
            const std::vector<FleetMachineRow> all = fleetRows(m_archive->overview(), m_platform.clock->now().date(),
                                                        s.ArchiveIntervalMonths, s.ArchiveTrendPercent);
            const QString needle = Edit_Search->text().trimmed();
            for (const FleetMachineRow &r : all) {
                if (!needle.isEmpty() && !r.machineId.contains(needle, Qt::CaseInsensitive))
                    continue;
                if (CHB_Attention->isChecked() && r.status == FleetStatus::Ok)
                    continue;
                m_machines.push_back(r);
            }
        } catch (const ArchiveError &e) {
            Label_Archive->setText(e.message());
        }
    }
    const QSignalBlocker blocker(LW_machines);
    // Rows go in unsorted; the order the user chose is applied after.
    LW_machines->setSortingEnabled(false);
    LW_machines->setRowCount(int(m_machines.size()));
    const Qt::Alignment number = Qt::AlignRight | Qt::AlignVCenter;
    auto optionalText = [](const QString &t) { return t.isEmpty() ? QStringLiteral("-") : t; };
    for (std::size_t i = 0; i < m_machines.size(); ++i) {
        const FleetMachineRow &machine = m_machines[i];
        const FleetRow &r = machine.worstSafeguard();
        const ArchiveSafeguardSummary &m = r.safeguard;
        const int row = int(i);
        QTableWidgetItem *id = cell(m.machineId.isEmpty() ? text("NoMachineID") : m.machineId);
        id->setData(Qt::UserRole, m.machineId);
        LW_machines->setItem(row, 0, id);
        LW_machines->setItem(row, 1, cell(machine.lastMeasuredAt.toLocalTime().date().toString(Qt::ISODate),
                                          Qt::AlignLeft | Qt::AlignVCenter, machine.lastMeasuredAt));
        LW_machines->setItem(row, 2, cell(QString::number(machine.measurementCount), number, machine.measurementCount));
        LW_machines->setItem(row, 3, cell((m.governingMs ? formatStatisticMs(*m.governingMs) : kNoValueMs).trimmed(),
                                          number, optionalKey(m.governingMs)));
        LW_machines->setItem(row, 4, cell((m.distanceMm ? formatDistanceMm(*m.distanceMm) : kNoValueMm).trimmed(),
                                          number, optionalKey(m.distanceMm)));
        // The standard by its name where this program knows it.
        const DistanceStandard *standard = findDistanceStandard(m.standard);
        LW_machines->setItem(row, 5, cell(standard ? standard->name() : optionalText(m.standard)));
        LW_machines->setItem(row, 6, cell(m.installedMm ? formatInstalledMm(*m.installedMm) : QStringLiteral("-"),
                                          number, optionalKey(m.installedMm)));
        LW_machines->setItem(row, 7, cell(optionalText(m.verdict)));
        LW_machines->setItem(row, 8, cell(r.changeVsBaselinePercent
                                              ? formatNumber(*r.changeVsBaselinePercent, 1, 0) + QStringLiteral(" %")
                                              : QStringLiteral("-"),
                                          number, optionalKey(r.changeVsBaselinePercent)));
        LW_machines->setItem(row, 9, cell(machine.due.toString(Qt::ISODate), Qt::AlignLeft | Qt::AlignVCenter, machine.due));
        const char *statusKeys[] = {"StatusCloser", "StatusWarning", "StatusUnknown", "StatusOverdue", "StatusOk"};
        QTableWidgetItem *status =
            cell(text(statusKeys[int(machine.status)]), Qt::AlignLeft | Qt::AlignVCenter, int(machine.status));
        if (machine.status != FleetStatus::Ok)
            status->setForeground(QColor(0xb0, 0, 0));
        LW_machines->setItem(row, 10, status);
    }
    LW_machines->setSortingEnabled(true);
    int keep = -1;
    for (int row = 0; row < LW_machines->rowCount(); ++row) {
        if (!chosen.isNull() && machineAt(row) == chosen)
            keep = row;
    }
    LW_machines->setCurrentCell(keep, 0);
    showMachine(keep);
}

void TMachineHistoryForm::Btn_ExportClick()
{
    FileDialogRequest request;
    request.fileName = QStringLiteral("machines.csv");
    request.filter = QStringLiteral("CSV files (*.csv)");
    request.confirmOverwrite = true;
    const QString file = m_platform.dialogs->saveFile(this, request);
    if (file.isEmpty())
        return;
    // The rows in the order and with the filter the table shows.
    std::vector<FleetMachineRow> shown;
    for (int row = 0; row < LW_machines->rowCount(); ++row) {
        const QString id = machineAt(row);
        for (const FleetMachineRow &r : m_machines) {
            if (r.machineId == id) {
                shown.push_back(r);
                break;
            }
        }
    }
    const QByteArray csv = fleetCsv(shown, defaultDecimalMark(), [](const ArchiveSafeguardSummary &s) {
        return s.safeguard;
    });
    const SaveResult saved = saveWholeFile(file, [&csv](QIODevice &out) { return out.write(csv) == csv.size(); });
    if (saved.stage != SaveResult::Saved)
        throw ZirkError(QStringLiteral("Cannot write file \"%1\". %2").arg(file, saved.error));
}

void TMachineHistoryForm::showMachine(int row)
{
    m_entries.clear();
    const QString machine = machineAt(row);
    // The trend is of one safety device: the machine's worst safeguard.
    qint64 safeguard = 0;
    for (const FleetMachineRow &r : m_machines) {
        if (r.machineId == machine)
            safeguard = r.worstSafeguard().safeguard.safeguardId;
    }
    if (m_archive && row >= 0) {
        try {
            m_entries = m_archive->entries(machine, safeguard);
        } catch (const ArchiveError &e) {
            Label_Archive->setText(e.message());
        }
    }
    const QSignalBlocker blocker(LW_measurements);
    LW_measurements->setRowCount(int(m_entries.size()));
    const Qt::Alignment number = Qt::AlignRight | Qt::AlignVCenter;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const ArchiveEntry &e = m_entries[i];
        const int r = int(i);
        LW_measurements->setItem(r, 0, cell(e.measuredAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
        LW_measurements->setItem(r, 1, cell(formatCount(e.count).trimmed(), number));
        LW_measurements->setItem(r, 2, cell((e.governingMs ? formatStatisticMs(*e.governingMs) : kNoValueMs).trimmed(), number));
        LW_measurements->setItem(r, 3, cell((e.distanceMm ? formatDistanceMm(*e.distanceMm) : kNoValueMm).trimmed(), number));
        LW_measurements->setItem(r, 4, cell(e.serialNumber));
    }
    LW_measurements->setCurrentCell(-1, 0);
    Btn_Open->setEnabled(false);
    Btn_Reference->setEnabled(false);

    std::optional<qint64> baselineId;
    if (m_archive && row >= 0) {
        try {
            baselineId = m_archive->baseline(machine, safeguard);
        } catch (const ArchiveError &e) {
            Label_Archive->setText(e.message());
        }
    }
    const MachineTrend trend = machineTrend(m_entries, m_state.appSettings.ArchiveTrendPercent, baselineId);
    Chart->setTrend(trend.points, text("TrendGoverning"), text("TrendDistance"));
    auto day = [](const TrendPoint &p) { return p.measuredAt.toLocalTime().date().toString(Qt::ISODate); };
    auto percent = [this](const std::optional<double> &change) {
        return change ? formatNumber(*change, 1, 0) + QStringLiteral(" %") : text("NoComparison");
    };
    // Both changes, each "no comparison" where the time it is held against
    // is 0 ms: the same rule as zirk-cli's.
    QString changes;
    if (trend.points.size() >= 2) {
        const TrendPoint &baseline = trend.points[*trend.baseline];
        changes = text("TrendChanges").arg(percent(trend.changePercent), day(trend.points[trend.points.size() - 2]),
                                           *trend.baseline == trend.points.size() - 1
                                               ? QStringLiteral("-")
                                               : percent(trend.changeVsBaselinePercent),
                                           day(baseline));
    }
    Label_Changes->setText(changes);
    QStringList warnings;
    if (trend.warningVsPrevious)
        warnings << text("TrendWarning").arg(qRound(*trend.changePercent)).arg(day(trend.points[trend.points.size() - 2]));
    if (trend.warningVsBaseline)
        warnings << text("TrendBaselineWarning")
                        .arg(qRound(*trend.changeVsBaselinePercent))
                        .arg(day(trend.points[*trend.baseline]));
    Label_Warning->setText(warnings.join(QLatin1Char('\n')));
}

void TMachineHistoryForm::Btn_ReferenceClick()
{
    const int machineRow = LW_machines->currentRow();
    const int row = LW_measurements->currentRow();
    if (row < 0 || row >= int(m_entries.size()) || machineRow < 0)
        return;
    // The history reads without the write lock; marking is the one write it
    // makes, on a connection of its own for that moment.
    try {
        Archive writer(parseArchiveUrl(archiveUrlInForce(m_state.appSettings.ArchiveUrl)));
        writer.setBaseline(machineAt(machineRow), m_entries[std::size_t(row)].id);
    } catch (const ArchiveError &e) {
        Label_Archive->setText(e.message());
        return;
    }
    // The status and the change against the reference in the table follow.
    showMachines();
}

void TMachineHistoryForm::Btn_OpenClick()
{
    const int row = LW_measurements->currentRow();
    if (!m_archive || row < 0 || row >= int(m_entries.size()))
        return;
    std::optional<ArchiveMeasurement> measurement;
    try {
        measurement = m_archive->measurement(m_entries[std::size_t(row)].id);
    } catch (const ArchiveError &e) {
        Label_Archive->setText(e.message());
        return;
    }
    if (!measurement)
        return;
    m_forms.MainForm->openArchivedMeasurement(*measurement);
    accept();
}
