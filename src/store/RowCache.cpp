#include "store/RowCache.h"

#include "store/Connection.h"
#include "store/Statement.h"

namespace store {
namespace {
constexpr int kCacheRows = 512;
}  // namespace

RowCache::RowCache() = default;
RowCache::~RowCache() = default;

void RowCache::reset(Connection* connection, const QString& sql) {
    connection_ = connection;
    sql_ = sql;
    rows_.clear();
    statement_.reset();
}

Statement& RowCache::statement() const {
    if (!statement_) statement_ = std::make_unique<Statement>(connection_->handle(), sql_);
    return *statement_;
}

QVariantList RowCache::read(qint64 key, const QVariantList& params, int columns) const {
    auto it = rows_.constFind(key);
    if (it != rows_.constEnd()) return *it;
    Statement& st = statement();
    st.bind(params);
    QVariantList values;
    if (st.step()) values = st.row();
    st.reset();
    if (values.isEmpty())
        for (int i = 0; i < columns; ++i) values.append(QVariant());
    if (rows_.size() >= kCacheRows) rows_.clear();
    rows_.insert(key, values);
    return values;
}

}  // namespace store
