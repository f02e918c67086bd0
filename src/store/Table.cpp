#include "store/Table.h"

#include <sqlite3.h>

#include <algorithm>

#include "store/Connection.h"
#include "store/Error.h"
#include "store/Format.h"
#include "store/Statement.h"

namespace store {
namespace {

QString quoteIdent(const QString& s) {
    QString q = s;
    q.replace('"', "\"\"");
    return '"' + q + '"';
}

// noCase: the column compares text without regard to ASCII letter case, as the engine did.
bool sameValue(const QVariant& a, const QVariant& b, bool noCase) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return noCase ? sameKey(a.toString(), b.toString()) : a.toString() == b.toString();
    return a == b;
}

bool noCaseColumn(sqlite3* db, const QString& table, const QString& column) {
    const char* collation = nullptr;
    return sqlite3_table_column_metadata(db, "main", table.toUtf8().constData(), column.toUtf8().constData(),
                                         nullptr, &collation, nullptr, nullptr, nullptr) == SQLITE_OK &&
           collation && qstricmp(collation, "NOCASE") == 0;
}
}  // namespace

Table::Table(Connection* connection, const QString& tableName, QObject* parent)
    : Dataset(connection, parent), tableName_(tableName) {}

Table::~Table() = default;

QString Table::quotedTable() const {
    return quoteIdent(tableName_);
}

qint64 Table::currentRowId() const {
    const int r = currentIndex();
    return r >= 0 && r < rowIds_.size() ? rowIds_[r] : 0;
}

bool Table::locateRowId(qint64 id) {
    return moveToFound([&] { return learnRow(id, false); });
}

void Table::doOpen() {
    setColumns(connection_->tableColumns(tableName_));
    rowIds_.clear();
    rows_.reset(connection_, "SELECT * FROM " + quotedTable() + " WHERE rowid = ?");
    // The first row to stand on and the end of the snapshot: two seeks, whatever the table holds.
    Statement st(connection_->handle(), "SELECT (SELECT min(rowid) FROM " + quotedTable() +
                                            "), (SELECT max(rowid) FROM " + quotedTable() + ")");
    st.step();
    const bool empty = sqlite3_column_type(st.handle(), 0) == SQLITE_NULL;
    if (!empty) rowIds_.append(sqlite3_column_int64(st.handle(), 0));
    lastAtOpen_ = empty ? 0 : sqlite3_column_int64(st.handle(), 1);
    st.reset();
    allRows_ = empty;
}

void Table::doClose() {
    rowIds_.clear();
    rowIds_.squeeze();
    allRows_ = false;
    lastAtOpen_ = 0;
    rows_.reset(nullptr, QString());
}

int Table::rowCount() const {
    learnAllRows();
    return int(rowIds_.size());
}

int Table::indexOfRowId(qint64 id) const {
    const auto it = std::lower_bound(rowIds_.begin(), rowIds_.end(), id);
    return it != rowIds_.end() && *it == id ? int(it - rowIds_.begin()) : -1;
}

int Table::learnRow(qint64 id, bool stored) const {
    const auto it = std::lower_bound(rowIds_.begin(), rowIds_.end(), id);
    const int pos = int(it - rowIds_.begin());
    if (it != rowIds_.end() && *it == id) return pos;
    if (allRows_ || id > lastAtOpen_) return -1;
    if (!stored) {
        Statement st(connection_->handle(), "SELECT 1 FROM " + quotedTable() + " WHERE rowid = ?");
        st.bind(1, id);
        const bool found = st.step();
        st.reset();
        if (!found) return -1;
    }
    rowIds_.insert(pos, id);
    renumberRows([pos](int i) { return i >= pos ? i + 1 : i; });
    return pos;
}

void Table::learnAllRows() const {
    if (allRows_ || !isOpen()) return;
    // The rows of the snapshot, and every row already known (a row stored
    // here, or one deleted elsewhere since it was visited) keeps its place.
    QVector<qint64> ids;
    Statement st(connection_->handle(),
                 "SELECT rowid FROM " + quotedTable() + " WHERE rowid <= ? ORDER BY rowid");
    st.bind(1, lastAtOpen_);
    while (st.step()) ids.append(sqlite3_column_int64(st.handle(), 0));
    st.reset();
    QVector<qint64> merged;
    merged.reserve(ids.size() + rowIds_.size());
    std::set_union(ids.begin(), ids.end(), rowIds_.begin(), rowIds_.end(), std::back_inserter(merged));
    const QVector<qint64> known = rowIds_;
    rowIds_ = std::move(merged);
    allRows_ = true;
    renumberRows([this, &known](int i) { return i < known.size() ? indexOfRowId(known[i]) : -1; });
}

int Table::findRowKey(const QVariant& key) const {
    return learnRow(key.toLongLong(), false);
}

QVariantList Table::fetchRow(int row) const {
    if (row < 0 || row >= rowIds_.size()) return {};
    const qint64 id = rowIds_[row];
    return rows_.read(id, {id}, columns_.size());
}

int Table::doPost(bool inserting, int row, const QVariantList& buffer, const QBitArray& assigned) {
    QStringList names;
    QVariantList params;
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns_[i].kind == Column::Kind::Serial) continue;  // the database assigns it
        if (!assigned.testBit(i)) continue;
        names.append(quoteIdent(columns_[i].name));
        params.append(buffer.value(i));
    }
    if (inserting) {
        QString sql;
        if (names.isEmpty()) {
            sql = "INSERT INTO " + quotedTable() + " DEFAULT VALUES";
        } else {
            QStringList marks;
            for (int i = 0; i < names.size(); ++i) marks.append("?");
            sql = "INSERT INTO " + quotedTable() + " (" + names.join(", ") + ") VALUES (" + marks.join(", ") +
                  ")";
        }
        Statement st(connection_->handle(), sql);
        st.exec(params);
        const qint64 id = connection_->lastInsertRowId();
        const auto pos = std::lower_bound(rowIds_.begin(), rowIds_.end(), id);
        const int idx = int(pos - rowIds_.begin());
        rowIds_.insert(idx, id);
        renumberRows([idx](int i) { return i >= idx ? i + 1 : i; });
        rows_.forget(id);
        return idx;
    }
    if (names.isEmpty()) return row;
    const qint64 id = rowIds_[row];
    QStringList sets;
    for (const QString& n : names) sets.append(n + " = ?");
    params.append(id);
    Statement st(connection_->handle(),
                 "UPDATE " + quotedTable() + " SET " + sets.join(", ") + " WHERE rowid = ?");
    const int changed = st.exec(params);
    rows_.forget(id);
    if (changed == 0) throw Error("记录已被其他用户删除 (the row no longer exists)");
    return row;
}

void Table::doDelete(int row) {
    const qint64 id = rowIds_[row];
    Statement st(connection_->handle(), "DELETE FROM " + quotedTable() + " WHERE rowid = ?");
    st.exec({id});
    rowIds_.remove(row);
    rows_.forget(id);
}

QList<int> Table::findRows(int column, const QVariant& value, bool firstOnly) const {
    // Let the engine (and its indexes) find candidates; keep those in our snapshot.
    // The first hit is learnt alone; all hits are positions among all rows.
    if (!firstOnly) learnAllRows();
    QList<int> hits;
    const QString col = quoteIdent(columns_[column].name);
    const QString sql =
        value.isNull()
            ? "SELECT rowid FROM " + quotedTable() + " WHERE " + col + " IS NULL ORDER BY rowid"
            : "SELECT rowid, " + col + " FROM " + quotedTable() + " WHERE " + col + " = ? ORDER BY rowid";
    Statement st(connection_->handle(), sql);
    if (!value.isNull()) st.bind(1, value);
    // A locate follows the column's own rule, as every statement on it does.
    const bool noCase =
        !value.isNull() && noCaseColumn(connection_->handle(), tableName_, columns_[column].name);
    while (st.step()) {
        const qint64 id = sqlite3_column_int64(st.handle(), 0);
        if (!value.isNull() && !sameValue(st.value(1), value, noCase)) continue;
        const int idx = learnRow(id, true);
        if (idx < 0) continue;
        hits.append(idx);
        if (firstOnly) break;
    }
    st.reset();
    return hits;
}

}  // namespace store
