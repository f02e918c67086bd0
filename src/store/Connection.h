#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariantList>
#include <memory>

#include "store/Column.h"

struct sqlite3;

namespace store {

class Statement;

// The number every Veyra file carries in PRAGMA application_id ("VEYR").
constexpr int kApplicationId = 0x56455952;
// The schema version this program writes in veyra_meta.format. 1: the first
// release; 2: key columns compare without regard to ASCII letter case.
constexpr int kCurrentFormat = 2;
// The database password of the working database, the template and every
// submission file. A gate against opening a foreign file, not encryption.
QString databasePassword();
// The refusal of a file whose veyra_meta.format is newer than kCurrentFormat.
QString newerFormatText(const QString& path, const QString& format);

// Connections of this process open on a file (by its absolute path).
int openConnectionCount(const QString& path);

// How long a statement waits for another connection's lock before it gives
// up with "database is locked": long enough for another program's commit,
// short enough that the operator is told instead of facing a frozen window.
constexpr int kBusyTimeoutMs = 2000;

// A connection to one database file, opened by path. Several connections to
// one file work side by side: each waits (busy timeout) instead of failing
// when another holds a write lock briefly, and write transactions take their
// lock up front (BEGIN IMMEDIATE) so they cannot deadlock half-way.
class Connection {
  public:
    enum class Mode { ReadWrite, ReadOnly };

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens an existing Veyra file; throws Error with a clear text when the
    // file is missing, not a database, not a Veyra file, has another
    // password, or was made by a newer program (a newer format). An older
    // format opens as it is: bringToCurrentFormat (store/Format.h) upgrades it.
    void open(const QString& path, const QString& password = databasePassword(), Mode mode = Mode::ReadWrite);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    const QString& path() const { return path_; }
    sqlite3* handle() const { return db_; }
    // True when the engine opened the file read-only (a write-protected file).
    bool isReadOnly() const;

    // Runs one statement that returns no rows; returns the rows changed.
    int execute(const QString& sql, const QVariantList& params = {});
    // Runs one query and returns all rows.
    QList<QVariantList> select(const QString& sql, const QVariantList& params = {},
                               QStringList* columnNames = nullptr);
    // First column of the first row, null when there is none.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // Runs a script of several statements (schema files); no parameters.
    void executeScript(const QString& sql);

    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const;
    qint64 lastInsertRowId() const;

    // Columns of a table in order, from its declaration (cached).
    const QList<Column>& tableColumns(const QString& table);

    // Adopts a raw handle (files created by the factory before they carry a password).
    void adopt(sqlite3* db, const QString& path);

  private:
    void configure();
    sqlite3* db_ = nullptr;
    QString path_;
    QHash<QString, QList<Column>> columnCache_;
};

// Rolls back unless commit() was called; every transaction of the program
// goes through one of these so that no error path leaves one open. The same
// guard serves the server register's connection (ServerTransaction).
template <class C>
class TransactionOn {
  public:
    explicit TransactionOn(C& c) : c_(c) { c_.beginTransaction(); }
    ~TransactionOn() {
        if (!done_) {
            try {
                c_.rollback();
            } catch (...) {
            }
        }
    }
    void commit() {
        c_.commit();
        done_ = true;
    }
    void rollback() {
        done_ = true;
        c_.rollback();
    }

    TransactionOn(const TransactionOn&) = delete;
    TransactionOn& operator=(const TransactionOn&) = delete;

  private:
    C& c_;
    bool done_ = false;
};
using Transaction = TransactionOn<Connection>;

// Adds mid() (1-based, like substr) to a raw connection.
void registerFunctions(sqlite3* db);

// Verifier of a password with a salt, as stored in a file's veyra_meta table.
QByteArray passwordVerifier(const QByteArray& salt, const QString& password);

}  // namespace store
