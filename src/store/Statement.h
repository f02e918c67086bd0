#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

// A prepared statement that finalizes itself. step() throws on any error;
// reset() is checked too. Nothing keeps a read open between calls: callers
// reset (or destroy) the statement once they have read what they need, so no
// read lock blocks another connection's commit.
class Statement {
  public:
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(const QVariantList& params);
    void bind(int index, const QVariant& value);  // 1-based
    // True while a row is available.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int i) const;
    QString columnDeclType(int i) const;
    QVariant value(int i) const;
    QVariantList row() const;

    // Runs to completion after binding params; returns sqlite3_changes.
    int exec(const QVariantList& params = {});

    sqlite3_stmt* handle() const { return stmt_; }
    const QString& sql() const { return sql_; }

  private:
    [[noreturn]] void fail(int rc) const;
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    QString sql_;
};

// The engine's message for the connection's last error.
QString engineMessage(sqlite3* db, int rc);

}  // namespace store
