#pragma once

#include <QString>

#include <functional>

class QIODevice;

// Saves a whole file so that a failure never costs the file that was there
// before (a full disk, a read-only folder, a pulled USB stick): the contents
// go into a temporary file beside it, which takes the old file's place only
// once everything has been written.  A target that is not a regular file
// (a device such as /dev/null, a pipe, a folder) is opened directly: it
// cannot be replaced, and its own error is the one to report.
struct SaveResult
{
    enum Stage { Saved, NotCreated, NotWritten };
    Stage stage = Saved;
    QString error; // the system's words, when not Saved

    explicit operator bool() const { return stage == Saved; }
};

// `write` puts the contents into the file and returns false when a write
// failed (the file's own error is reported then).
SaveResult saveWholeFile(const QString &fileName, const std::function<bool(QIODevice &)> &write);
