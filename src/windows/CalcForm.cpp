#include "windows/CalcForm.h"
#include "windows/WindowTexts.h"

#include "windows/Forms.h"
#include "base/NumberFormat.h"
#include "windows/WidgetParts.h"
#include "safety/Calculator.h"
#include "windows/DevicePictures.h"
#include "windows/MainForm.h"
#include "windows/NumberField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <vector>

namespace {

const QColor kResultPurple(0x80, 0x00, 0x80);
const QColor kNoticeMaroon(0x80, 0x00, 0x00);

const char *const kNotice[] = {
    "Attention:",
    "The calculations are based on the data of the EN 13855.",
    "Consider all country-specific defaults for the determination of the safety distance "
    "outside of EU area.",
    "All safety data in the manual are to be considered. For the determined safety distances "
    "we do not take over any liability.",
};

// How each tab is laid out: a heading, numbered input rows, results.  The
// tab's caption, its heading and the captions the language file names are
// set from the language file; only the others are written here.
struct InputDesign
{
    QLineEdit *TCalcForm::*edit;
    const char *editName;
    QLabel *TCalcForm::*caption;
    const char *captionName;
    const char *captionText; // nullptr: from the language file
    const char *defaultText;
    const char *unit; // nullptr: no unit label
};

struct ResultDesign
{
    QLabel *TCalcForm::*caption;
    const char *captionName;
    const char *captionText; // nullptr: from the language file
    QLabel *TCalcForm::*value;
    const char *valueName;
};

struct TabDesign
{
    QWidget *TCalcForm::*page;
    const char *pageName;
    QLabel *TCalcForm::*heading;
    const char *headingName;
    void (TCalcForm::*check)();
    std::vector<InputDesign> inputs;
    std::vector<ResultDesign> results;
};

const std::vector<TabDesign> &tabDesigns()
{
    using F = TCalcForm;
    static const std::vector<TabDesign> designs = {
        {&F::TabSheet1, "TabSheet1", &F::Label3, "Label3", &F::kontrola_zadani_VLC,
         {{&F::Edit_VLC_d, "Edit_VLC_d", &F::Label11, "Label11", nullptr, "14", "[mm]"},
          {&F::Edit_VLC_DistEmRec, "Edit_VLC_DistEmRec", &F::Label16, "Label16", nullptr, "600", "[mm]"},
          {&F::Edit_VLC_t, "Edit_VLC_t", &F::Label12, "Label12", nullptr, "", "[ms]"}},
         {{&F::Label15, "Label15", nullptr, &F::Label2, "Label2"},
          {&F::Label10, "Label10", nullptr, &F::Label14, "Label14"}}},
        {&F::TabSheet2, "TabSheet2", &F::Label4, "Label4", &F::kontrola_zadani_HLC,
         {{&F::Edit_HLC_H, "Edit_HLC_H", &F::Label46, "Label46", nullptr, "100", "[mm]"},
          {&F::Edit_HLC_t, "Edit_HLC_t", &F::Label25, "Label25", nullptr, "", "[ms]"}},
         {{&F::Label27, "Label27", nullptr, &F::Label29, "Label29"}}},
        {&F::TabSheet3, "TabSheet3", &F::Label5, "Label5", &F::kontrola_zadani_Scanner,
         {{&F::Edit_Scanner_H, "Edit_Scanner_H", &F::Label17, "Label17", nullptr, "100", "[mm]"},
          {&F::Edit_Scanner_t, "Edit_Scanner_t", &F::Label18, "Label18", nullptr, "", "[ms]"}},
         {{&F::Label19, "Label19", nullptr, &F::Label21, "Label21"}}},
        {&F::TabSheet4, "TabSheet4", &F::Label6, "Label6", &F::kontrola_zadani_TwoHand,
         {{&F::Edit_TwoHand_t, "Edit_TwoHand_t", &F::Label26, "Label26", nullptr, "", "[ms]"}},
         {{&F::Label1, "Label1", nullptr, &F::Label13, "Label13"}}},
        {&F::TabSheet5, "TabSheet5", &F::Label7, "Label7", &F::kontrola_zadani_EStop,
         {{&F::Edit_EStop_t, "Edit_EStop_t", &F::Label48, "Label48", nullptr, "", "[ms]"}},
         {{&F::Label52, "Label52", nullptr, &F::Label54, "Label54"}}},
        {&F::TabSheet6, "TabSheet6", &F::Label45, "Label45", &F::kontrola_zadani_Door,
         {{&F::Edit_Door_C, "Edit_Door_C", &F::Label37, "Label37", "C:", "0", nullptr},
          {&F::Edit_Door_t, "Edit_Door_t", &F::Label50, "Label50", nullptr, "", "[ms]"}},
         {{&F::Label55, "Label55", nullptr, &F::Label57, "Label57"}}},
        {&F::TabSheet7, "TabSheet7", &F::Label44, "Label44", &F::kontrola_zadani_Mat,
         {{&F::Edit_Mat_h, "Edit_Mat_h", &F::Label56, "Label56", "Step Height h:", "0", nullptr},
          {&F::Edit_Mat_t, "Edit_Mat_t", &F::Label59, "Label59", "Stop Time t:", "", "[ms]"}},
         {{&F::Label60, "Label60", "Safety distance:", &F::Label61, "Label61"}}},
    };
    return designs;
}

} // namespace

TCalcForm::TCalcForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("TCalcForm"));
    buildUi();
    arrangeKeyboardOrder();
    updateTabIcons();

    // The very first opening shows the mat tab; later openings the tab the
    // user left.
    PageControl1->setCurrentWidget(TabSheet7);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TCalcForm::checkTab);
    followLanguage(m_state, TextWindow::Calculator, this);
}

void TCalcForm::buildUi()
{
    auto *outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setIconSize(QSize(32, 32));
    PageControl1->setDocumentMode(true);
    // All seven kinds side by side: the window grows to fit them.
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setElideMode(Qt::ElideNone);
    // The calculator's own standard, apart from the measurement's.
    auto *standardRow = new QHBoxLayout;
    Label_Standard = new QLabel;
    Label_Standard->setObjectName(QStringLiteral("Label_Standard"));
    ComboBox_Standard = new QComboBox;
    ComboBox_Standard->setObjectName(QStringLiteral("ComboBox_Standard"));
    for (const DistanceStandard *standard : distanceStandards())
        ComboBox_Standard->addItem(standard->name(), standard->id());
    Label_Standard->setBuddy(ComboBox_Standard);
    standardRow->addWidget(Label_Standard);
    standardRow->addWidget(ComboBox_Standard);
    standardRow->addStretch(1);
    outer->addLayout(standardRow);
    connect(ComboBox_Standard, &QComboBox::currentIndexChanged, this,
            [this] { checkTab(PageControl1->currentIndex()); });
    outer->addWidget(PageControl1);

    const QFont inputFont = fixedFont();
    const QFont resultFont = fixedFont(26, true);
    QFont headingFont = font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);

    int tabIndex = 0;
    for (const TabDesign &tab : tabDesigns()) {
        auto *page = new QWidget;
        page->setObjectName(QString::fromLatin1(tab.pageName));
        this->*tab.page = page;
        auto *grid = new QGridLayout(page);
        grid->setColumnStretch(4, 1);

        QLabel *heading = makeLabel(QString::fromLatin1(tab.headingName), QString());
        heading->setFont(headingFont);
        this->*tab.heading = heading;
        int row = 0;
        grid->addWidget(heading, row++, 0, 1, 5);

        int number = 1;
        for (const InputDesign &in : tab.inputs) {
            QLabel *caption = makeLabel(QString::fromLatin1(in.captionName), QString::fromUtf8(in.captionText));
            this->*in.caption = caption;
            auto *edit = new QLineEdit(QString::fromLatin1(in.defaultText));
            edit->setObjectName(QString::fromLatin1(in.editName));
            edit->setFont(inputFont);
            edit->setFixedWidth(90);
            colourNumberField(edit, true);
            caption->setBuddy(edit);
            this->*in.edit = edit;
            connect(edit, &QLineEdit::textChanged, this, tab.check);

            grid->addWidget(makeLabel(QString(), QStringLiteral("%1)").arg(number++)), row, 0);
            grid->addWidget(caption, row, 1);
            grid->addWidget(edit, row, 2);
            if (in.unit)
                grid->addWidget(makeLabel(QString(), QString::fromLatin1(in.unit)), row, 3);
            ++row;

            // The non-industrial choice belongs to the resolution.
            if (edit == Edit_VLC_d) {
                CheckBox_NonIndustrial = new QCheckBox(QStringLiteral("Non Industrial"));
                CheckBox_NonIndustrial->setObjectName(QStringLiteral("CheckBox_NonIndustrial"));
                connect(CheckBox_NonIndustrial, &QCheckBox::toggled, this, &TCalcForm::kontrola_zadani_VLC);
                grid->addWidget(CheckBox_NonIndustrial, row++, 2, 1, 3);
            }
        }

        if (page == TabSheet7) {
            Label63 = makeLabel(QStringLiteral("Label63"), QStringLiteral("S = ( 1600 × T ) + 1200"));
            Label64 = makeLabel(QStringLiteral("Label64"), QStringLiteral("S = ( 1600 × T ) + (1200 - 0,4 x h)"));
            grid->addWidget(Label63, row++, 1, 1, 4);
            grid->addWidget(Label64, row++, 1, 1, 4);
        }

        grid->setRowMinimumHeight(row++, 8);
        for (const ResultDesign &res : tab.results) {
            QLabel *caption = makeLabel(QString::fromLatin1(res.captionName), QString::fromUtf8(res.captionText));
            caption->setAlignment(Qt::AlignCenter);
            this->*res.caption = caption;
            QLabel *value = makeLabel(QString::fromLatin1(res.valueName), kNoValueMm);
            value->setAlignment(Qt::AlignCenter);
            value->setFont(resultFont);
            QPalette purple = value->palette();
            purple.setColor(QPalette::WindowText, kResultPurple);
            value->setPalette(purple);
            this->*res.value = value;
            grid->addWidget(caption, row++, 0, 1, 5);
            grid->addWidget(value, row++, 0, 1, 5);
        }
        grid->setRowStretch(row, 1);

        // The light curtains and the scanner show how they are arranged.
        if (tabIndex <= KindSafetyScanner) {
            QLabel *picture = makeLabel(QStringLiteral("Image%1").arg(tabIndex + 1), QString());
            // The main window has drawn them already.
            const TMainForm *main = m_forms.MainForm;
            picture->setPixmap(main && tabIndex < main->IL_devices_150.size() ? main->IL_devices_150[tabIndex]
                                                                              : devicePicture(tabIndex, 150));
            grid->addWidget(picture, 0, 5, row, 1, Qt::AlignTop | Qt::AlignRight);
        }

        PageControl1->addTab(page, QString());
        ++tabIndex;
    }

    // The notice is information, not a control: the panel is disabled so
    // that its text cannot be focused, but keeps its colours.
    Panel1 = new QFrame;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setEnabled(false);
    auto *panelLayout = new QVBoxLayout(Panel1);
    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setReadOnly(true);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QStringList notice;
    for (const char *line : kNotice)
        notice << QString::fromLatin1(line);
    Memo1->setPlainText(notice.join(QLatin1Char('\n')));
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::Button));
    memoPalette.setColor(QPalette::Text, kNoticeMaroon);
    Memo1->setPalette(memoPalette);
    Memo1->setFixedHeight(QFontMetrics(Memo1->font()).lineSpacing() * 6 + 8);
    panelLayout->addWidget(Memo1);
    outer->addWidget(Panel1);

    Button1 = addCloseButton(this, outer, QString());
}

void TCalcForm::arrangeKeyboardOrder()
{
    // Within the light-curtain tab the check box comes after the three
    // values; on the door tab the stop time comes before C.
    QWidget *const order[] = {
        PageControl1,
        Edit_VLC_d, Edit_VLC_DistEmRec, Edit_VLC_t, CheckBox_NonIndustrial,
        Edit_HLC_H, Edit_HLC_t,
        Edit_Scanner_H, Edit_Scanner_t,
        Edit_TwoHand_t,
        Edit_EStop_t,
        Edit_Door_t, Edit_Door_C,
        Edit_Mat_h, Edit_Mat_t,
        Button1,
    };
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TCalcForm::updateTabIcons()
{
    for (int i = 0; i < PageControl1->count(); ++i)
        PageControl1->setTabIcon(i, QIcon(deviceIcon32(i)));
}

void TCalcForm::showEvent(QShowEvent *event)
{
    // The main window fills its icon list when it is first shown, after
    // this window was made.
    updateTabIcons();
    QDialog::showEvent(event);
    checkTab(PageControl1->currentIndex());
}

void TCalcForm::hideEvent(QHideEvent *event)
{
    // Keep the place the user left the window at for the next opening and
    // for the settings file, instead of centring it again over the main
    // window.
    setAttribute(Qt::WA_Moved);
    QDialog::hideEvent(event);
}

void TCalcForm::checkTab(int index)
{
    const std::vector<TabDesign> &tabs = tabDesigns();
    if (index >= 0 && std::size_t(index) < tabs.size())
        (this->*tabs[std::size_t(index)].check)();
}

void TCalcForm::kontrola_zadani_VLC()
{
    CalculatorInput input;
    input.kind = KindVerticalLightCurtain;
    input.parameter = Edit_VLC_d->text();
    input.emitterReceiver = Edit_VLC_DistEmRec->text();
    input.stopTime = Edit_VLC_t->text();
    input.nonIndustrial = CheckBox_NonIndustrial->isChecked();
    input.standard = chosenStandard();
    const CalculatorOutcome out = calculateTab(input);

    colourNumberField(Edit_VLC_d, out.parameter.has_value());
    if (!out.nonIndustrialAllowed) {
        // Unticking here must not run this check a second time.
        const QSignalBlocker blocker(CheckBox_NonIndustrial);
        CheckBox_NonIndustrial->setChecked(false);
    }
    CheckBox_NonIndustrial->setEnabled(out.nonIndustrialAllowed);
    colourNumberField(Edit_VLC_DistEmRec, out.emitterReceiver.has_value());
    colourNumberField(Edit_VLC_t, out.stopTime.has_value());
    Label2->setText(calculatorResultText(out.safetyDistance));
    Label2->setToolTip(out.noDistanceReason);
    Label14->setText(calculatorResultText(out.reflectingDistance));
}

void TCalcForm::checkSimpleTab(int kind, QLineEdit *parameter, QLineEdit *stopTime, QLabel *result)
{
    CalculatorInput input;
    input.kind = kind;
    if (parameter)
        input.parameter = parameter->text();
    input.stopTime = stopTime->text();
    input.standard = chosenStandard();
    const CalculatorOutcome out = calculateTab(input);
    if (parameter)
        colourNumberField(parameter, out.parameter.has_value());
    colourNumberField(stopTime, out.stopTime.has_value());
    result->setText(calculatorResultText(out.safetyDistance));
    result->setToolTip(out.noDistanceReason);
}

const DistanceStandard *TCalcForm::chosenStandard() const
{
    return findDistanceStandard(ComboBox_Standard->currentData().toString());
}

void TCalcForm::kontrola_zadani_HLC()
{
    checkSimpleTab(KindHorizontalLightCurtain, Edit_HLC_H, Edit_HLC_t, Label29);
}

void TCalcForm::kontrola_zadani_Scanner()
{
    checkSimpleTab(KindSafetyScanner, Edit_Scanner_H, Edit_Scanner_t, Label21);
}

void TCalcForm::kontrola_zadani_TwoHand()
{
    checkSimpleTab(KindTwoHandControl, nullptr, Edit_TwoHand_t, Label13);
}

void TCalcForm::kontrola_zadani_EStop()
{
    checkSimpleTab(KindEmergencyStop, nullptr, Edit_EStop_t, Label54);
}

void TCalcForm::kontrola_zadani_Door()
{
    checkSimpleTab(KindDoor, Edit_Door_C, Edit_Door_t, Label57);
}

void TCalcForm::kontrola_zadani_Mat()
{
    checkSimpleTab(KindPressureSensitiveMat, Edit_Mat_h, Edit_Mat_t, Label61);
}
