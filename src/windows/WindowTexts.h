#pragma once

#include "settings/LanguageTexts.h"

#include <array>

class ProgramState;
class QObject;
class QWidget;
class StopTimesModel;
struct AppSettings;
struct MessageTexts;

// Puts the texts of a language on a window's controls: the rows of
// languageKeys() that name the window.  A control that does not exist is
// skipped.  The stop-time list takes its column captions through its model.
void applyWindowTexts(const LanguageTexts &texts, TextWindow which, QWidget *window,
                      StopTimesModel *stopTimes = nullptr);

// Puts the program state's texts on the window now and again whenever the
// language changes.  The windows create the controls the table names
// without a text of their own: the table is the one place those texts are
// written.
void followLanguage(ProgramState &state, TextWindow which, QWidget *window, StopTimesModel *stopTimes = nullptr);

// Gives every control of the window a name a screen reader can speak: a
// control without words of its own (a picture button, an empty value label,
// an edit) is named by its hint, a control with a caption label (its buddy)
// by that caption.  Runs again with every change of language.
void nameForScreenReaders(QWidget *window);

// Where the texts of a whole program go.  A window that is not there is
// skipped.
struct LanguageTargets
{
    std::array<QWidget *, std::size_t(TextWindow::Count)> windows{};
    MessageTexts *messages = nullptr;
    AppSettings *settings = nullptr;
    StopTimesModel *stopTimes = nullptr;
};

void applyLanguageTexts(const LanguageTexts &texts, const LanguageTargets &targets);

// The control of that name in a window, not looking into the other windows
// the window owns.
QObject *findControl(QWidget *window, const QString &name);

// Sets a caption the way the control shows one.
void setCaption(QObject *control, const QString &text);
