#pragma once

#include "ArchiveMeasurement.h"

#include <QSqlDatabase>
#include <QString>

// Measurements on their way to the archive.  The window never waits for an
// archive server: it puts the measurement into this queue, a small SQLite
// file in the user's data folder, and a delivery off the user-interface
// thread takes it to the archive named with it when the archive answers.
// The file outlives the program, so what the server did not take today is
// delivered at the next start or save, or by zirk-cli archive sync.
//
// One object is one connection, used from the thread that opened it; the
// window's thread and the delivery's each open their own.
class ArchiveQueue
{
public:
    // Opens the queue, creating it and its folder when needed.  Throws
    // ArchiveError when it cannot.
    explicit ArchiveQueue(const QString &path);
    ~ArchiveQueue();
    ArchiveQueue(const ArchiveQueue &) = delete;
    ArchiveQueue &operator=(const ArchiveQueue &) = delete;

    // Keeps a measurement for the archive named by url (as the settings
    // name it).  Throws ArchiveError when the queue cannot be written.
    void push(const QString &url, const ArchiveMeasurement &measurement);
    // How many measurements wait.
    int size();

    struct Delivery
    {
        int delivered = 0; // added, or found kept already
        int waiting = 0;   // still in the queue
        // The first archive's reason that did not take one; empty when all
        // went.  unreachable: it did not answer (no connection, a time-out),
        // as opposed to an archive that refused.
        QString error;
        bool unreachable = false;
    };
    // Takes each waiting measurement to its archive, oldest first, and
    // removes those the archive has kept.  An archive that fails keeps its
    // measurements waiting; those of other archives still go.
    Delivery deliver();

private:
    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_db;
};

// $XDG_DATA_HOME/zirk/archive-queue.sqlite, beside the default archive.
QString defaultArchiveQueuePath();
