#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <QStringList>

class DeviceBackend;
class QDialog;
class QWidget;

// Every platform interface the windows use sits behind one of these small
// classes.  The program passes the real ones (QtPlatform.h); tests pass their
// own and answer dialogs, hear sounds and read the clock as they please.

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// Plays a wave file asynchronously.  A new sound cuts off the one still
// playing; a missing or unplayable file is silently ignored (no default
// sound).
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString &waveFile) = 0;
};

// Opens a document with the desktop's viewer, or starts a program.  Returns
// false when the desktop refused.
class ShellOpener
{
public:
    virtual ~ShellOpener() = default;
    virtual bool open(const QString &fileOrProgram, const QStringList &arguments = {}) = 0;
};

// Modal results the windows test for.
enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

struct FileDialogRequest
{
    QString title;
    QString directory;      // initial folder
    QString fileName;       // proposed file name (save dialogs)
    QString filter;         // "Zirk project (*.zPRJ)|All files (*.*)" style, ;; separated
    QString defaultSuffix;  // added when the user types none
    bool confirmOverwrite = false;
    // --- safety distance ---
    QString selectedFilter; // the filter entry chosen when the dialog opens; empty: the first
    // Save dialogs: receives the filter entry the user left chosen (the
    // export's decimal mark); none: not asked.
    QString *chosenFilter = nullptr;
    // --- project files ---
    bool fileMustExist = true; // open dialogs: false lets a typed name of a missing file through
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Question icon, OK and Cancel, centred over owner; closing counts as Cancel.
    virtual ModalResult confirm(QWidget *owner, const QString &text) = 0;
    // Error icon, one OK button.
    virtual void error(QWidget *owner, const QString &title, const QString &text) = 0;
    // Information icon, one OK button.
    virtual void information(QWidget *owner, const QString &title, const QString &text) = 0;
    // File dialogs: the chosen full path, or an empty string when cancelled.
    virtual QString openFile(QWidget *owner, const FileDialogRequest &request) = 0;
    virtual QString saveFile(QWidget *owner, const FileDialogRequest &request) = 0;
    virtual QString openPicture(QWidget *owner, const FileDialogRequest &request) = 0;
    // Asks for a password, not echoed: the text typed, or none when
    // cancelled.  Nothing of it is kept.
    virtual std::optional<QString> password(QWidget *owner, const QString &title, const QString &text) = 0;
    // Shows a window modally and returns its result.
    virtual int showModal(QDialog *dialog) = 0;
};

// A job that may take long (an import, a report) tells its progress here;
// once it has run for a second a dialog shows it with a Cancel button.
// step() is called between pieces of the job and returns false once the
// user has cancelled; the job then stops and leaves nothing behind.
class Progress
{
public:
    virtual ~Progress() = default;
    virtual void begin(QWidget *owner, const QString &text) = 0;
    // done of total (total <= 0: not known).
    virtual bool step(qint64 done, qint64 total) = 0;
    virtual void end() = 0;
};

// Begins a job's progress and ends it on every path, a thrown error
// included; with no Progress seam nothing shows and nothing is cancelled.
class ProgressScope
{
public:
    ProgressScope(Progress *progress, QWidget *owner, const QString &text) : m_progress(progress)
    {
        if (m_progress)
            m_progress->begin(owner, text);
    }
    ~ProgressScope()
    {
        if (m_progress)
            m_progress->end();
    }
    ProgressScope(const ProgressScope &) = delete;
    ProgressScope &operator=(const ProgressScope &) = delete;
    bool step(qint64 done, qint64 total) const { return !m_progress || m_progress->step(done, total); }

private:
    Progress *m_progress;
};

// The seams handed to every window at construction.
struct Platform
{
    Clock *clock = nullptr;
    SoundPlayer *sound = nullptr;
    ShellOpener *shell = nullptr;
    Dialogs *dialogs = nullptr;
    // --- device link ---
    // The instrument's transport (device/DeviceBackend.h); none: no
    // instrument is ever found.
    DeviceBackend *device = nullptr;
    // --- long jobs ---
    // none: no progress is shown and nothing is ever cancelled.
    Progress *progress = nullptr;
};
