// The machine archive in the main window: Save as and Generate report keep
// the measurement through the local queue, Tools > Machine History shows
// and opens what is kept.
#include "windows/MainForm.h"

#include "archive/ArchiveError.h"
#include "archive/ArchiveInput.h"
#include "archive/ArchiveQueue.h"
#include "archive/ArchiveRecording.h"
#include "base/Seams.h"
#include "project/ProjectMeasurement.h"
#include "settings/LanguageTexts.h"
#include "state/ProgramState.h"
#include "windows/DevSelectForm.h"
#include "windows/MachineHistoryForm.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QThread>

#include <memory>

struct ArchiveDeliveryResult
{
    ArchiveQueue::Delivery delivery;
    QString queueError; // the queue itself could not be read
};

void TMainForm::recordInArchive(const QString &projectFile)
{
    // Nothing was measured: nothing to keep.
    if (m_state.stopTimes().empty())
        return;

    // A blank machine ID is no machine: the archive keeps measurements by
    // machine.
    if (keptProjectText(m_state.machineId(), ProjectRecord::Text::MachineID).trimmed().isEmpty())
        return;

    // The archive gets the project file, the bytes that were saved or, for
    // a protocol, those Save as would write: it reads them as archive add
    // reads a file, so nothing of the measurement is lost on the way.
    QByteArray bytes;
    QString filePath;
    if (!projectFile.isEmpty()) {
        QFile file(projectFile);
        if (file.open(QIODevice::ReadOnly)) {
            bytes = file.readAll();
            filePath = QFileInfo(projectFile).absoluteFilePath();
        }
    }
    if (filePath.isEmpty())
        bytes = projectFileBytes(m_state.measurement(), m_state.projectRecord);

    // The file or the protocol is written already; the queue is a local
    // file and answers at once, the archive may not.
    try {
        ArchiveQueue(defaultArchiveQueuePath())
            .push(archiveUrlInForce(m_state.appSettings.ArchiveUrl), bytes, filePath, m_state.appSettings.UserName,
                  m_state.appSettings.CompanyName);
    } catch (const ArchiveError &e) {
        setStatusText(m_state.texts().text("HistoryWindow", "ArchiveNotWritten").arg(e.message()));
        return;
    }
    deliverArchiveQueue();
}

void TMainForm::deliverArchiveQueue()
{
    if (m_archiveDelivery) {
        m_deliverAgain = true;
        return;
    }
    m_deliverAgain = false;
    auto result = std::make_shared<ArchiveDeliveryResult>();
    const QString path = defaultArchiveQueuePath();
    if (!QFileInfo::exists(path))
        return;
    // The delivery opens its own connections on its own thread; the window
    // goes on painting while a server takes its time.
    m_archiveDelivery = QThread::create([path, result] {
        try {
            result->delivery = ArchiveQueue(path).deliver();
        } catch (const ArchiveError &e) {
            result->queueError = e.message();
        }
    });
    QThread *thread = m_archiveDelivery;
    connect(thread, &QThread::finished, this, [this, thread, result] {
        thread->deleteLater();
        if (m_archiveDelivery != thread)
            return;
        m_archiveDelivery = nullptr;
        archiveDelivered(*result);
        if (m_deliverAgain)
            deliverArchiveQueue();
    });
    thread->start();
}

void TMainForm::archiveDelivered(const ArchiveDeliveryResult &result)
{
    const LanguageTexts &texts = m_state.texts();
    const ArchiveQueue::Delivery &d = result.delivery;
    if (!result.queueError.isEmpty())
        setStatusText(texts.text("HistoryWindow", "ArchiveNotWritten").arg(result.queueError));
    else if (d.error.isEmpty()) {
        if (d.delivered > 0)
            setStatusText(texts.text("HistoryWindow", "ArchiveKept"));
    } else if (d.unreachable)
        setStatusText(texts.text("HistoryWindow", "ArchiveQueued"));
    else
        setStatusText(texts.text("HistoryWindow", "ArchiveNotWritten").arg(d.error));
}

bool TMainForm::waitForArchive(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_archiveDelivery || m_deliverAgain) {
        if (clock.elapsed() > timeoutMs)
            return false;
        if (m_archiveDelivery)
            m_archiveDelivery->wait(QDeadlineTimer(20));
        // The finished signal arrives through the event loop.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!m_archiveDelivery && m_deliverAgain)
            deliverArchiveQueue();
    }
    return true;
}

void TMainForm::submenu_MachineHistoryClick()
{
    m_platform.dialogs->showModal(m_forms.MachineHistoryForm());
}

void TMainForm::openArchivedMeasurement(const ArchiveMeasurement &kept)
{
    Measurement m = measurementFromArchive(kept, kindDisplayName(m_state.texts(), kept.deviceKind));
    // A kept measurement has no pictures: those on screen stay.
    m.pictures = m_state.measurement().pictures;
    m_state.setMeasurement(m);
    m_forms.devselectform()->showDevice(m.safetyDevice);
    m_forms.devselectform()->setEntriesFromArchive(true);
}
