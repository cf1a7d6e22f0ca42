// The window records into a PostgreSQL archive whose server stops answering
// (SIGSTOP) while it saves: the window goes on painting, and the
// measurement arrives once the server answers again.
#include "ProgramFixture.h"
#include "QtPrinters.h"
#include "archive/PostgresServer.h"

#include "archive/Archive.h"
#include "archive/ArchiveLocation.h"
#include "state/ProgramState.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <csignal>
#include <sys/types.h>

namespace {

// The server's main process: stopped, it takes no new connection.
pid_t serverPid(const PostgresServer &server)
{
    QFile file(server.socketFolder() + QStringLiteral("/data/postmaster.pid"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return pid_t(file.readLine().trimmed().toLongLong());
}

class ArchiveQueueWindow : public ProgramFixture
{
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        if (PostgresServer::disabled())
            GTEST_SKIP() << "ZIRK_NO_POSTGRES=1";
        server = PostgresServer::get();
        ASSERT_TRUE(server) << "no PostgreSQL server";
        url = server->newDatabase();
        qputenv("ZIRK_ARCHIVE", url.toLocal8Bit());
    }
    void TearDown() override
    {
        if (stopped)
            ::kill(stopped, SIGCONT);
        ProgramFixture::TearDown();
    }
    PostgresServer *server = nullptr;
    QString url;
    pid_t stopped = 0;
};

TEST_F(ArchiveQueueWindow, TheWindowKeepsPaintingWhileTheServerIsStoppedAndTheMeasurementArrivesAfter)
{
    TMainForm &window = start();
    state().setMachine(QStringLiteral("Press 4"), QString());
    for (int i = 0; i < 12; ++i)
        window.ZpracujHodnotu_ms(100.0 + i);
    fake.dialogs.fileAnswers = {tempDir.filePath(QStringLiteral("Project_20261209_1030_.zPRJ"))};

    const pid_t pid = serverPid(*server);
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    stopped = pid;

    // Save as runs from the event loop, as a click would; a timer ticks
    // every 50 ms and notes the longest pause between two ticks.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longestPause = 0;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestPause = std::max(longestPause, now - lastTick);
        lastTick = now;
        ++ticks;
    });
    ticker.start(50);
    QTimer::singleShot(0, &window, [&window] { window.submenu_SaveAsClick(); });
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    ticker.stop();

    // A save that waited for the server would stand still for the whole
    // connection time-out (10 s); a busy machine may pause a little.
    EXPECT_GT(ticks, 20);
    EXPECT_LT(longestPause, 2500) << "the window stood still for " << longestPause << " ms";
    EXPECT_NE(window.statusText(), QStringLiteral("kept in the archive"));

    ASSERT_EQ(::kill(pid, SIGCONT), 0);
    stopped = 0;
    ASSERT_TRUE(window.waitForArchive(60000));
    // Its connection may have timed out while the server stood: then the
    // next delivery takes it.
    if (window.statusText() != QStringLiteral("kept in the archive")) {
        EXPECT_EQ(window.statusText(), QStringLiteral("queued: the archive server does not answer"));
        window.deliverArchiveQueue();
        ASSERT_TRUE(window.waitForArchive(60000));
    }
    EXPECT_EQ(window.statusText(), QStringLiteral("kept in the archive"));
    const std::vector<ArchiveEntry> entries = Archive(parseArchiveUrl(url)).entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].count, 12);
}

} // namespace
