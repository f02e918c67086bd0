#include "ui/DBGrid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "ui/Guard.h"

namespace ui {

DatasetModel::DatasetModel(store::Dataset* dataset, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), ds_(dataset), columns_(std::move(columns)) {
    connect(dataset, &store::Dataset::rowsReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(dataset, &store::Dataset::currentChanged, this, [this] {
        const int r = currentModelRow();
        if (r >= 0 && r < rowCount()) Q_EMIT dataChanged(index(r, 0), index(r, columnCount() - 1));
    });
    // A row being inserted is a row of its own, below the stored ones.
    connect(dataset, &store::Dataset::stateChanged, this, [this] {
        const bool inserting = ds_ && ds_->state() == store::Dataset::State::Insert;
        if (inserting == showsNewRow_) return;
        beginResetModel();
        showsNewRow_ = inserting;
        endResetModel();
    });
}

int DatasetModel::newRow() const {
    return showsNewRow_ && ds_ ? ds_->recordCount() : -1;
}

int DatasetModel::currentModelRow() const {
    if (!ds_ || !ds_->isOpen()) return -1;
    return showsNewRow_ ? newRow() : ds_->recNo();
}

void DatasetModel::setGridColumns(QList<GridColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !ds_ || !ds_->isOpen()) return 0;
    return ds_->recordCount() + (showsNewRow_ ? 1 : 0);
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !ds_ || !ds_->isOpen()) return {};
    const int col = ds_->fieldIndex(columns_.value(index.column()).field);
    if (col < 0) return {};
    // The row being edited or inserted shows the edit buffer; no other row does.
    const bool buffered = ds_->isEditing() && index.row() == currentModelRow();
    const QVariant v = buffered ? ds_->value(col) : ds_->valueAt(index.row(), col);
    return store::displayText(ds_->columns()[col], v);
}

QVariant DatasetModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal) {
        const GridColumn& c = columns_.value(section);
        return c.title.isEmpty() ? c.field : c.title;
    }
    return {};
}

DBGrid::DBGrid(store::Dataset* dataset, QList<GridColumn> columns, QWidget* parent)
    : QTableView(parent), ds_(dataset), model_(new DatasetModel(dataset, columns, this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].width > 0) setColumnWidth(i, columns[i].width);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now, const QModelIndex&) {
                if (syncing_ || !now.isValid() || !ds_ || !ds_->isOpen()) return;
                if (now.row() != model_->currentModelRow()) {
                    // Moving posts a changed row; a refused post (or a failing
                    // after-scroll) is shown and the grid goes back to the dataset's row.
                    syncing_ = true;
                    const bool moved = guarded(this, [&] { ds_->moveTo(now.row()); });
                    syncing_ = false;
                    if (!moved) QMetaObject::invokeMethod(this, &DBGrid::followDataset, Qt::QueuedConnection);
                }
            });
    connect(dataset, &store::Dataset::currentChanged, this, &DBGrid::followDataset);
    connect(model_, &QAbstractItemModel::modelReset, this, &DBGrid::followDataset);
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& i) { Q_EMIT rowDoubleClicked(i.row()); });
}

void DBGrid::setColumnsFitContents(bool on) {
    if (fitColumns_ == on) return;
    fitColumns_ = on;
    if (!on) return;
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { fitColumns(false); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { fitColumns(true); });
    fitColumns(false);
}

void DBGrid::fitColumns(bool widenOnly) {
    if (!fitColumns_) return;
    // Only the rows in view are read: a list of many thousands costs no more.
    const int rows = model_->rowCount();
    const int first = std::max(0, rowAt(0));
    int last = rowAt(viewport()->height() - 1);
    if (last < 0)
        last = std::min(rows, first + std::max(1, viewport()->height() / std::max(1, rowHeight(0)))) - 1;
    const QList<GridColumn>& described = model_->gridColumns();
    for (int c = 0; c < model_->columnCount(); ++c) {
        int width =
            std::max(horizontalHeader()->sectionSizeHint(c), widenOnly ? columnWidth(c) : described[c].width);
        for (int r = first; r <= last && r < rows; ++r)
            width = std::max(width, sizeHintForIndex(model_->index(r, c)).width() + (showGrid() ? 1 : 0));
        if (width != columnWidth(c)) setColumnWidth(c, width);
    }
}

void DBGrid::changeEvent(QEvent* e) {
    QTableView::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
        fitColumns(false);
    }
}

void DBGrid::setMultiSelect(bool on) {
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void DBGrid::followDataset() {
    if (syncing_ || !ds_) return;
    const int r = model_->currentModelRow();
    if (r < 0 || r >= model_->rowCount()) return;
    if (currentIndex().row() == r) return;
    syncing_ = true;
    selectionModel()->setCurrentIndex(model_->index(r, 0),
                                      selectionFollows_
                                          ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                          : QItemSelectionModel::NoUpdate);
    syncing_ = false;
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    QTableView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton) Q_EMIT gridDoubleClicked();
}

QList<int> DBGrid::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows()) rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace ui
