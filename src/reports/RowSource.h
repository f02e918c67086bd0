#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace reports {

// What the layout needs of a row set: walk it from the first row and read
// columns of the current row. A source tells its owner each time it arrives
// on a row (the datasets' after-scroll), so lookups that hang on the current
// row run before the row is printed.
class RowSource {
  public:
    virtual ~RowSource() = default;
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;
    // Column names match without regard to case. False only when the source
    // knows it lacks the column.
    virtual bool hasColumn(const QString& column) const = 0;
    // Null when the source stands on no row.
    virtual QVariant value(const QString& column) const = 0;
    // Date columns print in the short date form even when a source delivers them as text.
    virtual bool isDateColumn(const QString& column) const = 0;
};

// Row sets by name, as report items refer to them.
using RowSources = QHash<QString, RowSource*>;

// Rows held in memory: samples, benchmarks and tests of the engine.
class MemoryRowSource : public RowSource {
  public:
    MemoryRowSource(QStringList columns, QList<QVariantList> rows, QStringList dateColumns = {});

    void first() override;
    void next() override;
    bool eof() const override;
    bool hasColumn(const QString& column) const override;
    QVariant value(const QString& column) const override;
    bool isDateColumn(const QString& column) const override;

    int position() const { return current_; }
    // Called on arriving at each row.
    std::function<void()> afterScroll;

  private:
    int indexOf(const QString& column) const;
    void arrived();

    QStringList columns_;
    QList<QVariantList> rows_;
    QStringList dateColumns_;
    int current_ = 0;
};

}  // namespace reports
