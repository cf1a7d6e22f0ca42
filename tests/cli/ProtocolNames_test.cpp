// The protocol prints every name as the program keeps it, in the locales of
// the users who type them: machine ID and note from the project file (in the
// locale's Windows code page), user and company from the settings file or
// the command line.  The readers are the judges: pdftotext gives the names
// back, pdffonts lists the embedded subsets, qpdf finds nothing wrong.

#include "CliRunner.h"
#include "ProjectFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray runReader(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput() + process.readAllStandardError();
}

TEST(ProtocolNames, EveryLocalePrintsTheTypedNamesWhole)
{
    struct Case
    {
        const char *locale;
        QString machineId;
        QString note;
        QString user;
        QString company;
        QByteArray settingsFile; // empty: user and company on the command line
        bool embedded;           // beyond Windows-1250, so in embedded subsets
    };
    const Case cases[] = {
        {"ru_RU.UTF-8", QStringLiteral("Пресс № 4"), QStringLiteral("Линия Б, после ремонта"),
         QStringLiteral("Ольга Смирнова"), QStringLiteral("ООО «Прессмаш»"), {}, true},
        {"el_GR.UTF-8", QStringLiteral("Πρέσα αρ. 5"), QStringLiteral("Γραμμή Β"), QStringLiteral("Νίκος Παππάς"),
         QStringLiteral("Μηχανική Α.Ε."), {}, true},
        {"fr_FR.UTF-8", QStringLiteral("Presse à chaud n° 3 — èé"), QStringLiteral("Après révision"),
         QStringLiteral("Hélène Brèves"), QStringLiteral("Forges Côté & Fils"), {}, true},
        // The company as the Windows program left it: Windows-1250 bytes.
        {"cs_CZ.UTF-8", QStringLiteral("Lis č. 4 (linka B)"), QStringLiteral("Po výměně brzdy"),
         QStringLiteral("Jiří Dvořák"), QStringLiteral("Škoda Plzeň"),
         "[Settings]\r\nUserName=Ji\xF8\xED Dvo\xF8\xE1k\r\nCompanyName=\x8Akoda Plze\xF2\r\n", false},
        {"tr_TR.UTF-8", QStringLiteral("Pres No 7 — Şişecam"), QStringLiteral("Bakım sonrası ölçüm"),
         QStringLiteral("Ayşe Yıldız"), QStringLiteral("Öztürk Makine"), {}, true},
    };
    QTemporaryDir dir;
    const QString values = dir.filePath(QStringLiteral("values.txt"));
    writeBytes(values, "200\n201\n202\n203\n204\n205\n206\n207\n208\n209\n210\n211\n");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.locale);
        const QString locale = QLatin1String(c.locale);
        const QString project = dir.filePath(locale + QStringLiteral(".zPRJ"));
        const QString pdf = dir.filePath(locale + QStringLiteral(".pdf"));
        const QString config = dir.filePath(locale + QStringLiteral("-config"));
        QDir().mkpath(config);
        if (!c.settingsFile.isEmpty())
            writeBytes(config + QStringLiteral("/zirk.ini"), c.settingsFile);

        const CliRun made = runCli({"new-project", "-o", project, "--import", values, "--machine-id", c.machineId,
                                    "--note", c.note},
                                   locale, config);
        ASSERT_EQ(made.exitCode, 0) << made.err.constData();
        EXPECT_FALSE(made.err.contains("kept as")) << made.err.constData();

        const CliRun info = runCli({"project-info", project}, locale, config);
        EXPECT_TRUE(QString::fromUtf8(info.out).contains(c.machineId)) << info.out.constData();

        QStringList report{"report", project, "-o", pdf};
        if (c.settingsFile.isEmpty())
            report << "--user" << c.user << "--company" << c.company;
        const CliRun written = runCli(report, locale, config);
        ASSERT_EQ(written.exitCode, 0) << written.err.constData();
        EXPECT_TRUE(written.err.isEmpty()) << written.err.constData();

        int status = -1;
        const QString text = QString::fromUtf8(runReader(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
        for (const QString &name : {c.machineId, c.note, c.user, c.company})
            EXPECT_TRUE(text.contains(name)) << name.toStdString() << "\n" << text.toStdString();
        const QByteArray fonts = runReader(QStringLiteral("pdffonts"), {pdf});
        // Czech is all Windows-1250: the standard fonts show it, as always.
        EXPECT_EQ(fonts.contains("+LiberationMono ") && fonts.contains("CID TrueType  "), c.embedded)
            << fonts.constData();
        const QByteArray check = runReader(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf}, &status);
        EXPECT_EQ(status, 0) << check.constData();
        EXPECT_FALSE(check.contains("WARNING")) << check.constData();
        const QByteArray properties =
            runReader(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf});
        EXPECT_TRUE(QString::fromUtf8(properties).contains(QStringLiteral("Subject:         ") + c.machineId))
            << properties.constData();
        EXPECT_TRUE(QString::fromUtf8(properties).contains(QStringLiteral("Author:          ") + c.user))
            << properties.constData();
        EXPECT_TRUE(readAll(pdf).endsWith("%%EOF\r\n"));
    }
}

} // namespace
