#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace store {

// RFC 4180 records: fields separated by commas, optionally double-quoted,
// "" inside quotes for a quote; CR LF or LF between records; a leading byte
// order mark is skipped, empty lines are no records. A quote still open at
// the end throws Error (it would swallow the rows after it).
QList<QStringList> parseCsv(const QString& text);

// One code table's file: a first line "#table NAME" names the table (else the
// file name without its extension does), then a header line of column names
// and one record per row. Throws Error naming the file for a row whose field
// count differs from the header's.
struct CodeTableCsv {
    QString table;
    QStringList columns;
    QList<QStringList> rows;
};
CodeTableCsv parseCodeTableCsv(const QString& fileName, QString text);

}  // namespace store
