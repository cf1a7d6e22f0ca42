#include "ArchiveRecording.h"

#include "Archive.h"
#include "ArchiveError.h"
#include "ArchiveLocation.h"

#include <QCryptographicHash>
#include <QProcessEnvironment>

QString archiveUrlInForce(const QString &setting)
{
    return chooseArchiveUrl(QProcessEnvironment::systemEnvironment(), setting, defaultArchivePath());
}

std::optional<QString> recordMeasurement(const QString &url, const ArchiveMeasurement &measurement)
{
    try {
        Archive archive(parseArchiveUrl(url));
        archive.add(measurement);
        return std::nullopt;
    } catch (const ArchiveError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QStringLiteral("archive %1: %2").arg(withoutPassword(url), QString::fromLocal8Bit(e.what()));
    }
}

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}
