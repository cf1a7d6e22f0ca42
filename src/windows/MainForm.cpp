#include "windows/MainForm.h"

#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "windows/Pictures.h"
#include "state/ProgramState.h"
#include "windows/WidgetParts.h"
#include "windows/StartArguments.h"
#include "windows/WindowPlacement.h"
#include "device/DeviceSession.h"
#include "settings/LanguageTexts.h"
#include "windows/WindowTexts.h"
#include "windows/CalcForm.h"
#include "windows/DevSelectForm.h"
#include "windows/DevicePictures.h"
#include "windows/ElidedLabel.h"
#include "windows/SafetyAdvisorForm.h"
#include "series/StopTimesModel.h"
#include "windows/SettingsForm.h"
#include "windows/ImagesForm.h"
#include "windows/StopTimesChart.h"
#include "report/ReportLogo.h"
#include "series/SeriesResult.h"
#include "settings/FileLocations.h"
#include "settings/ReportSettings.h"
#include <QItemSelectionModel>
#include <QSplitter>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QDir>
#include <QStatusBar>
#include <QTableView>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <random>

namespace {

QToolButton *makeToolButton(QWidget *parent, const QString &name, const QIcon &icon, int iconSize)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setIcon(icon);
    b->setIconSize(QSize(iconSize, iconSize));
    return b;
}

} // namespace

TMainForm::TMainForm(ProgramState &state, Platform &platform, Forms &forms,
                     const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_platform(platform), m_forms(forms),
      m_arguments(arguments)
{
    setObjectName(QStringLiteral("TMainForm"));
    // The caption carries the product version and is not translated.
    setWindowTitle(QStringLiteral("Zirk - Vadro v5.01 - Stop Time Measurement System"));
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    m_device = new DeviceSession(m_platform.device, m_platform.dialogs, *m_platform.clock, this);
    Timer1 = m_device->Timer1;

    buildUi();
    buildMenus();
    connectDeviceSession();
    connectSeries();
    connectState();
    connectChart();
    setFixedSize(725, 831 + menuBar()->sizeHint().height());
}

TMainForm::~TMainForm()
{
    // A delivery still under way keeps its measurements in the queue until
    // it is done; one that a server holds longer is left to end on its own
    // (the next start delivers what it did not).
    if (m_archiveDelivery && m_archiveDelivery->wait(QDeadlineTimer(5000)))
        delete m_archiveDelivery;
}

void TMainForm::buildUi()
{
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(6, 4, 6, 2);
    outer->setSpacing(4);

    Image1 = makeLabel(QStringLiteral("Image1"), QString());
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setFixedHeight(90);
    outer->addWidget(Image1);

    auto *columns = new QHBoxLayout;
    columns->setSpacing(8);
    outer->addLayout(columns, 1);

    // Left column: start, release settings, tools, statistics.
    auto *left = new QVBoxLayout;
    left->setSpacing(6);
    auto *leftHost = new QWidget;
    leftHost->setFixedWidth(330);
    leftHost->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(leftHost);

    Panel2 = new QFrame;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::StyledPanel);
    auto *p2 = new QHBoxLayout(Panel2);
    SB_Start = makeToolButton(Panel2, QStringLiteral("SB_Start"), glyphIcon(Glyph::Start), 64);
    SB_Start->setEnabled(false);
    p2->addWidget(SB_Start);
    p2->addStretch(1);
    Image_Semafor = makeLabel(QStringLiteral("Image_Semafor"), QString(), Panel2);
    Image_Semafor->setFixedSize(96, 32);
    Image_Semafor->setAttribute(Qt::WA_TranslucentBackground);
    Image_Semafor->setPixmap(IL_semafor[BeaconOff]);
    p2->addWidget(Image_Semafor);
    left->addWidget(Panel2);

    GroupBox1 = new QGroupBox;
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *g1 = new QGridLayout(GroupBox1);
    CheckBox_Distance = new QCheckBox;
    CheckBox_Distance->setObjectName(QStringLiteral("CheckBox_Distance"));
    Edit_Distance = new QLineEdit(QStringLiteral("300"));
    Edit_Distance->setObjectName(QStringLiteral("Edit_Distance"));
    Edit_Distance->setMaximumWidth(70);
    Label10 = makeLabel(QStringLiteral("Label10"), QStringLiteral("mm"));
    CheckBox_Speed = new QCheckBox;
    CheckBox_Speed->setObjectName(QStringLiteral("CheckBox_Speed"));
    Btn_Demo = new QPushButton(QStringLiteral("Demo"));
    Btn_Demo->setObjectName(QStringLiteral("Btn_Demo"));
    Btn_Demo->setEnabled(false);
    Btn_Demo->setVisible(false);
    g1->addWidget(CheckBox_Distance, 0, 0);
    g1->addWidget(Edit_Distance, 0, 1);
    g1->addWidget(Label10, 0, 2);
    g1->addWidget(CheckBox_Speed, 1, 0);
    g1->addWidget(Btn_Demo, 1, 3);
    g1->setColumnStretch(3, 1);
    left->addWidget(GroupBox1);

    GroupBox5 = new QGroupBox;
    GroupBox5->setObjectName(QStringLiteral("GroupBox5"));
    auto *g5 = new QVBoxLayout(GroupBox5);
    auto *buttons = new QHBoxLayout;
    SB_DeviceSelect = makeToolButton(GroupBox5, QStringLiteral("SB_DeviceSelect"), QIcon(), 32);
    SB_Settings = makeToolButton(GroupBox5, QStringLiteral("SB_Settings"), glyphIcon(Glyph::Settings), 32);
    SB_Images = makeToolButton(GroupBox5, QStringLiteral("SB_Images"), glyphIcon(Glyph::Images), 32);
    SB_Calculator = makeToolButton(GroupBox5, QStringLiteral("SB_Calculator"), glyphIcon(Glyph::Calculator), 32);
    for (auto *b : {SB_DeviceSelect, SB_Settings, SB_Images, SB_Calculator})
        buttons->addWidget(b);
    buttons->addStretch(1);
    g5->addLayout(buttons);
    auto *deviceRow = new QHBoxLayout;
    Image_Device = makeLabel(QStringLiteral("Image_Device"), QString());
    Image_Device->setFixedSize(111, 111);
    Image_Device->setScaledContents(true);
    deviceRow->addWidget(Image_Device);
    auto *deviceText = new QGridLayout;
    Label_SafetyDeviceCaption = makeLabel(QStringLiteral("Label_SafetyDeviceCaption"), QString());
    Label_SafetyDevice = makeLabel(QStringLiteral("Label_SafetyDevice"), QStringLiteral("Vertical Light Curtain"));
    Label_DeviceParamsCaption = makeLabel(QStringLiteral("Label_DeviceParamsCaption"), QString());
    Label_DeviceParams = makeLabel(QStringLiteral("Label_DeviceParams"), QStringLiteral("d=14mm"));
    Label_MachineIDCaption = makeLabel(QStringLiteral("Label_MachineIDCaption"), QString());
    Label_MachineID = makeLabel(QStringLiteral("Label_MachineID"), QString());
    Label_NoteCaption = makeLabel(QStringLiteral("Label_NoteCaption"), QString());
    // A note may be as long as the user typed it: cut to the lines there are.
    Label_Note = new ElidedLabel;
    Label_Note->setObjectName(QStringLiteral("Label_Note"));
    QFont boldFont = Label_SafetyDevice->font();
    boldFont.setBold(true);
    const QList<QPair<QLabel *, QLabel *>> rows = {
        {Label_SafetyDeviceCaption, Label_SafetyDevice},
        {Label_DeviceParamsCaption, Label_DeviceParams},
        {Label_MachineIDCaption, Label_MachineID},
        {Label_NoteCaption, Label_Note}};
    for (int r = 0; r < rows.size(); ++r) {
        rows[r].first->setBuddy(rows[r].second);
        deviceText->addWidget(rows[r].first, 2 * r, 0);
        rows[r].second->setFont(boldFont);
        rows[r].second->setWordWrap(true);
        deviceText->addWidget(rows[r].second, 2 * r + 1, 0);
    }
    deviceRow->addLayout(deviceText, 1);
    g5->addLayout(deviceRow);
    left->addWidget(GroupBox5);

    GroupBox2 = new QGroupBox;
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto *g2 = new QGridLayout(GroupBox2);
    const QFont valueFont = fixedFont(16, true);
    struct StatRow { QLabel **caption; const char *captionName; QLabel **value; const char *valueName; const char *initial; };
    const StatRow stats[] = {
        {&Label_CountCaption, "Label_CountCaption", &Label_Count, "Label_Count", "0"},
        {&Label_MeanCaption, "Label_MeanCaption", &Label_Mean, "Label_Mean", "-- ---"},
        {&Label_SigmaCaption, "Label_SigmaCaption", &Label_Sigma, "Label_Sigma", "-- ---"},
        {&Label_3SigmaCaption, "Label_3SigmaCaption", &Label_3Sigma, "Label_3Sigma", "-- ---"},
        {&Label_MaximumCaption, "Label_MaximumCaption", &Label_Maximum, "Label_Maximum", "-- ---"},
    };
    int r = 0;
    for (const StatRow &s : stats) {
        *s.caption = makeLabel(QString::fromLatin1(s.captionName), QString());
        *s.value = makeLabel(QString::fromLatin1(s.valueName), QString::fromLatin1(s.initial));
        (*s.value)->setFont(valueFont);
        (*s.value)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        g2->addWidget(*s.caption, r, 0);
        g2->addWidget(*s.value, r, 1);
        ++r;
    }
    left->addWidget(GroupBox2);
    left->addStretch(1);

    // Right column: the result, then the list.
    auto *right = new QVBoxLayout;
    columns->addLayout(right, 1);
    Panel1 = new QFrame;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setAutoFillBackground(true);
    QPalette silver = Panel1->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    Panel1->setPalette(silver);
    auto *p1 = new QVBoxLayout(Panel1);
    Label14 = makeLabel(QStringLiteral("Label14"), QString());
    QPalette red = Label14->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    QFont titleFont = Label14->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 2);
    Label14->setFont(titleFont);
    Label14->setPalette(red);
    Label_SafetyDistanceValue = makeLabel(QStringLiteral("Label_SafetyDistanceValue"), kNoValueMm);
    Label_SafetyDistanceValue->setAlignment(Qt::AlignCenter);
    Label_SafetyDistanceValue->setFont(fixedFont(60, true));
    Label_SafetyDistanceValue->setPalette(red);
    Label_StandardName = makeLabel(QStringLiteral("Label_StandardName"), QString());
    Label_StandardName->setAlignment(Qt::AlignCenter);
    Label_Verdict = makeLabel(QStringLiteral("Label_Verdict"), QString());
    Label_Verdict->setAlignment(Qt::AlignCenter);
    Label_Verdict->setWordWrap(true);
    QFont verdictFont = Label_Verdict->font();
    verdictFont.setBold(true);
    verdictFont.setPointSize(verdictFont.pointSize() + 2);
    Label_Verdict->setFont(verdictFont);
    Label_DistanceWarning = makeLabel(QStringLiteral("Label_DistanceWarning"), QString());
    Label_DistanceWarning->setWordWrap(true);
    Label_DistanceWarning->setPalette(red);
    p1->addWidget(Label14);
    p1->addWidget(Label_SafetyDistanceValue);
    p1->addWidget(Label_StandardName);
    p1->addWidget(Label_Verdict);
    p1->addWidget(Label_DistanceWarning);
    right->addWidget(Panel1);

    m_model = new StopTimesModel(m_state.stopTimes(), this);
    LW_data = new QTableView;
    LW_data->setObjectName(QStringLiteral("LW_data"));
    LW_data->setModel(m_model);
    LW_data->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LW_data->setSelectionBehavior(QAbstractItemView::SelectRows);
    LW_data->setSelectionMode(QAbstractItemView::SingleSelection);
    LW_data->setShowGrid(true);
    LW_data->verticalHeader()->setVisible(false);
    LW_data->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    LW_data->verticalHeader()->setDefaultSectionSize(QFontMetrics(fixedFont(0, true)).height() + 4);
    LW_data->horizontalHeader()->setHighlightSections(false);
    LW_data->setFont(fixedFont(0, true));
    LW_data->setColumnWidth(0, 50);
    LW_data->setColumnWidth(1, 140);
    LW_data->setContextMenuPolicy(Qt::CustomContextMenu);

    Chart_StopTimes = new StopTimesChart(m_state.stopTimes());
    Chart_StopTimes->setObjectName(QStringLiteral("Chart_StopTimes"));
    Splitter_Chart = new QSplitter(Qt::Vertical);
    Splitter_Chart->setObjectName(QStringLiteral("Splitter_Chart"));
    Splitter_Chart->setChildrenCollapsible(false);
    Splitter_Chart->addWidget(Chart_StopTimes);
    Splitter_Chart->addWidget(LW_data);
    Splitter_Chart->setStretchFactor(0, 1);
    Splitter_Chart->setStretchFactor(1, 1);
    right->addWidget(Splitter_Chart, 1);

    setCentralWidget(central);

    StatusBar1 = makeLabel(QStringLiteral("StatusBar1"), QString());
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);

    wire(SB_Start, &TMainForm::SB_StartClick);
    wire(Btn_Demo, &TMainForm::Btn_DemoClick);
    wire(SB_DeviceSelect, &TMainForm::SB_DeviceSelectClick);
    wire(SB_Settings, &TMainForm::SB_SettingsClick);
    wire(SB_Images, &TMainForm::SB_ImagesClick);
    wire(SB_Calculator, &TMainForm::SB_CalculatorClick);
}

void TMainForm::buildMenus()
{
    // Menus and items the language file names take their captions from it.
    auto item = [this](QMenu *menu, QAction *&action, const char *name, void (TMainForm::*handler)(),
                       const char *caption = nullptr) {
        action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        wire(action, handler);
    };

    menu_file = menuBar()->addMenu(QString());
    menu_file->setObjectName(QStringLiteral("menu_file"));
    item(menu_file, submenu_New, "submenu_New", &TMainForm::submenu_NewClick);
    item(menu_file, submenu_Open, "submenu_Open", &TMainForm::submenu_OpenClick);
    menu_recent = menu_file->addMenu(QStringLiteral("Open Recent"));
    menu_recent->setObjectName(QStringLiteral("menu_recent"));
    connect(menu_recent, &QMenu::aboutToShow, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { fillRecentMenu(); });
    });
    item(menu_file, Import1, "Import1", &TMainForm::Import1Click);
    item(menu_file, ExportValues1, "ExportValues1", &TMainForm::ExportValues1Click);
    item(menu_file, submenu_SaveAs, "submenu_SaveAs", &TMainForm::submenu_SaveAsClick);
    item(menu_file, submenu_Report, "submenu_Report", &TMainForm::submenu_ReportClick);
    menu_file->addSeparator();
    item(menu_file, submenu_Exit, "submenu_Exit", &TMainForm::submenu_ExitClick);

    menu_tools = menuBar()->addMenu(QString());
    menu_tools->setObjectName(QStringLiteral("menu_tools"));
    item(menu_tools, submenu_DeviceSelect, "submenu_DeviceSelect", &TMainForm::submenu_DeviceSelectClick);
    item(menu_tools, submenu_Images, "submenu_Images", &TMainForm::submenu_ImagesClick);
    item(menu_tools, submenu_Calculator, "submenu_Calculator", &TMainForm::submenu_CalculatorClick);
    menu_tools->addSeparator();
    item(menu_tools, submenu_Settings, "submenu_Settings", &TMainForm::submenu_SettingsClick);
    menu_tools->addSeparator();
    item(menu_tools, submenu_Driversinstall, "submenu_Driversinstall", &TMainForm::submenu_DriversinstallClick);
    menu_tools->addSeparator();
    item(menu_tools, SafetyAdvisor1, "SafetyAdvisor1", &TMainForm::SafetyAdvisor1Click, "Safety Advisor");
    item(menu_tools, GenerateVLCtable1, "GenerateVLCtable1", &TMainForm::GenerateVLCtable1Click, "Generate VLC table");
    menu_tools->addSeparator();
    item(menu_tools, submenu_MachineHistory, "submenu_MachineHistory", &TMainForm::submenu_MachineHistoryClick);
    item(menu_tools, submenu_VerifyProtocol, "submenu_VerifyProtocol", &TMainForm::submenu_VerifyProtocolClick);

    menu_help = menuBar()->addMenu(QString());
    menu_help->setObjectName(QStringLiteral("menu_help"));
    item(menu_help, submenu_help, "submenu_help", &TMainForm::submenu_helpClick);
    menu_help->addSeparator();
    item(menu_help, submenu_about, "submenu_about", &TMainForm::submenu_aboutClick);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    item(PopupMenu1, PopupDeleteRows, "PopupDeleteRows", &TMainForm::PopupDeleteRowsClick, "Delete Row");
    PopupMenu1->addSeparator();
    item(PopupMenu1, DeleteAll1, "DeleteAll1", &TMainForm::DeleteAll1Click, "Delete All");
    PopupMenu1->addSeparator();
    item(PopupMenu1, PopupCopyRows, "PopupCopyRows", &TMainForm::PopupCopyRowsClick);
    // Ctrl+C wherever the list has the focus, not only through the menu.
    PopupCopyRows->setShortcut(QKeySequence::Copy);
    PopupCopyRows->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    LW_data->addAction(PopupCopyRows);
    connect(LW_data, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu1->popup(LW_data->viewport()->mapToGlobal(pos));
    });
}

void TMainForm::wire(QAction *action, void (TMainForm::*handler)())
{
    connect(action, &QAction::triggered, this, [this, handler] {
        runGuarded(*m_platform.dialogs, this, [this, handler] { (this->*handler)(); });
    });
}

void TMainForm::wire(QAbstractButton *button, void (TMainForm::*handler)())
{
    connect(button, &QAbstractButton::clicked, this, [this, handler] {
        runGuarded(*m_platform.dialogs, this, [this, handler] { (this->*handler)(); });
    });
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    runGuarded(*m_platform.dialogs, this, [this] { FormShow(); });
}

void TMainForm::FormShow()
{
    const StartArguments start = parseStartArguments(m_arguments);
    const bool demo = start.demo;
    Btn_Demo->setEnabled(demo);
    Btn_Demo->setVisible(demo);

    // Qt paints through a back buffer already; nothing to switch on here.

    SB_Start->setEnabled(false);

    NactiIni();
    NactiTexty();

    m_state.clear();

    showLogo();

    clampWindowPositions();

    // Every run starts with direction-change detection off and the
    // standstill speed at 10 mm/s, whatever the settings file holds.
    m_state.appSettings.DirectionChangeDetection = false;
    m_state.appSettings.SSSpeed = 10.0;

    SafetyDevice device = SafetyDevice::selected(KindVerticalLightCurtain, 14.0);
    device.Name = kindDisplayName(m_state.texts(), KindVerticalLightCurtain);
    m_state.setSafetyDevice(device);
    showSafetyDevice();
    Aktualizuj_Ukazatele();

    Timer1->start();
    // What the archive did not take last time goes now.
    deliverArchiveQueue();

    if (!start.projectFile.isEmpty())
        openProjectFile(start.projectFile, ProjectOpenMessage::Error);
}

void TMainForm::connectState()
{
    connect(&m_state, &ProgramState::machineChanged, this, &TMainForm::showMachine);
    followLanguage(m_state, TextWindow::Main, this, m_model);
    const auto statusTexts = [this] {
        const MessageTexts &texts = m_state.messageTexts;
        m_device->setStatusTexts({texts.NoDeviceFound, texts.DeviceConnected, texts.DeviceReady});
    };
    connect(&m_state, &ProgramState::languageChanged, this, statusTexts);
    statusTexts();
}

void TMainForm::showLogo()
{
    QString problem;
    QImage logo = loadLogo(settingsFolder(settingsFilePath()), m_state.appSettings.LogoFile, &problem);
    if (!problem.isEmpty())
        setStatusText(logoLeftOutText(problem));
    else if (logo.isNull() && QFile::exists(QStringLiteral("logo.jpg")))
        logo = loadLogo(QDir::currentPath(), QStringLiteral("logo.jpg"));
    if (logo.isNull()) {
        Image1->clear();
        return;
    }
    Image1->setPixmap(QPixmap::fromImage(
        logo.scaled(QSize(std::max(1, width() - 12), Image1->height()), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TMainForm::connectChart()
{
    const auto texts = [this] {
        const LanguageTexts &t = m_state.texts();
        ChartTexts chart;
        chart.mean = t.text("MainWindow", "ChartMeanCaption");
        chart.meanPlus3Sigma = t.text("MainWindow", "ChartMeanPlus3SigmaCaption");
        chart.maximum = t.text("MainWindow", "ChartMaximumCaption");
        chart.runAxis = t.text("MainWindow", "ChartRunAxisCaption");
        chart.timeAxis = t.text("MainWindow", "ChartTimeAxisCaption");
        Chart_StopTimes->setTexts(chart);
    };
    connect(&m_state, &ProgramState::languageChanged, this, texts);
    texts();
    // Every arrived, imported or deleted value; the bold line is the
    // statistic the indicators underline.
    const auto series = [this] {
        Chart_StopTimes->refresh(m_state.result());
        const QModelIndex current = LW_data->selectionModel()->currentIndex();
        Chart_StopTimes->setSelectedRun(current.isValid() ? std::optional<std::size_t>(current.row())
                                                          : std::nullopt);
    };
    connect(&m_state, &ProgramState::resultChanged, this, series);
    series();
    connect(LW_data->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                Chart_StopTimes->setSelectedRun(current.isValid() ? std::optional<std::size_t>(current.row())
                                                                  : std::nullopt);
            });
    connect(Chart_StopTimes, &StopTimesChart::runClicked, this, [this](std::size_t run) {
        LW_data->selectRow(int(run));
        LW_data->scrollTo(m_model->index(int(run), 0));
    });
}

void TMainForm::showMachine()
{
    Label_MachineID->setText(m_state.machineId());
    Label_Note->setText(m_state.note());
    Label_Note->setToolTip(m_state.note());
}

void TMainForm::clampWindowPositions()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize size = screen->geometry().size();
    for (QPoint &kept : m_windowPositions)
        kept = clampWindowPosition(kept, size);
    for (QWidget *w : m_forms.positionedWindows()) {
        if (w)
            w->move(clampWindowPosition(w->pos(), size));
    }
}

void TMainForm::placeWindow(QWidget *window)
{
    const auto windows = m_forms.positionedWindows();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i] == window)
            window->move(m_windowPositions[i]);
    }
}

bool TMainForm::FormCloseQuery()
{
    if (m_state.stopTimes().empty())
        return true;
    return MujMessageDlg(m_state.messageTexts.CloseQuery) != mrCancel;
}

void TMainForm::FormClose()
{
    ZapisIni();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // An error while closing (the settings file cannot be written) is shown
    // and the program stays open.  A second request writes the settings if
    // it now can and closes in any case: the user has been told, and
    // otherwise only killing the program would end it.
    bool accept = false;
    runGuarded(*m_platform.dialogs, this, [&] {
        if (!FormCloseQuery())
            return;
        try {
            FormClose();
        } catch (...) {
            // Failing again: the user was told at the first request, and
            // this one closes all the same.
            if (!m_settingsWriteFailed) {
                m_settingsWriteFailed = true;
                throw;
            }
        }
        accept = true;
    });
    if (accept) {
        Timer1->stop();
        event->accept();
    } else {
        event->ignore();
    }
}

int TMainForm::MujMessageDlg(const QString &text)
{
    return m_platform.dialogs->confirm(this, text);
}

void TMainForm::submenu_ExitClick()
{
    close();
}

void TMainForm::Btn_DemoClick()
{
    static std::mt19937 generator;
    generator.seed(static_cast<std::mt19937::result_type>(m_platform.clock->now().toMSecsSinceEpoch()));
    std::uniform_int_distribution<quint32> counts(0, 18749999);
    m_device->demoCount(counts(generator));
}

void TMainForm::setStatusText(const QString &text)
{
    StatusBar1->setText(text);
}

QString TMainForm::statusText() const
{
    return StatusBar1->text();
}
