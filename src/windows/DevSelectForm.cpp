#include "windows/DevSelectForm.h"

#include "archive/ArchiveRecording.h"
#include "windows/KnownSafeguards.h"

#include "windows/WindowTexts.h"
#include "base/NumberFormat.h"
#include "state/ProgramState.h"
#include "windows/DevicePictures.h"
#include "windows/ProjectTextCheck.h"
#include "project/ProjectMeasurement.h"
#include "safety/Iso13855_2010.h"
#include "series/SeriesResult.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QLabel *namedLabel(const char *name, const QString &text, bool wrap = false)
{
    auto *l = new QLabel(text);
    l->setObjectName(QLatin1String(name));
    l->setWordWrap(wrap);
    return l;
}

QLineEdit *namedEdit(const char *name, const QString &text)
{
    auto *e = new QLineEdit(text);
    e->setObjectName(QLatin1String(name));
    e->setMaximumWidth(90);
    return e;
}

// The language file gives the title of every box but the mat's.
QGroupBox *parametersBox(const char *name, const QString &title = QString())
{
    auto *g = new QGroupBox(title);
    g->setObjectName(QLatin1String(name));
    return g;
}

QLabel *heading(const char *name)
{
    QLabel *l = namedLabel(name, QString());
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    l->setFont(f);
    return l;
}

// Red while the text is not a number; the normal window colour otherwise.
void markField(QLineEdit *edit, bool isNumber)
{
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, isNumber ? QGuiApplication::palette().color(QPalette::Base) : QColor(Qt::red));
    edit->setPalette(p);
}

} // namespace

Tdevselectform::Tdevselectform(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("Tdevselectform"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    buildUi();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void Tdevselectform::buildUi()
{
    auto *outer = new QVBoxLayout(this);

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setIconSize(QSize(32, 32));
    // All seven kinds in view at once, as a row of buttons.
    PageControl1->setUsesScrollButtons(false);
    outer->addWidget(PageControl1);

    auto newPage = [](const char *name) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(name));
        return page;
    };
    auto unit = [](const char *name) { return namedLabel(name, QStringLiteral("[mm]")); };

    // Vertical light curtain
    TabSheet1 = newPage("TabSheet1");
    {
        auto *v = new QVBoxLayout(TabSheet1);
        Label1 = heading("Label1");
        Image1 = namedLabel("Image1", QString());
        Image1->setPixmap(curtainArrangementPicture(KindVerticalLightCurtain));
        Label9 = namedLabel("Label9", QString(), true);
        auto *row = new QHBoxLayout;
        row->addWidget(Image1);
        row->addWidget(Label9, 1);
        GroupBox1 = parametersBox("GroupBox1");
        auto *g = new QGridLayout(GroupBox1);
        Label8 = namedLabel("Label8", QString());
        Edit_VLC_d = namedEdit("Edit_VLC_d", QStringLiteral("14"));
        Label35 = unit("Label35");
        CheckBox_VLC_nonindustrial = new QCheckBox(QStringLiteral("Non Industrial"));
        CheckBox_VLC_nonindustrial->setObjectName(QStringLiteral("CheckBox_VLC_nonindustrial"));
        Label18 = namedLabel("Label18", QStringLiteral("Use for example in the presence of children."));
        g->addWidget(Label8, 0, 0);
        g->addWidget(Edit_VLC_d, 0, 1);
        g->addWidget(Label35, 0, 2);
        g->addWidget(CheckBox_VLC_nonindustrial, 1, 0, 1, 3);
        g->addWidget(Label18, 2, 0, 1, 4);
        g->setColumnStretch(3, 1);
        v->addWidget(Label1);
        v->addLayout(row);
        v->addWidget(GroupBox1);
        v->addStretch(1);
    }

    // Horizontal light curtain
    TabSheet2 = newPage("TabSheet2");
    {
        auto *v = new QVBoxLayout(TabSheet2);
        Label2 = heading("Label2");
        Image2 = namedLabel("Image2", QString());
        Image2->setPixmap(curtainArrangementPicture(KindHorizontalLightCurtain));
        Label13 = namedLabel("Label13", QString(), true);
        auto *row = new QHBoxLayout;
        row->addWidget(Image2);
        row->addWidget(Label13, 1);
        GroupBox2 = parametersBox("GroupBox2");
        auto *g = new QGridLayout(GroupBox2);
        Label10 = namedLabel("Label10", QString());
        Edit_HLC_H = namedEdit("Edit_HLC_H", QStringLiteral("100"));
        Label7 = unit("Label7");
        g->addWidget(Label10, 0, 0);
        g->addWidget(Edit_HLC_H, 0, 1);
        g->addWidget(Label7, 0, 2);
        g->setColumnStretch(3, 1);
        v->addWidget(Label2);
        v->addLayout(row);
        v->addWidget(GroupBox2);
        v->addStretch(1);
    }

    // Safety scanner
    TabSheet3 = newPage("TabSheet3");
    {
        auto *v = new QVBoxLayout(TabSheet3);
        Label3 = heading("Label3");
        Label15 = namedLabel("Label15", QString(), true);
        GroupBox3 = parametersBox("GroupBox3");
        auto *g = new QGridLayout(GroupBox3);
        Label17 = namedLabel("Label17", QString());
        Edit_ScannerHeight = namedEdit("Edit_ScannerHeight", QStringLiteral("300"));
        Label14 = unit("Label14");
        g->addWidget(Label17, 0, 0);
        g->addWidget(Edit_ScannerHeight, 0, 1);
        g->addWidget(Label14, 0, 2);
        g->setColumnStretch(3, 1);
        v->addWidget(Label3);
        v->addWidget(Label15);
        v->addWidget(GroupBox3);
        v->addStretch(1);
    }

    // Two-hand control and emergency stop have no parameter.
    TabSheet4 = newPage("TabSheet4");
    {
        auto *v = new QVBoxLayout(TabSheet4);
        Label4 = heading("Label4");
        GroupBox4 = parametersBox("GroupBox4");
        GroupBox4->setMinimumHeight(60);
        v->addWidget(Label4);
        v->addWidget(GroupBox4);
        v->addStretch(1);
    }
    TabSheet5 = newPage("TabSheet5");
    {
        auto *v = new QVBoxLayout(TabSheet5);
        Label5 = heading("Label5");
        GroupBox5 = parametersBox("GroupBox5");
        GroupBox5->setMinimumHeight(60);
        v->addWidget(Label5);
        v->addWidget(GroupBox5);
        v->addStretch(1);
    }

    // Door (interlocking guard)
    TabSheet6 = newPage("TabSheet6");
    {
        auto *v = new QVBoxLayout(TabSheet6);
        Label21 = heading("Label21");
        Label6 = namedLabel("Label6", QStringLiteral("S = ( K \u00d7 T ) + C"));
        Label11 = namedLabel("Label11", QStringLiteral("K = 1 600 mm/s"));
        GroupBox6 = parametersBox("GroupBox6");
        auto *g = new QGridLayout(GroupBox6);
        Edit_Door_C = namedEdit("Edit_Door_C", QStringLiteral("0"));
        Label16 = namedLabel("Label16", QStringLiteral("Safety distance from Table 4 or Table 5 of ISO 13857:2008"), true);
        auto *doorC = new QLabel(QStringLiteral("C:"));
        doorC->setBuddy(Edit_Door_C);
        g->addWidget(doorC, 0, 0);
        g->addWidget(Edit_Door_C, 0, 1);
        g->addWidget(new QLabel(QStringLiteral("[mm]")), 0, 2);
        g->addWidget(Label16, 1, 0, 1, 4);
        g->setColumnStretch(3, 1);
        v->addWidget(Label21);
        v->addWidget(Label6);
        v->addWidget(Label11);
        v->addWidget(GroupBox6);
        v->addStretch(1);
    }

    // Pressure-sensitive mat
    TabSheet7 = newPage("TabSheet7");
    {
        auto *v = new QVBoxLayout(TabSheet7);
        Label25 = heading("Label25");
        Label23 = namedLabel("Label23", QStringLiteral("S = ( 1600 \u00d7 T ) + 1200"));
        Label22 = namedLabel("Label22", QStringLiteral("S = ( 1600 \u00d7 T ) + (1200 - 0,4 x h)"));
        GroupBox7 = parametersBox("GroupBox7", QStringLiteral("Parameters"));
        auto *g = new QGridLayout(GroupBox7);
        Label26 = namedLabel("Label26", QStringLiteral("Step Height h:"));
        Edit_StepHeight = namedEdit("Edit_StepHeight", QStringLiteral("0"));
        g->addWidget(Label26, 0, 0);
        g->addWidget(Edit_StepHeight, 0, 1);
        g->addWidget(new QLabel(QStringLiteral("[mm]")), 0, 2);
        g->setColumnStretch(3, 1);
        v->addWidget(Label25);
        v->addWidget(Label23);
        v->addWidget(Label22);
        v->addWidget(GroupBox7);
        v->addStretch(1);
    }

    // Tab n shows icon n of the main window's device icons.
    QWidget *const pages[] = {TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5, TabSheet6, TabSheet7};
    for (int i = 0; i < SafetyDeviceKindCount; ++i)
        PageControl1->addTab(pages[i], QIcon(deviceIcon32(i)), QString());

    // The standard, the entries it reads and the installed distance.
    GroupBox_Standard = parametersBox("GroupBox_Standard");
    {
        auto *g = new QGridLayout(GroupBox_Standard);
        Label_Standard = namedLabel("Label_Standard", QString());
        ComboBox_Standard = new QComboBox;
        ComboBox_Standard->setObjectName(QStringLiteral("ComboBox_Standard"));
        for (const DistanceStandard *standard : distanceStandards())
            ComboBox_Standard->addItem(standard->name(), standard->id());
        Label_Standard->setBuddy(ComboBox_Standard);
        g->addWidget(Label_Standard, 0, 0);
        g->addWidget(ComboBox_Standard, 0, 1, 1, 2);
        int row = 1;
        auto entry = [&](QLabel *&label, const char *labelName, QLineEdit *&edit, const char *editName,
                         const QString &unitText) {
            label = namedLabel(labelName, QString());
            edit = namedEdit(editName, QString());
            label->setBuddy(edit);
            g->addWidget(label, row, 0);
            g->addWidget(edit, row, 1);
            // The unit goes and comes with its field.
            auto *unit = new QLabel(unitText);
            unit->setObjectName(QLatin1String(labelName) + QStringLiteral("Unit"));
            m_units[edit] = unit;
            g->addWidget(unit, row, 2);
            connect(edit, &QLineEdit::textChanged, this, [edit] {
                markField(edit, edit->text().trimmed().isEmpty() || parseDecimal(edit->text()).has_value());
            });
            ++row;
        };
        entry(Label_ZoneD, "Label_ZoneD", Edit_ZoneD, "Edit_ZoneD", QStringLiteral("[mm]"));
        entry(Label_Tr, "Label_Tr", Edit_Tr, "Edit_Tr", QStringLiteral("[ms]"));
        entry(Label_BrakeMonitor, "Label_BrakeMonitor", Edit_BrakeMonitor, "Edit_BrakeMonitor", QStringLiteral("[ms]"));
        entry(Label_K, "Label_K", Edit_K, "Edit_K", QStringLiteral("[mm/s]"));
        entry(Label_Dds, "Label_Dds", Edit_Dds, "Edit_Dds", QStringLiteral("[mm]"));
        entry(Label_Z, "Label_Z", Edit_Z, "Edit_Z", QStringLiteral("[mm]"));
        entry(Label_Dpf, "Label_Dpf", Edit_Dpf, "Edit_Dpf", QStringLiteral("[mm]"));
        CheckBox_NoEncroachment = new QCheckBox;
        CheckBox_NoEncroachment->setObjectName(QStringLiteral("CheckBox_NoEncroachment"));
        g->addWidget(CheckBox_NoEncroachment, row++, 0, 1, 3);
        // After a measurement from the archive: the entries it did not keep.
        Label_EntriesNotKept = namedLabel("Label_EntriesNotKept", QString());
        Label_EntriesNotKept->setWordWrap(true);
        Label_EntriesNotKept->setVisible(false);
        g->addWidget(Label_EntriesNotKept, row++, 0, 1, 4);
        Label_Installed = namedLabel("Label_Installed", QString());
        Edit_Installed = namedEdit("Edit_Installed", QString());
        Label_Installed->setBuddy(Edit_Installed);
        ComboBox_InstalledUnit = new QComboBox;
        ComboBox_InstalledUnit->setObjectName(QStringLiteral("ComboBox_InstalledUnit"));
        ComboBox_InstalledUnit->addItems({QStringLiteral("mm"), QStringLiteral("in")});
        g->addWidget(Label_Installed, row, 0);
        g->addWidget(Edit_Installed, row, 1);
        g->addWidget(ComboBox_InstalledUnit, row, 2);
        g->setColumnStretch(3, 1);
        connect(Edit_Installed, &QLineEdit::textChanged, this, [this] {
            markField(Edit_Installed,
                      Edit_Installed->text().trimmed().isEmpty() || parseDecimal(Edit_Installed->text()).has_value());
        });
    }
    outer->addWidget(GroupBox_Standard);
    connect(ComboBox_Standard, &QComboBox::currentIndexChanged, this, &Tdevselectform::showEntries);
    for (QLineEdit *e : {Edit_VLC_d, Edit_HLC_H, Edit_ScannerHeight, Edit_Door_C, Edit_StepHeight})
        connect(e, &QLineEdit::textChanged, this, &Tdevselectform::showEntries);
    connect(CheckBox_VLC_nonindustrial, &QCheckBox::toggled, this, &Tdevselectform::showEntries);

    // Machine area
    auto *machine = new QGridLayout;
    Label19 = namedLabel("Label19", QString());
    Edit_MachineID = new QLineEdit;
    Edit_MachineID->setObjectName(QStringLiteral("Edit_MachineID"));
    Label20 = namedLabel("Label20", QString());
    Edit_Note = new QLineEdit;
    Edit_Note->setObjectName(QStringLiteral("Edit_Note"));
    // Only what a project file keeps is taken, and the dialog says so
    // while the user types.
    Label_MachineIDCheck = namedLabel("Label_MachineIDCheck", QString());
    Label_NoteCheck = namedLabel("Label_NoteCheck", QString());
    m_machineIdCheck =
        new ProjectTextCheck(Edit_MachineID, Label_MachineIDCheck, ProjectRecord::Text::MachineID, m_state.texts());
    m_noteCheck = new ProjectTextCheck(Edit_Note, Label_NoteCheck, ProjectRecord::Text::Note, m_state.texts());
    // The safeguard beside the machine ID: one the machine is known to
    // have, or a new name.
    Label_Safeguard = namedLabel("Label_Safeguard", QString());
    ComboBox_Safeguard = new QComboBox;
    ComboBox_Safeguard->setObjectName(QStringLiteral("ComboBox_Safeguard"));
    ComboBox_Safeguard->setEditable(true);
    ComboBox_Safeguard->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_Safeguard->setMinimumContentsLength(20);
    Label_SafeguardCheck = namedLabel("Label_SafeguardCheck", QString());
    m_safeguardCheck =
        new ProjectTextCheck(ComboBox_Safeguard, Label_SafeguardCheck, ProjectRecord::Text::Safeguard, m_state.texts());
    Label_Safeguard->setBuddy(ComboBox_Safeguard);
    connect(Edit_MachineID, &QLineEdit::textChanged, this, &Tdevselectform::machineIdEdited);
    // The list offers what the archive knows of the machine, read off the
    // user-interface thread.
    auto *known = new KnownSafeguards(this);
    connect(this, &Tdevselectform::machineIdEdited, known, [this, known](const QString &machineId) {
        known->load(archiveUrlInForce(m_state.appSettings.ArchiveUrl), machineId);
    });
    connect(known, &KnownSafeguards::loaded, this, [this](const QString &machineId, const QStringList &names) {
        if (machineId == Edit_MachineID->text().trimmed())
            setKnownSafeguards(names);
    });
    Label19->setBuddy(Edit_MachineID);
    Label20->setBuddy(Edit_Note);
    Label8->setBuddy(Edit_VLC_d);
    Label10->setBuddy(Edit_HLC_H);
    Label17->setBuddy(Edit_ScannerHeight);
    Label26->setBuddy(Edit_StepHeight);
    machine->addWidget(Label19, 0, 0);
    machine->addWidget(Edit_MachineID, 0, 1);
    machine->addWidget(Label_MachineIDCheck, 1, 1);
    machine->addWidget(Label_Safeguard, 0, 2);
    machine->addWidget(ComboBox_Safeguard, 0, 3);
    machine->addWidget(Label_SafeguardCheck, 1, 3);
    machine->addWidget(Label20, 2, 0);
    machine->addWidget(Edit_Note, 2, 1, 1, 3);
    machine->addWidget(Label_NoteCheck, 3, 1, 1, 3);
    outer->addLayout(machine);
    setTabOrder(Edit_MachineID, ComboBox_Safeguard);
    setTabOrder(ComboBox_Safeguard, Edit_Note);

    // Button bar
    auto *buttons = new QHBoxLayout;
    Button_OK = new QPushButton;
    Button_OK->setObjectName(QStringLiteral("Button_OK"));
    Button_OK->setDefault(true);
    Button_Cancel = new QPushButton;
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    buttons->addStretch(1);
    buttons->addWidget(Button_OK);
    buttons->addWidget(Button_Cancel);
    outer->addLayout(buttons);

    connect(Button_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Edit_VLC_d, &QLineEdit::textChanged, this, &Tdevselectform::kontrola_zadani_VLC);
    connect(Edit_HLC_H, &QLineEdit::textChanged, this, &Tdevselectform::kontrola_zadani_HLC);
    connect(Edit_ScannerHeight, &QLineEdit::textChanged, this, &Tdevselectform::kontrola_zadani_Scanner);
    connect(PageControl1, &QTabWidget::currentChanged, this, &Tdevselectform::tabShown);
    connect(&m_state, &ProgramState::machineChanged, this, &Tdevselectform::showMachine);
    // A measurement the program took (File > Open, one from the archive)
    // brings its own device: the fields show it, so that OK without a
    // change keeps d, H, C, h and the non-industrial choice it was measured
    // behind, never an older field content that nobody chose for it.
    connect(&m_state, &ProgramState::safetyDeviceChanged, this, [this] {
        if (m_storing)
            return;
        m_entriesFromArchive = false;
        showDevice(m_state.safetyDevice());
    });
    followLanguage(m_state, TextWindow::DeviceSelect, this);
    // Made at its first use: it starts with the state's machine and device.
    showMachine();
    showDevice(m_state.safetyDevice());
}

void Tdevselectform::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void Tdevselectform::FormShow()
{
    const int before = PageControl1->currentIndex();
    PageControl1->setCurrentIndex(m_state.safetyDevice().ID);
    // A tab that was active already does not announce itself again, but it
    // becomes visible with the dialog all the same.
    if (PageControl1->currentIndex() == before)
        tabShown(before);
    showMachine();
    showChoice();
    // The list follows the machine the dialog opens on, also when its ID
    // is the one of the last opening.
    emit machineIdEdited(Edit_MachineID->text());
}

void Tdevselectform::showChoice()
{
    const DistanceChoice &c = m_state.distanceChoice();
    const DistanceStandard *standard = c.standard();
    const int index = ComboBox_Standard->findData(standard ? standard->id() : defaultDistanceStandard().id());
    ComboBox_Standard->setCurrentIndex(std::max(index, 0));
    auto show = [](QLineEdit *edit, const std::optional<double> &value) {
        edit->setText(value ? formatGeneral(*value) : QString());
    };
    show(Edit_Tr, c.trMs);
    show(Edit_BrakeMonitor, c.brakeMonitorMs);
    show(Edit_K, c.kMmPerS);
    show(Edit_Dds, c.ddsMm);
    show(Edit_Z, c.zMm);
    show(Edit_Dpf, c.dpfMm);
    CheckBox_NoEncroachment->setChecked(c.noEncroachment);
    ComboBox_InstalledUnit->setCurrentIndex(0);
    show(Edit_Installed, c.installedMm);
    const SafetyDevice &device = m_state.safetyDevice();
    const bool zone = device.ID == KindHorizontalLightCurtain || device.ID == KindSafetyScanner;
    show(Edit_ZoneD, zone && !SafetyDevice::isNoParameter(KindVerticalLightCurtain, device.d)
                         ? std::optional<double>(device.d)
                         : std::nullopt);
    showEntries();
}

const DistanceStandard *Tdevselectform::chosenStandard() const
{
    const DistanceStandard *standard = findDistanceStandard(ComboBox_Standard->currentData().toString());
    return standard ? standard : &defaultDistanceStandard();
}

bool Tdevselectform::readsZoneResolution() const
{
    // The parallel approach of ISO 13855:2024 checks H against the
    // resolution d.
    const int kind = PageControl1->currentIndex();
    return chosenStandard()->id() == QLatin1String("iso13855-2024")
        && (kind == KindHorizontalLightCurtain || kind == KindSafetyScanner);
}

void Tdevselectform::showEntries()
{
    const int kind = PageControl1->currentIndex();
    const DistanceEntries entries = chosenStandard()->entries(kind);
    QStringList notKept;
    const auto offer = [this, &notKept](QLabel *label, QWidget *field, bool shown) {
        if (label)
            label->setVisible(shown);
        field->setVisible(shown);
        if (const auto unit = m_units.find(field); unit != m_units.end())
            unit->second->setVisible(shown);
        if (shown && label && label != Label_ZoneD)
            notKept << label->text().remove(QLatin1Char('&')).remove(QLatin1Char(':')).trimmed();
    };
    offer(Label_Tr, Edit_Tr, entries & EntryResponseTime);
    offer(Label_BrakeMonitor, Edit_BrakeMonitor, entries & EntryBrakeMonitor);
    offer(Label_K, Edit_K, entries & EntryApproachSpeed);
    offer(Label_Dds, Edit_Dds, entries & EntryDds);
    offer(Label_Z, Edit_Z, entries & EntrySupplement);
    offer(Label_Dpf, Edit_Dpf, entries & EntryDpf);
    offer(nullptr, CheckBox_NoEncroachment, entries & EntryNoEncroachment);
    offer(Label_ZoneD, Edit_ZoneD, readsZoneResolution());
    // The archive keeps the standard and the installed distance, not the
    // entries: the user sees which ones are to be given again.
    Label_EntriesNotKept->setText(m_state.texts().text("DevicesWindow", "EntriesNotKept")
                                      .arg(notKept.join(QStringLiteral(", "))));
    Label_EntriesNotKept->setVisible(m_entriesFromArchive && !notKept.isEmpty());
    // D_DS comes from the standard's tables; what ISO 13855:2010 added is
    // only a hint, never a value.
    if (entries & EntryDds) {
        const SafetyDevice device = selection();
        const std::optional<double> hint =
            iso13855_2010AdditionalDistance(distanceInputs(device, DistanceChoice(), 0.0));
        Edit_Dds->setPlaceholderText(hint ? QStringLiteral("2010: ") + formatGeneral(*hint) : QString());
    }
}

void Tdevselectform::showMachine()
{
    Edit_MachineID->setText(m_state.machineId());
    Edit_Note->setText(m_state.note());
    ComboBox_Safeguard->setEditText(m_state.safeguard());
    m_machineIdCheck->recheck();
    m_noteCheck->recheck();
    m_safeguardCheck->recheck();
}

void Tdevselectform::setKnownSafeguards(const QStringList &names)
{
    const QString typed = ComboBox_Safeguard->currentText();
    ComboBox_Safeguard->clear();
    ComboBox_Safeguard->addItems(names);
    ComboBox_Safeguard->setCurrentIndex(-1);
    ComboBox_Safeguard->setEditText(typed);
}

SafetyDevice Tdevselectform::selection() const
{
    // Only the chosen kind's input is taken; a text that is no number
    // leaves it none (d and H -1, C and h no number).
    const int kind = PageControl1->currentIndex();
    const QLineEdit *edit = parameterEdit(kind);
    // The box counts only where it is offered (d a number up to 40 mm).
    const bool nonIndustrial = kind == KindVerticalLightCurtain && CheckBox_VLC_nonindustrial->isChecked()
        && CheckBox_VLC_nonindustrial->isEnabled();
    SafetyDevice device =
        SafetyDevice::selected(kind, edit ? parseDecimal(edit->text()) : std::nullopt, nonIndustrial);
    if (const QLabel *name = headingLabel(kind))
        device.Name = name->text();
    return device;
}

DistanceChoice Tdevselectform::distanceChoice() const
{
    const int kind = PageControl1->currentIndex();
    const DistanceStandard *standard = chosenStandard();
    const DistanceEntries entries = standard->entries(kind);
    DistanceChoice c;
    c.standardId = standard->id();
    // Only the entries the standard reads for the kind are kept.
    auto read = [entries](DistanceEntries entry, const QLineEdit *edit) -> std::optional<double> {
        if (!(entries & entry))
            return std::nullopt;
        return parseDecimal(edit->text());
    };
    c.trMs = read(EntryResponseTime, Edit_Tr);
    c.brakeMonitorMs = read(EntryBrakeMonitor, Edit_BrakeMonitor);
    c.kMmPerS = read(EntryApproachSpeed, Edit_K);
    c.ddsMm = read(EntryDds, Edit_Dds);
    c.zMm = read(EntrySupplement, Edit_Z);
    c.dpfMm = read(EntryDpf, Edit_Dpf);
    c.noEncroachment = (entries & EntryNoEncroachment) && CheckBox_NoEncroachment->isChecked();
    if (const std::optional<double> installed = parseDecimal(Edit_Installed->text()))
        c.installedMm = ComboBox_InstalledUnit->currentIndex() == 1 ? *installed * kMmPerInch : *installed;
    return c;
}

void Tdevselectform::storeSelection()
{
    SafetyDevice device = selection();
    if (readsZoneResolution())
        device.d = parseDecimal(Edit_ZoneD->text()).value_or(-1.0);
    // Read before any is handed on: the state's signals show its machine in
    // the fields again.  The fields are what was chosen: they are not shown
    // again from the device they make.
    const QString machineId = m_machineIdCheck->keptText();
    const QString note = m_noteCheck->keptText();
    const QString safeguard = keptSafeguardName(ComboBox_Safeguard->currentText());
    m_storing = true;
    m_state.setSafetyDevice(device);
    m_state.setDistanceChoice(distanceChoice());
    m_storing = false;
    // A standard chosen with its entries replaces one a project could not
    // give.
    m_state.setStandardProblem(QString());
    m_state.setMachine(machineId, note);
    m_state.setSafeguard(safeguard);
    setEntriesFromArchive(false);
}

void Tdevselectform::setEntriesFromArchive(bool fromArchive)
{
    m_entriesFromArchive = fromArchive;
    showEntries();
}

void Tdevselectform::showDevice(const SafetyDevice &device)
{
    QLineEdit *edit = parameterEdit(device.ID);
    if (edit) {
        const std::optional<double> parameter = device.parameter();
        edit->setText(parameter ? formatGeneral(*parameter) : QString());
    }
    if (device.ID == KindVerticalLightCurtain)
        CheckBox_VLC_nonindustrial->setChecked(device.NonIndustrial && CheckBox_VLC_nonindustrial->isEnabled());
    PageControl1->setCurrentIndex(device.ID);
}

void Tdevselectform::tabShown(int index)
{
    showEntries();
    switch (index) {
    case KindVerticalLightCurtain: kontrola_zadani_VLC(); break;
    case KindHorizontalLightCurtain: kontrola_zadani_HLC(); break;
    case KindSafetyScanner: kontrola_zadani_Scanner(); break;
    default: break;
    }
}

void Tdevselectform::kontrola_zadani_VLC()
{
    const std::optional<double> d = parseDecimal(Edit_VLC_d->text());
    markField(Edit_VLC_d, d.has_value());
    // The non-industrial formula exists only for resolutions up to 40 mm.
    if (!d || *d > 40.0) {
        CheckBox_VLC_nonindustrial->setChecked(false);
        CheckBox_VLC_nonindustrial->setEnabled(false);
    } else {
        CheckBox_VLC_nonindustrial->setEnabled(true);
    }
}

void Tdevselectform::kontrola_zadani_HLC()
{
    markField(Edit_HLC_H, parseDecimal(Edit_HLC_H->text()).has_value());
}

void Tdevselectform::kontrola_zadani_Scanner()
{
    markField(Edit_ScannerHeight, parseDecimal(Edit_ScannerHeight->text()).has_value());
}

QLabel *Tdevselectform::headingLabel(int kind) const
{
    QLabel *const labels[] = {Label1, Label2, Label3, Label4, Label5, Label21, Label25};
    if (kind < 0 || kind >= SafetyDeviceKindCount)
        return nullptr;
    return labels[kind];
}

QLineEdit *Tdevselectform::parameterEdit(int kind) const
{
    switch (kind) {
    case KindVerticalLightCurtain: return Edit_VLC_d;
    case KindHorizontalLightCurtain: return Edit_HLC_H;
    case KindSafetyScanner: return Edit_ScannerHeight;
    case KindDoor: return Edit_Door_C;
    case KindPressureSensitiveMat: return Edit_StepHeight;
    default: return nullptr;
    }
}
