#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct sqlite3;

namespace exchange {

// The three registers a submission file carries, in transfer order.
QStringList registerTables();

// Key in veyra_meta under which an export records the checksum of its rows.
QString checksumKey();

// BLAKE2b-256 (hex; as strong as SHA-256, four times faster here) over a canonical form of every row of the
// three registers (all ordinary columns, rows in rowid order, values with their storage type). Throws
// store::Error when a table cannot be read.
QString rowsChecksum(sqlite3* db);
// The same, telling how many rows of how many are read, every few thousand rows.
using RowsProgress = std::function<void(qint64 done, qint64 total)>;
QString rowsChecksum(sqlite3* db, const RowsProgress& progress);

// The checksum recorded in the file's veyra_meta; empty when there is none.
QString storedChecksum(sqlite3* db);

// Ordinary (not generated, not hidden) columns of a table, in order.
QStringList visibleColumns(sqlite3* db, const QString& table);

// A table or column name as an SQL identifier.
QString quoted(const QString& name);

}  // namespace exchange
