#include "store/KeyedQuery.h"

#include <sqlite3.h>

#include "store/Connection.h"
#include "store/Error.h"
#include "store/Statement.h"

namespace store {

KeyedQuery::KeyedQuery(Connection* connection, QObject* parent) : Dataset(connection, parent) {}

KeyedQuery::~KeyedQuery() = default;

void KeyedQuery::setSql(const QString& keySql, const QString& rowSql, int keyColumns,
                        const QVariantList& params) {
    if (isOpen()) close();
    keySql_ = keySql;
    rowSql_ = rowSql;
    stride_ = qMax(keyColumns, 1);
    params_ = params;
}

void KeyedQuery::runQuery(const QString& keySql, const QString& rowSql, int keyColumns,
                          const QVariantList& params) {
    close();
    setSql(keySql, rowSql, keyColumns, params);
    open();
}

void KeyedQuery::doOpen() {
    keys_.clear();
    rows_.reset(connection_, rowSql_);
    const Statement& fetch = rows_.statement();
    QList<Column> cols;
    for (int i = 0; i < fetch.columnCount(); ++i)
        cols.append(columnFromDeclaration(fetch.columnName(i), fetch.columnDeclType(i), false));
    Statement st(connection_->handle(), keySql_);
    if (st.columnCount() != stride_) throw Error("键查询的列数不符");
    st.bind(params_);
    sqlite3_stmt* s = st.handle();
    while (st.step())
        for (int i = 0; i < stride_; ++i) keys_.append(sqlite3_column_int64(s, i));
    st.reset();
    keys_.squeeze();
    setColumns(cols);
}

void KeyedQuery::doClose() {
    keys_.clear();
    keys_.squeeze();
    rows_.reset(nullptr, QString());
}

QVariantList KeyedQuery::fetchRow(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    QVariantList key;
    for (int i = 0; i < stride_; ++i) key.append(keys_[row * stride_ + i]);
    return rows_.read(row, key, columns_.size());
}

void KeyedQuery::doDelete(int row) {
    if (row < 0 || row >= rowCount()) return;
    keys_.remove(row * stride_, stride_);
    rows_.clear();  // kept by position: the rows after it moved up
}

QVariant KeyedQuery::rowKey(int row) const {
    QVariantList key;
    if (row < 0 || row >= rowCount()) return key;
    for (int i = 0; i < stride_; ++i) key.append(keys_[row * stride_ + i]);
    return key;
}

int KeyedQuery::findRowKey(const QVariant& key) const {
    const QVariantList k = key.toList();
    if (k.size() != stride_) return -1;
    for (int r = 0; r < rowCount(); ++r) {
        bool same = true;
        for (int i = 0; i < stride_ && same; ++i) same = keys_[r * stride_ + i] == k[i].toLongLong();
        if (same) return r;
    }
    return -1;
}

}  // namespace store
