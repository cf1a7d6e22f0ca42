#include "windows/SafetyAdvisorForm.h"

#include "windows/WidgetParts.h"
#include "safety/Calculator.h"
#include "windows/NumberField.h"
#include "windows/WindowTexts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit *makeEdit(const char *name, const char *text)
{
    auto *e = new QLineEdit(QString::fromLatin1(text));
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(80);
    return e;
}

} // namespace

TSafetyAdvisorForm::TSafetyAdvisorForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("TSafetyAdvisorForm"));
    setWindowTitle(QStringLiteral("Safety Advisor"));
    buildUi();
    for (QLineEdit *edit : {Edit1, Edit2, Edit4, Edit5, Edit6})
        connect(edit, &QLineEdit::textChanged, this, &TSafetyAdvisorForm::Aktualizuj_Vypocty);
    nameForScreenReaders(this);
}

void TSafetyAdvisorForm::buildUi()
{
    auto *outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    auto *stopTimeRow = new QHBoxLayout;
    Label50 = makeLabel(QStringLiteral("Label50"), QStringLiteral("Stop Time t:"));
    Edit1 = makeEdit("Edit1", "100");
    colourNumberField(Edit1, true);
    Label50->setBuddy(Edit1);
    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("[ms]"));
    stopTimeRow->addWidget(Label50);
    stopTimeRow->addWidget(Edit1);
    stopTimeRow->addWidget(Label1);
    stopTimeRow->addStretch(1);
    outer->addLayout(stopTimeRow);

    auto *columns = new QHBoxLayout;
    outer->addLayout(columns);

    struct Parameter
    {
        QGroupBox *TSafetyAdvisorForm::*group;
        const char *groupName;
        const char *groupCaption;
        QLabel *TSafetyAdvisorForm::*label;
        const char *labelName;
        const char *labelText;
        QLineEdit *TSafetyAdvisorForm::*edit;
        const char *editName;
        const char *defaultText;
    };
    using F = TSafetyAdvisorForm;
    const Parameter parameters[] = {
        {&F::GroupBox1, "GroupBox1", "VLC", &F::Label8, "Label8", "Resolution:", &F::Edit2, "Edit2", "14"},
        {&F::GroupBox2, "GroupBox2", "HLC", &F::Label10, "Label10", "Height H:", &F::Edit4, "Edit4", "100"},
        {&F::GroupBox3, "GroupBox3", "Scanner", &F::Label11, "Label11", "Height H:", &F::Edit5, "Edit5", "300"},
        {&F::GroupBox4, "GroupBox4", "Door", &F::Label12, "Label12", "C:", &F::Edit6, "Edit6", "0"},
    };
    auto *left = new QVBoxLayout;
    for (const Parameter &p : parameters) {
        auto *group = new QGroupBox(QString::fromLatin1(p.groupCaption));
        group->setObjectName(QString::fromLatin1(p.groupName));
        auto *row = new QHBoxLayout(group);
        QLabel *label = makeLabel(QString::fromLatin1(p.labelName), QString::fromLatin1(p.labelText));
        QLineEdit *edit = makeEdit(p.editName, p.defaultText);
        label->setBuddy(edit);
        row->addWidget(label);
        row->addStretch(1);
        row->addWidget(edit);
        this->*p.group = group;
        this->*p.label = label;
        this->*p.edit = edit;
        left->addWidget(group);
    }
    left->addStretch(1);
    columns->addLayout(left);

    GroupBox5 = new QGroupBox(QStringLiteral("Results"));
    GroupBox5->setObjectName(QStringLiteral("GroupBox5"));
    auto *results = new QGridLayout(GroupBox5);
    struct Result
    {
        const char *caption;
        QLabel *TSafetyAdvisorForm::*value;
        const char *valueName;
    };
    const Result rows[] = {
        {"VLC", &F::Label13, "Label13"},     {"HLC", &F::Label14, "Label14"},
        {"Scanner", &F::Label15, "Label15"}, {"Two Hand", &F::Label16, "Label16"},
        {"E-Stop", &F::Label17, "Label17"},  {"Door", &F::Label18, "Label18"},
        {"Mat", &F::Label19, "Label19"},
    };
    const QFont valueFont = fixedFont(0, true);
    int r = 0;
    for (const Result &row : rows) {
        QLabel *value = makeLabel(QString::fromLatin1(row.valueName), QStringLiteral("0"));
        value->setFont(valueFont);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(QFontMetrics(valueFont).horizontalAdvance(QStringLiteral("00,000.0 mm")));
        this->*row.value = value;
        results->addWidget(makeLabel(QString(), QString::fromLatin1(row.caption)), r, 0);
        results->addWidget(value, r, 1);
        ++r;
    }
    columns->addWidget(GroupBox5);

    Button1 = addCloseButton(this, outer, QStringLiteral("Close"));
}

void TSafetyAdvisorForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Aktualizuj_Vypocty();
}

void TSafetyAdvisorForm::hideEvent(QHideEvent *event)
{
    // Keep the place the user left the window at (see TCalcForm).
    setAttribute(Qt::WA_Moved);
    QDialog::hideEvent(event);
}

void TSafetyAdvisorForm::Aktualizuj_Vypocty()
{
    AdvisorInput input;
    input.stopTime = Edit1->text();
    input.vlcResolution = Edit2->text();
    input.hlcHeight = Edit4->text();
    input.scannerHeight = Edit5->text();
    input.doorC = Edit6->text();
    AdvisorReasons reasons;
    const std::optional<AdvisorDistances> distances = adviseDistances(input, QLocale(), &reasons);

    // A stop time that is not a number leaves the last results standing.
    colourNumberField(Edit1, distances.has_value());
    if (!distances)
        return;
    QLabel *const values[SafetyDeviceKindCount] = {Label13, Label14, Label15, Label16,
                                                   Label17, Label18, Label19};
    // A refused row says why, as the calculator's result does.
    for (int kind = 0; kind < SafetyDeviceKindCount; ++kind) {
        values[kind]->setText(advisorResultText((*distances)[kind]));
        values[kind]->setToolTip(reasons[std::size_t(kind)]);
    }
}
