#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

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

// Whether a database keeps its text as UTF-8 (every file this program makes).
bool storesUtf8(sqlite3* db);
// The bytes of a text (or blob) value as stored, without the copy the engine
// makes to end a text with a zero byte; a value of another type as text.
// utf8: the value's database keeps its text as UTF-8 (else it is converted).
QByteArrayView textBytes(sqlite3_value* v, bool utf8);

// The same canonical form fed piece by piece, so that a transfer hashes the
// rows as it reads or writes them instead of reading the file again: the
// tables in transfer order, each opened with beginTable, its rows (every
// ordinary column, rowid order) and closed with endTable.
class RowsHasher {
  public:
    RowsHasher();
    ~RowsHasher();
    RowsHasher(const RowsHasher&) = delete;
    RowsHasher& operator=(const RowsHasher&) = delete;

    void beginTable(const QString& table, const QStringList& columns);
    // Columns [0, n) of the statement's current row.
    void row(sqlite3_stmt* s, int n);
    // One value: column i of the statement's current row, taken as `type`
    // (its storage type before the row was read as text anywhere); utf8: its
    // database stores text as UTF-8 (storesUtf8).
    void column(sqlite3_stmt* s, int i, int type, bool utf8);
    void integer(qint64 v);
    void endTable(quint64 rows);
    // A whole table of db in rowid order. With `from` (a statement over every
    // ordinary column of the table, rowsBefore of its rows already fed), the
    // rest of that statement instead. perRow is called before each row.
    // Returns the table's rows; throws store::Error.
    qint64 table(sqlite3* db, const QString& table, sqlite3_stmt* from = nullptr, quint64 rowsBefore = 0,
                 const std::function<void()>& perRow = {});
    // The digest (hex); nothing can be fed after it.
    QString result();

  private:
    void value(sqlite3_value* v, int type, bool utf8);
    bool utf8(sqlite3_stmt* s);
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The checksum recorded in the file's veyra_meta; empty when there is none.
QString storedChecksum(sqlite3* db);

// Ordinary (not generated, not hidden) columns of a table, in order.
QStringList visibleColumns(sqlite3* db, const QString& table);

// A table or column name as an SQL identifier.
QString quoted(const QString& name);

}  // namespace exchange
