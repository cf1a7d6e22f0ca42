// zirk-soak: the program's windows against zirk-devsim for a long run with
// a measurement every 100 ms and random faults (line noise, split frames,
// spoilt replies, the cable pulled and put back, another instrument, runs
// started from the program).  At the end the series must hold every
// measurement the simulator reports as sent, except those it names as lost
// in flight when the cable went, in order and with their values; and the
// memory must have stayed flat.  The long run is not part of the test suite
// (scripts/soak.sh); half a minute of it with --jitter is.
//
//   zirk-soak [--minutes M] [--period MS] [--seed N] [--jitter] [--devsim PATH] [--verbose]
//
// --jitter plays a loaded machine: two threads burn the CPU, the window's
// thread stalls now and then for up to 150 ms (frames pile up between
// ticks), the transport calls are delayed by a few milliseconds at random
// (a frame lands between looking at the queue and the next call), and runs
// are started from the program far more often, so that commands and their
// replies cross measurement frames all the time.  A short run of it is part
// of the tests (ZirkSoak.ShortRunWithJitter).
//
// The windows are the program's own (ZirkProgram, real timer, serial port
// code on the simulator's pseudo-terminal); only the dialogs answer by
// themselves.  While the cable is out no measurement is asked for.  Exit
// status 0 when everything held.

#include "windows/MainForm.h"
#include "windows/Program.h"
#include "windows/QtPlatform.h"
#include "device/SerialBackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <thread>
#include <vector>

namespace {

void say(const QString &text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

// Nobody sits at the screen: questions are answered with OK, errors noted.
class UnattendedDialogs : public Dialogs
{
public:
    int questions = 0;
    QStringList errors;

    ModalResult confirm(QWidget *, const QString &) override
    {
        ++questions;
        return mrOk;
    }
    void error(QWidget *, const QString &, const QString &text) override { errors << text; }
    void information(QWidget *, const QString &, const QString &) override {}
    QString openFile(QWidget *, const FileDialogRequest &) override { return {}; }
    QString saveFile(QWidget *, const FileDialogRequest &) override { return {}; }
    QString openPicture(QWidget *, const FileDialogRequest &) override { return {}; }
    std::optional<QString> password(QWidget *, const QString &, const QString &) override { return std::nullopt; }
    int showModal(QDialog *) override { return 0; }
};

class SilentSound : public SoundPlayer
{
public:
    void play(const QString &) override {}
};

class NoShell : public ShellOpener
{
public:
    bool open(const QString &, const QStringList &) override { return true; }
};

// The serial port code as the program uses it, counting its opens: a
// pseudo-terminal drops what was written to it before the program opened
// it, which a real instrument's USB chip would keep, so the soak measures
// only while the program has the port open.
class CountingBackend : public ForwardingBackend
{
public:
    explicit CountingBackend(std::unique_ptr<DeviceBackend> inner) : m_inner(std::move(inner)) {}
    int opens = 0;
    // With jitter: one call in three is held up for up to 4 ms first.
    bool jitter = false;

    FT_STATUS openByDescription(const char *description, quint32 &handle) override
    {
        const FT_STATUS status = m_inner->openByDescription(description, handle);
        opens += status == FT_OK ? 1 : 0;
        return status;
    }
    FT_STATUS purge(quint32 mask) override
    {
        delay();
        return m_inner->purge(mask);
    }
    FT_STATUS queueStatus(quint32 &bytes) override
    {
        delay();
        return m_inner->queueStatus(bytes);
    }
    FT_STATUS write(const quint8 *data, quint32 count, quint32 &written) override
    {
        delay();
        return m_inner->write(data, count, written);
    }

protected:
    DeviceBackend &target() override { return *m_inner; }

private:
    void delay()
    {
        if (jitter && m_random.bounded(3) == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(m_random.bounded(4000)));
    }

    std::unique_ptr<DeviceBackend> m_inner;
    QRandomGenerator m_random{31};
};

// Threads that keep the CPU busy while they live.
class BusyLoops
{
public:
    explicit BusyLoops(int threads)
    {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] {
                volatile double sink = 0.0;
                while (!m_stop.load(std::memory_order_relaxed)) {
                    for (int k = 0; k < 200000; ++k)
                        sink = sink + std::sqrt(double(k));
                    std::this_thread::yield();
                }
            });
    }
    ~BusyLoops()
    {
        m_stop = true;
        for (std::thread &t : m_threads)
            t.join();
    }

private:
    std::atomic<bool> m_stop = false;
    std::vector<std::thread> m_threads;
};

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

struct Options
{
    double minutes = 10.0;
    int periodMs = 100;
    quint32 seed = 13855;
    QString devsim = QStringLiteral(ZIRK_DEVSIM_PATH);
    bool verbose = false;
    bool jitter = false;
};

class Soak : public QObject
{
public:
    explicit Soak(const Options &options)
        : m_options(options), m_random(options.seed)
    {
        m_link = m_dir.filePath(QStringLiteral("port"));
        m_platform.clock = &m_clock;
        m_platform.sound = &m_sound;
        m_platform.shell = &m_shell;
        m_platform.dialogs = &m_dialogs;
    }

    bool start()
    {
        qputenv("ZIRK_CONFIG_DIR", m_dir.path().toLocal8Bit()); // no real settings file
        m_devsim.setProgram(m_options.devsim);
        m_devsim.setArguments({QStringLiteral("--link"), m_link, QStringLiteral("--stoptime"),
                               QString::number(kRunStopTimeMs), QStringLiteral("--runs")});
        m_devsim.start();
        if (!m_devsim.waitForStarted(5000)) {
            say(QStringLiteral("cannot start ") + m_options.devsim);
            return false;
        }
        if (!m_devsim.waitForReadyRead(5000) || !m_devsim.readLine().startsWith("ZIRK_DEVICE=")) {
            say(QStringLiteral("zirk-devsim did not offer its port"));
            return false;
        }
        connect(&m_devsim, &QProcess::readyReadStandardOutput, this, [this] { readDevsim(); });

        m_backend = std::make_unique<CountingBackend>(SerialBackend::forPath(m_link));
        m_backend->jitter = m_options.jitter;
        m_platform.device = m_backend.get();
        m_program = std::make_unique<ZirkProgram>(m_platform, QStringList());
        m_program->mainForm()->show();

        m_clockStarted.start();
        m_measureTimer.callOnTimeout(this, [this] { measure(); });
        m_measureTimer.start(m_options.periodMs);
        m_faultTimer.setSingleShot(true);
        m_faultTimer.callOnTimeout(this, [this] { fault(); });
        m_faultTimer.start(nextFaultDelay());
        m_memoryTimer.callOnTimeout(this, [this] { m_rss.push_back({m_clockStarted.elapsed(), residentKiB()}); });
        m_memoryTimer.start(5000);
        if (m_options.jitter) {
            m_busy = std::make_unique<BusyLoops>(2);
            m_stallTimer.setSingleShot(true);
            m_stallTimer.callOnTimeout(this, [this] { stall(); });
            m_stallTimer.start(int(m_random.bounded(200, 700)));
            m_runTimer.callOnTimeout(this, [this] { startRun(); });
            m_runTimer.start(int(m_random.bounded(300, 900)));
        }
        m_rss.push_back({0, residentKiB()});
        QTimer::singleShot(qint64(m_options.minutes * 60000), this, [this] { finish(); });
        return true;
    }

    int exitCode() const { return m_exitCode; }

private:
    static constexpr double kRunStopTimeMs = 150.0;

    void command(const QString &line)
    {
        if (m_options.verbose)
            say(QStringLiteral("%1 > %2").arg(m_clockStarted.elapsed(), 7).arg(line));
        m_devsim.write(line.toLocal8Bit() + '\n');
    }

    void readDevsim()
    {
        static const QRegularExpression sent(QStringLiteral("sent measurement ([0-9.]+) ms \\(count \\d+\\) #(\\d+)$"));
        while (m_devsim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(m_devsim.readLine()).trimmed();
            if (m_options.verbose)
                say(QStringLiteral("%1 < %2   [series %3, %4]")
                        .arg(m_clockStarted.elapsed(), 7)
                        .arg(line)
                        .arg(m_program->state().stopTimes().size())
                        .arg(m_program->mainForm()->statusText()));
            const QRegularExpressionMatch m = sent.match(line);
            if (m.hasMatch()) {
                m_sent[m.captured(2).toULongLong()] = m.captured(1).toDouble();
                if (line.startsWith(QLatin1String("run ended")))
                    ++m_runsEnded;
            } else if (line.startsWith(QLatin1String("unplugged"))) {
                const qsizetype at = line.indexOf(u':');
                if (at > 0) {
                    for (const QString &id : line.mid(at + 1).split(u' ', Qt::SkipEmptyParts))
                        m_lostInFlight.insert(id.mid(1).toULongLong());
                }
            } else if (line.startsWith(QLatin1String("not sent"))) {
                ++m_notSent;
            } else if (line != QLatin1String("plugged")) {
                say(QStringLiteral("zirk-devsim: ") + line);
            }
        }
    }

    double randomStopTime() { return double(m_random.bounded(1000, 3000)) / 10.0; }
    int nextFaultDelay() { return int(m_random.bounded(2000, 6000)); }

    void measure()
    {
        if (m_unplugged || m_backend->opens == m_opensAtPlug)
            return; // the program has not opened the port yet
        // One in ten frames crosses the wire in two parts.
        const bool split = m_random.bounded(10) == 0;
        command(QStringLiteral("measure %1%2").arg(randomStopTime()).arg(split ? " split" : ""));
        m_faults[QStringLiteral("split frame")] += split ? 1 : 0;
    }

    void fault()
    {
        m_faultTimer.start(nextFaultDelay());
        if (m_unplugged || m_fallingSilent)
            return;
        TMainForm *main = m_program->mainForm();
        switch (m_random.bounded(6)) {
        case 0: { // line noise: anything but a start byte
            QString bytes;
            for (int i = 0, n = int(m_random.bounded(1, 13)); i < n; ++i) {
                int b = int(m_random.bounded(256));
                if (b == 0xAA)
                    b = 0x55;
                bytes += QStringLiteral(" %1").arg(b, 2, 16, QLatin1Char('0'));
            }
            command(QStringLiteral("junk") + bytes);
            ++m_faults[QStringLiteral("line noise")];
            break;
        }
        case 1: { // a reply goes wrong
            static const char *const kinds[] = {"noreply", "short", "checksum"};
            static const int commands[] = {0, 1, 2, 4, 5};
            command(QStringLiteral("fail %1 %2").arg(commands[m_random.bounded(5)]).arg(QLatin1String(kinds[m_random.bounded(3)])));
            ++m_faults[QStringLiteral("spoilt reply")];
            break;
        }
        case 2: // the cable goes in the middle of a frame: the program has its
                // first half (with the high count byte of a usual stop time)
                // when the instrument falls silent
            m_measureTimer.stop();
            m_fallingSilent = true;
            command(QStringLiteral("junk aa ff %1").arg(m_random.bounded(1, 5), 2, 16, QLatin1Char('0')));
            ++m_faults[QStringLiteral("unplug in a frame")];
            QTimer::singleShot(1500, this, [this] {
                m_fallingSilent = false;
                if (m_finished)
                    return;
                unplug();
                m_measureTimer.start();
            });
            break;
        case 3:
            ++m_faults[QStringLiteral("unplug")];
            unplug();
            break;
        default: // a run from the program, when it can start one
            if (main->SB_Start->isEnabled() && main->Panel2->isEnabled()) {
                main->SB_StartClick();
                ++m_faults[QStringLiteral("run started")];
            }
            break;
        }
    }

    // The window's thread is held up as on a loaded machine: frames pile up
    // and the next tick finds several, or a command finds one on its way.
    void stall()
    {
        if (m_finished)
            return;
        QElapsedTimer held;
        held.start();
        const qint64 ms = m_random.bounded(20, 150);
        while (held.elapsed() < ms) {
        }
        ++m_faults[QStringLiteral("stall")];
        m_stallTimer.start(int(m_random.bounded(200, 700)));
    }

    void startRun()
    {
        m_runTimer.start(int(m_random.bounded(300, 900)));
        TMainForm *main = m_program->mainForm();
        // No run while the instrument falls silent in the middle of a frame:
        // its result would follow the half frame, which no instrument does.
        if (m_finished || m_unplugged || m_fallingSilent || !main->SB_Start->isEnabled()
            || !main->Panel2->isEnabled())
            return;
        main->SB_StartClick();
        ++m_faults[QStringLiteral("run started")];
    }

    // Out for 0.8 to 4 s; one time in three another instrument comes back.
    void unplug()
    {
        command(QStringLiteral("unplug"));
        m_unplugged = true;
        const bool another = m_random.bounded(3) == 0;
        QTimer::singleShot(int(m_random.bounded(800, 4000)), this, [this, another] {
            if (!m_unplugged)
                return; // the run has ended meanwhile and plugged it in
            if (another) {
                QString sn;
                for (int i = 0; i < 7; ++i)
                    sn += QStringLiteral(" %1").arg(m_random.bounded(256), 2, 16, QLatin1Char('0'));
                command(QStringLiteral("serial") + sn);
                ++m_faults[QStringLiteral("another instrument")];
            }
            command(QStringLiteral("plug"));
            m_unplugged = false;
            m_opensAtPlug = m_backend->opens;
        });
    }

    void finish()
    {
        m_finished = true;
        m_measureTimer.stop();
        m_faultTimer.stop();
        m_stallTimer.stop();
        m_runTimer.stop();
        m_busy.reset();
        if (m_unplugged) {
            command(QStringLiteral("plug"));
            m_unplugged = false;
        }
        // Let the last frames arrive: a replug takes three ticks.
        QTimer::singleShot(6000, this, [this] { check(); });
    }

    void check()
    {
        m_memoryTimer.stop();
        readDevsim();
        const std::vector<double> &series = m_program->state().stopTimes();
        std::vector<double> expected;
        for (const auto &[id, ms] : m_sent) {
            if (!m_lostInFlight.count(id))
                expected.push_back(ms);
        }
        std::size_t mismatches = 0;
        std::size_t firstMismatch = 0;
        for (std::size_t i = 0; i < std::max(series.size(), expected.size()); ++i) {
            const bool same = i < series.size() && i < expected.size() && std::fabs(series[i] - expected[i]) < 0.002;
            if (!same && mismatches++ == 0)
                firstMismatch = i;
        }

        say(QStringLiteral("soak: %1 min, a measurement every %2 ms, seed %3%4")
                .arg(m_clockStarted.elapsed() / 60000.0, 0, 'f', 1)
                .arg(m_options.periodMs)
                .arg(m_options.seed)
                .arg(m_options.jitter ? QStringLiteral(", with jitter") : QString()));
        say(QStringLiteral("sent by the simulator: %1 (%2 of them runs started by the program); not sent while unplugged: %3")
                .arg(m_sent.size()).arg(m_runsEnded).arg(m_notSent));
        say(QStringLiteral("lost in flight when the cable went: %1").arg(m_lostInFlight.size()));
        QStringList faults;
        for (auto it = m_faults.cbegin(); it != m_faults.cend(); ++it)
            faults << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
        say(QStringLiteral("faults: ") + faults.join(QStringLiteral(", ")));
        say(QStringLiteral("series: %1 values, expected %2, mismatches %3").arg(series.size()).arg(expected.size()).arg(mismatches));
        if (mismatches) {
            for (std::size_t i = firstMismatch; i < firstMismatch + 5; ++i)
                say(QStringLiteral("  [%1] series %2, sent %3")
                        .arg(i)
                        .arg(i < series.size() ? QString::number(series[i]) : QStringLiteral("-"))
                        .arg(i < expected.size() ? QString::number(expected[i]) : QStringLiteral("-")));
        }

        // Memory after the first minute (windows, fonts and caches built)
        // against the end of the run.
        qint64 settled = m_rss.front().second;
        qint64 peak = 0;
        for (const auto &[at, kib] : m_rss) {
            if (at <= 60000)
                settled = kib;
            peak = std::max(peak, kib);
        }
        const qint64 last = m_rss.back().second;
        const qint64 growth = last - settled;
        say(QStringLiteral("resident memory: %1 KiB at start, %2 KiB after a minute, %3 KiB at the end, peak %4 KiB (%5 samples)")
                .arg(m_rss.front().second).arg(settled).arg(last).arg(peak).arg(m_rss.size()));
        say(QStringLiteral("questions answered: %1, error boxes: %2").arg(m_dialogs.questions).arg(m_dialogs.errors.size()));
        for (const QString &e : m_dialogs.errors)
            say(QStringLiteral("  error: ") + e);

        const bool memoryFlat = growth < 4096;
        const bool ok = mismatches == 0 && m_dialogs.errors.isEmpty() && memoryFlat && !m_sent.empty();
        say(ok ? QStringLiteral("SOAK PASSED") : QStringLiteral("SOAK FAILED"));
        m_exitCode = ok ? 0 : 1;

        command(QStringLiteral("quit"));
        m_devsim.waitForFinished(3000);
        QApplication::quit();
    }

    Options m_options;
    QRandomGenerator m_random;
    QTemporaryDir m_dir;
    QString m_link;
    QProcess m_devsim;

    SystemClock m_clock;
    SilentSound m_sound;
    NoShell m_shell;
    UnattendedDialogs m_dialogs;
    Platform m_platform;
    std::unique_ptr<CountingBackend> m_backend;
    int m_opensAtPlug = 0; // the program's port opens when the cable went in
    std::unique_ptr<ZirkProgram> m_program;

    QElapsedTimer m_clockStarted;
    QTimer m_measureTimer;
    QTimer m_faultTimer;
    QTimer m_memoryTimer;
    QTimer m_stallTimer;
    QTimer m_runTimer;
    std::unique_ptr<BusyLoops> m_busy;
    bool m_unplugged = false;
    bool m_fallingSilent = false; // between a half frame and the unplug
    bool m_finished = false;

    std::map<quint64, double> m_sent;
    std::set<quint64> m_lostInFlight;
    int m_notSent = 0;
    int m_runsEnded = 0;
    QMap<QString, int> m_faults;
    std::vector<std::pair<qint64, qint64>> m_rss;
    int m_exitCode = 1;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Options options;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--minutes") && i + 1 < args.size())
            options.minutes = args[++i].toDouble();
        else if (a == QLatin1String("--period") && i + 1 < args.size())
            options.periodMs = args[++i].toInt();
        else if (a == QLatin1String("--seed") && i + 1 < args.size())
            options.seed = args[++i].toUInt();
        else if (a == QLatin1String("--devsim") && i + 1 < args.size())
            options.devsim = args[++i];
        else if (a == QLatin1String("--verbose"))
            options.verbose = true;
        else if (a == QLatin1String("--jitter"))
            options.jitter = true;
        else {
            std::fprintf(stderr, "usage: zirk-soak [--minutes M] [--period MS] [--seed N] [--jitter] [--devsim PATH] [--verbose]\n");
            return 2;
        }
    }
    Soak soak(options);
    if (!soak.start())
        return 2;
    app.exec();
    return soak.exitCode();
}
