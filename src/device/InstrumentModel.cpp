#include "device/InstrumentModel.h"

#include <algorithm>
#include <cmath>

InstrumentModel::InstrumentModel(QDate calibrationDate)
{
    setStandstillPeriod(15625); // 156 250 / 15 625 = 10 mm/s
    setSerialNumber({0x5A, 0x10, 0x23, 0x00, 0x01, 0x4B, 0x7C});
    setFirmware(5, 3);
    setCalibrationDate(quint8(calibrationDate.day()), quint8(calibrationDate.month()),
                       quint16(calibrationDate.year()));
    setCalibrationFactors(1000150, 1000000);
    setStartCounter(1234);
}

void InstrumentModel::setStandstillPeriod(quint16 period)
{
    registers[RegStandstillPeriodHigh] = quint8(period >> 8);
    registers[RegStandstillPeriodLow] = quint8(period);
}

void InstrumentModel::setSerialNumber(const std::array<quint8, kSerialNumberBytes> &bytes)
{
    std::copy(bytes.begin(), bytes.end(), registers.begin() + RegSerialNumber);
}

void InstrumentModel::setFirmware(quint8 main, quint8 sub)
{
    registers[RegFirmwareMain] = main;
    registers[RegFirmwareSub] = sub;
}

void InstrumentModel::setCalibrationDate(quint8 day, quint8 month, quint16 year)
{
    registers[RegCalibrationDay] = day;
    registers[RegCalibrationMonth] = month;
    registers[RegCalibrationYearHigh] = quint8(year >> 8);
    registers[RegCalibrationYearLow] = quint8(year);
}

void InstrumentModel::writeRegister24(int address, quint32 value)
{
    registers[std::size_t(address)] = quint8(value >> 16);
    registers[std::size_t(address) + 1] = quint8(value >> 8);
    registers[std::size_t(address) + 2] = quint8(value);
}

quint32 InstrumentModel::register24(int address) const
{
    return count24(registers[std::size_t(address)], registers[std::size_t(address) + 1],
                   registers[std::size_t(address) + 2]);
}

void InstrumentModel::setCalibrationFactors(quint32 multiplier, quint32 divisor)
{
    writeRegister24(RegCalibMultiplier, multiplier);
    writeRegister24(RegCalibDivisor, divisor);
}

void InstrumentModel::setStartCounter(quint32 starts)
{
    writeRegister24(RegStartCounter, starts);
}

quint32 InstrumentModel::startCounter() const { return register24(RegStartCounter); }
quint32 InstrumentModel::calibMultiplier() const { return register24(RegCalibMultiplier); }
quint32 InstrumentModel::calibDivisor() const { return register24(RegCalibDivisor); }

void InstrumentModel::unplug()
{
    m_plugged = false;
    ++m_connection;
    // Power is gone: outputs drop, a run is abandoned, nothing is in flight.
    m_input.clear();
    m_output.clear();
    m_arrivals.clear();
    m_running = false;
    outputs = 0;
}

void InstrumentModel::plug()
{
    m_plugged = true;
}

void InstrumentModel::receive(const QByteArray &bytes)
{
    receive(reinterpret_cast<const quint8 *>(bytes.constData()), std::size_t(bytes.size()));
}

void InstrumentModel::receive(const quint8 *bytes, std::size_t count)
{
    if (!m_plugged)
        return;
    m_input.append(reinterpret_cast<const char *>(bytes), qsizetype(count));
    // The firmware's receive loop: a start byte and a right checksum make a
    // command; anything else is skipped a byte at a time.
    qsizetype at = 0;
    const auto *in = reinterpret_cast<const quint8 *>(m_input.constData());
    while (m_input.size() - at >= kCommandFrameSize) {
        if (in[at] == kFrameStart && checksumValid(in + at, kCommandFrameSize)) {
            handleCommand(in + at);
            if (!m_plugged)
                return; // pulled out while answering: the input went with it
            at += kCommandFrameSize;
        } else {
            ++at;
        }
    }
    m_input.remove(0, at);
}

void InstrumentModel::handleCommand(const quint8 *frame)
{
    const quint8 command = frame[1];
    const quint8 b1 = frame[2];
    const quint8 b2 = frame[3];
    received.push_back({command, b1, b2});
    if (unplugAtCommand > 0 && --unplugAtCommand == 0) {
        unplug();
        return;
    }
    const bool measureNow = measureAtCommand > 0 && --measureAtCommand == 0;
    if (measureNow && !measureAfterTheReply)
        finishMeasurement(measureAtCommandMs);
    answer(command, b1, b2);
    if (measureNow && measureAfterTheReply)
        finishMeasurement(measureAtCommandMs);
}

void InstrumentModel::answer(quint8 command, quint8 b1, quint8 b2)
{
    switch (command) {
    case CmdConnectionCheck:
        reply(command, buildReplyFrame(command, b1, b2, 0));
        break;
    case CmdSwitchOutput:
        if (b2)
            outputs |= b1;
        else
            outputs &= quint8(~b1);
        reply(command, buildReplyFrame(command, b1, b2, 0));
        break;
    case CmdReadRegister:
        reply(command, buildReplyFrame(command, b1, b1 < kRegisterCount ? registers[b1] : 0, 0));
        break;
    case CmdStartMeasurement: {
        releaseFlags = b1;
        setStartCounter(std::min<quint32>(startCounter() + 1, kMaxCount));
        const double stopTime = nextStopTime();
        if (answerStartAtOnce) {
            const quint32 count = rawCountFor(stopTime);
            reply(command, buildReplyFrame(kMeasurementMarker, quint8(count >> 16), quint8(count >> 8),
                                           quint8(count)));
        } else {
            reply(command, buildReplyFrame(command, b1, 0, 0));
            m_running = true;
            m_runStopTime = stopTime;
            m_runEndsAt = m_now + qint64(std::ceil(stopTime));
        }
        break;
    }
    case CmdSetReleaseDistance:
        releaseDistance = quint16((b1 << 8) | b2);
        reply(command, buildReplyFrame(command, b1, b2, 0));
        break;
    default:
        break; // unknown commands go unanswered
    }
}

void InstrumentModel::reply(quint8 command, const ReplyFrame &frame)
{
    auto fault = m_faults.find(command);
    if (fault == m_faults.end()) {
        send(frame.data(), qsizetype(frame.size()), 0);
        return;
    }
    const ReplyFault kind = fault->second.fault;
    if (--fault->second.times <= 0)
        m_faults.erase(fault);
    switch (kind) {
    case ReplyFault::NoReply:
        break;
    case ReplyFault::Short:
        send(frame.data(), 3, 0);
        break;
    case ReplyFault::BadChecksum: {
        ReplyFrame bad = frame;
        bad[5] ^= 0x5A;
        send(bad.data(), qsizetype(bad.size()), 0);
        break;
    }
    }
}

void InstrumentModel::send(const quint8 *bytes, qsizetype count, int splitAfter)
{
    if (!m_plugged)
        return;
    if (splitAfter > 0 && splitAfter < count)
        m_arrivals.push_back(m_output.size() + splitAfter);
    m_output.append(reinterpret_cast<const char *>(bytes), count);
}

qsizetype InstrumentModel::available() const
{
    return m_arrivals.empty() ? m_output.size() : m_arrivals.front();
}

QByteArray InstrumentModel::takeOutput(qsizetype maxBytes)
{
    const qsizetype n = std::clamp<qsizetype>(maxBytes, 0, available());
    QByteArray out = m_output.left(n);
    m_output.remove(0, n);
    for (qsizetype &at : m_arrivals)
        at -= n;
    // Once the host has the first part, the rest is on its way.
    if (!m_arrivals.empty() && m_arrivals.front() <= 0)
        m_arrivals.pop_front();
    return out;
}

void InstrumentModel::purgeOutput()
{
    m_output.clear();
    m_arrivals.clear();
}

void InstrumentModel::elapse(qint64 ms)
{
    m_now += std::max<qint64>(ms, 0);
    if (m_running && m_now >= m_runEndsAt)
        finishMeasurement(m_runStopTime);
}

void InstrumentModel::setStopTimeMs(double ms)
{
    m_fixedStopTime = ms;
}

double InstrumentModel::nextStopTime()
{
    if (m_fixedStopTime > 0.0)
        return m_fixedStopTime;
    std::uniform_int_distribution<int> tenths(1500, 2600);
    return tenths(m_random) / 10.0;
}

quint32 InstrumentModel::rawCountFor(double ms) const
{
    double count = ms * 1250.0; // 0.8 us per count
    const quint32 multiplier = calibMultiplier();
    const quint32 divisor = calibDivisor();
    if (multiplier != 0 && divisor != 0)
        count = count * double(divisor) / double(multiplier);
    return quint32(std::clamp(std::llround(count), 0LL, qint64(kMaxCount)));
}

void InstrumentModel::finishMeasurement(double ms, int splitAfter)
{
    m_running = false;
    const ReplyFrame frame = buildMeasurementFrame(rawCountFor(ms));
    send(frame.data(), qsizetype(frame.size()), splitAfter);
    if (m_plugged) {
        ++measurementsSent;
        lastMeasurementMs = ms;
    }
}

void InstrumentModel::injectReplyFault(quint8 command, ReplyFault fault, int times)
{
    m_faults[command] = {fault, times};
}

void InstrumentModel::sendRaw(const QByteArray &bytes, int splitAfter)
{
    send(reinterpret_cast<const quint8 *>(bytes.constData()), bytes.size(), splitAfter);
}
