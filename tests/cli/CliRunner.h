#pragma once
// Runs the built zirk-cli as a user's script would and keeps what it said.

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline const QString kPointLocale = QStringLiteral("C.UTF-8");
inline const QString kCommaLocale = QStringLiteral("de_DE.UTF-8");

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    // The one JSON object on standard output; fails the test otherwise.
    QJsonObject json() const
    {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << out.constData();
        EXPECT_TRUE(doc.isObject()) << out.constData();
        return doc.object();
    }
};

// configDir holds the program's settings file; by default an empty folder,
// so that no settings file of a user or of an earlier run plays a part.
inline CliRun runCli(const QStringList &arguments, const QString &locale = kPointLocale,
                     const QString &configDir = QString())
{
    static const QTemporaryDir noSettings;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.remove(QStringLiteral("LC_NUMERIC"));
    env.insert(QStringLiteral("ZIRK_CONFIG_DIR"), configDir.isEmpty() ? noSettings.path() : configDir);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ZIRK_BINARY_DIR "/zirk-cli"), arguments);
    CliRun run;
    if (!process.waitForFinished(60000)) {
        ADD_FAILURE() << "zirk-cli did not finish: " << arguments.join(' ').toStdString();
        process.kill();
        process.waitForFinished();
        return run;
    }
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << arguments.join(' ').toStdString();
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// What a failed call must look like: its status, nothing on standard output,
// and a message that names what was wrong.  Bad input is one line; wrong
// usage is followed by the usage text.
inline void expectFailure(const CliRun &run, int status, const char *named, const std::string &call)
{
    EXPECT_EQ(run.exitCode, status) << call << "\n" << run.err.constData();
    EXPECT_TRUE(run.out.isEmpty()) << call << "\n" << run.out.constData();
    EXPECT_TRUE(run.err.contains(named)) << call << "\n" << run.err.constData();
    if (status == 1)
        EXPECT_EQ(run.err.count('\n'), 1) << call << "\n" << run.err.constData();
    else
        EXPECT_TRUE(run.err.contains("Usage: zirk-cli")) << call << "\n" << run.err.constData();
}

inline std::string callText(const QStringList &arguments)
{
    return "zirk-cli " + arguments.join(' ').toStdString();
}
