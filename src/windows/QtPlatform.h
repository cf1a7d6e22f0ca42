#pragma once

#include "base/Seams.h"

#include <memory>

class QProgressDialog;

#include <QStringList>

// The real platform: system clock, Qt Multimedia, the desktop's "open",
// Qt's message boxes and file dialogs.

class SystemClock : public Clock
{
public:
    QDateTime now() const override;
};

// Qt Multimedia lives in a module loaded at the first sound (a start
// without sound never loads it); without the module the program is silent.
inline constexpr const char *kSoundModuleName = "zirk-sound.so";
QStringList soundModuleCandidates(const QString &programFolder);

class QtSoundPlayer : public SoundPlayer
{
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    void play(const QString &waveFile) override;

private:
    bool m_moduleTried = false;
    std::unique_ptr<SoundPlayer> m_player;
};

class DesktopShellOpener : public ShellOpener
{
public:
    bool open(const QString &fileOrProgram, const QStringList &arguments = {}) override;
};

class QtDialogs : public Dialogs
{
public:
    ModalResult confirm(QWidget *owner, const QString &text) override;
    void error(QWidget *owner, const QString &title, const QString &text) override;
    void information(QWidget *owner, const QString &title, const QString &text) override;
    QString openFile(QWidget *owner, const FileDialogRequest &request) override;
    QString saveFile(QWidget *owner, const FileDialogRequest &request) override;
    QString openPicture(QWidget *owner, const FileDialogRequest &request) override;
    std::optional<QString> password(QWidget *owner, const QString &title, const QString &text) override;
    int showModal(QDialog *dialog) override;
};

// QProgressDialog, window-modal, shown only when the job runs for more than
// a second.
class QtProgress : public Progress
{
public:
    QtProgress();
    ~QtProgress() override;
    void begin(QWidget *owner, const QString &text) override;
    bool step(qint64 done, qint64 total) override;
    void end() override;

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

// Owns one of each and hands them out as a Platform.
class QtPlatform
{
public:
    QtPlatform();
    ~QtPlatform();
    Platform &platform() { return m_platform; }

private:
    SystemClock m_clock;
    QtSoundPlayer m_sound;
    DesktopShellOpener m_shell;
    QtDialogs m_dialogs;
    QtProgress m_progress;
    // --- device link ---
    std::unique_ptr<DeviceBackend> m_device;
    Platform m_platform;
};
