#include "device/DeviceSession.h"

#include "base/Seams.h"
#include "device/D2XXUnit.h"
#include "device/DeviceTexts.h"
#include "device/Protocol.h"

#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>

namespace {

// Measurements end a few milliseconds apart at the very least; more than a
// couple of them ahead of one reply means the instrument is not answering.
constexpr int kFramesAheadOfAReply = 3;

} // namespace

DeviceSession::DeviceSession(DeviceBackend *backend, Dialogs *dialogs, const Clock &clock, QObject *parent)
    : QObject(parent), m_usb(std::make_unique<D2XXUnit>(backend, dialogs)), m_clock(clock)
{
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
}

DeviceSession::~DeviceSession() = default;

void DeviceSession::zpracujhodnotu_PrichoziCislo(quint32 cislovysledek)
{
    const quint32 count = calibrateCount(cislovysledek, m_info.Calib_Nasobitel, m_info.Calib_Delitel);
    emit stopTimeArrived(countToMs(count));
}

void DeviceSession::demoCount(quint32 count)
{
    emit stopTimeArrived(countToMs(count));
}

void DeviceSession::handleArrivedCount(quint32 count)
{
    zpracujhodnotu_PrichoziCislo(count);
    MajakBarva(BeaconReady);
    emit runControlsEnabledChanged(true);
}

bool DeviceSession::SendCommand(quint8 Command, quint8 Byte1, quint8 Byte2)
{
    D2XXUnit &usb = *m_usb;
    usb.ErrorReportEnabled = false;
    if (usb.GetQueueStatus() != FT_OK)
        return false;
    // What has arrived goes to the receive parser, never into a purge: a
    // measurement frame may come at any moment, also between a look at the
    // queue and a purge, and would be lost with it.  A late reply to an
    // earlier command among these bytes is dropped by the parser.
    drainReceiveQueue();
    usb.PurgeTx();
    // A frame still arriving at the end of what was read: the reply comes
    // behind its rest.
    const int unfinished = bytesToFinishFrame(RxAccumulator);
    const qsizetype sent = RxAccumulator.size();
    const CommandFrame frame = buildCommandFrame(Command, Byte1, Byte2);
    std::copy(frame.begin(), frame.end(), usb.OutBuffer.begin());
    if (usb.WriteBuffer(kCommandFrameSize) != kCommandFrameSize)
        return false;
    // A measurement that ended while the command was on its way arrives
    // ahead of the reply.  It is no reply (except to the start command, whose
    // reply may carry a result in just that form): it stays for the receive
    // parser, as do bytes that make no reply.  Every byte read goes there in
    // the order it came, so nothing that arrived is lost with a failed reply.
    int wanted = kReplyFrameSize + unfinished;
    for (int read = 0; read < kFramesAheadOfAReply + 1; ++read) {
        const quint32 got = usb.ReadBuffer(quint32(wanted));
        RxAccumulator.append(reinterpret_cast<const char *>(usb.InBuffer.data()), qsizetype(got));
        if (const auto reply = takeReplyFrame(RxAccumulator, sent, unfinished == 0, Command == CmdStartMeasurement)) {
            ReplyData = *reply;
            return true;
        }
        if (got < quint32(wanted))
            return false;
        const int missing = bytesToFinishFrame(RxAccumulator);
        wanted = missing > 0 ? missing : kReplyFrameSize;
    }
    return false;
}

void DeviceSession::drainReceiveQueue()
{
    D2XXUnit &usb = *m_usb;
    // More than a buffer full is read in rounds, bounded: an instrument gone
    // mad must not hold the program here.
    for (int round = 0; round < 16 && usb.GetQueueStatus() == FT_OK && usb.QueueBytes > 0; ++round) {
        const quint32 n = usb.ReadBuffer(std::min(usb.QueueBytes, D2XXUnit::kBufferSize));
        RxAccumulator.append(reinterpret_cast<const char *>(usb.InBuffer.data()), qsizetype(n));
        if (n < D2XXUnit::kBufferSize)
            break;
    }
}

bool DeviceSession::KontrolaPrijatychDat()
{
    m_usb->ErrorReportEnabled = false;
    const qsizetype before = RxAccumulator.size();
    drainReceiveQueue();
    const bool received = RxAccumulator.size() > before;
    // Also bytes kept back by a command transaction are looked at here.
    for (const quint32 count : takeMeasurementFrames(RxAccumulator))
        handleArrivedCount(count);
    return received;
}

bool DeviceSession::readRegister(quint8 address, quint8 &value)
{
    if (!SendCommand(CmdReadRegister, address, 0))
        return false;
    value = ReplyData[2];
    return true;
}

bool DeviceSession::inicializace_zarizeni()
{
    DeviceInfo &info = m_info;

    QRandomGenerator *random = QRandomGenerator::global();
    if (!SendCommand(CmdConnectionCheck, quint8(random->bounded(255)), quint8(random->bounded(255))))
        return false;

    // The output test clicks every relay six times; all of it runs even when
    // a command fails, so the instrument always ends with its outputs off.
    int answered = 0;
    for (int pass = 0; pass < 3; ++pass) {
        for (const quint8 output : kOutputBits) {
            for (int twice = 0; twice < 2; ++twice) {
                answered += SendCommand(CmdSwitchOutput, output, 1) ? 1 : 0;
                answered += SendCommand(CmdSwitchOutput, output, 0) ? 1 : 0;
            }
        }
    }
    if (answered != 36)
        return false;

    quint8 high = 0;
    quint8 low = 0;
    if (!readRegister(RegStandstillPeriodHigh, high) || !readRegister(RegStandstillPeriodLow, low))
        return false;
    info.SS_Speed = standstillSpeed(quint16((high << 8) | low));

    info.SN.clear();
    for (int i = 0; i < kSerialNumberBytes; ++i) {
        quint8 byte = 0;
        if (!readRegister(quint8(RegSerialNumber + i), byte))
            return false;
        info.SN += hexByte(byte);
    }

    if (!readRegister(RegFirmwareMain, info.Firmware_MainVersion)
        || !readRegister(RegFirmwareSub, info.Firmware_SubVersion))
        return false;

    if (!readRegister(RegCalibrationDay, info.LastCalib_day)
        || !readRegister(RegCalibrationMonth, info.LastCalib_Month))
        return false;
    if (!readRegister(RegCalibrationYearHigh, high) || !readRegister(RegCalibrationYearLow, low))
        return false;
    info.LastCalib_Year = quint16((high << 8) | low);

    const auto read24 = [this](quint8 address, quint32 &value) {
        quint8 b[3];
        for (int i = 0; i < 3; ++i) {
            if (!readRegister(quint8(address + i), b[i]))
                return false;
        }
        value = count24(b[0], b[1], b[2]);
        return true;
    };
    if (!read24(RegStartCounter, info.Pocet_Spusteni) || !read24(RegCalibMultiplier, info.Calib_Nasobitel)
        || !read24(RegCalibDivisor, info.Calib_Delitel))
        return false;

    if (!SendCommand(CmdSwitchOutput, kOutputBits[0], 1))
        return false;

    MajakBarva(BeaconReady);
    emit runControlsEnabledChanged(true);
    return true;
}

void DeviceSession::kontrola_vyprseni_kalibrace(quint16 kalibrok, quint16 kalibmesic, quint16 kalibden,
                                                quint8 MainVer, quint8 SubVer)
{
    Q_UNUSED(SubVer); // a sub-version does not change the calibration period
    m_info.Calibrated = calibrationValid(MainVer, calibrationAgeDays(kalibrok, kalibmesic, kalibden, m_clock.now()));
    // A notice, not a lock: the instrument stays usable.
    if (!m_info.Calibrated)
        emit calibrationDue();
}

void DeviceSession::Timer1Timer()
{
    // Never re-entered, also not while the calibration notice is open; and
    // always ticking again afterwards, whatever happened inside.
    Timer1->stop();
    struct RestartTimer
    {
        QTimer *timer;
        ~RestartTimer() { timer->start(); }
    } restart{Timer1};

    D2XXUnit &usb = *m_usb;
    usb.ErrorReportEnabled = false;
    DeviceInfo &info = m_info;

    if (usb.GetQueueStatus() != FT_OK) {
        // The connection is gone.  Whole frames it delivered still count;
        // the start of one never ends on the next connection, and left in
        // place it would take that connection's first frame into a false
        // stop time.
        for (const quint32 count : takeMeasurementFrames(RxAccumulator))
            handleArrivedCount(count);
        RxAccumulator.clear();
        if (usb.OpenByDescription(kZirkUsbDescription) != FT_OK) {
            emit startEnabledChanged(false);
            MajakBarva(BeaconOff);
            emit statusTextChanged(m_texts.noDeviceFound);
            info.Pripojeno = false;
        } else {
            usb.SetTimeouts(300, 300);
            usb.BaudRate = 57600;
            usb.SetBaudRate();
            usb.WordLength = FT_BITS_8;
            usb.StopBits = FT_STOP_BITS_1;
            usb.Parity = FT_PARITY_NONE;
            usb.SetDataCharacteristics();
            usb.FlowControl = FT_FLOW_NONE;
            usb.SetFlowControl();
            emit statusTextChanged(m_texts.deviceConnected);
        }
    } else if (info.Pripojeno) {
        KontrolaPrijatychDat();
        emit statusTextChanged(readyStatusText(m_texts.deviceReady, info));
        emit startEnabledChanged(true);
    } else if (inicializace_zarizeni()) {
        info.Pripojeno = true;
        kontrola_vyprseni_kalibrace(info.LastCalib_Year, info.LastCalib_Month, info.LastCalib_day,
                                    info.Firmware_MainVersion, info.Firmware_SubVersion);
        // With the calibration judged: the identification is whole.
        emit identified(info);
    }
}

std::optional<int> releaseDistanceMm(const QString &text)
{
    bool whole = false;
    const int distance = text.trimmed().toInt(&whole, 10);
    if (!whole)
        return std::nullopt;
    return std::clamp(distance, 0, 8000);
}

void DeviceSession::SB_StartClick(const RunRequest &request)
{
    const DistanceBytes bytes = releaseDistanceBytes(request.releaseDistanceMm);
    if (!SendCommand(CmdSetReleaseDistance, bytes.high, bytes.low))
        return;

    quint8 flags = 0;
    if (request.releaseByDistance)
        flags |= ReleaseByDistance;
    if (request.releaseBySpeed)
        flags |= ReleaseBySpeed;
    if (request.directionChange)
        flags |= ReleaseDirectionChange;

    MajakBarva(BeaconRunning);
    emit runControlsEnabledChanged(false);

    // A quick machine may have stopped already: then the reply carries the
    // result, else it comes later as a measurement frame through the tick.
    if (SendCommand(CmdStartMeasurement, flags, 0) && ReplyData[0] == kMeasurementMarker) {
        // Frames that came in ahead of this result and wait for the tick
        // are older: they enter the series first.
        for (const quint32 count : takeMeasurementFrames(RxAccumulator))
            handleArrivedCount(count);
        handleArrivedCount(count24(ReplyData[1], ReplyData[2], ReplyData[3]));
    }
}
