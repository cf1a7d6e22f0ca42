#include "windows/WindowTexts.h"

#include "series/StopTimesModel.h"
#include "settings/AppSettings.h"
#include "settings/MessageTexts.h"
#include "state/ProgramState.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextDocument>

namespace {

void setHint(QObject *control, const QString &text)
{
    // A tool tip that looks like markup is drawn as markup; a hint from a
    // language file is text, so such a one goes escaped.
    const QString tip = Qt::mightBeRichText(text)
        ? QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>")
        : text;
    if (auto *action = qobject_cast<QAction *>(control))
        action->setToolTip(tip);
    else if (auto *widget = qobject_cast<QWidget *>(control))
        widget->setToolTip(tip);
}

} // namespace

QObject *findControl(QWidget *window, const QString &name)
{
    if (!window)
        return nullptr;
    QObjectList queue = window->children();
    for (qsizetype i = 0; i < queue.size(); ++i) {
        QObject *object = queue.at(i);
        if (object->objectName() == name)
            return object;
        // The secondary windows are children of the main window; their
        // controls reuse names the main window has (Label10, Panel1, ...).
        if (!qobject_cast<QDialog *>(object))
            queue += object->children();
    }
    return nullptr;
}

void setCaption(QObject *control, const QString &text)
{
    if (auto *action = qobject_cast<QAction *>(control)) {
        action->setText(text);
    } else if (auto *menu = qobject_cast<QMenu *>(control)) {
        menu->setTitle(text);
    } else if (auto *box = qobject_cast<QGroupBox *>(control)) {
        box->setTitle(text);
    } else if (auto *label = qobject_cast<QLabel *>(control)) {
        // A caption is text, whatever it looks like: "<b>x</b>" in a
        // language file shows as typed, not bold.
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
    } else if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        button->setText(text);
    } else if (auto *widget = qobject_cast<QWidget *>(control)) {
        if (widget->isWindow()) {
            widget->setWindowTitle(text);
            return;
        }
        // A tab page: its caption is the tab's text.
        QWidget *stack = widget->parentWidget();
        auto *tabs = stack && qobject_cast<QStackedWidget *>(stack)
                         ? qobject_cast<QTabWidget *>(stack->parentWidget())
                         : nullptr;
        if (tabs && tabs->indexOf(widget) >= 0)
            tabs->setTabText(tabs->indexOf(widget), text);
    }
}

void applyWindowTexts(const LanguageTexts &texts, TextWindow which, QWidget *window, StopTimesModel *stopTimes)
{
    std::size_t row = 0;
    QString columns[2];
    bool columnsGiven = false;
    for (const LanguageKey &k : languageKeys()) {
        const QString &text = texts.text(row++);
        if (k.window != which)
            continue;
        switch (k.target) {
        case TextTarget::Caption:
        case TextTarget::Hint: {
            QObject *control = k.control ? findControl(window, QLatin1String(k.control)) : window;
            if (!control)
                break;
            if (k.target == TextTarget::Caption)
                setCaption(control, text);
            else
                setHint(control, text);
            break;
        }
        case TextTarget::ListColumn:
            columns[k.column] = text;
            columnsGiven = true;
            break;
        case TextTarget::Message:
        case TextTarget::HelpFileName:
        case TextTarget::Text:
            break;
        }
    }
    if (stopTimes && columnsGiven)
        stopTimes->setColumnCaptions(columns[0], columns[1]);
}

void applyLanguageTexts(const LanguageTexts &texts, const LanguageTargets &targets)
{
    for (std::size_t w = 0; w < targets.windows.size(); ++w) {
        if (targets.windows[w])
            applyWindowTexts(texts, TextWindow(w), targets.windows[w],
                             TextWindow(w) == TextWindow::Main ? targets.stopTimes : nullptr);
    }
    if (targets.messages && targets.settings)
        texts.applyTo(*targets.messages, *targets.settings);
}

namespace {

QString spoken(QString text)
{
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

} // namespace

void nameForScreenReaders(QWidget *window)
{
    const QList<QWidget *> controls = window->findChildren<QWidget *>();
    // A control that shows no words of its own is named by its hint...
    for (QWidget *w : controls) {
        if (w->window() != window || w->toolTip().isEmpty())
            continue;
        const auto *button = qobject_cast<QAbstractButton *>(w);
        const auto *label = qobject_cast<QLabel *>(w);
        const bool wordless = (button && spoken(button->text()).isEmpty()) || (label && label->text().isEmpty())
            || qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w);
        if (wordless)
            w->setAccessibleName(spoken(w->toolTip()));
    }
    // ...and one that a caption asks for by that caption.  A label that
    // shows a value is named by its value, which Qt reads from its text, and
    // a button by its own caption: the caption they belong to stays linked
    // as their label (the buddy), and a button's goes into its description,
    // so that a screen reader says each caption once and never instead of
    // the value.
    for (QWidget *w : controls) {
        const auto *label = qobject_cast<QLabel *>(w);
        if (!label || label->window() != window || !label->buddy())
            continue;
        QWidget *buddy = label->buddy();
        const auto *button = qobject_cast<QAbstractButton *>(buddy);
        if (qobject_cast<QLabel *>(buddy))
            continue;
        if (button && !spoken(button->text()).isEmpty())
            buddy->setAccessibleDescription(spoken(label->text()));
        else
            buddy->setAccessibleName(spoken(label->text()));
    }
}

void followLanguage(ProgramState &state, TextWindow which, QWidget *window, StopTimesModel *stopTimes)
{
    const auto take = [&state, which, window, stopTimes] {
        applyWindowTexts(state.texts(), which, window, stopTimes);
        nameForScreenReaders(window);
    };
    QObject::connect(&state, &ProgramState::languageChanged, window, take);
    take();
}
