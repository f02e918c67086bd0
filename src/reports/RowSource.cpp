#include "reports/RowSource.h"

namespace reports {

MemoryRowSource::MemoryRowSource(QStringList columns, QList<QVariantList> rows, QStringList dateColumns)
    : columns_(std::move(columns)), rows_(std::move(rows)), dateColumns_(std::move(dateColumns)) {}

void MemoryRowSource::first() {
    current_ = 0;
    arrived();
}

void MemoryRowSource::next() {
    if (eof()) return;
    ++current_;
    arrived();
}

bool MemoryRowSource::eof() const {
    return current_ >= rows_.size();
}

bool MemoryRowSource::hasColumn(const QString& column) const {
    return indexOf(column) >= 0;
}

QVariant MemoryRowSource::value(const QString& column) const {
    const int index = indexOf(column);
    if (index < 0 || eof()) return {};
    const QVariantList& row = rows_.at(current_);
    return index < row.size() ? row.at(index) : QVariant();
}

bool MemoryRowSource::isDateColumn(const QString& column) const {
    return dateColumns_.contains(column, Qt::CaseInsensitive);
}

int MemoryRowSource::indexOf(const QString& column) const {
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_.at(i).compare(column, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void MemoryRowSource::arrived() {
    if (!eof() && afterScroll) afterScroll();
}

}  // namespace reports
