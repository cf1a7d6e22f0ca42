// What the window keeps in the archive is the whole measurement: the
// standard, its entries, the installed distance and the verdict go with the
// series through the local queue, whether it is saved, reported or
// delivered at the next start, on SQLite and on a PostgreSQL server.
#include "ProgramFixture.h"
#include "QtPrinters.h"
#include "archive/PostgresServer.h"

#include "archive/Archive.h"
#include "archive/ArchiveLocation.h"
#include "archive/FleetOverview.h"
#include "state/ProgramState.h"

#include <QFile>

namespace {

enum class Engine { SQLite, PostgreSQL };

enum class Path { SaveAs, Report, NextStart };

struct RecordCase
{
    Engine engine;
    Path path;
};

std::string caseName(const ::testing::TestParamInfo<RecordCase> &info)
{
    const char *const paths[] = {"SaveAs", "Report", "NextStart"};
    return std::string(info.param.engine == Engine::SQLite ? "SQLite" : "PostgreSQL") + paths[int(info.param.path)];
}

class WindowRecordsTheWholeMeasurement : public ProgramFixture, public ::testing::WithParamInterface<RecordCase>
{
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        if (GetParam().engine == Engine::SQLite) {
            url = QStringLiteral("sqlite://") + tempDir.filePath(QStringLiteral("archive.sqlite"));
        } else {
            if (PostgresServer::disabled())
                GTEST_SKIP() << "ZIRK_NO_POSTGRES=1";
            PostgresServer *server = PostgresServer::get();
            ASSERT_TRUE(server) << "no PostgreSQL server";
            url = server->newDatabase();
        }
        qputenv("ZIRK_ARCHIVE", url.toLocal8Bit());
    }

    // A light curtain by ANSI B11.19 mounted at 305 mm, closer than its
    // minimum.
    void measureCloser(TMainForm &window)
    {
        state().setMachine(QStringLiteral("Press 7"), QString());
        DistanceChoice ansi = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
        ansi.trMs = 20.0;
        ansi.installedMm = 305.0;
        state().setDistanceChoice(ansi);
        for (int i = 0; i < 10; ++i)
            window.ZpracujHodnotu_ms(180.0 + i);
    }

    QString url;
};

TEST_P(WindowRecordsTheWholeMeasurement, TheArchiveKeepsItsStandardInstalledDistanceAndVerdict)
{
    if (GetParam().path == Path::NextStart) {
        // The archive cannot be made yet: the measurement waits in the queue.
        const QString blocker = tempDir.filePath(QStringLiteral("share"));
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        const QString blocked = QStringLiteral("sqlite://") + blocker + QStringLiteral("/archive.sqlite");
        qputenv("ZIRK_ARCHIVE", blocked.toLocal8Bit());
        TMainForm &window = start();
        measureCloser(window);
        fake.dialogs.fileAnswers = {tempDir.filePath(QStringLiteral("Project_20261209_1030_.zPRJ"))};
        window.submenu_SaveAsClick();
        ASSERT_TRUE(window.waitForArchive());
        program.reset();
        ASSERT_TRUE(QFile::remove(blocker));
        qputenv("ZIRK_ARCHIVE", blocked.toLocal8Bit());
        TMainForm &again = start();
        ASSERT_TRUE(again.waitForArchive());
        url = blocked;
    } else {
        TMainForm &window = start();
        measureCloser(window);
        ASSERT_EQ(state().result().distance.verdict.has_value(), true);
        if (GetParam().path == Path::SaveAs) {
            fake.dialogs.fileAnswers = {tempDir.filePath(QStringLiteral("Project_20261209_1030_.zPRJ"))};
            window.submenu_SaveAsClick();
        } else {
            fake.dialogs.fileAnswers = {tempDir.filePath(QStringLiteral("report.pdf"))};
            window.Generuj_Report();
        }
        ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front().toStdString();
        ASSERT_TRUE(window.waitForArchive());
    }

    Archive archive(parseArchiveUrl(url));
    const std::vector<ArchiveEntry> entries = archive.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].standardId, QStringLiteral("ansi-b11.19"));
    EXPECT_EQ(entries[0].installedMm, 305.0);
    EXPECT_EQ(entries[0].verdict, QStringLiteral("closer"));
    const std::optional<ArchiveMeasurement> kept = archive.measurement(entries[0].id);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->entries.trMs, 20.0);
    const std::vector<FleetMachineRow> rows = fleetRows(archive.overview(), QDate(2026, 12, 10), 12, 10.0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].status, FleetStatus::Closer);
}

INSTANTIATE_TEST_SUITE_P(, WindowRecordsTheWholeMeasurement,
                         ::testing::Values(RecordCase{Engine::SQLite, Path::SaveAs},
                                           RecordCase{Engine::SQLite, Path::Report},
                                           RecordCase{Engine::SQLite, Path::NextStart},
                                           RecordCase{Engine::PostgreSQL, Path::SaveAs},
                                           RecordCase{Engine::PostgreSQL, Path::Report}),
                         caseName);

} // namespace
