#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

#include "store/Connection.h"

struct pg_conn;

namespace store {

// A shared register on a PostgreSQL server is named by "postgresql:"
// followed by a libpq connection string ("postgresql:host=db.example
// dbname=veyra sslmode=verify-full") or a service ("postgresql:service=veyra");
// a whole URI ("postgresql://db.example/veyra") names one too.
bool isServerAddress(const QString& text);
// The libpq connection string of an address. Throws Error in words when it
// is not one, cannot be read, or carries a password: passwords belong in
// libpq's password or service file, never in a setting or a command line.
QString serverConninfo(const QString& address);

// The shared register the Register setting names; empty when the setting
// is absent (the working database in the current directory, as ever).
// Throws Error in words for a value that names neither, or an address with a
// password.
QString serverRegisterSetting();

// The schema version of a server register, in its veyra_meta.format.
// 1: the register tables with a row version, keys unique without regard to
// ASCII letter case, the code tables and the two print views.
constexpr int kServerFormat = 1;

// How long a statement waits for a row another desk has locked before it
// gives up ("lock wait timeout"): a save never hangs on a desk gone to lunch.
constexpr int kServerLockTimeoutMs = 10000;

// A connection to a register on a PostgreSQL server, over libpq. Statements
// take their values as parameters ($1, $2, ... or ?, never spliced into the
// text) and are prepared once per connection. Results come back as the
// SQLite register gives them: whole numbers as qlonglong, other numbers as
// double, dates as "yyyy-MM-dd" text, text as QString, null as a null
// QVariant. Every failure throws Error with the server's SQLSTATE, which
// errorText turns into the operator's words; a connection lost outside a
// transaction is made again by the next statement.
class ServerConnection {
  public:
    ServerConnection();
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Connects to the database an address names, whatever it holds (the
    // register's creation starts from an empty one).
    void connect(const QString& address);
    // Connects and checks that the database holds a Veyra register of a
    // format this program knows; throws Error in words otherwise.
    void open(const QString& address);
    void close();
    bool isOpen() const { return conn_ != nullptr; }
    // The address as given, for messages (it never holds a password).
    const QString& address() const { return address_; }
    pg_conn* handle() const { return conn_; }
    // The server process serving this connection.
    int backendPid() const;

    // Runs one statement; returns the rows it changed (or returned).
    int execute(const QString& sql, const QVariantList& params = {});
    QList<QVariantList> select(const QString& sql, const QVariantList& params = {},
                               QStringList* columnNames = nullptr);
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // Hands the rows of a query over one at a time, without holding the
    // whole result (a register of a million persons).
    void forEachRow(const QString& sql, const QVariantList& params,
                    const std::function<void(const QVariantList&)>& row);
    // Runs a script of several statements (schema files); no parameters.
    void executeScript(const QString& sql);
    // Loads rows into a table through COPY: `next` fills one row (values in
    // the order of `columns`) and returns false when there are no more.
    // Returns the rows loaded.
    qint64 copyIn(const QString& table, const QStringList& columns,
                  const std::function<bool(QVariantList&)>& next);

    void beginTransaction(const QString& mode = QString());
    void commit();
    void rollback();
    bool inTransaction() const { return inTransaction_; }

  private:
    struct Result;
    void configure();
    void ensureConnected();
    Result run(const QString& sql, const QVariantList& params);
    [[noreturn]] void fail(const Result& r, bool duringCommit = false);
    [[noreturn]] void failConnection(const QString& sqlState);

    pg_conn* conn_ = nullptr;
    QString address_;
    bool inTransaction_ = false;
    QHash<QString, QByteArray> prepared_;
};

using ServerTransaction = TransactionOn<ServerConnection>;

}  // namespace store
