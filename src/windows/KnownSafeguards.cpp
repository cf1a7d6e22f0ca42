#include "windows/KnownSafeguards.h"

#include "archive/Archive.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveLocation.h"

#include <mutex>
#include <thread>

// Where a reader leaves its answer: the object while it lives, nothing
// after.  Posting under the lock means the object cannot go away between
// the look and the post; a posted answer to an object that goes later is
// dropped with it.
struct KnownSafeguards::Mailbox
{
    std::mutex mutex;
    KnownSafeguards *owner = nullptr;
};

KnownSafeguards::KnownSafeguards(QObject *parent)
    : QObject(parent), m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->owner = this;
    m_wait.setSingleShot(true);
    m_wait.setInterval(300);
    connect(&m_wait, &QTimer::timeout, this, &KnownSafeguards::start);
}

KnownSafeguards::~KnownSafeguards()
{
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->owner = nullptr;
}

void KnownSafeguards::load(const QString &archiveUrl, const QString &machineId)
{
    m_url = archiveUrl;
    m_machineId = machineId.trimmed();
    ++m_request;
    m_wait.start();
}

void KnownSafeguards::start()
{
    if (m_machineId.isEmpty()) {
        emit loaded(m_machineId, {});
        return;
    }
    const quint64 request = m_request;
    std::thread([mailbox = m_mailbox, url = m_url, machineId = m_machineId, request] {
        QStringList names;
        try {
            Archive archive(parseArchiveUrl(url), Archive::Access::Read);
            for (const ArchiveSafeguard &s : archive.safeguards(machineId)) {
                if (!s.name.isEmpty())
                    names << s.name;
            }
        } catch (const ArchiveError &) {
            // No archive, no suggestions: the field takes any name.
        }
        const std::lock_guard lock(mailbox->mutex);
        if (KnownSafeguards *owner = mailbox->owner) {
            QMetaObject::invokeMethod(
                owner,
                [owner, machineId, names, request] {
                    if (request == owner->m_request)
                        emit owner->loaded(machineId, names);
                },
                Qt::QueuedConnection);
        }
    }).detach();
}
