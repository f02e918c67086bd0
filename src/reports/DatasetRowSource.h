#pragma once

#include "reports/RowSource.h"

namespace store {
class Dataset;
}

namespace reports {

// A store dataset as a report row source. Walking it moves the dataset's
// current row, so its after-scroll handlers run for every printed row.
class DatasetRowSource : public RowSource {
  public:
    explicit DatasetRowSource(store::Dataset& dataset) : dataset_(dataset) {}

    void first() override;
    void next() override;
    bool eof() const override;
    bool hasColumn(const QString& column) const override;
    QVariant value(const QString& column) const override;
    bool isDateColumn(const QString& column) const override;

  private:
    store::Dataset& dataset_;
};

}  // namespace reports
