#pragma once

#include <QHash>
#include <QVector>
#include <memory>

#include "store/Dataset.h"

namespace store {

class Statement;

// A dataset over one table: all rows in stored order, all columns. It keeps
// only the row ids and reads a row when it is needed, so a table of 100,000
// persons opens in milliseconds.
class Table : public Dataset {
    Q_OBJECT
public:
    Table(Connection* connection, const QString& tableName, QObject* parent = nullptr);
    ~Table() override;

    const QString& tableName() const { return tableName_; }
    // Row id of the current row (0 when none).
    qint64 currentRowId() const;

protected:
    void doOpen() override;
    void doClose() override;
    int rowCount() const override { return int(rowIds_.size()); }
    QVariantList fetchRow(int row) const override;
    int doPost(bool inserting, int row, const QVariantList& buffer, const QBitArray& assigned) override;
    void doDelete(int row) override;
    QList<int> findRows(int column, const QVariant& value, bool firstOnly) const override;
    QVariant rowKey(int row) const override { return rowIds_.value(row); }
    int findRowKey(const QVariant& key) const override { return indexOfRowId(key.toLongLong()); }

private:
    int indexOfRowId(qint64 id) const;
    QString quotedTable() const;

    QString tableName_;
    QVector<qint64> rowIds_;
    mutable QHash<qint64, QVariantList> cache_;
    mutable std::unique_ptr<Statement> fetch_;
};

}  // namespace store
