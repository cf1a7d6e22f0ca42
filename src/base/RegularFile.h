#pragma once

#include <QFile>
#include <QString>

enum class Opened { Yes, Missing, Refused };

// Opens fileName for reading only if it is a regular file.  Opening a FIFO
// blocks until a writer comes, and a device may never end, so the kind is
// checked on the open handle itself: opened without blocking, looked at,
// then read as usual.  That also leaves no gap between the check and the
// open in which the file could be swapped.  On Refused, why says the reason.
Opened openRegularFile(QFile &file, const QString &fileName, QString *why);

// The same, for a file the user chose: throws ZirkError "Cannot open file
// "<name>". <reason>" unless it is a regular file open for reading.
void openUserFile(QFile &file, const QString &fileName);
