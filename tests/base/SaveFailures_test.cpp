// Every command that saves a file, against a full disk and a read-only
// folder: the user sees the message of that command, the file saved there
// before is still whole, and no half-written file is left behind.
#include "ProgramFixture.h"

#include "windows/MainForm.h"
#include "settings/FileLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <functional>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The disk is full once a file would grow beyond `bytes`: writes fail with
// "File too large" instead of a signal.
class FullDisk
{
public:
    explicit FullDisk(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

// The folder is read-only.  Root ignores permission bits, so a test run as
// root looks at the files as "nobody" meanwhile.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &folder) : m_folder(folder)
    {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                          | QFile::ReadOther | QFile::ExeOther);
        if (geteuid() == 0)
            setfsuid(65534);
    }
    ~ReadOnlyFolder()
    {
        if (geteuid() == 0)
            setfsuid(0);
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QString m_folder;
};

enum class Place { FullDisk, ReadOnlyFolder };

class SaveFailures : public ProgramFixture
{
protected:
    QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Runs `command` with the place failing as `place` says.
    void failing(Place place, const QString &folder, const std::function<void()> &command)
    {
        if (place == Place::FullDisk) {
            FullDisk full(256);
            command();
        } else {
            ReadOnlyFolder readOnly(folder);
            command();
        }
    }
};

TEST_F(SaveFailures, SavedFilesStayWholeAndTheUserIsTold)
{
    struct Case
    {
        const char *what;
        Place place;
        const char *fileName;
        QAction *TMainForm::*command;
        // The message for the file's full name.
        std::function<bool(const QString &message, const QString &file)> expected;
    };
    const auto startsWith = [](const char *text) {
        return [text](const QString &message, const QString &file) {
            return message.startsWith(QString::fromLatin1(text).arg(file));
        };
    };
    const auto systemError = [](const char *error) {
        return [error](const QString &message, const QString &) { return message == QLatin1String(error); };
    };
    const Case cases[] = {
        {"project, full disk", Place::FullDisk, "series.zPRJ", &TMainForm::submenu_SaveAs,
         startsWith("Cannot write file \"%1\". ")},
        {"project, read-only folder", Place::ReadOnlyFolder, "series.zPRJ", &TMainForm::submenu_SaveAs,
         startsWith("Cannot create file \"%1\". ")},
        // The file was made; writing it failed, and the message says so.
        {"report, full disk", Place::FullDisk, "report.pdf", &TMainForm::submenu_Report,
         startsWith("Cannot write file \"%1\". ")},
        {"report, read-only folder", Place::ReadOnlyFolder, "report.pdf", &TMainForm::submenu_Report,
         startsWith("Cannot create file \"%1\". ")},
        {"light-curtain table, full disk", Place::FullDisk, "vlc.csv", &TMainForm::GenerateVLCtable1,
         systemError("File too large")},
        {"light-curtain table, read-only folder", Place::ReadOnlyFolder, "vlc.csv", &TMainForm::GenerateVLCtable1,
         systemError("Permission denied")},
    };

    TMainForm &main = start();
    for (double v : {182.4, 190.1, 185.7})
        main.ZpracujHodnotu_ms(v);
    QTemporaryDir place;
    ASSERT_TRUE(place.isValid());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString target = place.filePath(QString::fromLatin1(c.fileName));
        const QByteArray earlier = QByteArray("saved before: ") + c.what;
        {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(earlier);
        }
        fake.dialogs.errors.clear();
        fake.shell.calls.clear();
        fake.dialogs.fileAnswers = {target};

        failing(c.place, place.path(), [&] { (main.*c.command)->trigger(); });

        ASSERT_EQ(fake.dialogs.errors.size(), 1u);
        EXPECT_TRUE(c.expected(fake.dialogs.errors[0], target)) << fake.dialogs.errors[0].toStdString();
        EXPECT_EQ(contents(target), earlier);
        EXPECT_EQ(QDir(place.path()).entryList(QDir::Files).size(), 1) << "a temporary file was left behind";
        EXPECT_TRUE(fake.shell.calls.empty()); // no viewer on a report that is not there

        // With room again the same command saves.
        fake.dialogs.errors.clear();
        fake.dialogs.fileAnswers = {target};
        (main.*c.command)->trigger();
        EXPECT_TRUE(fake.dialogs.errors.empty());
        EXPECT_NE(contents(target), earlier);
        QFile::remove(target);
    }
}

// The settings file is written when the main window closes; a failure
// keeps the program open with its settings, and the file as it was.
TEST_F(SaveFailures, SettingsFileStaysWholeAndTheWindowOpen)
{
    for (const Place place : {Place::FullDisk, Place::ReadOnlyFolder}) {
        SCOPED_TRACE(place == Place::FullDisk ? "full disk" : "read-only folder");
        TMainForm &main = start();
        const QString file = settingsFilePath();
        const QByteArray earlier = "[Settings]\nUserName=Saved before\n; a comment\n";
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(earlier);
        }
        fake.dialogs.errors.clear();
        bool closed = true;
        failing(place, QFileInfo(file).absolutePath(), [&] { closed = main.close(); });

        EXPECT_FALSE(closed);
        EXPECT_TRUE(main.isVisible());
        ASSERT_EQ(fake.dialogs.errors.size(), 1u);
        EXPECT_EQ(fake.dialogs.errors[0], QStringLiteral("Unable to write to ") + file);
        EXPECT_EQ(contents(file), earlier);
        EXPECT_EQ(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files).size(), 1);

        fake.dialogs.errors.clear();
        EXPECT_TRUE(main.close());
        EXPECT_TRUE(fake.dialogs.errors.empty());
        EXPECT_TRUE(contents(file).contains("Language=English"));
        EXPECT_TRUE(contents(file).contains("; a comment"));
        program.reset();
    }
}

} // namespace
