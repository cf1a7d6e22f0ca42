// zirk-cli export: the series of project and text files as the window's
// File > Export values writes it.
#include "CliRunner.h"
#include "ProjectFiles.h"
#include "QtPrinters.h"

#include "project/ValueExport.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    return file.readAll();
}

class ZirkCliExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        projectFile = dir.filePath(QStringLiteral("press.zPRJ"));
        writeProject(projectFile, lightCurtainProject({212.4, 0.1 + 0.2, 14999.9992}));
        // Read as File > Import Values reads it: in the caller's locale.
        pointText = dir.filePath(QStringLiteral("point.txt"));
        writeBytes(pointText, "180.5\nnot a number\n1e2\n");
        commaText = dir.filePath(QStringLiteral("comma.txt"));
        writeBytes(commaText, "180,5\nnot a number\n1e2\n");
        out = dir.filePath(QStringLiteral("out.csv"));
    }

    QTemporaryDir dir;
    QString projectFile, pointText, commaText, out;
};

} // namespace

TEST_F(ZirkCliExport, SameBytesAsTheWindowInBothMarks)
{
    const std::vector<double> series = {212.4, 0.1 + 0.2, 14999.9992, 180.5, 100};
    struct Case
    {
        const char *what;
        QStringList options;
        QString locale;
        bool commaFile;
        DecimalMark mark;
    };
    const Case cases[] = {
        {"point locale: point by default", {}, kPointLocale, false, DecimalMark::Point},
        {"comma locale: comma by default", {}, kCommaLocale, true, DecimalMark::Comma},
        {"comma asked for in a point locale", {"--decimal-comma"}, kPointLocale, false, DecimalMark::Comma},
        {"point asked for in a comma locale", {"--decimal-point"}, kCommaLocale, true, DecimalMark::Point},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(out);
        const QStringList arguments =
            QStringList{"export", projectFile, c.commaFile ? commaText : pointText, "-o", out} + c.options;
        const CliRun run = runCli(arguments, c.locale);
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_EQ(run.out, QByteArray("5 stop times written to ") + out.toUtf8() + "\n");
        EXPECT_EQ(readAll(out), valuesCsv(series, c.mark));
    }
}

TEST_F(ZirkCliExport, JsonNamesFileAndCount)
{
    const CliRun run = runCli({"export", projectFile, "-o", out, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.json().value("file").toString(), out);
    EXPECT_EQ(run.json().value("count").toInt(), 3);
}

TEST_F(ZirkCliExport, WhatItCannotDo)
{
    struct Case
    {
        QStringList arguments;
        int status;
        const char *named;
    };
    const QString nowhere = dir.filePath(QStringLiteral("missing folder/out.csv"));
    const Case cases[] = {
        {{"export", projectFile}, 2, "-o"},
        {{"export", "-o", out}, 2, "FILE"},
        {{"export", projectFile, "-o", out, "--decimal-comma", "--decimal-point"}, 2, "not both"},
        {{"export", projectFile, "-o", nowhere}, 1, "Cannot create file"},
        {{"export", dir.filePath(QStringLiteral("absent.txt")), "-o", out}, 1, "absent.txt"},
    };
    for (const Case &c : cases) {
        const CliRun run = runCli(c.arguments);
        expectFailure(run, c.status, c.named, callText(c.arguments));
    }
    EXPECT_FALSE(QFile::exists(out)) << "a failed export left a file behind";
}
