#include "ArchiveLocation.h"

#include "ArchiveError.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QString kUsage = QStringLiteral("use sqlite:///path/to/file.sqlite or postgresql://user@host:port/dbname");

[[noreturn]] void refuse(const QString &url, const QString &why)
{
    throw ArchiveError(QStringLiteral("archive %1: %2").arg(withoutPassword(url), why));
}

} // namespace

const QString kNoPassword = QStringLiteral("a password does not belong in the archive URL; put it in ~/.pgpass or PGPASSWORD");

bool hasPassword(const QString &url)
{
    return withoutPassword(url.trimmed()) != url.trimmed();
}

QString withoutPassword(const QString &url)
{
    // Taken apart by hand, not by QUrl: the text that needs it most is one
    // QUrl refuses (a bad port, a stray character), and a password may hold
    // any character but the '@' that ends it.
    const qsizetype schemeEnd = url.indexOf(QLatin1String("://"));
    if (schemeEnd < 0)
        return url;
    const qsizetype start = schemeEnd + 3;
    const qsizetype at = url.lastIndexOf(QLatin1Char('@'));
    if (at < start)
        return url;
    const qsizetype colon = url.indexOf(QLatin1Char(':'), start);
    if (colon < 0 || colon > at)
        return url;
    return url.left(colon) + url.mid(at);
}

QString ArchiveLocation::url() const
{
    if (engine == Engine::SQLite)
        return QStringLiteral("sqlite://") + filePath;
    const bool socketFolder = hostName.startsWith(QLatin1Char('/'));
    QString text = QStringLiteral("postgresql://");
    if (!userName.isEmpty())
        text += userName + QLatin1Char('@');
    if (!socketFolder)
        text += hostName.contains(QLatin1Char(':')) ? QLatin1Char('[') + hostName + QLatin1Char(']') : hostName;
    text += QStringLiteral(":%1/%2").arg(port).arg(databaseName);
    if (socketFolder)
        text += QStringLiteral("?host=") + hostName;
    return text;
}

ArchiveLocation parseArchiveUrl(const QString &text)
{
    const QString url = text.trimmed();
    ArchiveLocation location;
    if (url.isEmpty())
        refuse(QStringLiteral("\"\""), QStringLiteral("no archive named; ") + kUsage);

    if (url.startsWith(QLatin1Char('/'))) {
        location.filePath = QDir::cleanPath(url);
        return location;
    }

    // Tolerant: a path typed with blanks in it is what the user means.
    const QUrl parsed(url, QUrl::TolerantMode);
    const QString scheme = parsed.scheme().toLower();
    // Said first, whatever else is wrong with the URL: the user learns
    // where the password goes before fixing a typo next to it.
    if ((scheme.isEmpty() || scheme.startsWith(QLatin1String("postgres"))) && hasPassword(url))
        refuse(url, kNoPassword);
    if (!parsed.isValid() || scheme.isEmpty())
        refuse(url, QStringLiteral("not an archive URL; ") + kUsage);

    if (scheme == QLatin1String("sqlite")) {
        // sqlite:///abs/path: an empty host and an absolute path.  A host
        // would be a relative path in disguise ("sqlite://archive.sqlite").
        const QString path = parsed.path(QUrl::FullyDecoded);
        if (!parsed.host().isEmpty() || !path.startsWith(QLatin1Char('/')) || path == QLatin1String("/"))
            refuse(url, QStringLiteral("an SQLite archive needs an absolute file path, as in sqlite:///home/me/archive.sqlite"));
        if (parsed.hasQuery() || parsed.hasFragment())
            refuse(url, QStringLiteral("an SQLite archive URL takes no options"));
        location.filePath = QDir::cleanPath(path);
        return location;
    }

    if (scheme == QLatin1String("postgresql") || scheme == QLatin1String("postgres")) {
        location.engine = ArchiveLocation::Engine::PostgreSQL;
        if (hasPassword(url))
            refuse(url, kNoPassword);
        location.userName = parsed.userName(QUrl::FullyDecoded);
        location.hostName = parsed.host(QUrl::FullyDecoded);
        location.port = parsed.port(5432);
        if (location.port <= 0 || location.port > 65535)
            refuse(url, QStringLiteral("the port must lie between 1 and 65535"));
        QString database = parsed.path(QUrl::FullyDecoded);
        if (database.startsWith(QLatin1Char('/')))
            database.remove(0, 1);
        if (database.isEmpty() || database.contains(QLatin1Char('/')))
            refuse(url, QStringLiteral("name the database, as in postgresql://user@host:5432/zirk"));
        location.databaseName = database;
        const QUrlQuery query(parsed);
        for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
            if (key == QLatin1String("host") && location.hostName.isEmpty() && value.startsWith(QLatin1Char('/')))
                location.hostName = QDir::cleanPath(value);
            else
                refuse(url, QStringLiteral("unknown option \"%1\" (only host=/socket/folder without a host name)").arg(key));
        }
        if (parsed.hasFragment())
            refuse(url, QStringLiteral("not an archive URL; ") + kUsage);
        return location;
    }

    refuse(url, QStringLiteral("unknown kind of archive \"%1\"; ").arg(parsed.scheme()) + kUsage);
}

QString defaultArchivePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/zirk/archive.sqlite");
}

QString chooseArchiveUrl(const QProcessEnvironment &environment, const QString &setting, const QString &defaultPath)
{
    const QString fromEnvironment = environment.value(QLatin1String(kArchiveEnvironmentVariable)).trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (!setting.trimmed().isEmpty())
        return setting.trimmed();
    return QStringLiteral("sqlite://") + defaultPath;
}
