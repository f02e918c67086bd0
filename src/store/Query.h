#pragma once

#include <QVector>

#include "store/Dataset.h"

namespace store {

// A dataset whose rows come from an SQL text with bound parameters. The rows
// are read at open and held (result sets for grids and lookups).
class Query : public Dataset {
    Q_OBJECT
  public:
    explicit Query(Connection* connection, QObject* parent = nullptr);

    void setSql(const QString& sql, const QVariantList& params = {});
    const QString& sql() const { return sql_; }
    const QVariantList& params() const { return params_; }
    // Close, replace the SQL text, open.
    void runQuery(const QString& sql, const QVariantList& params = {});
    // Executes the SQL text as a statement that returns no rows.
    int execSql();
    int execSql(const QString& sql, const QVariantList& params = {});

  protected:
    void doOpen() override;
    void doClose() override;
    int rowCount() const override { return int(rows_.size()); }
    QVariantList fetchRow(int row) const override { return rows_.value(row); }
    // The SQL actually run (a stored query adds its filter).
    virtual QString effectiveSql(QVariantList* params) const;

    QString sql_;
    QVariantList params_;
    QVector<QVariantList> rows_;
};

// A saved query (a view of the file) opened by name, with an optional filter
// of the form column = 'value'. The value is bound, never spliced.
class StoredQuery : public Query {
    Q_OBJECT
  public:
    StoredQuery(Connection* connection, const QString& name, QObject* parent = nullptr);
    const QString& procedureName() const { return name_; }
    // "SSN='…'", "ssn = '…'": throws Error when the text is not such a test.
    void setFilter(const QString& filterText);
    const QString& filter() const { return filterText_; }
    void setFiltered(bool on) { filtered_ = on; }
    bool filtered() const { return filtered_; }

  protected:
    QString effectiveSql(QVariantList* params) const override;

  private:
    QString name_;
    QString filterText_;
    QString filterColumn_;
    QString filterValue_;
    bool filtered_ = false;
};

}  // namespace store
