#include "store/Dataset.h"

#include "store/Connection.h"
#include "store/Error.h"

namespace store {

Dataset::Dataset(Connection* connection, QObject* parent) : QObject(parent), connection_(connection) {}

Dataset::~Dataset() = default;

void Dataset::requireOpen() const {
    if (state_ == State::Inactive) throw Error("数据集未打开 (dataset is closed)");
}

void Dataset::setState(State s) {
    if (state_ == s) return;
    state_ = s;
    Q_EMIT stateChanged();
}

void Dataset::open() {
    if (isOpen()) return;
    if (!connection_ || !connection_->isOpen()) throw Error("数据库连接未打开");
    doOpen();
    modified_ = false;
    buffer_.clear();
    setState(State::Browse);
    current_ = knownRowCount() > 0 ? 0 : -1;
    eof_ = current_ < 0;
    Q_EMIT rowsReset();
    Q_EMIT currentChanged();
    Q_EMIT afterOpen();
    if (current_ >= 0) Q_EMIT afterScroll();
}

void Dataset::close() {
    if (!isOpen()) return;
    doClose();
    modified_ = false;
    buffer_.clear();
    current_ = -1;
    eof_ = true;
    setState(State::Inactive);
    Q_EMIT rowsReset();
    Q_EMIT currentChanged();
}

void Dataset::requery() {
    close();
    open();
}

void Dataset::doRefresh() {
    doClose();
    doOpen();
}

QVariant Dataset::rowKey(int row) const {
    return fetchRow(row);
}

int Dataset::findRowKey(const QVariant& key) const {
    const QVariantList wanted = key.toList();
    if (wanted.isEmpty() || columns_.isEmpty()) return -1;
    for (int h : findRows(0, wanted.value(0), false))
        if (fetchRow(h) == wanted) return h;
    return -1;
}

void Dataset::renumberRows(const std::function<int(int)>& newIndexOf) const {
    if (current_ >= 0) current_ = newIndexOf(current_);
    if (savedCurrent_ >= 0) savedCurrent_ = newIndexOf(savedCurrent_);
}

void Dataset::refresh() {
    requireOpen();
    checkBrowseMode();
    const QVariant key = current_ >= 0 ? rowKey(current_) : QVariant();
    const int oldIndex = current_;
    // The old index means nothing in the new rows: nothing is current until it is found again.
    current_ = -1;
    savedCurrent_ = -1;
    doRefresh();
    const int n = rowCount();
    int idx = key.isValid() ? findRowKey(key) : -1;
    if (idx < 0 && n > 0) idx = qBound(0, oldIndex, n - 1);
    current_ = n > 0 ? idx : -1;
    eof_ = current_ < 0;
    Q_EMIT rowsReset();
    Q_EMIT currentChanged();
}

int Dataset::recordCount() const {
    return isOpen() ? rowCount() : 0;
}

void Dataset::checkBrowseMode() {
    if (!isEditing()) return;
    if (modified_)
        post();
    else
        cancel();
}

void Dataset::moveCurrent(int row, bool raiseScroll) {
    current_ = row;
    Q_EMIT currentChanged();
    if (raiseScroll) Q_EMIT afterScroll();
}

void Dataset::first() {
    requireOpen();
    checkBrowseMode();
    eof_ = rowCount() == 0;
    if (rowCount() > 0) moveCurrent(0, true);
}

void Dataset::last() {
    requireOpen();
    checkBrowseMode();
    eof_ = true;
    if (rowCount() > 0) moveCurrent(rowCount() - 1, true);
}

void Dataset::next() {
    requireOpen();
    checkBrowseMode();
    const int n = rowCount();
    if (current_ + 1 < n) {
        eof_ = false;
        moveCurrent(current_ + 1, true);
    } else {
        eof_ = true;
    }
}

void Dataset::moveTo(int row) {
    requireOpen();
    if (row < 0 || row >= rowCount()) return;
    checkBrowseMode();
    eof_ = false;
    moveCurrent(row, true);
}

int Dataset::fieldIndex(const QString& name) const {
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

const Column& Dataset::column(const QString& name) const {
    const int i = fieldIndex(name);
    if (i < 0) throw Error(QString("找不到字段“%1” (field not found)").arg(name));
    return columns_[i];
}

QVariant Dataset::value(const QString& field) const {
    const int i = fieldIndex(field);
    if (i < 0) throw Error(QString("找不到字段“%1” (field not found)").arg(field));
    return value(i);
}

QVariant Dataset::value(int column) const {
    if (!isOpen() || column < 0 || column >= columns_.size()) {
        if (!isOpen()) throw Error("数据集未打开 (dataset is closed)");
        throw Error(QString("字段序号 %1 超出范围").arg(column));
    }
    if (isEditing()) return buffer_.value(column);
    if (current_ < 0) return {};
    return fetchRow(current_).value(column);
}

QString Dataset::text(const QString& field) const {
    const int i = fieldIndex(field);
    if (i < 0) throw Error(QString("找不到字段“%1” (field not found)").arg(field));
    return displayText(columns_[i], value(i));
}

QVariant Dataset::valueAt(int row, int column) const {
    if (!isOpen() || row < 0 || row >= rowCount()) return {};
    return fetchRow(row).value(column);
}

void Dataset::loadBuffer() {
    buffer_ = current_ >= 0 ? fetchRow(current_) : QVariantList();
    while (buffer_.size() < columns_.size()) buffer_.append(QVariant());
    assigned_ = QBitArray(int(columns_.size()));
}

void Dataset::insert() {
    requireOpen();
    checkBrowseMode();
    savedCurrent_ = current_;
    // The new row is a row of its own: no stored row is current until it is posted or cancelled.
    current_ = -1;
    buffer_.clear();
    for (int i = 0; i < columns_.size(); ++i) buffer_.append(QVariant());
    assigned_ = QBitArray(int(columns_.size()));
    modified_ = false;
    setState(State::Insert);
    Q_EMIT currentChanged();
}

void Dataset::edit() {
    requireOpen();
    if (isEditing()) return;
    if (current_ < 0) {
        insert();
        return;
    }
    loadBuffer();
    modified_ = false;
    setState(State::Edit);
}

void Dataset::setValue(const QString& field, const QVariant& v) {
    const int i = fieldIndex(field);
    if (i < 0) throw Error(QString("找不到字段“%1” (field not found)").arg(field));
    setValue(i, v);
}

void Dataset::setValue(int column, const QVariant& v) {
    requireOpen();
    if (!isEditing()) throw Error("数据集不在编辑或插入状态 (dataset not in edit or insert mode)");
    if (column < 0 || column >= columns_.size()) throw Error(QString("字段序号 %1 超出范围").arg(column));
    const QVariant converted = convertForColumn(columns_[column], v);
    buffer_[column] = converted;
    assigned_.setBit(column);
    modified_ = true;
    Q_EMIT currentChanged();
}

int Dataset::doPost(bool, int, const QVariantList&, const QBitArray&) {
    throw Error("数据集是只读的 (dataset is read-only)");
}

void Dataset::doDelete(int) {
    throw Error("数据集是只读的 (dataset is read-only)");
}

void Dataset::post() {
    requireOpen();
    if (!isEditing()) return;
    Q_EMIT aboutToPost();
    const bool inserting = state_ == State::Insert;
    // On failure the row stays as it was, still inserting or editing.
    const int stored = doPost(inserting, inserting ? -1 : current_, buffer_, assigned_);
    modified_ = false;
    buffer_.clear();
    current_ = stored;
    eof_ = current_ < 0;
    setState(State::Browse);
    if (inserting) Q_EMIT rowsReset();
    Q_EMIT currentChanged();
}

void Dataset::cancel() {
    if (!isEditing()) return;
    const bool inserting = state_ == State::Insert;
    modified_ = false;
    buffer_.clear();
    if (inserting) {
        const int n = knownRowCount();
        current_ = savedCurrent_ < n ? savedCurrent_ : n - 1;
    }
    setState(State::Browse);
    Q_EMIT currentChanged();
}

bool Dataset::remove() {
    requireOpen();
    if (state_ == State::Insert) {
        cancel();
        return true;
    }
    if (current_ < 0) throw Error("没有可删除的记录 (no record to delete)");
    if (beforeDelete && !beforeDelete()) return false;
    if (state_ == State::Edit) cancel();
    // The row after the deleted one becomes current: positions are needed.
    needPositions();
    doDelete(current_);
    const int n = rowCount();
    current_ = n == 0 ? -1 : qMin(current_, n - 1);
    eof_ = current_ < 0;
    Q_EMIT rowsReset();
    Q_EMIT currentChanged();
    return true;
}

QList<int> Dataset::findRows(int column, const QVariant& value, bool firstOnly) const {
    QList<int> hits;
    const int n = rowCount();
    for (int r = 0; r < n; ++r) {
        const QVariant v = fetchRow(r).value(column);
        if (v.isNull() || value.isNull()) {
            if (v.isNull() && value.isNull()) hits.append(r);
        } else if (v.typeId() == QMetaType::QString || value.typeId() == QMetaType::QString) {
            if (v.toString() == value.toString()) hits.append(r);
        } else if (v == value) {
            hits.append(r);
        }
        if (firstOnly && !hits.isEmpty()) break;
    }
    return hits;
}

bool Dataset::locate(const QString& field, const QVariant& value) {
    requireOpen();
    const int col = fieldIndex(field);
    if (col < 0) throw Error(QString("找不到字段“%1” (field not found)").arg(field));
    checkBrowseMode();
    QVariant v;
    try {
        v = convertForColumn(columns_[col], value);
    } catch (const Error&) {
        return false;  // a value the column cannot hold matches nothing
    }
    return moveToFound([&] { return findRows(col, v, true).value(0, -1); });
}

bool Dataset::moveToFound(const std::function<int()>& find) {
    requireOpen();
    checkBrowseMode();
    const int row = find();
    if (row < 0) return false;
    eof_ = false;
    moveCurrent(row, true);
    return true;
}

QVariant Dataset::lookup(const QString& keyField, const QVariant& keyValue,
                         const QString& resultField) const {
    requireOpen();
    const int key = fieldIndex(keyField);
    const int res = fieldIndex(resultField);
    if (key < 0) throw Error(QString("找不到字段“%1” (field not found)").arg(keyField));
    if (res < 0) throw Error(QString("找不到字段“%1” (field not found)").arg(resultField));
    QVariant k;
    try {
        k = convertForColumn(columns_[key], keyValue);
    } catch (const Error&) {
        return {};  // a value the column cannot hold matches nothing
    }
    const QList<int> hits = findRows(key, k, true);
    if (hits.isEmpty()) return {};
    return fetchRow(hits.first()).value(res);
}

}  // namespace store
