// zirk-cli project-info, new-project and report, run as a script runs them.
#include "CliRunner.h"
#include "ProjectFiles.h"
#include "UnwrittenFifo.h"

#include "base/NumberFormat.h"

#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <limits>

#include <unistd.h>

namespace {

using Text = ProjectRecord::Text;

class ZirkCliProject : public ::testing::Test
{
protected:
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QString project(const char *name, const TestProject &p)
    {
        writeProject(path(name), p);
        return path(name);
    }

    // A measurement as the window saves it after a day at a press.
    TestProject pressProject()
    {
        TestProject p = lightCurtainProject(tenValues());
        p.values.push_back(150.25);
        p.record.setStandstillSpeed(12);
        setAscii(p.record, Text::SerialNumber, "ZK-00042");
        p.record.setCalibrationYear(2019);
        p.record.setCalibrationMonth(3);
        p.record.setCalibrationDay(5);
        p.record.setCalibrated(true);
        setAscii(p.record, Text::MachineID, "Press 4");
        // Windows-1252: "Süd" with 0xFC, the en dash 0x96.
        p.record.setText(Text::Note, QByteArray("S\xFC" "d \x96 after repair"));
        setAscii(p.record, Text::PictureNote1, "Front view");
        setAscii(p.record, Text::PictureNote2, "tab\there\x01");
        setAscii(p.record, Text::PictureNote3, "Guard \"B\" \\ C:\\");
        p.record.setIncludePicture(1, true);
        p.record.setIncludePicture(3, true);
        p.pictures[0] = testPicture(64, 48);
        p.pictures[1] = testPicture(32, 24);
        return p;
    }

    QTemporaryDir dir;
};

TEST_F(ZirkCliProject, InfoShowsEverythingTheFileHolds)
{
    const QString fileName = project("press.zPRJ", pressProject());
    const CliRun run = runCli({"project-info", fileName, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out.left(run.out.indexOf(R"(,"device_caption")")),
              QByteArray(R"({"values_ms":[100,100,100,100,100,100,100,100,100,200,150.25],"ss_speed":12,)"
                         R"("serial_number":"ZK-00042","calibration":{"day":5,"month":3,"year":2019},)"
                         R"("calibrated":true,"kind":"vlc","d":14,"height":null)"));

    const QJsonObject json = run.json();
    // The 13 fields of the record, the safeguard and the block of the
    // standard (none in this file, and no problem).
    EXPECT_EQ(json.size(), 16);
    EXPECT_TRUE(json.value("standard_block").isNull());
    EXPECT_TRUE(json.value("standard_block_problem").isNull());
    EXPECT_EQ(json.value("device_caption").toString(), "Vertical Light Curtain");
    // A file without a safeguard block names none.
    EXPECT_TRUE(json.value("safeguard").isNull());
    EXPECT_EQ(json.value("params_caption").toString(), "d=14 mm");
    EXPECT_EQ(json.value("machine_id").toString(), "Press 4");
    EXPECT_EQ(json.value("note").toString(), QString::fromUtf8("Süd – after repair"));

    const QJsonArray pictures = json.value("pictures").toArray();
    ASSERT_EQ(pictures.size(), 4);
    const struct
    {
        const char *note;
        bool include;
        int width; // 0: null
        int height;
    } expected[] = {
        {"Front view", true, 64, 48},
        // Control characters of an older file come back escaped.
        {"tab\\there\\x01", false, 32, 24},
        {"Guard \"B\" \\ C:\\", true, 0, 0},
        {"", false, 0, 0},
    };
    for (int i = 0; i < 4; ++i) {
        const QJsonObject p = pictures.at(i).toObject();
        EXPECT_EQ(p.size(), 4) << i;
        EXPECT_EQ(p.value("note").toString(), QLatin1String(expected[i].note)) << i;
        EXPECT_EQ(p.value("include").toBool(!expected[i].include), expected[i].include) << i;
        if (expected[i].width) {
            EXPECT_EQ(p.value("width").toInt(), expected[i].width) << i;
            EXPECT_EQ(p.value("height").toInt(), expected[i].height) << i;
        } else {
            EXPECT_TRUE(p.value("width").isNull()) << i;
            EXPECT_TRUE(p.value("height").isNull()) << i;
        }
    }

    const CliRun text = runCli({"project-info", fileName}, kCommaLocale);
    ASSERT_EQ(text.exitCode, 0);
    for (const char *line : {"       11  150,3\n", "Last calibration:   5/3/2019\n", "Machine ID:         Press 4\n",
                             "Picture 1:          64 x 48, in the report, note \"Front view\"\n",
                             "Picture 2:          32 x 24, not in the report, note \"tab\\there\\x01\"\n",
                             "Picture 4:          empty, not in the report, note \"\"\n",
                             "Standard:           none stored (ISO 13855:2010)\n"})
        EXPECT_TRUE(text.out.contains(line)) << line << text.out.constData();
}

// The same rules as File > Open: whatever it reports as invalid or
// corrupted is bad input for every command that reads projects.
TEST_F(ZirkCliProject, CorruptAndUnreadableFilesAreBadInput)
{
    const QByteArray whole = [&] {
        writeProject(path("whole.zPRJ"), pressProject());
        return readBytes(path("whole.zPRJ"));
    }();
    const qsizetype recordEnd = 4 + 8 * 11 + ProjectRecord::kSize;
    QByteArray negativeCount = whole;
    negativeCount[3] = char(0x80);
    QByteArray hugeCount = whole;
    hugeCount[3] = char(0x7f);
    QByteArray notABitmap = whole;
    notABitmap[recordEnd] = 'X';
    const struct
    {
        const char *name;
        QByteArray bytes;
    } files[] = {
        {"empty.zPRJ", QByteArray()},
        {"short-count.zPRJ", whole.left(3)},
        {"short-values.zPRJ", whole.left(4 + 8 * 5)},
        {"short-record.zPRJ", whole.left(recordEnd - 1)},
        {"short-picture.zPRJ", whole.left(recordEnd + 100)},
        {"negative-count.zPRJ", negativeCount},
        {"huge-count.zPRJ", hugeCount},
        {"not-a-bitmap.zPRJ", notABitmap},
        {"text.zprj", "100\n200\n"},
    };
    for (const auto &f : files) {
        const QString fileName = path(f.name);
        writeBytes(fileName, f.bytes);
        for (const QStringList &call : {QStringList{"project-info", fileName},
                                        QStringList{"stats", fileName},
                                        QStringList{"report", fileName, "-o", path("out.pdf")}}) {
            expectFailure(runCli(call + QStringList{"--json"}), 1, fileName.toUtf8().constData(), callText(call));
        }
        EXPECT_FALSE(QFile::exists(path("out.pdf"))) << f.name;
    }
    const QString missing = path("missing.zPRJ");
    expectFailure(runCli({"project-info", missing}), 1, missing.toUtf8().constData(), "project-info missing");
    // A whole file is read, its pictures too.
    EXPECT_EQ(runCli({"project-info", path("whole.zPRJ")}).exitCode, 0);
}

// cat p.zPRJ | zirk-cli project-info /dev/stdin
TEST_F(ZirkCliProject, AProjectLargerThanAPipeHoldsIsReadFromIt)
{
    TestProject p = pressProject();
    for (int i = 0; i < 9000; ++i) // 72 kB of stop times, more than a pipe holds at once
        p.values.push_back(100.0 + i * 0.25);
    const QString fileName = project("big.zPRJ", p);
    const QByteArray bytes = readBytes(fileName);
    ASSERT_GT(bytes.size(), 65536);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), kPointLocale);
    env.insert(QStringLiteral("ZIRK_CONFIG_DIR"), dir.path());
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ZIRK_BINARY_DIR "/zirk-cli"), {"project-info", "/dev/stdin", "--json"});
    ASSERT_TRUE(process.waitForStarted());
    process.write(bytes);
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    CliRun run;
    run.out = process.readAllStandardOutput();
    const QJsonObject json = run.json();
    EXPECT_EQ(json.value("values_ms").toArray().size(), qsizetype(p.values.size()));
    EXPECT_EQ(json.value("machine_id").toString(), QStringLiteral("Press 4"));
    EXPECT_EQ(json.value("pictures").toArray().at(1).toObject().value("width").toInt(), 32);
}

TEST_F(ZirkCliProject, WrongUsage)
{
    const QString fileName = project("p.zPRJ", pressProject());
    const struct
    {
        QStringList arguments;
        const char *named;
    } cases[] = {
        {{"project-info"}, "FILE.zPRJ"},
        {{"project-info", fileName, fileName}, "p.zPRJ"},
        {{"report", fileName}, "-o"},
        {{"report", "-o", "x.pdf"}, "PROJECT.zPRJ"},
        {{"report", fileName, "-o"}, "-o"},
        {{"report", fileName, "-o", "x.pdf", "--kind", "vlc"}, "--kind"},
    };
    for (const auto &c : cases)
        expectFailure(runCli(c.arguments), 2, c.named, callText(c.arguments));
}

} // namespace

namespace {

TEST_F(ZirkCliProject, NewProjectOfImportedValues)
{
    writeBytes(path("a.txt"), "100\n112,5\nabc\n");
    writeBytes(path("b.txt"), "98\r\n\r\n104\r\n");
    const QString out = path("new.zPRJ");
    const CliRun run = runCli({"new-project", "-o", out, "--import", path("a.txt"), "--import", path("b.txt"),
                               "--kind", "scanner", "--height", "350,5", "--machine-id", "Press 4", "--note",
                               QString::fromUtf8("Süd – 東"), "--json"},
                              kCommaLocale);
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, QByteArray(R"({"file":")") + out.toUtf8() + R"(","count":4})" "\n");

    TestProject read;
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(readProjectFile(file, read.values, read.record, read.pictures).complete);
    EXPECT_EQ(read.values, (std::vector<double>{100.0, 112.5, 98.0, 104.0}));
    EXPECT_EQ(read.record.safetyDeviceId(), 2);
    EXPECT_EQ(read.record.resolution(), -1.0);
    EXPECT_EQ(read.record.height(), 350.5);
    // Parameter text in the user's locale, as the window shows it.
    EXPECT_EQ(read.record.text(Text::SafetyDeviceParams), "H=350,5 mm");
    EXPECT_EQ(read.record.text(Text::MachineID), "Press 4");
    // Windows-1252 holds the umlaut and the dash, not the ideograph.
    EXPECT_EQ(read.record.text(Text::Note), "S\xFC" "d \x96 ?");
    // No instrument, no pictures, no flags; the notes the images dialog
    // starts with.
    EXPECT_EQ(read.record.standstillSpeed(), 0);
    EXPECT_EQ(read.record.text(Text::SerialNumber), "");
    EXPECT_FALSE(read.record.calibrated());
    for (int slot = 1; slot <= 4; ++slot) {
        EXPECT_TRUE(read.pictures[std::size_t(slot - 1)].isNull()) << slot;
        EXPECT_FALSE(read.record.includePicture(slot)) << slot;
        EXPECT_EQ(read.record.text(ProjectRecord::pictureNote(slot)), "Image " + QByteArray::number(slot)) << slot;
    }
    EXPECT_EQ(file.size(), 4 + 4 * 8 + ProjectRecord::kSize);
}

TEST_F(ZirkCliProject, NewProjectDefaultsToALightCurtainOf14mm)
{
    const struct
    {
        QStringList options;
        qint32 kind;
        double d;
        double height;
        const char *params;
    } cases[] = {
        {{}, 0, 14.0, -1.0, "d=14 mm"},
        {{"--d", "30"}, 0, 30.0, -1.0, "d=30 mm"},
        {{"--kind", "vlc", "--d", "14.5"}, 0, 14.5, -1.0, "d=14.5 mm"},
        {{"--kind", "hlc", "--height", "0"}, 1, -1.0, 0.0, "H=0 mm"},
        {{"--kind", "twohand"}, 3, -1.0, -1.0, "---"},
        {{"--kind", "estop"}, 4, -1.0, -1.0, "---"},
        {{"--kind", "door"}, 5, -1.0, -1.0, "---"},
        // A door's C and a mat's h are kept in the record's extension block.
        {{"--kind", "door", "--c", "100"}, 5, -1.0, -1.0, "---"},
        {{"--kind", "mat", "--step", "120"}, 6, -1.0, -1.0, "---"},
        {{"--kind", "mat"}, 6, -1.0, -1.0, "---"},
    };
    for (const auto &c : cases) {
        const QString out = path("kind.zPRJ");
        const CliRun run = runCli(QStringList{"new-project", "-o", out} + c.options);
        ASSERT_EQ(run.exitCode, 0) << callText(c.options) << run.err.constData();
        EXPECT_EQ(run.out, "0 stop times written to " + out.toUtf8() + "\n");
        TestProject read;
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_TRUE(readProjectFile(file, read.values, read.record, read.pictures).complete);
        EXPECT_EQ(file.size(), 4 + ProjectRecord::kSize) << callText(c.options);
        EXPECT_EQ(read.record.safetyDeviceId(), c.kind) << callText(c.options);
        EXPECT_EQ(read.record.resolution(), c.d) << callText(c.options);
        EXPECT_EQ(read.record.height(), c.height) << callText(c.options);
        EXPECT_EQ(read.record.text(Text::SafetyDeviceParams), c.params) << callText(c.options);

        // What project-info and stats read back is what was written.
        const QJsonObject info = runCli({"project-info", out, "--json"}).json();
        EXPECT_EQ(info.value("params_caption").toString(), QLatin1String(c.params));
        EXPECT_EQ(info.value("values_ms").toArray().size(), 0);
    }
}

TEST_F(ZirkCliProject, NewProjectRefusesWhatItCannotStore)
{
    writeBytes(path("values.txt"), "100\n");
    const QString out = path("refused.zPRJ");
    const struct
    {
        QStringList arguments;
        int status;
        QString named;
    } cases[] = {
        {{"new-project", "-o", out, "--kind", "hlc"}, 1, "--height"},
        {{"new-project", "-o", out, "--kind", "vlc"}, 1, "--d"},
        {{"new-project", "-o", out, "--kind", "beam"}, 1, "beam"},
        {{"new-project", "-o", out, "--kind", "estop", "--d", "14"}, 1, "--d"},
        {{"new-project", "-o", out, "--import", path("missing.txt")}, 1, path("missing.txt")},
        {{"new-project", "-o", path("no-folder/p.zPRJ"), "--import", path("values.txt")}, 1, path("no-folder/p.zPRJ")},
        {{"new-project", "-o", dir.path(), "--import", path("values.txt")}, 1, dir.path()},
        {{"new-project", "--import", path("values.txt")}, 2, "-o"},
        {{"new-project", "-o", out, "--non-industrial"}, 2, "--non-industrial"},
        {{"new-project", "-o", out, path("values.txt")}, 2, path("values.txt")},
    };
    for (const auto &c : cases) {
        expectFailure(runCli(c.arguments), c.status, c.named.toUtf8().constData(), callText(c.arguments));
        EXPECT_FALSE(QFile::exists(out)) << callText(c.arguments);
    }

    // A failed write leaves the old file as it was.
    writeBytes(out, "old");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const CliRun run = runCli({"new-project", "-o", out, "--import", path("values.txt")});
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (::geteuid() != 0) {
        expectFailure(run, 1, out.toUtf8().constData(), "new-project into a read-only folder");
        EXPECT_EQ(readBytes(out), "old");
    }
}

} // namespace

namespace {

// The PDF's text as a reader extracts it.
QByteArray pdfText(const QString &fileName)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    return p.readAllStandardOutput();
}

int pdfPages(const QString &fileName)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {fileName});
    EXPECT_TRUE(p.waitForFinished(30000));
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

bool qpdfAccepts(const QString &fileName)
{
    QProcess p;
    p.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), fileName});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class ZirkCliSettings : public ZirkCliProject
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(path("config")));
        writeBytes(path("config/zirk.ini"), "[Settings]\nLanguage=German\nUserName=J. Nov\xC3\xA1k\n"
                                            "CompanyName=ACME s.r.o.\n");
    }
    QString config() const { return path("config"); }
};

TEST_F(ZirkCliSettings, NewProjectNamesTheDeviceInTheLanguageOfTheSettings)
{
    const QString out = path("p.zPRJ");
    for (const auto &[configDir, caption] : {std::pair{config(), "Sicherheits-Laserscanner"},
                                            std::pair{QString(), "Safety Scanner"}}) {
        const CliRun run = runCli({"new-project", "-o", out, "--kind", "scanner", "--height", "300"}, kPointLocale,
                                  configDir);
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        const QJsonObject info = runCli({"project-info", out, "--json"}).json();
        EXPECT_EQ(info.value("device_caption").toString(), QLatin1String(caption));
        EXPECT_EQ(info.value("params_caption").toString(), "H=300 mm");
    }
}

TEST_F(ZirkCliSettings, ReportTakesCompanyAndUserFromOptionsOrSettings)
{
    const QString project = this->project("press.zPRJ", pressProject());
    const QString out = path("report.pdf");

    CliRun run = runCli({"report", project, "-o", out}, kPointLocale, config());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    QByteArray text = pdfText(out);
    EXPECT_TRUE(text.contains("Company:            ACME s.r.o.")) << text.constData();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Measured by:        J. Novák").toUtf8())) << text.constData();

    run = runCli({"report", project, "-o", out, "--company", "Zirk Service", "--user", "P. Dvo\xC5\x99\xC3\xA1k"},
                 kPointLocale, config());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    text = pdfText(out);
    EXPECT_TRUE(text.contains("Company:            Zirk Service")) << text.constData();
    // Windows-1250, which the protocol declares, holds the r with caron.
    EXPECT_TRUE(text.contains(QString::fromUtf8("Measured by:        P. Dvořák").toUtf8())) << text.constData();
}

TEST_F(ZirkCliSettings, ALargeSettingsFileIsReadAndAFifoIsNeverOpened)
{
    const QString project = this->project("press.zPRJ", pressProject());
    const QString out = path("report.pdf");

    // Over a megabyte of comments after the keys.
    QByteArray big = readBytes(path("config/zirk.ini"));
    while (big.size() < 1'088'663)
        big += "; a note the user keeps beside the settings\n";
    writeBytes(path("config/zirk.ini"), big);
    CliRun run = runCli({"report", project, "-o", out}, kPointLocale, config());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.constData();
    const QByteArray text = pdfText(out);
    EXPECT_TRUE(text.contains("Company:            ACME s.r.o.")) << text.constData();

    // A FIFO in its place: the defaults, one line that says so, no hang.
    ASSERT_TRUE(QFile::remove(path("config/zirk.ini")));
    UnwrittenFifo fifo(path("config/zirk.ini"), std::chrono::seconds(20));
    ASSERT_TRUE(fifo.made());
    for (const QStringList &call : {QStringList{"report", project, "-o", out},
                                    QStringList{"new-project", "-o", path("new.zPRJ"), "--kind", "scanner",
                                                "--height", "300"}}) {
        SCOPED_TRACE(callText(call));
        run = runCli(call, kPointLocale, config());
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_TRUE(run.err.contains("zirk.ini cannot be read")) << run.err.constData();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
    }
    EXPECT_FALSE(fifo.rescued()) << "the FIFO was opened";
    EXPECT_TRUE(fifo.stillFifo());
    EXPECT_EQ(runCli({"project-info", path("new.zPRJ"), "--json"}).json().value("device_caption").toString(),
              QStringLiteral("Safety Scanner"));
}

TEST_F(ZirkCliProject, ReportOfAProject)
{
    TestProject ten = pressProject();
    const QString tenFile = project("press.zPRJ", ten);
    TestProject few = lightCurtainProject({100, 120, 110});
    const QString fewFile = project("few.zPRJ", few);
    TestProject many = lightCurtainProject(std::vector<double>(60, 250.0));
    const QString manyFile = project("many.zPRJ", many);
    std::vector<double> withNaN(10, 100.0);
    withNaN[3] = std::numeric_limits<double>::quiet_NaN();
    const QString nanFile = project("nan.zPRJ", lightCurtainProject(withNaN));
    std::vector<double> overflow(5, 1e308);
    overflow.insert(overflow.end(), 5, -1e308);
    const QString overflowFile = project("overflow.zPRJ", lightCurtainProject(overflow));

    const struct
    {
        QString project;
        bool analysis;
        int pages;
        const char *distance; // the protocol's line
    } cases[] = {
        // Values, summary and text on page 1 and 2, the analysis page, then
        // one page for pictures 1 and 2 and one for 3 and 4 (picture 3 is
        // flagged but empty: a page without a picture, as the window
        // writes it).
        {tenFile, true, 5, nullptr},
        {tenFile, false, 4, nullptr},
        // Under ten values there is no distance, which the protocol says
        // as the window does: never -1 mm, 0 mm or a number.
        {fewFile, true, 2, "Safety Distance: -- --- mm"},
        {fewFile, false, 1, "Safety Distance: -- --- mm"},
        // 23 rows on the first page, 37 on the second; 250 ms, d = 14:
        // 2000 mm/s gives 500 mm exactly, which stays.
        {manyFile, true, 4, "Safety Distance:   500 mm / 19.69 Inch"},
        {manyFile, false, 3, "Safety Distance:   500 mm / 19.69 Inch"},
        // A NaN stored among the values, or sums beyond the range of a
        // double: no result, never "inf mm" or "nan mm".
        {nanFile, false, 2, "Safety Distance: -- --- mm"},
        {overflowFile, false, 2, "Safety Distance: -- --- mm"},
        {nanFile, true, 3, "Safety Distance: -- --- mm"},
    };
    for (const auto &c : cases) {
        const QString out = path("report.pdf");
        QStringList call = {"report", c.project, "-o", out, "--json"};
        if (!c.analysis)
            call << "--no-analysis";
        const CliRun run = runCli(call);
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_EQ(run.out, QByteArray(R"({"file":")") + out.toUtf8() + R"(","pages":)"
                               + QByteArray::number(c.pages) + "}\n");
        EXPECT_EQ(pdfPages(out), c.pages) << c.project.toStdString();
        EXPECT_TRUE(qpdfAccepts(out)) << c.project.toStdString();
        const QByteArray text = pdfText(out);
        EXPECT_TRUE(text.contains("Stop time measurement protocol")) << c.project.toStdString();
        EXPECT_EQ(text.contains("Safety distance after ISO 13855:2010"), c.analysis) << c.project.toStdString();
        if (c.distance) {
            EXPECT_TRUE(text.contains(c.distance)) << c.project.toStdString() << text.constData();
        }
        // The list prints a stored NaN as it is; no statistic or distance is one.
        for (const char *shown : {"inf ms", "nan ms", "inf mm", "nan mm"})
            EXPECT_FALSE(text.contains(shown)) << c.project.toStdString() << text.constData();
    }

    // The distance of the protocol is the one stats computes.
    const double mm = runCli({"stats", tenFile, "--json"}).json().value("distance_mm").toDouble();
    const QByteArray line = "Safety Distance: " + formatDistanceMm(mm, QLocale::c()).toUtf8() + " / "
                            + formatNumber(roundUpTo(mm / 25.4, 2), 2, 5, QLocale::c()).toUtf8() + " Inch";
    runCli({"report", tenFile, "-o", path("ten.pdf")});
    EXPECT_TRUE(pdfText(path("ten.pdf")).contains(line)) << line.constData();

    expectFailure(runCli({"report", tenFile, "-o", path("no-folder/r.pdf")}), 1, "no-folder/r.pdf",
                  "report into a missing folder");
}

} // namespace

// The logo as the settings name it: only Zirk's own copy, only a regular
// file, only a picture Qt can decode.  A protocol without its logo is still
// written (status 0) and the reason goes to standard error.
TEST_F(ZirkCliSettings, ReportLeavesOutALogoItCannotDrawAndSaysWhy)
{
    const QString project = this->project("press.zPRJ", pressProject());
    const QString out = path("report.pdf");
    const QByteArray settings = readBytes(path("config/zirk.ini"));
    writeBytes(path("config/victim.txt"), "the user's own file\n");

    struct Case
    {
        const char *logoFile;
        const char *said;
    };
    const Case cases[] = {
        {"victim.txt", "is not Zirk's copy of a logo"},
        {"logo.png", "not a regular file"}, // a FIFO, below
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.logoFile);
        writeBytes(path("config/zirk.ini"), settings + "LogoFile=" + c.logoFile + "\n");
        std::unique_ptr<UnwrittenFifo> fifo;
        if (QByteArray(c.logoFile) == "logo.png")
            fifo = std::make_unique<UnwrittenFifo>(path("config/logo.png"), std::chrono::seconds(20));
        QFile::remove(out);
        const CliRun run = runCli({"report", project, "-o", out}, kPointLocale, config());
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_TRUE(QFile::exists(out));
        EXPECT_TRUE(run.err.contains("The company logo is left out: ")) << run.err.constData();
        EXPECT_TRUE(run.err.contains(c.said)) << run.err.constData();
        if (fifo) {
            EXPECT_FALSE(fifo->rescued()) << "the FIFO was opened";
        }
    }
    EXPECT_EQ(readBytes(path("config/victim.txt")), QByteArray("the user's own file\n"));
}

namespace {

TEST_F(ZirkCliProject, NewProjectStoresTheStandardWhichStatsAndReportApplyUnlessAnOptionOverrides)
{
    writeBytes(path("t.txt"), QByteArray("190\n").repeated(10));
    const QString project = path("ansi.zPRJ");
    const CliRun made = runCli({"new-project", "-o", project, "--import", path("t.txt"), "--kind", "vlc", "--d",
                                "30", "--standard", "ansi-b11.19", "--tr", "59", "--brake-monitor", "225",
                                "--installed", "500"});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();

    struct Case
    {
        QStringList options;
        const char *standard;
        double distanceMm;
        const char *verdict;
    };
    const Case cases[] = {
        // The stored choice: the published 20.97 in.
        {{}, "ansi-b11.19", 20.9707 * 25.4, "closer"},
        // Another installed distance only.
        {{"--installed", "600"}, "ansi-b11.19", 20.9707 * 25.4, "meets"},
        // Another standard starts without the stored entries; the installed
        // distance stays.  2000 x 0.19 + 8 x 16 = 508 mm is above 500 mm;
        // 1600 x 0.19 + 128 = 432 mm is below: 500 mm.
        {{"--standard", "iso13855-2010"}, "iso13855-2010", 500, "meets"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(callText(c.options));
        const CliRun run = runCli(QStringList{"stats", project, "--json"} + c.options);
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        const QJsonObject json = run.json();
        EXPECT_EQ(json.value(QStringLiteral("standard")).toString(), QLatin1String(c.standard));
        EXPECT_NEAR(json.value(QStringLiteral("distance_mm")).toDouble(), c.distanceMm, 0.01);
        EXPECT_EQ(json.value(QStringLiteral("verdict")).toString(), QLatin1String(c.verdict));
    }

    // The protocol of the stored choice writes out the ANSI calculation.
    const QString pdf = path("ansi.pdf");
    const CliRun report = runCli({"report", project, "-o", pdf});
    ASSERT_EQ(report.exitCode, 0) << report.err.constData();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    EXPECT_TRUE(words.contains(QStringLiteral("Safety distance after ANSI B11.19 / CSA Z432"))) << words.toStdString();
    // 532.7 mm is printed as 533 mm, the figure the verdict compares with.
    EXPECT_TRUE(words.contains(QStringLiteral("closer than the minimum distance by 33.0 mm"))) << words.toStdString();
}

// A block of the standard that does not read (a flipped byte of its
// checksum, a version this program does not know) never lets another
// standard's distance pass in silence: every command says it, JSON carries
// it, and stats and report refuse unless the standard is given again.
TEST_F(ZirkCliProject, ADamagedBlockOfTheStandardIsSaidAndStopsStatsAndReport)
{
    writeBytes(path("t.txt"), QByteArray("190\n").repeated(10));
    const QString intact = path("ansi.zPRJ");
    const CliRun made = runCli({"new-project", "-o", intact, "--import", path("t.txt"), "--kind", "vlc", "--d", "30",
                                "--standard", "ansi-b11.19", "--tr", "59", "--brake-monitor", "225", "--installed",
                                "305"});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    const CliRun info = runCli({"project-info", intact});
    ASSERT_EQ(info.exitCode, 0) << info.err.constData();
    for (const char *line : {"Standard:           ANSI B11.19 / CSA Z432 (ansi-b11.19)\n",
                             "Entries:            Tr = 59 ms, brake monitor = 225 ms\n",
                             "Installed distance: 305 mm\n", "Last value:         -\n"})
        EXPECT_TRUE(info.out.contains(line)) << line << info.out.constData();
    const QJsonObject block = runCli({"project-info", intact, "--json"}).json().value("standard_block").toObject();
    EXPECT_EQ(block.value("standard").toString(), "ansi-b11.19");
    EXPECT_EQ(block.value("tr_ms").toDouble(), 59.0);
    EXPECT_EQ(block.value("installed_mm").toDouble(), 305.0);

    QFile file(intact);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const int blockAt = 4 + 8 * 10 + 922;
    struct Case
    {
        const char *what;
        int offset;   // in the block
        char value;   // the byte written there; 0: its bits flipped
        const char *problem;
    };
    const Case cases[] = {
        {"a flipped byte of the checksum", 108, 0, "the block of the standard fails its checksum"},
        {"version 255", 4, char(255), "the block of the standard is of version 255, which this program does not read"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray damaged = bytes;
        damaged[blockAt + c.offset] = c.value ? c.value : char(~damaged[blockAt + c.offset]);
        const QString project = path("damaged.zPRJ");
        writeBytes(project, damaged);
        const QByteArray said = "the standard stored in the project was not read (" + QByteArray(c.problem) + ")";

        for (const QStringList &command : {QStringList{"stats", project}, QStringList{"stats", project, "--json"},
                                           QStringList{"report", project, "-o", path("damaged.pdf")}}) {
            const CliRun run = runCli(command);
            EXPECT_EQ(run.exitCode, 1) << callText(command);
            EXPECT_TRUE(run.out.isEmpty()) << callText(command) << run.out.constData();
            EXPECT_TRUE(run.err.contains(said)) << callText(command) << run.err.constData();
            EXPECT_TRUE(run.err.contains("give --standard")) << callText(command) << run.err.constData();
        }
        // Given again on the command line, the standard counts; the problem
        // is still said.
        const CliRun again = runCli({"stats", project, "--standard", "ansi-b11.19", "--tr", "59", "--brake-monitor",
                                     "225", "--installed", "305", "--json"});
        ASSERT_EQ(again.exitCode, 0) << again.err.constData();
        EXPECT_TRUE(again.err.contains(said)) << again.err.constData();
        const QJsonObject json = again.json();
        EXPECT_EQ(json.value("standard").toString(), "ansi-b11.19");
        EXPECT_EQ(json.value("verdict").toString(), "closer");
        ASSERT_EQ(json.value("warnings").toArray().size(), 1);
        EXPECT_TRUE(json.value("warnings").toArray().at(0).toString().contains(QLatin1String(said)));

        const CliRun text = runCli({"project-info", project});
        EXPECT_EQ(text.exitCode, 0) << text.err.constData();
        EXPECT_TRUE(text.out.contains("Standard:           not read: " + QByteArray(c.problem) + "\n"))
            << text.out.constData();
        EXPECT_TRUE(text.err.contains(said)) << text.err.constData();
        const QJsonObject infoJson = runCli({"project-info", project, "--json"}).json();
        EXPECT_TRUE(infoJson.value("standard_block").isNull());
        EXPECT_EQ(infoJson.value("standard_block_problem").toString(), QLatin1String(c.problem));
        EXPECT_EQ(infoJson.value("warnings").toArray().size(), 1);
    }
}

// A line break in a machine ID or a note would forge rows wherever it is
// listed: new-project refuses it.
TEST_F(ZirkCliProject, NewProjectRefusesControlCharactersInItsTexts)
{
    for (const QStringList &options :
         {QStringList{"--machine-id", "Press 9\nPress 9  2026-12-11  meets"}, QStringList{"--note", "a\tb"},
          QStringList{"--machine-id", QStringLiteral("x\u0085y")}}) {
        const QStringList arguments = QStringList{"new-project", "-o", path("forged.zPRJ")} + options;
        expectFailure(runCli(arguments), 1, "control characters", callText(arguments));
        EXPECT_FALSE(QFile::exists(path("forged.zPRJ")));
    }
}

} // namespace

namespace {

// The code page of project files is the Windows one of the user's locale,
// unless the settings name one; a text the file cannot keep is said so.
TEST_F(ZirkCliProject, ProjectTextsFollowTheLocalesCodePageOrTheSettings)
{
    ASSERT_TRUE(QDir().mkpath(path("cp1250")));
    writeBytes(path("cp1250/zirk.ini"), "[Settings]\nProjectCodePage=1250\n");
    struct Case
    {
        const char *name;
        QString locale;
        QString configDir;
        QByteArray stored;
        QString reopened;
        bool warned;
    };
    const Case cases[] = {
        {"Czech system", QStringLiteral("cs_CZ.UTF-8"), QString(), "Lis \xE8. 4", QStringLiteral("Lis č. 4"), false},
        {"German system", kCommaLocale, QString(), "Lis ?. 4", QStringLiteral("Lis ?. 4"), true},
        {"German system, settings say 1250", kCommaLocale, path("cp1250"), "Lis \xE8. 4", QStringLiteral("Lis č. 4"),
         false},
    };
    const QString out = path("lis.zPRJ");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun made = runCli({"new-project", "-o", out, "--machine-id", QStringLiteral("Lis č. 4")}, c.locale,
                                   c.configDir);
        ASSERT_EQ(made.exitCode, 0) << made.err.constData();
        EXPECT_EQ(made.err.contains("--machine-id is kept as \"Lis ?. 4\" (project files use Windows-1252"), c.warned)
            << made.err.constData();
        TestProject read;
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_TRUE(readProjectFile(file, read.values, read.record, read.pictures).complete);
        EXPECT_EQ(read.record.text(Text::MachineID), c.stored);
        const QJsonObject info = runCli({"project-info", out, "--json"}, c.locale, c.configDir).json();
        EXPECT_EQ(info.value("machine_id").toString(), c.reopened);
    }
}

} // namespace

namespace {

// The safeguard given to new-project is the one project-info and stats show,
// as text and JSON, and the one the window opens.
TEST_F(ZirkCliProject, TheSafeguardOfANewProjectIsShownByInfoAndStats)
{
    writeBytes(path("times.txt"), "100\n101\n102\n103\n104\n105\n106\n107\n108\n109\n");
    const QString named = path("named.zPRJ");
    const QString unnamed = path("unnamed.zPRJ");
    ASSERT_EQ(runCli({"new-project", "-o", named, "--import", path("times.txt"), "--machine-id", "Press 9",
                      "--safeguard", QString::fromUtf8("Tür hinten")},
                     kCommaLocale)
                  .exitCode,
              0);
    ASSERT_EQ(runCli({"new-project", "-o", unnamed, "--import", path("times.txt"), "--kind", "door", "--c", "250"})
                  .exitCode,
              0);

    struct Case
    {
        QString file;
        QJsonValue json;
        const char *infoLine;
        const char *statsLine; // none: no line
    };
    const Case cases[] = {
        {named, QString::fromUtf8("Tür hinten"), "Safeguard:          T\xc3\xbcr hinten\n",
         "Safeguard:           T\xc3\xbcr hinten\n"},
        {unnamed, QJsonValue(QJsonValue::Null), "Safeguard:          unnamed (Door, C=250 mm)\n", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const QJsonObject info = runCli({"project-info", c.file, "--json"}, kCommaLocale).json();
        ASSERT_TRUE(info.contains("safeguard"));
        EXPECT_EQ(info.value("safeguard"), c.json);
        const CliRun infoText = runCli({"project-info", c.file}, kCommaLocale);
        EXPECT_TRUE(infoText.out.contains(c.infoLine)) << infoText.out.constData();
        const QJsonObject stats = runCli({"stats", c.file, "--json"}, kCommaLocale).json();
        ASSERT_TRUE(stats.contains("safeguard"));
        EXPECT_EQ(stats.value("safeguard"), c.json);
        const CliRun statsText = runCli({"stats", c.file}, kCommaLocale);
        if (c.statsLine)
            EXPECT_TRUE(statsText.out.contains(c.statsLine)) << statsText.out.constData();
        else
            EXPECT_FALSE(statsText.out.contains("Safeguard")) << statsText.out.constData();

        // The protocol names it in its header; without a name it has no such line.
        const QString pdf = c.file + QStringLiteral(".pdf");
        ASSERT_EQ(runCli({"report", c.file, "-o", pdf, "--no-analysis"}, kCommaLocale).exitCode, 0);
        const QByteArray text = pdfText(pdf);
        if (c.statsLine)
            EXPECT_TRUE(QString::fromUtf8(text).contains(QRegularExpression(QString::fromUtf8("Safeguard: +Tür hinten\n"))))
                << text.constData();
        else
            EXPECT_FALSE(text.contains("Safeguard")) << text.constData();
    }

    // The window's own mapping reads the same name from the file.
    TestProject read;
    QFile file(named);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(readProjectFile(file, read.values, read.record, read.pictures).complete);
    EXPECT_EQ(read.record.safeguard(), QByteArray("T\xFCr hinten"));
    // Without a name there is no block: the file of before.
    TestProject plain;
    QFile plainFile(unnamed);
    ASSERT_TRUE(plainFile.open(QIODevice::ReadOnly));
    ASSERT_TRUE(readProjectFile(plainFile, plain.values, plain.record, plain.pictures).complete);
    EXPECT_FALSE(plain.record.safeguard());
}

TEST_F(ZirkCliProject, ASafeguardNameTheFileCannotKeepIsRefusedWithItsReason)
{
    struct Case
    {
        const char *what;
        QString name;
        const char *reason;
    };
    const Case cases[] = {
        {"longer than 60 bytes", QString(61, QLatin1Char('x')), "at most 60 bytes"},
        {"a character the code page lacks", QStringLiteral("Vrata č. 2"), "Windows-1252, which lacks \"\xc4\x8d\""},
        {"a tab", QStringLiteral("Rear\tdoor"), "\"Rear\\u0009door\" cannot be kept: it holds a control character"},
        {"a line break", QStringLiteral("Rear door\n"), "control character"},
    };
    const QString out = path("refused.zPRJ");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList arguments = {"new-project", "-o", out, "--safeguard", c.name};
        const CliRun run = runCli(arguments, kCommaLocale);
        expectFailure(run, 1, c.reason, callText(arguments));
        EXPECT_TRUE(run.err.contains("--safeguard")) << run.err.constData();
        EXPECT_FALSE(QFile::exists(out));
    }
    // Exactly 60 bytes are kept whole.
    const CliRun kept = runCli({"new-project", "-o", out, "--safeguard", QString(60, QChar(0xe4))}, kCommaLocale);
    ASSERT_EQ(kept.exitCode, 0) << kept.err.constData();
    EXPECT_EQ(runCli({"project-info", out, "--json"}, kCommaLocale).json().value("safeguard").toString(),
              QString(60, QChar(0xe4)));
}

} // namespace
