#pragma once

#include "device/DeviceInfo.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class Clock;
class D2XXUnit;
class DeviceBackend;
class Dialogs;
class QTimer;

// The texts the session puts on the status line, in the user's language.
struct DeviceStatusTexts
{
    QString noDeviceFound;
    QString deviceConnected;
    QString deviceReady;
};

// What the run control sends with the start command.
struct RunRequest
{
    int releaseDistanceMm = 0; // 0..8000
    bool releaseByDistance = false;
    bool releaseBySpeed = false;
    bool directionChange = false;
};

// The link to the instrument: owns the transport, the receive accumulator,
// the reply of the last command, identification and the once-a-second
// connection tick, and starts measurements.  What it knows of the instrument
// on the line is its own (info()); it never draws: whatever happens it tells
// its owner through signals, an identification as a value.
class DeviceSession : public QObject
{
    Q_OBJECT
public:
    DeviceSession(DeviceBackend *backend, Dialogs *dialogs, const Clock &clock, QObject *parent = nullptr);
    ~DeviceSession() override;

    void setStatusTexts(const DeviceStatusTexts &texts) { m_texts = texts; }

    // The tick's timer (one second); the owner connects its timeout to
    // Timer1Timer so that errors reach the user, and starts it.
    QTimer *Timer1 = nullptr;

    // The once-a-second tick: reconnects, identifies, or reads arrived
    // measurements.  Never re-entered; the timer runs again afterwards.
    void Timer1Timer();
    // Sends the release settings and starts a measurement.
    void SB_StartClick(const RunRequest &request);

    // One command and its reply (ReplyData); false when it went unanswered.
    bool SendCommand(quint8 Command, quint8 Byte1, quint8 Byte2);
    // Reads what arrived and hands every whole measurement frame on.
    bool KontrolaPrijatychDat();
    // Connection check, output test and the register reads of an
    // instrument just found.
    bool inicializace_zarizeni();
    void kontrola_vyprseni_kalibrace(quint16 kalibrok, quint16 kalibmesic, quint16 kalibden, quint8 MainVer,
                                     quint8 SubVer);
    // A raw count of the instrument: calibrated and made a stop time.
    void zpracujhodnotu_PrichoziCislo(quint32 cislovysledek);
    // A count of the demo: made a stop time as it stands.  The calibration
    // factors of the instrument on the line stay as they were read from it.
    void demoCount(quint32 count);

    D2XXUnit &usb() { return *m_usb; }
    const DeviceInfo &info() const { return m_info; }

    // The data bytes of the last valid reply, and the received bytes not yet
    // made into measurement frames.
    std::array<quint8, 4> ReplyData{};
    QByteArray RxAccumulator;

signals:
    void statusTextChanged(const QString &text);
    void beaconChanged(quint8 beacon);          // BeaconState
    void startEnabledChanged(bool enabled);     // a measurement can be started
    void runControlsEnabledChanged(bool enabled); // start and release settings usable
    void stopTimeArrived(double ms);
    void identified(const DeviceInfo &info);    // an instrument was identified
    void calibrationDue();                      // the instrument is out of calibration

private:
    void handleArrivedCount(quint32 count);
    void MajakBarva(quint8 obrazek) { emit beaconChanged(obrazek); }
    bool readRegister(quint8 address, quint8 &value);
    // Moves every byte waiting in the receive queue to RxAccumulator.
    void drainReceiveQueue();

    std::unique_ptr<D2XXUnit> m_usb;
    const Clock &m_clock;
    DeviceInfo m_info;
    DeviceStatusTexts m_texts;
};

// The release distance typed by the user as the instrument takes it:
// clamped to 0..8000 mm; empty when the text is no whole number.
std::optional<int> releaseDistanceMm(const QString &text);
