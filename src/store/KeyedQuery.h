#pragma once

#include <QVector>

#include "store/Dataset.h"
#include "store/RowCache.h"

namespace store {

// A list for a grid over a large register: at open it keeps only the keys of
// its rows (a few integers each, in list order) and reads a row when it is
// shown. A million rows cost their keys, not their values.
//
// keySql (with params) yields keyColumns integer columns per row, in list
// order; rowSql takes those keys as its only parameters and yields the row. remove() drops the current row
// from the list only: the window deletes the stored rows itself and need not read the list again.
class KeyedQuery : public Dataset {
    Q_OBJECT
  public:
    explicit KeyedQuery(Connection* connection, QObject* parent = nullptr);
    ~KeyedQuery() override;

    void setSql(const QString& keySql, const QString& rowSql, int keyColumns,
                const QVariantList& params = {});
    // Close, replace the statements, open.
    void runQuery(const QString& keySql, const QString& rowSql, int keyColumns,
                  const QVariantList& params = {});
    const QString& keySql() const { return keySql_; }
    const QString& rowSql() const { return rowSql_; }

  protected:
    void doOpen() override;
    void doClose() override;
    int rowCount() const override { return stride_ > 0 ? int(keys_.size() / stride_) : 0; }
    QVariantList fetchRow(int row) const override;
    void doDelete(int row) override;
    QVariant rowKey(int row) const override;
    int findRowKey(const QVariant& key) const override;

  private:
    QString keySql_;
    QString rowSql_;
    QVariantList params_;
    int stride_ = 1;
    QVector<qint64> keys_;  // stride_ per row
    RowCache rows_;         // by row position
};

}  // namespace store
