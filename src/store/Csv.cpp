#include "store/Csv.h"

#include <QFileInfo>

#include "store/Error.h"

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
    if (quoted) throw Error(QStringLiteral("引号没有结束"));
    if (fieldStarted || !field.isEmpty() || !record.isEmpty()) endRecord();
    return records;
}

CodeTableCsv parseCodeTableCsv(const QString& fileName, QString text) {
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    CodeTableCsv file;
    file.table = QFileInfo(fileName).completeBaseName();
    int firstLine = 1;
    if (text.startsWith(QLatin1String("#table "))) {
        const qsizetype end = text.indexOf('\n');
        file.table = text.mid(7, end < 0 ? -1 : end - 7).trimmed();
        text = end < 0 ? QString() : text.mid(end + 1);
        firstLine = 2;
    }
    QList<QStringList> records;
    try {
        records = parseCsv(text);
    } catch (const Error& e) {
        throw Error(QStringLiteral("%1: %2").arg(fileName, e.text()));
    }
    if (records.isEmpty()) return file;
    file.columns = records.takeFirst();
    for (int r = 0; r < records.size(); ++r) {
        if (records[r].size() != file.columns.size())
            throw Error(QStringLiteral("%1 第%2行的字段数不对").arg(fileName).arg(firstLine + 1 + r));
    }
    file.rows = std::move(records);
    return file;
}

}  // namespace store
