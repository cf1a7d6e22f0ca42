#include "windows/AboutForm.h"
#include "windows/WindowTexts.h"

#include "base/ErrorHandling.h"
#include "state/ProgramState.h"
#include "base/Seams.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPlainTextEdit *memo(const char *name, int lines)
{
    auto *m = new QPlainTextEdit;
    m->setObjectName(QLatin1String(name));
    m->setReadOnly(true);
    m->setFrameShape(QFrame::NoFrame);
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette p = m->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Base, QColor(212, 208, 200));
        // The panel is disabled so that nothing takes focus; its text must
        // stay as readable as enabled text.
        p.setColor(g, QPalette::Text, QColor(0, 0, 0));
    }
    m->setPalette(p);
    m->setFixedHeight(QFontMetrics(m->font()).lineSpacing() * lines + 10);
    return m;
}

QFrame *panel(const char *name)
{
    auto *f = new QFrame;
    f->setObjectName(QLatin1String(name));
    f->setFrameShape(QFrame::StyledPanel);
    return f;
}

void setLinkColour(QLabel *label, const QColor &colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

TAboutForm::TAboutForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    Panel3 = panel("Panel3");
    Label2 = new QLabel(QStringLiteral("Vadro Measuring Device"));
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont big = Label2->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.8);
    Label2->setFont(big);
    Label1 = new QLabel(QStringLiteral("SW update at ") + kMakerWebAddress);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);
    setLinkColour(Label1, Qt::black);
    auto *top = new QVBoxLayout(Panel3);
    top->addWidget(Label2, 0, Qt::AlignHCenter);
    top->addWidget(Label1, 0, Qt::AlignHCenter);

    Panel1 = panel("Panel1");
    Memo1 = memo("Memo1", 7);
    Memo1->setPlainText(QStringList{QString(), QString(), QStringLiteral("Ver 5.01 Build 190710"), QString(),
                                    QStringLiteral("contact:"), QString(),
                                    QStringLiteral("     email: ") + kMakerEmail}
                            .join(u'\n'));
    Memo2 = memo("Memo2", 5);
    auto *middle = new QVBoxLayout(Panel1);
    middle->addWidget(Memo1);
    middle->addWidget(Memo2);
    Panel1->setEnabled(false);

    Panel2 = panel("Panel2");
    Button1 = new QPushButton(QStringLiteral("OK"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    auto *bottom = new QHBoxLayout(Panel2);
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addStretch(1);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(Panel3);
    outer->addWidget(Panel1);
    outer->addWidget(Panel2);
    setFixedWidth(420);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    followLanguage(m_state, TextWindow::About, this);
}

bool TAboutForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label1) {
        switch (event->type()) {
        case QEvent::Enter:
            Label1MouseEnter();
            break;
        case QEvent::Leave:
            Label1MouseLeave();
            break;
        case QEvent::MouseButtonRelease:
            runGuarded(*m_platform.dialogs, this, [this] { Label1Click(); });
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::Label1MouseEnter()
{
    setLinkColour(Label1, Qt::blue);
}

void TAboutForm::Label1MouseLeave()
{
    setLinkColour(Label1, Qt::black);
}

void TAboutForm::Label1Click()
{
    m_platform.shell->open(kMakerWebAddress);
}

void TAboutForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TAboutForm::FormShow()
{
    Memo2->setPlainText(m_state.AboutDeviceLines.join(u'\n'));
}
