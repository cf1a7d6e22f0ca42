#pragma once

#include <QString>

#include <array>
#include <span>

#include <vector>

class IniFile;
struct AppSettings;
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
    Text,          // a text a window reads by its key (LanguageTexts::text)
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
};

std::span<const LanguageKey> languageKeys();

// The texts of one language, one for each row of languageKeys(): what the
// language file says, else the English default.  The windows take their
// captions and hints from here, so the defaults are written only once.
class LanguageTexts
{
public:
    LanguageTexts(); // every English default
    static LanguageTexts read(const IniFile &file);

    const QString &text(std::size_t row) const { return m_texts[row]; }
    // The text of a key; empty for a key that does not exist.
    QString text(const char *section, const char *key) const;

    // The messages and the manual's file name.
    void applyTo(MessageTexts &messages, AppSettings &settings) const;

private:
    std::vector<QString> m_texts;
};

// The display name of a safety-device kind (the selection dialog's
// heading); empty outside 0..6.
QString kindDisplayName(const LanguageTexts &texts, int kind);
