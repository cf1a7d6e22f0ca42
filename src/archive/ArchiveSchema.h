#pragma once

#include <QString>

class ArchiveConnection;

// The archive's tables: created in an empty database, brought up to date in
// an older one, refused in a database that holds other tables or an archive
// of a newer program (ArchiveError).
namespace ArchiveSchema {

// The schema this program writes and understands.
inline constexpr int kVersion = 3;

// Makes the connection's database an archive of kVersion.  A reader of an
// empty SQLite file gets an empty archive in memory; a reader of an older
// one has it upgraded by a writer of its own where the user may write.
void prepare(ArchiveConnection &connection);

// The overview's bookkeeping of the safeguards (all, or one) from their
// measurements, after a change that an add does not follow step by step.
void refreshSafeguards(ArchiveConnection &connection, const QString &what, qint64 safeguard = 0);

} // namespace ArchiveSchema
