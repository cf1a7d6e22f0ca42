// The manual pages and the bash completion the build writes from zirk-cli's
// command descriptions, read by their real readers: man and bash.
#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kDocs = QStringLiteral(ZIRK_BINARY_DIR "/packaging/docs");

struct Output
{
    int exitCode = -1;
    QString out;
    QString err;
};

Output run(const QString &program, const QStringList &arguments, const QString &folder = QString())
{
    QProcess p;
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    if (!p.waitForFinished(30000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(ShellFiles, ManualPagesReadWithoutWarnings)
{
    if (run(QStringLiteral("man"), {QStringLiteral("--version")}).exitCode != 0)
        GTEST_SKIP() << "man is not installed";
    for (const char *page : {"zirk.1.gz", "zirk-cli.1.gz"}) {
        SCOPED_TRACE(page);
        const QString file = kDocs + QLatin1Char('/') + QLatin1String(page);
        ASSERT_TRUE(QFile::exists(file));
        const Output man = run(QStringLiteral("man"), {QStringLiteral("--warnings"), QStringLiteral("-E"),
                                                       QStringLiteral("UTF-8"), QStringLiteral("-l"), file});
        EXPECT_EQ(man.exitCode, 0);
        EXPECT_EQ(man.err, QString());
        // Options read as typed: roff's hyphens would not paste into a shell.
        EXPECT_TRUE(man.out.contains(QLatin1String("--help"))) << man.out.left(2000).toStdString();
    }
}

TEST(ShellFiles, BashCompletesCommandsOptionsKindsAndFilesByExtension)
{
    const QString completion = QStringLiteral("/usr/share/bash-completion/bash_completion");
    if (!QFile::exists(completion))
        GTEST_SKIP() << "bash-completion is not installed";
    QTemporaryDir folder;
    for (const char *name : {"a.zPRJ", "b.ZPRJ", "c.txt", "d.csv", "e.pdf"}) {
        QFile f(folder.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    struct Case
    {
        const char *line; // the words typed, the last one being completed
        const char *offered;
    };
    const Case cases[] = {
        {"pro", "project-info"},
        {"project-info ", "a.zPRJ b.ZPRJ"},
        {"report a.zPRJ -o ", "e.pdf"},
        {"report --no", "--no-analysis --no-encroachment"},
        {"export c.txt -o ", "d.csv"},
        {"stats ", "a.zPRJ b.ZPRJ c.txt d.csv e.pdf"},
        {"distance --kind ", "door estop hlc mat scanner twohand vlc"},
        {"distance --time ", ""},
        {"archive ", "add list overview sync trend"},
        {"archive add ", "a.zPRJ b.ZPRJ"},
        {"new-project --import ", "a.zPRJ b.ZPRJ c.txt d.csv e.pdf"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        const QString script = QStringLiteral(
            "source %1; source %2; read -ra COMP_WORDS <<<\"zirk-cli $LINE\"; "
            "[[ $LINE == *' ' ]] && COMP_WORDS+=(''); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
            "COMP_LINE=\"zirk-cli $LINE\"; COMP_POINT=${#COMP_LINE}; _zirk_cli; "
            "printf '%s\\n' \"${COMPREPLY[@]}\" | sort | paste -sd' '")
                                   .arg(completion, kDocs + QStringLiteral("/zirk-cli.bash"));
        QProcess bash;
        bash.setWorkingDirectory(folder.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LINE"), QLatin1String(c.line));
        bash.setProcessEnvironment(env);
        bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
        ASSERT_TRUE(bash.waitForFinished(30000));
        EXPECT_EQ(QString::fromUtf8(bash.readAllStandardOutput()).trimmed(), QLatin1String(c.offered))
            << bash.readAllStandardError().constData();
    }
}
