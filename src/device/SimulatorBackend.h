#pragma once

// The instrument model attached in-process, as if it sat behind the USB
// chip: ZIRK_DEVICE=simulator in the program, and the tests' transport.

#include "device/DeviceBackend.h"
#include "device/InstrumentModel.h"

#include <functional>
#include <memory>

class SimulatorBackend : public DeviceBackend
{
public:
    // `monotonicMs` feeds the model's time before every call; without it
    // the model's time moves only when the caller says so (tests).
    explicit SimulatorBackend(InstrumentModel &model, std::function<qint64()> monotonicMs = {});
    // A simulator that owns its model and runs on the wall clock.
    static std::unique_ptr<SimulatorBackend> standalone();

    InstrumentModel &model() { return m_model; }

    FT_STATUS openByDescription(const char *description, quint32 &handle) override;
    FT_STATUS purge(quint32 mask) override;
    FT_STATUS setBaudRate(quint32 baudRate) override;
    FT_STATUS setDataCharacteristics(quint8 wordLength, quint8 stopBits, quint8 parity) override;
    FT_STATUS setFlowControl(quint16 flowControl, quint8 xon, quint8 xoff) override;
    FT_STATUS setTimeouts(quint32 readMs, quint32 writeMs) override;
    FT_STATUS queueStatus(quint32 &bytesWaiting) override;
    FT_STATUS write(const quint8 *data, quint32 count, quint32 &written) override;
    FT_STATUS read(quint8 *data, quint32 count, quint32 &received) override;

    // The link settings last applied, for checking the program's set-up.
    quint32 baudRate = 0;
    quint8 wordLength = 0;
    quint8 stopBits = 0xFF;
    quint8 parity = 0xFF;
    quint16 flowControl = 0xFFFF;
    quint32 readTimeout = 0;
    quint32 writeTimeout = 0;
    int opens = 0;

private:
    FT_STATUS linkStatus();

    std::unique_ptr<InstrumentModel> m_ownModel;
    InstrumentModel &m_model;
    std::function<qint64()> m_monotonicMs;
    qint64 m_lastTime = 0;
    bool m_open = false;
    quint32 m_connection = 0;
};
