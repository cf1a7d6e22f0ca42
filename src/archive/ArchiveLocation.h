#pragma once

// The settings file's keys of the archive and its trend threshold.
#include "settings/SettingsFile.h"

#include <QProcessEnvironment>
#include <QString>

// Where the measurement archive lives, named by a URL:
//   sqlite:///path/to/archive.sqlite           a file of one user
//   postgresql://user@host:port/dbname          a server a team shares
// A PostgreSQL password never appears here: libpq takes it from ~/.pgpass or
// PGPASSWORD itself, so it is neither typed into the settings nor stored in
// the settings file.  A local socket folder can be named with ?host=/dir.
struct ArchiveLocation
{
    enum class Engine { SQLite, PostgreSQL };

    Engine engine = Engine::SQLite;
    QString filePath;     // SQLite: absolute path of the database file
    QString userName;     // PostgreSQL: empty leaves it to libpq (PGUSER, login name)
    QString hostName;     // PostgreSQL: empty or a folder is a local socket
    int port = 5432;
    QString databaseName; // PostgreSQL

    // The location as the user names it, for messages.
    QString url() const;

    friend bool operator==(const ArchiveLocation &, const ArchiveLocation &) = default;
};

// Reads an archive URL; a plain absolute path stands for an SQLite file.
// Throws ArchiveError for anything else, and for a URL with a password.
ArchiveLocation parseArchiveUrl(const QString &url);

// The URL with the password of its user information cut out ("alice:s3cr3t@"
// becomes "alice@"), even when the rest of it is malformed: what messages
// show of a URL the user typed.
QString withoutPassword(const QString &url);
// The URL names a user with a password (even an empty one, "alice:@").
bool hasPassword(const QString &url);
// Why an archive URL takes no password, and where it goes instead.
extern const QString kNoPassword;

// $XDG_DATA_HOME/zirk/archive.sqlite (~/.local/share/zirk/ by default).
QString defaultArchivePath();

inline constexpr const char *kArchiveEnvironmentVariable = "ZIRK_ARCHIVE";

// The archive in force: ZIRK_ARCHIVE when set and not empty, else the
// setting when not empty, else the default file.
QString chooseArchiveUrl(const QProcessEnvironment &environment, const QString &setting,
                         const QString &defaultPath);
