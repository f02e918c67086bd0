#pragma once

#include <QVector>

#include "store/Dataset.h"
#include "store/RowCache.h"

namespace store {

// A dataset over one table: all rows in stored order, all columns. It opens
// knowing only its first row and learns the rows it is moved to (a locate, a
// stored row); the row ids of the whole table are read only when positions
// are asked for (a count, a step, a grid). Opening, locating, editing and
// storing a row cost the same in a register of ten persons or a million.
class Table : public Dataset {
    Q_OBJECT
  public:
    Table(Connection* connection, const QString& tableName, QObject* parent = nullptr);
    ~Table() override;

    const QString& tableName() const { return tableName_; }
    // Row id of the current row (0 when none).
    qint64 currentRowId() const;
    // Makes the row with this id current (after-scroll); false when it is not stored.
    bool locateRowId(qint64 id);

  protected:
    void doOpen() override;
    void doClose() override;
    int rowCount() const override;
    int knownRowCount() const override { return int(rowIds_.size()); }
    void needPositions() const override { learnAllRows(); }
    QVariantList fetchRow(int row) const override;
    int doPost(bool inserting, int row, const QVariantList& buffer, const QBitArray& assigned) override;
    void doDelete(int row) override;
    QList<int> findRows(int column, const QVariant& value, bool firstOnly) const override;
    QVariant rowKey(int row) const override { return rowIds_.value(row); }
    int findRowKey(const QVariant& key) const override;

  private:
    int indexOfRowId(qint64 id) const;
    // Index of a stored row, learning it when it is not yet known; -1 when it is not stored.
    // stored: the engine has just returned the row.
    int learnRow(qint64 id, bool stored) const;
    void learnAllRows() const;
    void readAllRowIds() const;
    QString quotedTable() const;

    QString tableName_;
    // Sorted. Every row id once allRows_, else the first row and those visited since open.
    mutable QVector<qint64> rowIds_;
    mutable bool allRows_ = false;
    // The largest row id at open: rows stored elsewhere later are not rows of this snapshot.
    qint64 lastAtOpen_ = 0;
    RowCache rows_;  // by row id
};

}  // namespace store
