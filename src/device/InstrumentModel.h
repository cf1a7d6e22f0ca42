#pragma once

// A software model of the Zirk instrument: its register map, its replies to
// the program's commands, its measurement runs and a set of faults to
// inject.  It talks bytes only - what the program writes goes into
// receive(), what the instrument sends comes out of takeOutput() - so the
// same model serves the in-process simulator (ZIRK_DEVICE=simulator), the
// tests and the pseudo-terminal tool zirk-devsim.
//
// Time is the model's own: elapse() moves it on, so tests decide when a
// measurement ends and the simulator backends feed it the wall clock.

#include "device/Protocol.h"

#include <QByteArray>
#include <QDate>

#include <array>
#include <deque>
#include <map>
#include <random>
#include <vector>

class InstrumentModel
{
public:
    static constexpr int kRegisterCount = 64;

    // A realistic instrument: firmware 5.3, standstill speed 10 mm/s, a
    // crystal correction of +150 ppm, calibrated on `calibrationDate`.
    explicit InstrumentModel(QDate calibrationDate = QDate::currentDate().addDays(-90));

    // --- register map ---
    std::array<quint8, kRegisterCount> registers{};
    void setStandstillPeriod(quint16 period);
    void setSerialNumber(const std::array<quint8, kSerialNumberBytes> &bytes);
    void setFirmware(quint8 main, quint8 sub);
    // Day, month and year as the registers hold them (no check: a broken
    // instrument may hold day 0).
    void setCalibrationDate(quint8 day, quint8 month, quint16 year);
    void setCalibrationFactors(quint32 multiplier, quint32 divisor);
    void setStartCounter(quint32 starts);
    quint32 startCounter() const;
    quint32 calibMultiplier() const;
    quint32 calibDivisor() const;

    // --- the cable ---
    bool isPlugged() const { return m_plugged; }
    // Counts unplug events: a connection opened before the last unplug is dead.
    quint32 connection() const { return m_connection; }
    void unplug();
    void plug();

    // --- bytes from the program ---
    void receive(const QByteArray &bytes);
    void receive(const quint8 *bytes, std::size_t count);

    // --- bytes to the program ---
    // Bytes that have reached the host so far.  A split frame's second part
    // arrives only after the first has been read.
    qsizetype available() const;
    // Everything sent and not yet read, arrived or not.
    qsizetype pending() const { return m_output.size(); }
    QByteArray takeOutput(qsizetype maxBytes);
    void purgeOutput();

    // --- measuring ---
    void elapse(qint64 ms);
    qint64 now() const { return m_now; }
    bool running() const { return m_running; }
    // Runs started by the program end after this stop time; without it the
    // stop times are drawn between 150 and 260 ms.
    void setStopTimeMs(double ms);
    // Answer the start command with the finished result at once instead of
    // a measurement frame later.
    bool answerStartAtOnce = false;
    // The machine has stopped: a measurement of `ms` ends now and its frame
    // is sent, split after `splitAfter` bytes when that is 1..5.
    void finishMeasurement(double ms, int splitAfter = 0);
    // The raw count the instrument reports for a stop time, before the
    // program applies the calibration factors.
    quint32 rawCountFor(double ms) const;

    // --- faults ---
    enum class ReplyFault { NoReply, Short, BadChecksum };
    // The next `times` replies to `command` go wrong.
    void injectReplyFault(quint8 command, ReplyFault fault, int times = 1);
    // The cable comes out as the Nth command from now arrives, before it is
    // answered (0: never).
    int unplugAtCommand = 0;
    // The machine stops as the Nth command from now arrives (0: never): the
    // measurement of `measureAtCommandMs` goes out just before the reply...
    int measureAtCommand = 0;
    double measureAtCommandMs = 0.0;
    // ... or just after the reply.
    bool measureAfterTheReply = false;
    // Bytes that arrive as they are (line noise, a half frame).
    void sendRaw(const QByteArray &bytes, int splitAfter = 0);

    // --- what the program did ---
    struct ReceivedCommand
    {
        quint8 command;
        quint8 byte1;
        quint8 byte2;
        bool operator==(const ReceivedCommand &) const = default;
    };
    std::vector<ReceivedCommand> received;
    // Measurement frames that went out (while plugged), and the last one's
    // stop time.
    quint64 measurementsSent = 0;
    double lastMeasurementMs = 0.0;
    quint8 outputs = 0;
    quint16 releaseDistance = 0; // in 1/8 mm
    quint8 releaseFlags = 0;

private:
    void handleCommand(const quint8 *frame);
    void answer(quint8 command, quint8 b1, quint8 b2);
    void reply(quint8 command, const ReplyFrame &frame);
    void send(const quint8 *bytes, qsizetype count, int splitAfter);
    double nextStopTime();
    void writeRegister24(int address, quint32 value);
    quint32 register24(int address) const;

    bool m_plugged = true;
    quint32 m_connection = 0;
    QByteArray m_input;
    QByteArray m_output;
    std::deque<qsizetype> m_arrivals; // where a not-yet-arrived part begins
    qint64 m_now = 0;
    bool m_running = false;
    qint64 m_runEndsAt = 0;
    double m_runStopTime = 0.0;
    double m_fixedStopTime = 0.0;
    std::mt19937 m_random{1355};
    struct PendingFault { ReplyFault fault; int times; };
    std::map<quint8, PendingFault> m_faults;
};
