#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>

#include "store/Dataset.h"

namespace ui {

struct GridColumn {
    QString field;
    QString title;
    int width = 0;  // pixels; 0 = default
};

// Table model over a dataset: one row per row of the dataset, values read
// when painted (a table dataset fetches them on demand).
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    DatasetModel(store::Dataset* dataset, QList<GridColumn> columns, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    void setGridColumns(QList<GridColumn> columns);
    const QList<GridColumn>& gridColumns() const { return columns_; }
    // The grid row of the dataset's current row: the extra last row while
    // a new row is being inserted; -1 for none.
    int currentModelRow() const;
    // The extra row of a row being inserted, -1 when none is.
    int newRow() const;

  private:
    QPointer<store::Dataset> ds_;
    QList<GridColumn> columns_;
    bool showsNewRow_ = false;
};

// A read-only grid, whole-row selection, several rows selectable. Its
// current row is the dataset's current row; the selection is separate.
class DBGrid : public QTableView {
    Q_OBJECT
  public:
    DBGrid(store::Dataset* dataset, QList<GridColumn> columns, QWidget* parent = nullptr);

    store::Dataset* dataset() const { return ds_; }
    DatasetModel* datasetModel() const { return model_; }
    // Selected rows in ascending order.
    QList<int> selectedRows() const;
    void setMultiSelect(bool on);
    // Whether the program moving the dataset also selects the row. Lists whose
    // commands act on "the selected rows" turn this off: nothing is selected
    // until the operator selects.
    void setSelectionFollowsCurrent(bool on) { selectionFollows_ = on; }
    // Columns as wide as their captions and the values shown, at the current
    // font (and never narrower than their described widths): fitted after
    // each reading of the rows and on a change of font, widened as scrolling
    // brings wider values into view.
    void setColumnsFitContents(bool on);

  Q_SIGNALS:
    void rowDoubleClicked(int row);
    // A double click anywhere in the grid: on a row, below the rows, in an empty grid.
    void gridDoubleClicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    void followDataset();
    // Fits the columns to the rows in view; widening only, or from their described widths.
    void fitColumns(bool widenOnly);
    bool fitColumns_ = false;
    QPointer<store::Dataset> ds_;
    DatasetModel* model_;
    bool syncing_ = false;
    bool selectionFollows_ = true;
};

}  // namespace ui
