#include "device/SimulatorBackend.h"

#include <QElapsedTimer>

#include <cstring>

SimulatorBackend::SimulatorBackend(InstrumentModel &model, std::function<qint64()> monotonicMs)
    : m_model(model), m_monotonicMs(std::move(monotonicMs))
{
    if (m_monotonicMs)
        m_lastTime = m_monotonicMs();
}

std::unique_ptr<SimulatorBackend> SimulatorBackend::standalone()
{
    auto model = std::make_unique<InstrumentModel>();
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    auto backend = std::make_unique<SimulatorBackend>(*model, [timer] { return timer->elapsed(); });
    backend->m_ownModel = std::move(model);
    return backend;
}

FT_STATUS SimulatorBackend::linkStatus()
{
    if (m_monotonicMs) {
        const qint64 t = m_monotonicMs();
        m_model.elapse(t - m_lastTime);
        m_lastTime = t;
    }
    if (!m_open)
        return FT_INVALID_HANDLE;
    // A connection does not survive unplugging, even when the instrument
    // is back: the program has to open it anew.
    if (!m_model.isPlugged() || m_model.connection() != m_connection)
        return FT_IO_ERROR;
    return FT_OK;
}

FT_STATUS SimulatorBackend::openByDescription(const char *description, quint32 &handle)
{
    m_open = false;
    if (!m_model.isPlugged() || std::strcmp(description, kZirkUsbProduct) != 0)
        return FT_DEVICE_NOT_FOUND;
    m_open = true;
    m_connection = m_model.connection();
    handle = quint32(++opens);
    return FT_OK;
}

FT_STATUS SimulatorBackend::purge(quint32 mask)
{
    const FT_STATUS status = linkStatus();
    if (status == FT_OK && (mask & FT_PURGE_RX))
        m_model.purgeOutput();
    return status;
}

FT_STATUS SimulatorBackend::setBaudRate(quint32 rate)
{
    const FT_STATUS status = linkStatus();
    if (status == FT_OK)
        baudRate = rate;
    return status;
}

FT_STATUS SimulatorBackend::setDataCharacteristics(quint8 bits, quint8 stop, quint8 par)
{
    const FT_STATUS status = linkStatus();
    if (status == FT_OK) {
        wordLength = bits;
        stopBits = stop;
        parity = par;
    }
    return status;
}

FT_STATUS SimulatorBackend::setFlowControl(quint16 flow, quint8, quint8)
{
    const FT_STATUS status = linkStatus();
    if (status == FT_OK)
        flowControl = flow;
    return status;
}

FT_STATUS SimulatorBackend::setTimeouts(quint32 readMs, quint32 writeMs)
{
    const FT_STATUS status = linkStatus();
    if (status == FT_OK) {
        readTimeout = readMs;
        writeTimeout = writeMs;
    }
    return status;
}

FT_STATUS SimulatorBackend::queueStatus(quint32 &bytesWaiting)
{
    bytesWaiting = 0;
    const FT_STATUS status = linkStatus();
    if (status == FT_OK)
        bytesWaiting = quint32(m_model.available());
    return status;
}

FT_STATUS SimulatorBackend::write(const quint8 *data, quint32 count, quint32 &written)
{
    written = 0;
    const FT_STATUS status = linkStatus();
    if (status != FT_OK)
        return status;
    m_model.receive(data, count);
    written = count;
    return FT_OK;
}

FT_STATUS SimulatorBackend::read(quint8 *data, quint32 count, quint32 &received)
{
    received = 0;
    const FT_STATUS status = linkStatus();
    if (status != FT_OK)
        return status;
    // The model answers at once; what is not there now would not come
    // within the time-out either, so there is nothing to wait for.
    const QByteArray bytes = m_model.takeOutput(qsizetype(count));
    std::memcpy(data, bytes.constData(), std::size_t(bytes.size()));
    received = quint32(bytes.size());
    return FT_OK;
}
