#pragma once

#include <QString>

#include <array>
#include <span>

class IniFile;
class QObject;
class QWidget;
class StopTimesModel;
struct AppSettings;
struct ChartTexts;
struct MessageTexts;

// The translatable texts of the program: every key of a language file, its
// English default and the caption, hint or text it sets.  Keys are listed,
// read and applied in this order; a key with several targets has one row
// per target.

// The windows whose controls the language file names.
enum class TextWindow { Main, DeviceSelect, Calculator, Images, Settings, About, Count };

enum class TextTarget {
    Caption,       // text of a label, button, check box, menu item, group box or tab; title of a window
    Hint,          // tool tip
    ListColumn,    // caption of column `column` of the main window's stop-time list
    Message,       // a field of MessageTexts
    HelpFileName,  // AppSettings.HelpFileName
    ChartText,     // a field of the stop-time chart's ChartTexts
};

struct LanguageKey
{
    const char *section;
    const char *key;
    const char *defaultText;
    TextTarget target;
    TextWindow window = TextWindow::Main;
    const char *control = nullptr; // object name; none for the window's own title
    QString MessageTexts::*message = nullptr;
    int column = 0;
    QString ChartTexts::*chartText = nullptr;
};

std::span<const LanguageKey> languageKeys();

// Where the texts go.  A window or control that does not exist is skipped.
struct LanguageTargets
{
    std::array<QWidget *, std::size_t(TextWindow::Count)> windows{};
    MessageTexts *messages = nullptr;
    AppSettings *settings = nullptr;
    StopTimesModel *stopTimes = nullptr;
    ChartTexts *chart = nullptr;
};

// Reads every key with its default and applies it at once.
void applyLanguageTexts(const IniFile &file, const LanguageTargets &targets);

// The control of that name in a window, not looking into the other windows
// the window owns.
QObject *findControl(QWidget *window, const QString &name);

// Sets a caption the way the control shows one.
void setCaption(QObject *control, const QString &text);
