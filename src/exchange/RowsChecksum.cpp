#include "exchange/RowsChecksum.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <sqlite3.h>

#include "store/Error.h"
#include "store/Statement.h"

namespace exchange {

QStringList registerTables() {
    return {QStringLiteral("M_CORPORATION"), QStringLiteral("M_PERSON"), QStringLiteral("M_PSNAPPOINTEDHOSPITAL")};
}

QString checksumKey() { return QStringLiteral("rows_checksum"); }

QString quoted(const QString& name) { return '"' + QString(name).replace('"', "\"\"") + '"'; }

QStringList visibleColumns(sqlite3* db, const QString& table) {
    store::Statement st(db, "SELECT name, hidden FROM pragma_table_xinfo(?)");
    st.bind({table});
    QStringList names;
    while (st.step())
        if (st.value(1).toInt() == 0) names.append(st.value(0).toString());
    st.reset();
    return names;
}

namespace {
void addNumber(QCryptographicHash& h, quint64 v) {
    char buf[8];
    qToBigEndian(v, buf);
    h.addData(QByteArrayView(buf, 8));
}
}  // namespace

QString rowsChecksum(sqlite3* db) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(QByteArrayView("veyra-rows-1\n"));
    for (const QString& table : registerTables()) {
        const QStringList cols = visibleColumns(db, table);
        if (cols.isEmpty()) throw store::Error(QString("no such table: %1").arg(table));
        QStringList list;
        for (const QString& c : cols) list.append(quoted(c));
        h.addData(table.toUtf8());
        h.addData(QByteArrayView("\n"));
        h.addData(cols.join(',').toUpper().toUtf8());
        h.addData(QByteArrayView("\n"));
        store::Statement st(db, "SELECT " + list.join(", ") + " FROM main." + quoted(table) + " ORDER BY rowid");
        sqlite3_stmt* s = st.handle();
        const int n = int(cols.size());
        quint64 rows = 0;
        while (st.step()) {
            ++rows;
            for (int i = 0; i < n; ++i) {
                switch (sqlite3_column_type(s, i)) {
                    case SQLITE_INTEGER:
                        h.addData(QByteArrayView("I"));
                        addNumber(h, quint64(sqlite3_column_int64(s, i)));
                        break;
                    case SQLITE_FLOAT: {
                        const double d = sqlite3_column_double(s, i);
                        quint64 bits;
                        memcpy(&bits, &d, sizeof bits);
                        h.addData(QByteArrayView("R"));
                        addNumber(h, bits);
                        break;
                    }
                    case SQLITE_TEXT:
                    case SQLITE_BLOB: {
                        const bool text = sqlite3_column_type(s, i) == SQLITE_TEXT;
                        const void* p = text ? static_cast<const void*>(sqlite3_column_text(s, i))
                                             : sqlite3_column_blob(s, i);
                        const int len = sqlite3_column_bytes(s, i);
                        h.addData(QByteArrayView(text ? "T" : "B"));
                        addNumber(h, quint64(len));
                        if (len > 0) h.addData(QByteArrayView(static_cast<const char*>(p), len));
                        break;
                    }
                    default:
                        h.addData(QByteArrayView("N"));
                }
            }
        }
        st.reset();
        h.addData(QByteArrayView("#"));
        addNumber(h, rows);
    }
    return QString::fromLatin1(h.result().toHex());
}

QString storedChecksum(sqlite3* db) {
    store::Statement st(db, "SELECT value FROM main.veyra_meta WHERE key = ?");
    st.bind({checksumKey()});
    QString v;
    if (st.step()) v = st.value(0).toString();
    st.reset();
    return v;
}

}  // namespace exchange
