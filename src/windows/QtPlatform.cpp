#include "windows/QtPlatform.h"

#include "device/DeviceBackends.h"
#include "windows/OpenPictureDialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QUrl>

#include <algorithm>

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

QStringList soundModuleCandidates(const QString &programFolder)
{
    // Beside the program in the build tree, in <prefix>/lib/zirk once
    // installed in <prefix>/bin.
    return {programFolder + QStringLiteral("/") + QLatin1String(kSoundModuleName),
            QDir::cleanPath(programFolder + QStringLiteral("/../lib/zirk/") + QLatin1String(kSoundModuleName))};
}

void QtSoundPlayer::play(const QString &waveFile)
{
    if (waveFile.isEmpty() || !QFileInfo(waveFile).isFile())
        return;
    if (!m_moduleTried) {
        m_moduleTried = true;
        for (const QString &candidate : soundModuleCandidates(QCoreApplication::applicationDirPath())) {
            if (!QFileInfo::exists(candidate))
                continue;
            // The library stays loaded to the end: the player's code is in it.
            QLibrary module(candidate);
            using Create = SoundPlayer *(*)();
            if (const auto create = reinterpret_cast<Create>(module.resolve("zirk_create_sound_player"))) {
                m_player.reset(create());
                break;
            }
            qWarning("zirk: sound module %s: %s", qPrintable(candidate), qPrintable(module.errorString()));
        }
        if (!m_player)
            qWarning("zirk: no sound module, the program stays silent");
    }
    if (m_player)
        m_player->play(waveFile);
}

bool DesktopShellOpener::open(const QString &fileOrProgram, const QStringList &arguments)
{
    if (fileOrProgram.contains(QLatin1String("://")))
        return QDesktopServices::openUrl(QUrl(fileOrProgram));
    const QFileInfo info(fileOrProgram);
    // A script that lost its execute bit on the way (an unpacked archive)
    // still runs through the shell.
    if (info.isFile() && !info.isExecutable() && info.suffix() == QLatin1String("sh"))
        return QProcess::startDetached(QStringLiteral("/bin/sh"), QStringList{info.absoluteFilePath()} + arguments,
                                       info.absolutePath());
    if (!arguments.isEmpty() || (info.isFile() && info.isExecutable()))
        return QProcess::startDetached(info.absoluteFilePath(), arguments, info.absolutePath());
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

ModalResult QtDialogs::confirm(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                    QMessageBox::Ok | QMessageBox::Cancel, owner);
    // Questions come from the language files: text, never markup.
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? mrOk : mrCancel;
}

void QtDialogs::error(QWidget *owner, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtDialogs::information(QWidget *owner, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

namespace {

QString runFileDialog(QWidget *owner, const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner, request.title, request.directory, request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave || !request.fileMustExist
                           ? QFileDialog::AnyFile
                           : QFileDialog::ExistingFile);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (!request.selectedFilter.isEmpty())
        dialog.selectNameFilter(request.selectedFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (request.chosenFilter)
        *request.chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtDialogs::openFile(QWidget *owner, const FileDialogRequest &request)
{
    return runFileDialog(owner, request, QFileDialog::AcceptOpen);
}

QString QtDialogs::saveFile(QWidget *owner, const FileDialogRequest &request)
{
    return runFileDialog(owner, request, QFileDialog::AcceptSave);
}

QString QtDialogs::openPicture(QWidget *owner, const FileDialogRequest &request)
{
    OpenPictureDialog dialog(owner, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDialogs::password(QWidget *owner, const QString &title, const QString &text)
{
    bool ok = false;
    const QString typed = QInputDialog::getText(owner, title, text, QLineEdit::Password, QString(), &ok);
    return ok ? std::optional<QString>(typed) : std::nullopt;
}

int QtDialogs::showModal(QDialog *dialog)
{
    return dialog->exec();
}

QtProgress::QtProgress() = default;
QtProgress::~QtProgress() = default;

void QtProgress::begin(QWidget *owner, const QString &text)
{
    m_dialog = std::make_unique<QProgressDialog>(text, QStringLiteral("Cancel"), 0, 1000, owner);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(1000);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
}

bool QtProgress::step(qint64 done, qint64 total)
{
    if (!m_dialog)
        return true;
    // Not known: the bar moves on without reaching its end.
    const int value = total > 0 ? int(std::clamp<qint64>(done * 1000 / total, 1, 999)) : int(done % 999) + 1;
    // The dialog shows itself once the job has taken its minimum duration;
    // from then on the events (Cancel) are taken here, also where the bar
    // has not moved.
    m_dialog->setValue(value);
    if (m_dialog->isVisible())
        QCoreApplication::processEvents();
    return !m_dialog->wasCanceled();
}

void QtProgress::end()
{
    m_dialog.reset();
}

QtPlatform::QtPlatform()
{
    m_platform.clock = &m_clock;
    m_platform.sound = &m_sound;
    m_platform.shell = &m_shell;
    m_platform.dialogs = &m_dialogs;
    m_platform.progress = &m_progress;
    // --- device link ---
    m_device = makeDeviceBackend(qEnvironmentVariable("ZIRK_DEVICE"));
    m_platform.device = m_device.get();
}

QtPlatform::~QtPlatform() = default;
