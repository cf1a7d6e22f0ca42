#pragma once

#include <QByteArray>
#include <QString>

// A measurement protocol (PDF) that carries its project file stands for that
// file wherever a project file is read: Open, zirk-cli, the archive.

// The project file a protocol carries and its machine-readable summary;
// empty bytes for what it does not carry.
struct AttachedMeasurement
{
    QString projectName;
    QByteArray projectBytes;
    QByteArray summaryJson;
};
AttachedMeasurement attachedMeasurement(const QByteArray &pdf);

// The bytes of the project file that bytes (read from fileName) are: the
// file itself, or the project file a protocol carries.  Throws ZirkError
// "<file>: ..." for a protocol that carries none, and for a signed protocol
// changed after signing: its measurement is not the one that was signed.
QByteArray projectFileContent(const QString &fileName, const QByteArray &bytes);
