#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>

namespace store {

class Connection;
class Statement;

// Rows read one at a time by one prepared statement and kept for a while: a
// grid asks again for the rows it shows at every repaint.
class RowCache {
  public:
    RowCache();
    ~RowCache();

    // Forgets the rows and the statement; `sql` is prepared at the first use.
    void reset(Connection* connection, const QString& sql);
    void clear() { rows_.clear(); }
    void forget(qint64 key) { rows_.remove(key); }
    // The prepared statement (for its columns, say).
    Statement& statement() const;
    // The row under `key`, read with `params` when not kept. A row the
    // statement no longer finds (deleted through another connection) reads as
    // `columns` empty values until it is read again.
    QVariantList read(qint64 key, const QVariantList& params, int columns) const;

  private:
    Connection* connection_ = nullptr;
    QString sql_;
    mutable QHash<qint64, QVariantList> rows_;
    mutable std::unique_ptr<Statement> statement_;
};

}  // namespace store
