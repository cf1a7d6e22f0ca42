// The serial-port transport: finding the instrument's tty in sysfs, open
// failures, and a whole session with the program across a real
// pseudo-terminal served by zirk-devsim.
#include "ProgramFixture.h"

#include "device/DeviceSession.h"
#include "state/ProgramState.h"
#include "device/SerialBackend.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QToolButton>

#include <functional>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

TEST(SerialBackend, FindsTheTtyOfTheZirkUsbDevice)
{
    QTemporaryDir sys;
    const QString root = sys.path();
    // Two USB serial adapters and an on-board port, laid out like sysfs:
    // class/tty/<name>/device -> the port below the USB interface below
    // the USB device, which holds idVendor and product.
    struct Port { const char *tty; const char *usbDevice; const char *product; };
    const Port ports[] = {
        {"ttyUSB0", "devices/usb1/1-1", "FT232R USB UART\n"},
        {"ttyUSB1", "devices/usb1/1-2", "Zirk USB device\n"},
    };
    for (const Port &p : ports) {
        const QString usb = root + QLatin1Char('/') + QLatin1String(p.usbDevice);
        const QString port = usb + QStringLiteral("/1-x:1.0/") + QLatin1String(p.tty);
        QDir().mkpath(port);
        writeFile(usb + QStringLiteral("/idVendor"), "0403\n");
        writeFile(usb + QStringLiteral("/product"), p.product);
        QDir().mkpath(root + QStringLiteral("/class/tty/") + QLatin1String(p.tty));
        ASSERT_TRUE(QFile::link(port, root + QStringLiteral("/class/tty/") + QLatin1String(p.tty) + QStringLiteral("/device")));
    }
    QDir().mkpath(root + QStringLiteral("/devices/platform/serial8250/ttyS0"));
    QDir().mkpath(root + QStringLiteral("/class/tty/ttyS0"));
    QFile::link(root + QStringLiteral("/devices/platform/serial8250/ttyS0"), root + QStringLiteral("/class/tty/ttyS0/device"));
    QDir().mkpath(root + QStringLiteral("/class/tty/tty0")); // no hardware behind it

    const QString classTty = root + QStringLiteral("/class/tty");
    EXPECT_EQ(findTtyByUsbProduct(classTty, QStringLiteral("Zirk USB device")), QStringLiteral("ttyUSB1"));
    EXPECT_EQ(findTtyByUsbProduct(classTty, QStringLiteral("Zirk USB")), QString());
    EXPECT_EQ(findTtyByUsbProduct(root + QStringLiteral("/missing"), QStringLiteral("Zirk USB device")), QString());
}

TEST(SerialBackend, OpenFailuresAndClosedPort)
{
    QTemporaryDir dir;
    const QString plainFile = dir.filePath(QStringLiteral("not-a-tty"));
    writeFile(plainFile, "x");
    struct Case { QString path; FT_STATUS status; };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("gone")), FT_DEVICE_NOT_FOUND},
        {plainFile, FT_DEVICE_NOT_OPENED},
        {QString(), FT_DEVICE_NOT_FOUND},
    };
    for (const Case &c : cases) {
        auto backend = SerialBackend::forPath(c.path);
        quint32 handle = 0;
        EXPECT_EQ(backend->openByDescription(kZirkUsbProduct, handle), c.status) << c.path.toStdString();
        quint32 waiting = 7;
        EXPECT_EQ(backend->queueStatus(waiting), FT_INVALID_HANDLE);
        EXPECT_EQ(waiting, 0u);
        quint8 buffer[6];
        quint32 n = 1;
        EXPECT_EQ(backend->read(buffer, 6, n), FT_INVALID_HANDLE);
        EXPECT_EQ(n, 0u);
    }
}

#ifdef ZIRK_DEVSIM

// zirk-devsim on a pseudo-terminal, driven through its standard input.
class DevSimSession : public ProgramFixture
{
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        link = tempDir.filePath(QStringLiteral("zirk-port"));
        devsim.start(QStringLiteral(ZIRK_DEVSIM), {QStringLiteral("--link"), link, QStringLiteral("--stoptime"),
                                                   QStringLiteral("50")});
        ASSERT_TRUE(devsim.waitForStarted(5000));
        ASSERT_EQ(expectLine(), QStringLiteral("ZIRK_DEVICE=") + link);
        backend = SerialBackend::forPath(link);
        fake.platform.device = backend.get();
    }

    void TearDown() override
    {
        if (devsim.state() != QProcess::NotRunning) {
            devsim.write("quit\n");
            if (!devsim.waitForFinished(3000))
                devsim.kill();
        }
        ProgramFixture::TearDown();
    }

    QString expectLine()
    {
        while (!devsim.canReadLine()) {
            if (!devsim.waitForReadyRead(5000))
                return QStringLiteral("(no answer from zirk-devsim)");
        }
        return QString::fromLocal8Bit(devsim.readLine()).trimmed();
    }

    void say(const char *command)
    {
        devsim.write(command);
        devsim.write("\n");
        devsim.waitForBytesWritten(1000);
    }

    // Ticks until `done` or two seconds have passed.
    bool tickUntil(const std::function<bool()> &done)
    {
        for (int i = 0; i < 100 && !done(); ++i) {
            program->mainForm()->Timer1Timer();
            if (!done())
                QThread::msleep(20);
        }
        return done();
    }

    QString link;
    QProcess devsim;
    std::unique_ptr<SerialBackend> backend;
};

TEST_F(DevSimSession, IdentifiesMeasuresAndSurvivesUnplugging)
{
    TMainForm &main = start();
    const QString ready = QStringLiteral("Zirk Device ready. / SN: 5A102300014B7C");
    auto isReady = [&] { return main.statusText().startsWith(ready); };
    ASSERT_TRUE(tickUntil(isReady)) << main.statusText().toStdString();
    EXPECT_TRUE(program->mainForm()->deviceSession().info().Pripojeno);
    EXPECT_EQ(program->mainForm()->deviceSession().info().Firmware_MainVersion, 5);

    // A run started from the program ends after the instrument's 50 ms.
    main.SB_StartClick();
    ASSERT_TRUE(tickUntil([&] { return state().stopTimes().size() == 1; }));
    EXPECT_NEAR(state().stopTimes()[0], 50.0, 0.001);
    EXPECT_TRUE(main.SB_Start->isEnabled());

    // A frame that crosses the wire in two parts, behind line noise.
    say("junk 00 13 AA 7F");
    say("measure 77.5 split");
    EXPECT_TRUE(expectLine().startsWith(QStringLiteral("sent measurement 77.5 ms")));
    ASSERT_TRUE(tickUntil([&] { return state().stopTimes().size() == 2; }));
    EXPECT_NEAR(state().stopTimes()[1], 77.5, 0.001);

    say("unplug");
    EXPECT_EQ(expectLine(), QStringLiteral("unplugged"));
    ASSERT_TRUE(tickUntil([&] { return main.statusText() == QStringLiteral("No Zirk device found!"); }));
    EXPECT_FALSE(main.SB_Start->isEnabled());
    EXPECT_FALSE(program->mainForm()->deviceSession().info().Pripojeno);

    say("plug");
    EXPECT_EQ(expectLine(), QStringLiteral("plugged"));
    ASSERT_TRUE(tickUntil(isReady)) << main.statusText().toStdString();
    EXPECT_TRUE(main.SB_Start->isEnabled());
    EXPECT_TRUE(fake.dialogs.errors.empty());
    EXPECT_TRUE(fake.dialogs.questions.empty());
}

#endif

} // namespace
