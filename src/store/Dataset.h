#pragma once

#include <QBitArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

#include "store/Column.h"

namespace store {

class Connection;

// A row set with a current row: the vocabulary every window uses. Rows are
// read when the dataset opens and seen again after requery or refresh; the
// current row can be inserted, edited, posted, cancelled and deleted.
class Dataset : public QObject {
    Q_OBJECT
  public:
    enum class State { Inactive, Browse, Insert, Edit };

    explicit Dataset(Connection* connection, QObject* parent = nullptr);
    ~Dataset() override;

    Connection* connection() const { return connection_; }

    void open();
    void close();
    void requery();
    // Reads the rows again, staying on the same row where it still exists.
    void refresh();
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    bool isEditing() const { return state_ == State::Insert || state_ == State::Edit; }

    int recordCount() const;
    // Index of the current stored row; -1 when there is none, and while
    // inserting (the new row is none of the stored rows; cancel returns to
    // the row that was current before).
    int recNo() const {
        needPositions();
        return current_;
    }
    bool isEmpty() const { return recordCount() == 0; }
    bool eof() const { return eof_; }

    void first();
    void next();
    void last();
    // Moves to a row by index (a grid selecting a row); raises after-scroll.
    void moveTo(int row);

    const QList<Column>& columns() const { return columns_; }
    int fieldCount() const { return int(columns_.size()); }
    // Column index by name, without regard to case; -1 when absent.
    int fieldIndex(const QString& name) const;
    const Column& column(const QString& name) const;

    // Value of the current row (the edit buffer while inserting or editing).
    QVariant value(const QString& field) const;
    QVariant value(int column) const;
    // Display text of a value (dates in the short date form, null empty).
    QString text(const QString& field) const;
    // For grids: a value of any row, without moving.
    QVariant valueAt(int row, int column) const;

    void insert();
    void edit();
    void setValue(const QString& field, const QVariant& value);
    void setValue(int column, const QVariant& value);
    void post();
    void cancel();
    // Deletes the current row at once; false when beforeDelete refused.
    bool remove();
    bool modified() const { return modified_; }

    bool locate(const QString& field, const QVariant& value);
    QVariant lookup(const QString& keyField, const QVariant& keyValue, const QString& resultField) const;

    // Asked before any deletion; returning false refuses it.
    std::function<bool()> beforeDelete;

  Q_SIGNALS:
    void afterScroll();
    void afterOpen();
    void stateChanged();
    // The current row's values changed or another row became current.
    void currentChanged();
    // The set of rows changed (open, close, refresh, post of a new row, delete).
    void rowsReset();
    // Bound editors write pending text into the row now.
    void aboutToPost();

  protected:
    // Subclasses load their rows (or keyset) and set columns_.
    virtual void doOpen() = 0;
    virtual void doClose() = 0;
    // Every row of the dataset. A dataset that learns its rows late may
    // renumber the rows it holds here: read it before reading an index.
    virtual int rowCount() const = 0;
    // The rows addressable without learning all of them; rows 0..n-1 of the
    // current numbering.
    virtual int knownRowCount() const { return rowCount(); }
    // Called before an index is given out (recNo): a late dataset learns its rows.
    virtual void needPositions() const {}
    virtual QVariantList fetchRow(int row) const = 0;
    // Stores the buffer; returns the index of the stored row.
    virtual int doPost(bool inserting, int row, const QVariantList& buffer, const QBitArray& assigned);
    virtual void doDelete(int row);
    // Indexes of rows whose field equals value, in row order.
    virtual QList<int> findRows(int column, const QVariant& value, bool firstOnly) const;
    virtual void doRefresh();
    // What identifies a row across a refresh (a table's row id; a query's whole row).
    virtual QVariant rowKey(int row) const;
    virtual int findRowKey(const QVariant& key) const;

    void setColumns(const QList<Column>& c) { columns_ = c; }
    void requireOpen() const;
    // Stores or drops a pending edit, then moves to the row find() gives
    // (after-scroll); false, without moving, when it gives -1.
    bool moveToFound(const std::function<int()>& find);
    // The current row's index without asking for positions.
    int currentIndex() const { return current_; }
    // A subclass that renumbered its rows maps every index the dataset holds.
    void renumberRows(const std::function<int(int)>& newIndexOf) const;

    Connection* connection_;
    QList<Column> columns_;

  private:
    void checkBrowseMode();
    void setState(State s);
    void moveCurrent(int row, bool raiseScroll);
    void loadBuffer();

    State state_ = State::Inactive;
    // mutable: renumbering keeps the same row current, so it is no change.
    mutable int current_ = -1;
    mutable int savedCurrent_ = -1;
    bool eof_ = true;
    bool modified_ = false;
    QVariantList buffer_;
    QBitArray assigned_;
};

}  // namespace store
