#pragma once

#include "ArchiveMeasurement.h"

#include <QSqlDatabase>
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

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
    // name it): the bytes of its project file, as it was saved (filePath)
    // or as Save as would write it (no path), with who recorded it.  The
    // delivery reads them as archive add reads the file, so the queue
    // cannot keep less than the file does.  Throws ArchiveError when the
    // queue cannot be written.
    void push(const QString &url, const QByteArray &projectBytes, const QString &filePath, const QString &userName,
              const QString &companyName);
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

// What a queued entry holds, as the delivery takes it to the archive.
// Entries of an earlier program kept the measurement field by field and
// lost its standard on the way: such an entry is read again from its
// project file where that file still has the same bytes, and otherwise it
// goes with its standard, installed distance and verdict unknown.  None for
// an entry of a later program's layout (left for it).
std::optional<ArchiveMeasurement> queuedMeasurement(const QByteArray &entry, const QDateTime &queuedAt);

// $XDG_DATA_HOME/zirk/archive-queue.sqlite, beside the default archive.
QString defaultArchiveQueuePath();
