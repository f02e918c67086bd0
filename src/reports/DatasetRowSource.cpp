#include "reports/DatasetRowSource.h"

#include "store/Dataset.h"

namespace reports {

void DatasetRowSource::first() {
    if (dataset_.isOpen()) dataset_.first();
}

void DatasetRowSource::next() {
    if (!eof()) dataset_.next();
}

bool DatasetRowSource::eof() const {
    return !dataset_.isOpen() || dataset_.isEmpty() || dataset_.eof();
}

// A closed dataset cannot tell its columns; it prints blank until it opens.
bool DatasetRowSource::hasColumn(const QString& column) const {
    return !dataset_.isOpen() || dataset_.fieldIndex(column) >= 0;
}

QVariant DatasetRowSource::value(const QString& column) const {
    if (eof() || dataset_.fieldIndex(column) < 0) return {};
    return dataset_.value(column);
}

bool DatasetRowSource::isDateColumn(const QString& column) const {
    return dataset_.isOpen() && dataset_.fieldIndex(column) >= 0 && dataset_.column(column).isDate();
}

}  // namespace reports
