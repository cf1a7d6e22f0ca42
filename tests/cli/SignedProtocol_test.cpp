// zirk-cli report --sign and zirk-cli verify, and the signed protocol read
// where a project file is read.
#include "CliRunner.h"
#include "ProjectFiles.h"

#include "pdf/PdfTestTools.h"
#include "pdf/SigningCertificates.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const SigningCertificates &certificates()
{
    static const SigningCertificates made;
    return made;
}

class ZirkCliSignedProtocol : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(certificates().ok());
        TestProject p = lightCurtainProject(tenValues());
        p.values.push_back(150.25);
        setAscii(p.record, ProjectRecord::Text::MachineID, "Press 4");
        writeProject(path("press.zPRJ"), p);
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QStringList signing(const char *out) const
    {
        return {"report", path("press.zPRJ"), "-o", path(out), "--user", "Jana Novak", "--sign",
                certificates().path("signer.p12"), "--password-file", certificates().path("password.txt")};
    }
    QTemporaryDir dir;
};

TEST_F(ZirkCliSignedProtocol, SignedProtocolVerifiesAndCarriesTheSavedProject)
{
    const CliRun made = runCli(signing("signed.pdf"));
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();

    const QStringList trusted{"verify", path("signed.pdf"), "--ca", certificates().path("ca.pem")};
    const CliRun good = runCli(trusted);
    EXPECT_EQ(good.exitCode, 0) << good.err.constData();
    EXPECT_TRUE(good.out.contains("Signer: Test Signer")) << good.out.constData();
    EXPECT_TRUE(good.out.contains("Signature: intact"));
    EXPECT_TRUE(good.out.contains("Certificate: trusted"));
    EXPECT_TRUE(good.out.contains("the printed result follows from the attached measurement"));

    const QJsonObject json = runCli(trusted + QStringList{"--json"}).json();
    for (const char *key : {"signed", "intact", "whole_file", "matches_printed"})
        EXPECT_TRUE(json.value(QLatin1String(key)).toBool()) << key;
    EXPECT_EQ(json.value("signer").toString(), QStringLiteral("Test Signer"));
    EXPECT_EQ(json.value("certificate").toString(), QStringLiteral("trusted"));
    EXPECT_FALSE(json.value("timestamped").toBool());
    EXPECT_FALSE(json.value("signed_at").toString().isEmpty());
    // The same numbers as zirk-cli stats of the project.
    const QJsonObject stats = runCli({"stats", path("press.zPRJ"), "--json"}).json();
    const QJsonObject measurement = json.value("measurement").toObject();
    EXPECT_EQ(measurement.value("distance_mm"), stats.value("distance_mm"));
    EXPECT_EQ(measurement.value("governing_ms"), stats.value("governing_ms"));

    // Not trusted by the system's certificates: 3, and it says why.
    const CliRun untrusted = runCli({"verify", path("signed.pdf")});
    EXPECT_EQ(untrusted.exitCode, 3);
    EXPECT_TRUE(untrusted.out.contains("Certificate: not trusted (")) << untrusted.out.constData();

    // The protocol stands for its project: stats and project-info read it,
    // and the file it carries is byte for byte the saved one.
    EXPECT_EQ(runCli({"stats", path("signed.pdf"), "--json"}).json(), stats);
    EXPECT_EQ(runCli({"project-info", path("signed.pdf"), "--json"}).json(),
              runCli({"project-info", path("press.zPRJ"), "--json"}).json());
    const ToolResult list = runTool("pdfdetach", {"-list", path("signed.pdf")});
    EXPECT_TRUE(list.out.contains("press.zPRJ")) << list.out.constData();
    EXPECT_TRUE(list.out.contains("press.json"));
    EXPECT_EQ(runTool("pdfdetach", {"-save", "2", "-o", path("carried.zPRJ"), path("signed.pdf")}).exitCode, 0);
    EXPECT_EQ(readFile(path("carried.zPRJ")), readFile(path("press.zPRJ")));
}

TEST_F(ZirkCliSignedProtocol, ChangedProtocolIsFoundAndRefused)
{
    ASSERT_EQ(runCli(signing("signed.pdf")).exitCode, 0);
    const QByteArray good = readFile(path("signed.pdf"));
    QByteArray digit = good;
    const qsizetype at = digit.indexOf(" mm / ");
    ASSERT_GT(at, 0);
    digit[at - 1] = digit[at - 1] == '9' ? '8' : '9';
    QByteArray appended = good + "99 0 obj\r\n(changed)\r\nendobj\r\n";

    struct Case
    {
        const char *what;
        QByteArray pdf;
    };
    const Case cases[] = {{"a digit of the distance", digit}, {"bytes appended", appended}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(path("changed.pdf"), c.pdf);
        const CliRun run = runCli({"verify", path("changed.pdf"), "--ca", certificates().path("ca.pem")});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.contains("Signature: changed after signing")) << run.out.constData();
        const CliRun stats = runCli({"stats", path("changed.pdf")});
        EXPECT_EQ(stats.exitCode, 1);
        EXPECT_TRUE(stats.err.contains("changed after signing")) << stats.err.constData();
    }
}

// The archive knows a protocol by the project file it carries: the same
// measurement whichever of the two is added; a changed one is refused.
TEST_F(ZirkCliSignedProtocol, ArchiveKeepsTheCarriedProjectAsTheMeasurementItIs)
{
    ASSERT_EQ(runCli(signing("signed.pdf")).exitCode, 0);
    QByteArray changed = readFile(path("signed.pdf"));
    changed.append("%changed\r\n");
    writeFile(path("changed.pdf"), changed);
    QDir().mkpath(path("config"));
    writeFile(path("config/zirk.ini"), "[Settings]\r\nArchiveUrl=sqlite://" + path("archive.sqlite").toUtf8() + "\r\n");

    const CliRun added = runCli({"archive", "add", path("signed.pdf"), "--json"}, kPointLocale, path("config"));
    ASSERT_EQ(added.exitCode, 0) << added.err.constData();
    EXPECT_EQ(added.json().value("added").toInt(), 1);
    const CliRun again = runCli({"archive", "add", path("press.zPRJ"), "--json"}, kPointLocale, path("config"));
    EXPECT_EQ(again.json().value("skipped").toInt(), 1) << again.out.constData();
    const CliRun refused = runCli({"archive", "add", path("changed.pdf")}, kPointLocale, path("config"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("changed after signing")) << refused.err.constData();
}

TEST_F(ZirkCliSignedProtocol, SigningThatCannotBeDoneWritesNoFile)
{
    writeFile(path("wrong.txt"), "not the password\n");
    writeFile(path("earlier.pdf"), "an earlier protocol");
    TestProject p = lightCurtainProject(tenValues());
    setAscii(p.record, ProjectRecord::Text::MachineID, "Lis \xe5 4"); // not in Windows-1250
    writeProject(path("unprintable.zPRJ"), p);

    struct Case
    {
        const char *what;
        QStringList arguments;
        const char *says;
    };
    const QString out = path("earlier.pdf");
    const QString pw = certificates().path("password.txt");
    const Case cases[] = {
        {"wrong password",
         {"report", path("press.zPRJ"), "-o", out, "--sign", certificates().path("signer.p12"), "--password-file",
          path("wrong.txt")},
         "The password does not open"},
        {"no private key",
         {"report", path("press.zPRJ"), "-o", out, "--sign", certificates().path("nokey.p12"), "--password-file", pw},
         "holds no private key"},
        // The embedded fonts print "Łøve" as typed; they have no Chinese.
        {"a user name the protocol cannot print",
         {"report", path("press.zPRJ"), "-o", out, "--user", QStringLiteral("Jan \u0141\u00f8ve \u6f22"), "--sign",
          certificates().path("signer.p12"), "--password-file", pw},
         "would print as"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const CliRun run = runCli(c.arguments);
        expectFailure(run, 1, c.says, callText(c.arguments));
        EXPECT_EQ(readFile(out), QByteArray("an earlier protocol"));
        // The password is never said.
        EXPECT_FALSE(run.err.contains(SigningCertificates::password().toUtf8()));
    }
    // A machine ID beyond Windows-1250 prints as typed in the embedded
    // font: the protocol is signed.
    const CliRun printable = runCli({"report", path("unprintable.zPRJ"), "-o", path("printable.pdf"), "--sign",
                                     certificates().path("signer.p12"), "--password-file", pw});
    EXPECT_EQ(printable.exitCode, 0) << printable.err.constData();
}

TEST_F(ZirkCliSignedProtocol, UnsignedProtocolCarriesItsMeasurementOnlyWhenAsked)
{
    ASSERT_EQ(runCli({"report", path("press.zPRJ"), "-o", path("plain.pdf")}).exitCode, 0);
    ASSERT_EQ(runCli({"report", path("press.zPRJ"), "-o", path("attached.pdf"), "--attach"}).exitCode, 0);
    EXPECT_FALSE(readFile(path("plain.pdf")).contains("/EmbeddedFiles"));
    EXPECT_TRUE(readFile(path("attached.pdf")).contains("/EmbeddedFiles"));
    EXPECT_EQ(runTool("qpdf", {"--check", path("attached.pdf")}).exitCode, 0);

    const CliRun plain = runCli({"verify", path("plain.pdf")});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_TRUE(plain.out.contains("not signed")) << plain.out.constData();
    const CliRun stats = runCli({"stats", path("attached.pdf"), "--json"});
    EXPECT_EQ(stats.exitCode, 0) << stats.err.constData();
    const CliRun none = runCli({"stats", path("plain.pdf")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("carries no measurement")) << none.err.constData();
}

} // namespace
