#include "store/Query.h"

#include <QRegularExpression>

#include "store/Connection.h"
#include "store/Error.h"
#include "store/Statement.h"

namespace store {

Query::Query(Connection* connection, QObject* parent) : Dataset(connection, parent) {}

void Query::setSql(const QString& sql, const QVariantList& params) {
    if (isOpen()) close();
    sql_ = sql;
    params_ = params;
}

void Query::runQuery(const QString& sql, const QVariantList& params) {
    close();
    setSql(sql, params);
    open();
}

int Query::execSql() {
    if (!connection_ || !connection_->isOpen()) throw Error("数据库连接未打开");
    return connection_->execute(sql_, params_);
}

int Query::execSql(const QString& sql, const QVariantList& params) {
    setSql(sql, params);
    return execSql();
}

QString Query::effectiveSql(QVariantList* params) const {
    *params = params_;
    return sql_;
}

void Query::doOpen() {
    QVariantList params;
    const QString sql = effectiveSql(&params);
    Statement st(connection_->handle(), sql);
    st.bind(params);
    QList<Column> cols;
    for (int i = 0; i < st.columnCount(); ++i)
        cols.append(columnFromDeclaration(st.columnName(i), st.columnDeclType(i), false));
    rows_.clear();
    while (st.step()) rows_.append(st.row());
    st.reset();
    setColumns(cols);
}

void Query::doClose() {
    rows_.clear();
    rows_.squeeze();
}

StoredQuery::StoredQuery(Connection* connection, const QString& name, QObject* parent)
    : Query(connection, parent), name_(name) {}

void StoredQuery::setFilter(const QString& filterText) {
    static const QRegularExpression re(R"(^\s*([A-Za-z_][A-Za-z0-9_]*)\s*=\s*'(.*)'\s*$)",
                                       QRegularExpression::DotMatchesEverythingOption);
    if (filterText.trimmed().isEmpty()) {
        filterText_.clear();
        filterColumn_.clear();
        filterValue_.clear();
        return;
    }
    const auto m = re.match(filterText);
    if (!m.hasMatch()) throw Error(QString("无效的筛选条件: %1").arg(filterText));
    filterText_ = filterText;
    filterColumn_ = m.captured(1);
    filterValue_ = m.captured(2);
}

QString StoredQuery::effectiveSql(QVariantList* params) const {
    params->clear();
    QString view = name_;
    view.replace('"', "\"\"");
    QString sql = "SELECT * FROM \"" + view + "\"";
    if (filtered_ && !filterColumn_.isEmpty()) {
        // Unquoted on purpose: the name is a plain identifier (checked when set),
        // and a quoted unknown name would silently become a string literal.
        sql += " WHERE " + filterColumn_ + " = ?";
        params->append(filterValue_);
    }
    return sql;
}

}  // namespace store
