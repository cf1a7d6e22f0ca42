// zirk-devsim: the Zirk instrument model on a pseudo-terminal, so that the
// program (ZIRK_DEVICE=<path>) talks to it through the real serial code.
//
//   zirk-devsim [--link PATH] [--stoptime MS] [--calib D M Y] [--runs]
//
// Prints "ZIRK_DEVICE=PATH" once the port is ready; PATH is a symbolic link
// that follows the pseudo-terminal across unplug and plug.  Then reads
// commands, one a line, on standard input (type "help").  --runs also
// reports each measurement of a run the program started ("run ended: ..."),
// so that a log of the output counts every measurement sent.

#include "device/InstrumentModel.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <deque>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

void say(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

const char kHelp[] =
    "commands:\n"
    "  measure MS [split]   the machine stopped: send a measurement of MS ms now\n"
    "                       (split: in two parts, 100 ms apart)\n"
    "  stoptime MS          runs started by the program end after MS ms (0: random)\n"
    "  atonce on|off        answer the start command with the result at once\n"
    "  calib D M Y          set the calibration date registers\n"
    "  firmware MAIN SUB    set the firmware version registers\n"
    "  serial HEX x7        set the serial number registers (another instrument)\n"
    "  fail CMD noreply|short|checksum [N]   spoil the next N replies to command CMD\n"
    "  junk HEX...          send raw bytes, e.g. junk 00 AA 13\n"
    "  unplug | plug        pull the USB cable / put it back; unplug names the\n"
    "                       measurements the program had not read yet\n"
    "  status               show outputs, release settings and start counter\n"
    "  quit";

class PtyPort
{
public:
    explicit PtyPort(QByteArray link) : m_link(std::move(link)) {}
    ~PtyPort() { close(); }

    bool open()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return fail("cannot create a pseudo-terminal");
        const char *name = ::ptsname(m_master);
        if (!name)
            return fail("no pseudo-terminal name");
        // Holding the slave open keeps the master from reporting a hang-up
        // whenever the program closes its side; raw mode from the start.
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (m_slave < 0 || ::tcgetattr(m_slave, &tio) != 0)
            return fail("cannot open the pseudo-terminal");
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        // Replace the link in one step, so the program never sees it missing
        // while it is being moved.
        const QByteArray temporary = m_link + ".new";
        ::unlink(temporary.constData());
        if (::symlink(name, temporary.constData()) != 0 || ::rename(temporary.constData(), m_link.constData()) != 0)
            return fail("cannot create the link " + m_link);
        return true;
    }

    void close()
    {
        if (!m_link.isEmpty())
            ::unlink(m_link.constData());
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
        m_master = m_slave = -1;
    }

    int master() const { return m_master; }
    // Bytes written to the port that the program has not read yet.
    int unread() const
    {
        int n = 0;
        return m_slave >= 0 && ::ioctl(m_slave, FIONREAD, &n) == 0 ? n : 0;
    }
    const QByteArray &link() const { return m_link; }

private:
    bool fail(const QByteArray &why)
    {
        std::fprintf(stderr, "zirk-devsim: %s: %s\n", why.constData(), std::strerror(errno));
        close();
        return false;
    }

    QByteArray m_link;
    int m_master = -1;
    int m_slave = -1;
};

class DevSim
{
public:
    DevSim(InstrumentModel &model, PtyPort &port) : m_model(model), m_port(port) {}

    // False when asked to quit.
    bool command(const QString &line)
    {
        const QStringList w = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (w.isEmpty())
            return true;
        const QString verb = w[0].toLower();
        bool ok = true;
        if (verb == QLatin1String("quit") || verb == QLatin1String("exit")) {
            return false;
        } else if (verb == QLatin1String("help")) {
            say(QString::fromLatin1(kHelp));
        } else if (verb == QLatin1String("measure") && w.size() >= 2) {
            const double ms = w[1].toDouble(&ok);
            if (ok && !m_model.isPlugged()) {
                say(QStringLiteral("not sent (unplugged): measurement %1 ms").arg(ms));
            } else if (ok) {
                m_model.finishMeasurement(ms, w.size() > 2 && w[2] == QLatin1String("split") ? 3 : 0);
                say(QStringLiteral("sent measurement %1 ms (count %2) #%3")
                        .arg(ms).arg(m_model.rawCountFor(ms)).arg(noteSent()));
            }
        } else if (verb == QLatin1String("stoptime") && w.size() >= 2) {
            m_model.setStopTimeMs(w[1].toDouble(&ok));
        } else if (verb == QLatin1String("atonce") && w.size() >= 2) {
            m_model.answerStartAtOnce = w[1] == QLatin1String("on");
        } else if (verb == QLatin1String("calib") && w.size() >= 4) {
            m_model.setCalibrationDate(quint8(w[1].toUInt()), quint8(w[2].toUInt()), quint16(w[3].toUInt()));
        } else if (verb == QLatin1String("serial") && w.size() >= 1 + kSerialNumberBytes) {
            std::array<quint8, kSerialNumberBytes> sn{};
            for (int i = 0; i < kSerialNumberBytes && ok; ++i)
                sn[std::size_t(i)] = quint8(w[i + 1].toUInt(&ok, 16));
            if (ok)
                m_model.setSerialNumber(sn);
        } else if (verb == QLatin1String("firmware") && w.size() >= 3) {
            m_model.setFirmware(quint8(w[1].toUInt()), quint8(w[2].toUInt()));
        } else if (verb == QLatin1String("fail") && w.size() >= 3) {
            const quint8 cmd = quint8(w[1].toUInt(&ok));
            InstrumentModel::ReplyFault fault = InstrumentModel::ReplyFault::NoReply;
            if (w[2] == QLatin1String("short"))
                fault = InstrumentModel::ReplyFault::Short;
            else if (w[2] == QLatin1String("checksum"))
                fault = InstrumentModel::ReplyFault::BadChecksum;
            else
                ok = ok && w[2] == QLatin1String("noreply");
            if (ok)
                m_model.injectReplyFault(cmd, fault, w.size() > 3 ? w[3].toInt() : 1);
        } else if (verb == QLatin1String("junk") && w.size() >= 2) {
            QByteArray bytes;
            for (int i = 1; i < w.size() && ok; ++i)
                bytes.append(char(w[i].toUInt(&ok, 16)));
            if (ok)
                m_model.sendRaw(bytes);
        } else if (verb == QLatin1String("unplug")) {
            // What the program has not read yet goes with the cable.  The
            // terminal shows bytes as unread a moment after they were written.
            ::usleep(20000);
            const qint64 delivered = m_written - m_port.unread();
            QString lost;
            for (const SentFrame &f : m_sent) {
                if (f.end > delivered)
                    lost += QStringLiteral(" #%1").arg(f.id);
            }
            m_model.unplug();
            m_port.close();
            m_sent.clear();
            m_written = 0;
            say(lost.isEmpty() ? QStringLiteral("unplugged") : QStringLiteral("unplugged; lost in flight:") + lost);
        } else if (verb == QLatin1String("plug")) {
            if (m_port.master() < 0 && !m_port.open())
                return false;
            m_model.plug();
            say(QStringLiteral("plugged"));
        } else if (verb == QLatin1String("status")) {
            say(QStringLiteral("outputs %1, release distance %2 mm, flags 0x%3, starts %4, %5")
                    .arg(m_model.outputs, 2, 16, QLatin1Char('0'))
                    .arg(m_model.releaseDistance / 8.0)
                    .arg(m_model.releaseFlags, 2, 16, QLatin1Char('0'))
                    .arg(m_model.startCounter())
                    .arg(m_model.running() ? QStringLiteral("measuring") : QStringLiteral("idle")));
        } else {
            ok = false;
        }
        if (!ok)
            say(QStringLiteral("? ") + line.trimmed() + QStringLiteral("  (type help)"));
        return true;
    }

    void readPort()
    {
        char buffer[512];
        ssize_t n;
        while ((n = ::read(m_port.master(), buffer, sizeof buffer)) > 0)
            m_model.receive(reinterpret_cast<const quint8 *>(buffer), std::size_t(n));
    }

    // Writes what has reached the wire.  The second part of a split frame
    // follows a moment later, as a real USB chip would deliver it.
    void writePort(qint64 nowMs)
    {
        if (m_port.master() < 0 || nowMs < m_holdUntil)
            return;
        // Frames the program has read are its business now.  (Bytes just
        // written may take a moment to show as unread on the terminal.)
        const qint64 delivered = m_written - m_port.unread();
        while (!m_sent.empty() && m_sent.front().end <= delivered)
            m_sent.pop_front();
        const QByteArray bytes = m_model.takeOutput(m_model.available());
        if (bytes.isEmpty())
            return;
        const ssize_t n = ::write(m_port.master(), bytes.constData(), std::size_t(bytes.size()));
        if (n < 0)
            say(QStringLiteral("write to the port failed: ") + QString::fromLocal8Bit(std::strerror(errno)));
        else if (n < bytes.size())
            say(QStringLiteral("port full: %1 bytes dropped").arg(bytes.size() - n));
        m_written += bytes.size();
        if (m_model.pending() > 0)
            m_holdUntil = nowMs + 100;
    }

    // A run started by the program has ended in the instrument.
    void reportRunsEnded(bool announce)
    {
        while (m_reported < m_model.measurementsSent) {
            if (!announce) {
                m_reported = m_model.measurementsSent;
                return;
            }
            const double ms = m_model.lastMeasurementMs;
            say(QStringLiteral("run ended: sent measurement %1 ms (count %2) #%3")
                    .arg(ms).arg(m_model.rawCountFor(ms)).arg(noteSent()));
        }
    }

private:
    // Numbers a measurement that has just gone into the model's output and
    // remembers where in the byte stream its frame ends.
    quint64 noteSent()
    {
        m_reported = m_model.measurementsSent;
        m_sent.push_back({++m_lastId, m_written + m_model.pending()});
        return m_lastId;
    }

    struct SentFrame
    {
        quint64 id;
        qint64 end; // offset in the bytes sent since the last plug
    };

    InstrumentModel &m_model;
    PtyPort &m_port;
    qint64 m_holdUntil = 0;
    qint64 m_written = 0;
    quint64 m_reported = 0;
    quint64 m_lastId = 0;
    std::deque<SentFrame> m_sent;
};

bool inputIsInteractive()
{
    struct stat st{};
    return ::isatty(STDIN_FILENO) || (::fstat(STDIN_FILENO, &st) == 0 && S_ISFIFO(st.st_mode));
}

qint64 monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int main(int argc, char **argv)
{
    QByteArray link = "/tmp/zirk-devsim-" + QByteArray::number(::getpid());
    InstrumentModel model;
    bool reportRuns = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        if (arg == "--link" && i + 1 < argc) {
            link = argv[++i];
        } else if (arg == "--runs") {
            reportRuns = true;
        } else if (arg == "--stoptime" && i + 1 < argc) {
            model.setStopTimeMs(std::atof(argv[++i]));
        } else if (arg == "--calib" && i + 3 < argc) {
            const int d = std::atoi(argv[i + 1]), m = std::atoi(argv[i + 2]), y = std::atoi(argv[i + 3]);
            model.setCalibrationDate(quint8(d), quint8(m), quint16(y));
            i += 3;
        } else {
            std::fprintf(stderr, "usage: zirk-devsim [--link PATH] [--stoptime MS] [--calib D M Y] [--runs]\n");
            return 2;
        }
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    // Started in the background of a shell: serve the port, leave the
    // terminal to the shell (reading it then fails with EIO, not SIGTTIN).
    std::signal(SIGTTIN, SIG_IGN);

    PtyPort port(link);
    if (!port.open())
        return 1;
    DevSim sim(model, port);
    say(QStringLiteral("ZIRK_DEVICE=") + QString::fromLocal8Bit(link));

    QByteArray input;
    qint64 last = monotonicMs();
    bool running = true;
    bool commands = true;
    while (running && !g_stop) {
        // A negative descriptor is skipped by poll().
        pollfd fds[2] = {{commands ? STDIN_FILENO : -1, POLLIN, 0}, {port.master(), POLLIN, 0}};
        const int r = ::poll(fds, 2, 10);
        if (r < 0 && errno != EINTR)
            break;
        const qint64 now = monotonicMs();
        model.elapse(now - last);
        last = now;
        sim.reportRunsEnded(reportRuns);
        if (r > 0 && (fds[0].revents & (POLLIN | POLLHUP))) {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n == 0) {
                // The end of a pipe or Ctrl-D: whoever gave the commands has
                // gone.  The end of a file or /dev/null (a background job of
                // a script): the commands are done, the port stays.
                if (inputIsInteractive())
                    break;
                commands = false;
                continue;
            }
            if (n < 0) {
                commands = errno == EINTR || errno == EAGAIN;
                continue;
            }
            input.append(buffer, n);
            qsizetype end;
            while (running && (end = input.indexOf('\n')) >= 0) {
                running = sim.command(QString::fromLocal8Bit(input.left(end)));
                input.remove(0, end + 1);
            }
        }
        if (port.master() >= 0 && r > 0 && (fds[1].revents & POLLIN))
            sim.readPort();
        sim.writePort(now);
    }
    port.close();
    return 0;
}
