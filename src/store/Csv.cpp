#include "store/Csv.h"

namespace store {

QList<QStringList> parseCsv(const QString& text) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    const int n = int(text.size());
    int i = 0;
    if (n > 0 && text[0] == QChar(0xFEFF)) i = 1;  // byte order mark
    auto endField = [&] {
        record.append(field);
        field.clear();
        fieldStarted = false;
    };
    auto endRecord = [&] {
        endField();
        if (!(record.size() == 1 && record[0].isEmpty())) records.append(record);
        record.clear();
    };
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < n && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == '"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\r') {
            if (i + 1 < n && text[i + 1] == '\n') ++i;
            endRecord();
        } else if (c == '\n') {
            endRecord();
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !record.isEmpty()) endRecord();
    return records;
}

}  // namespace store
