#include "device/SerialBackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

bool speedFor(quint32 baudRate, speed_t &speed)
{
    struct Rate { quint32 baud; speed_t speed; };
    static const Rate rates[] = {
        {300, B300}, {600, B600}, {1200, B1200}, {2400, B2400}, {4800, B4800},
        {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const Rate &r : rates) {
        if (r.baud == baudRate) {
            speed = r.speed;
            return true;
        }
    }
    return false;
}

int remainingMs(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() > 0 ? int(left.count()) : 0;
}

// Waits for `events` on the port; false when the port has gone (an
// unplugged adapter hangs its tty up; a closed pseudo-terminal master does
// the same to the slave) or the wait failed.
bool waitFor(int fd, short events, int timeoutMs, bool &ready)
{
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r < 0)
        return false;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
        return false;
    ready = (p.revents & events) != 0;
    return true;
}

// Moves `count` bytes with `step` (one non-blocking read or write) until
// all went through or the time-out ran out, which is no failure: what went
// through is the answer.
template <typename Step>
FT_STATUS transfer(int fd, short events, quint32 timeoutMs, quint32 count, quint32 &done, Step step)
{
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (done < count) {
        const ssize_t n = step(done);
        if (n > 0) {
            done += quint32(n);
            continue;
        }
        // A raw tty with VMIN = VTIME = 0 reads 0 bytes when nothing is
        // there; a hang-up shows in poll() below.
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return FT_IO_ERROR;
        bool ready = false;
        if (!waitFor(fd, events, remainingMs(deadline), ready))
            return FT_IO_ERROR;
        if (!ready)
            break;
    }
    return FT_OK;
}

} // namespace

SerialBackend::SerialBackend(Locator locate) : m_locate(std::move(locate)) {}

std::unique_ptr<SerialBackend> SerialBackend::forPath(const QString &path)
{
    return std::make_unique<SerialBackend>([path](const char *) { return path; });
}

std::unique_ptr<SerialBackend> SerialBackend::byUsbProduct()
{
    return std::make_unique<SerialBackend>([](const char *description) {
        const QString name = findTtyByUsbProduct(QStringLiteral("/sys/class/tty"),
                                                 QString::fromLatin1(description));
        return name.isEmpty() ? QString() : QStringLiteral("/dev/") + name;
    });
}

SerialBackend::~SerialBackend()
{
    close();
}

void SerialBackend::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

FT_STATUS SerialBackend::openByDescription(const char *description, quint32 &handle)
{
    // Only called once the old connection failed; let it go.
    close();
    const QString path = m_locate(description);
    if (path.isEmpty())
        return FT_DEVICE_NOT_FOUND;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return (errno == ENOENT || errno == ENODEV || errno == ENXIO) ? FT_DEVICE_NOT_FOUND
                                                                       : FT_DEVICE_NOT_OPENED;
    termios tio{};
    if (!::isatty(fd) || ::tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        return FT_DEVICE_NOT_OPENED;
    }
    // One program at a time talks to the instrument.
    ::ioctl(fd, TIOCEXCL);
    // Raw bytes from the first moment: a pseudo-terminal starts out in
    // canonical mode with echo, which would mirror our commands back.
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        ::close(fd);
        return FT_DEVICE_NOT_OPENED;
    }
    ::tcflush(fd, TCIOFLUSH);
    m_fd = fd;
    handle = quint32(fd) + 1;
    return FT_OK;
}

FT_STATUS SerialBackend::linkStatus() const
{
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    bool ready = false;
    return waitFor(m_fd, POLLIN, 0, ready) ? FT_OK : FT_IO_ERROR;
}

template <typename Change>
FT_STATUS SerialBackend::changeSettings(Change change)
{
    const FT_STATUS status = linkStatus();
    if (status != FT_OK)
        return status;
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0)
        return FT_IO_ERROR;
    if (!change(tio))
        return FT_INVALID_PARAMETER;
    return ::tcsetattr(m_fd, TCSANOW, &tio) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS SerialBackend::purge(quint32 mask)
{
    const FT_STATUS status = linkStatus();
    if (status != FT_OK)
        return status;
    if ((mask & FT_PURGE_RX) && ::tcflush(m_fd, TCIFLUSH) != 0)
        return FT_IO_ERROR;
    if ((mask & FT_PURGE_TX) && ::tcflush(m_fd, TCOFLUSH) != 0)
        return FT_IO_ERROR;
    return FT_OK;
}

FT_STATUS SerialBackend::setBaudRate(quint32 baudRate)
{
    return changeSettings([baudRate](termios &tio) {
        speed_t speed;
        if (!speedFor(baudRate, speed))
            return false;
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        return true;
    });
}

FT_STATUS SerialBackend::setDataCharacteristics(quint8 wordLength, quint8 stopBits, quint8 parity)
{
    return changeSettings([=](termios &tio) {
        tio.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | PARENB | PARODD);
        if (wordLength == FT_BITS_8)
            tio.c_cflag |= CS8;
        else if (wordLength == FT_BITS_7)
            tio.c_cflag |= CS7;
        else
            return false;
        if (stopBits == FT_STOP_BITS_2)
            tio.c_cflag |= CSTOPB;
        else if (stopBits != FT_STOP_BITS_1)
            return false;
        if (parity == FT_PARITY_ODD)
            tio.c_cflag |= PARENB | PARODD;
        else if (parity == FT_PARITY_EVEN)
            tio.c_cflag |= PARENB;
        else if (parity != FT_PARITY_NONE)
            return false;
        return true;
    });
}

FT_STATUS SerialBackend::setFlowControl(quint16 flowControl, quint8 xon, quint8 xoff)
{
    return changeSettings([=](termios &tio) {
        tio.c_cflag &= ~tcflag_t(CRTSCTS);
        tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
        switch (flowControl) {
        case FT_FLOW_NONE:
            return true;
        case FT_FLOW_RTS_CTS:
            tio.c_cflag |= CRTSCTS;
            return true;
        case FT_FLOW_XON_XOFF:
            tio.c_iflag |= IXON | IXOFF;
            tio.c_cc[VSTART] = cc_t(xon);
            tio.c_cc[VSTOP] = cc_t(xoff);
            return true;
        default:
            return false; // DTR/DSR handshake has no termios counterpart
        }
    });
}

FT_STATUS SerialBackend::setTimeouts(quint32 readMs, quint32 writeMs)
{
    const FT_STATUS status = linkStatus();
    if (status == FT_OK) {
        m_readTimeout = readMs;
        m_writeTimeout = writeMs;
    }
    return status;
}

FT_STATUS SerialBackend::queueStatus(quint32 &bytesWaiting)
{
    bytesWaiting = 0;
    const FT_STATUS status = linkStatus();
    if (status != FT_OK)
        return status;
    int waiting = 0;
    if (::ioctl(m_fd, FIONREAD, &waiting) != 0)
        return FT_IO_ERROR;
    bytesWaiting = quint32(std::max(waiting, 0));
    return FT_OK;
}

FT_STATUS SerialBackend::write(const quint8 *data, quint32 count, quint32 &written)
{
    written = 0;
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    return transfer(m_fd, POLLOUT, m_writeTimeout, count, written,
                    [&](quint32 done) { return ::write(m_fd, data + done, count - done); });
}

FT_STATUS SerialBackend::read(quint8 *data, quint32 count, quint32 &received)
{
    received = 0;
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    return transfer(m_fd, POLLIN, m_readTimeout, count, received,
                    [&](quint32 done) { return ::read(m_fd, data + done, count - done); });
}

QString findTtyByUsbProduct(const QString &classTtyDir, const QString &product)
{
    const QDir dir(classTtyDir);
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        const QFileInfo device(dir.filePath(name) + QStringLiteral("/device"));
        if (!device.exists())
            continue; // virtual terminals have no hardware behind them
        // From the serial port up through the interface to the USB device,
        // which carries idVendor and product.
        QString at = device.canonicalFilePath();
        for (int up = 0; up < 5 && at.size() > 1; ++up) {
            if (QFileInfo::exists(at + QStringLiteral("/idVendor"))) {
                QFile file(at + QStringLiteral("/product"));
                if (file.open(QIODevice::ReadOnly)
                    && QString::fromUtf8(file.readAll()).trimmed() == product)
                    return name;
                break;
            }
            at = QFileInfo(at).path();
        }
    }
    return {};
}
