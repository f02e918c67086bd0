#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace store {

// RFC 4180 records: fields separated by commas, optionally double-quoted,
// "" inside quotes for a quote; CR LF or LF between records.
QList<QStringList> parseCsv(const QString& text);

}  // namespace store
