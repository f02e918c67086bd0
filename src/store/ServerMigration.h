#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <functional>

namespace store {

class Connection;

// Rows moved per table, in the order of serverTables().
struct MigrationCounts {
    QList<QPair<QString, qint64>> rows;
    qint64 of(const QString& table) const;
};

// Told before each table (row 0) and as its rows go (row of total).
using MigrationProgress = std::function<void(const QString& table, qint64 row, qint64 total)>;

// Copies a whole working database into a new register in the empty server
// database at `address`: register tables, operators, code tables, every
// serial and row order, and the serial counters (a serial of a deleted row
// stays unused). One server transaction: the whole register or nothing.
// Refused in words, before anything is made on the server, when the file is
// not of the current format or holds keys that differ only in letter case.
MigrationCounts migrateToServer(Connection& source, const QString& address,
                                const MigrationProgress& progress = {});

// Copies a whole server register into a new working database at `path`
// (never replacing a file): the same tables, rows, row order and counters,
// read as one consistent state of the register. The file is made in one
// transaction and removed again when anything fails.
MigrationCounts migrateFromServer(const QString& address, const QString& path,
                                  const MigrationProgress& progress = {});

}  // namespace store
