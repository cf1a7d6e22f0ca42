// The language table is the only place a window's translatable captions,
// hints and titles come from: every control it names shows the table's text,
// from the first moment and after every change of language.
#include "ProgramFixture.h"

#include "series/StopTimesModel.h"
#include "settings/IniFile.h"
#include "settings/LanguageTexts.h"
#include "settings/MessageTexts.h"
#include "state/ProgramState.h"
#include "windows/AboutForm.h"
#include "windows/CalcForm.h"
#include "windows/DevSelectForm.h"
#include "windows/Forms.h"
#include "windows/ImagesForm.h"
#include "windows/MachineHistoryForm.h"
#include "windows/SafetyAdvisorForm.h"
#include "windows/SettingsForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QTabWidget>

#include <array>
#include <functional>

#include "QtPrinters.h"

namespace {

std::string rowName(const LanguageKey &k)
{
    return std::string(k.section) + '/' + k.key + (k.control ? std::string(" ") + k.control : std::string());
}

// The control of that name that belongs to the window itself, not to one
// of the dialogs it owns; null unless there is exactly one.
QObject *ownControl(QWidget *window, const char *name)
{
    QObject *found = nullptr;
    for (QObject *object : window->findChildren<QObject *>(QString::fromLatin1(name))) {
        bool inDialog = false;
        for (QObject *p = object->parent(); p && p != window; p = p->parent())
            inDialog = inDialog || qobject_cast<QDialog *>(p);
        if (inDialog)
            continue;
        if (found)
            return nullptr;
        found = object;
    }
    return found;
}

// What the user sees of a caption or hint.
QString shownText(QObject *control, TextTarget target)
{
    auto *widget = qobject_cast<QWidget *>(control);
    if (target == TextTarget::Hint)
        return widget ? widget->toolTip() : QStringLiteral("<no hint>");
    if (auto *action = qobject_cast<QAction *>(control))
        return action->text();
    if (auto *menu = qobject_cast<QMenu *>(control))
        return menu->title();
    if (auto *box = qobject_cast<QGroupBox *>(control))
        return box->title();
    if (auto *label = qobject_cast<QLabel *>(control))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->text();
    if (widget && widget->isWindow())
        return widget->windowTitle();
    for (QWidget *p = widget ? widget->parentWidget() : nullptr; p; p = p->parentWidget()) {
        if (auto *tabs = qobject_cast<QTabWidget *>(p))
            return tabs->tabText(tabs->indexOf(widget));
    }
    return QStringLiteral("<no caption>");
}

} // namespace

class WindowTexts : public ProgramFixture
{
protected:
    QWidget *window(TextWindow which)
    {
        const Forms &f = forms();
        const std::array<QWidget *, std::size_t(TextWindow::Count)> windows = {
            f.MainForm, f.devselectform(), f.CalcForm(), f.imagesform(), f.SettingsForm(), f.AboutForm(), f.MachineHistoryForm()};
        return windows[std::size_t(which)];
    }

    // Every caption and hint row of the table against what its control
    // shows.
    void expectEveryControlShows(const std::function<QString(const LanguageKey &)> &expected)
    {
        for (const LanguageKey &k : languageKeys()) {
            if (k.target != TextTarget::Caption && k.target != TextTarget::Hint)
                continue;
            QWidget *w = window(k.window);
            QObject *control = k.control ? ownControl(w, k.control) : w;
            ASSERT_NE(control, nullptr) << rowName(k);
            EXPECT_EQ(shownText(control, k.target), expected(k)) << rowName(k);
        }
    }
};

TEST_F(WindowTexts, EveryTableControlShowsItsEnglishDefaultFromConstruction)
{
    // Built, not yet shown: no language file has been read.
    program = std::make_unique<ZirkProgram>(fake.platform, QStringList());
    expectEveryControlShows([](const LanguageKey &k) { return QString::fromUtf8(k.defaultText); });
}

TEST_F(WindowTexts, EveryKeyOfALanguageReachesItsTargetAndNothingElseChanges)
{
    TMainForm &main = start();
    // A language in which every text is its own key, so that a text that
    // lands on the wrong control, or one a window writes itself, shows up.
    const auto marker = [](const LanguageKey &k) {
        return QStringLiteral("«%1/%2»").arg(QLatin1String(k.section), QLatin1String(k.key));
    };
    QMap<QByteArray, QByteArray> sections;
    for (const LanguageKey &k : languageKeys())
        sections[k.section] += QByteArray(k.key) + '=' + marker(k).toUtf8() + '\n';
    QByteArray bytes;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it)
        bytes += '[' + it.key() + "]\n" + it.value();
    state().setTexts(LanguageTexts::read(IniFile::fromBytes(bytes)));

    expectEveryControlShows(marker);
    for (const LanguageKey &k : languageKeys()) {
        switch (k.target) {
        case TextTarget::ListColumn:
            EXPECT_EQ(main.stopTimesModel()->headerData(k.column, Qt::Horizontal, Qt::DisplayRole).toString(),
                      marker(k))
                << rowName(k);
            break;
        case TextTarget::Message:
            EXPECT_EQ(state().messageTexts.*k.message, marker(k)) << rowName(k);
            break;
        case TextTarget::HelpFileName:
            EXPECT_EQ(state().appSettings.HelpFileName, marker(k)) << rowName(k);
            break;
        case TextTarget::Text:
            // Put together by its window when it is shown.
            EXPECT_EQ(state().texts().text(k.section, k.key), marker(k)) << rowName(k);
            break;
        case TextTarget::Caption:
        case TextTarget::Hint:
            break;
        }
    }

    // Texts the language file does not name keep what their window wrote.
    const Forms &f = forms();
    struct Kept
    {
        QWidget *window;
        const char *control;
        const char *text;
    };
    const Kept kept[] = {
        {f.MainForm, "TMainForm", "Zirk - Vadro v5.01 - Stop Time Measurement System"},
        {f.MainForm, "SafetyAdvisor1", "Safety Advisor"},
        {f.MainForm, "DeleteAll1", "Delete All"},
        {f.MainForm, "Label10", "mm"},
        {f.devselectform(), "GroupBox7", "Parameters"},
        {f.devselectform(), "Label26", "Step Height h:"},
        {f.CalcForm(), "Label37", "C:"},
        {f.CalcForm(), "Label59", "Stop Time t:"},
        {f.CalcForm(), "Label60", "Safety distance:"},
        {f.SettingsForm(), "Button2", "T"},
        {f.AboutForm(), "Button1", "OK"},
        {f.SafetyAdvisorForm(), "Button1", "Close"},
    };
    for (const Kept &c : kept) {
        QObject *control = c.window->objectName() == QLatin1String(c.control) ? c.window
                                                                              : ownControl(c.window, c.control);
        ASSERT_NE(control, nullptr) << c.control;
        EXPECT_EQ(shownText(control, TextTarget::Caption), QString::fromUtf8(c.text)) << c.control;
    }
}
