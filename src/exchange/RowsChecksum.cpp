#include "exchange/RowsChecksum.h"

#include <sqlite3.h>
#include <QCryptographicHash>
#include <QtEndian>
#include <cstring>

#include "store/Error.h"
#include "store/Statement.h"

namespace exchange {

QStringList registerTables() {
    return {QStringLiteral("M_CORPORATION"), QStringLiteral("M_PERSON"),
            QStringLiteral("M_PSNAPPOINTEDHOSPITAL")};
}

QString checksumKey() {
    return QStringLiteral("rows_checksum");
}

QString quoted(const QString& name) {
    return '"' + QString(name).replace('"', "\"\"") + '"';
}

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
// The canonical form goes through a fixed buffer: one hash update per 64 KiB
// instead of one per value, and no container bookkeeping per value.
class Feed {
  public:
    explicit Feed(QCryptographicHash& h) : h_(h) {}
    ~Feed() { flush(); }
    void bytes(const char* p, qsizetype n) {
        if (used_ + n > kSize) flush();
        if (n > kSize) {
            h_.addData(QByteArrayView(p, n));
            return;
        }
        memcpy(buf_ + used_, p, size_t(n));
        used_ += n;
    }
    void tag(char c) {
        if (used_ == kSize) flush();
        buf_[used_++] = c;
    }
    void number(quint64 v) {
        if (used_ + 8 > kSize) flush();
        qToBigEndian(v, buf_ + used_);
        used_ += 8;
    }
    void flush() {
        if (used_ == 0) return;
        h_.addData(QByteArrayView(buf_, used_));
        used_ = 0;
    }

  private:
    static constexpr qsizetype kSize = 1 << 16;
    QCryptographicHash& h_;
    char buf_[kSize];
    qsizetype used_ = 0;
};
}  // namespace

QString rowsChecksum(sqlite3* db) {
    return rowsChecksum(db, {});
}

QString rowsChecksum(sqlite3* db, const RowsProgress& progress) {
    QCryptographicHash h(QCryptographicHash::Blake2b_256);
    qint64 total = 0, done = 0;
    if (progress) {
        for (const QString& table : registerTables()) {
            try {
                store::Statement c(db, "SELECT count(*) FROM main." + quoted(table));
                if (c.step()) total += sqlite3_column_int64(c.handle(), 0);
                c.reset();
            } catch (const store::Error&) {
                // the reading below reports it
            }
        }
    }
    {
        Feed f(h);
        const QByteArray magic("veyra-rows-1\n");
        f.bytes(magic.constData(), magic.size());
        for (const QString& table : registerTables()) {
            const QStringList cols = visibleColumns(db, table);
            if (cols.isEmpty()) throw store::Error(QString("no such table: %1").arg(table));
            QStringList list;
            for (const QString& c : cols) list.append(quoted(c));
            const QByteArray head = (table + "\n" + cols.join(',').toUpper() + "\n").toUtf8();
            f.bytes(head.constData(), head.size());
            store::Statement st(
                db, "SELECT " + list.join(", ") + " FROM main." + quoted(table) + " ORDER BY rowid");
            sqlite3_stmt* s = st.handle();
            const int n = int(cols.size());
            quint64 rows = 0;
            while (st.step()) {
                ++rows;
                if (progress && (++done & 4095) == 0) progress(done, total);
                for (int i = 0; i < n; ++i) {
                    switch (sqlite3_column_type(s, i)) {
                        case SQLITE_INTEGER:
                            f.tag('I');
                            f.number(quint64(sqlite3_column_int64(s, i)));
                            break;
                        case SQLITE_FLOAT: {
                            const double d = sqlite3_column_double(s, i);
                            quint64 bits;
                            memcpy(&bits, &d, sizeof bits);
                            f.tag('R');
                            f.number(bits);
                            break;
                        }
                        case SQLITE_TEXT: {
                            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
                            const int len = sqlite3_column_bytes(s, i);
                            f.tag('T');
                            f.number(quint64(len));
                            f.bytes(p, len);
                            break;
                        }
                        case SQLITE_BLOB: {
                            const auto* p = static_cast<const char*>(sqlite3_column_blob(s, i));
                            const int len = sqlite3_column_bytes(s, i);
                            f.tag('B');
                            f.number(quint64(len));
                            if (len > 0) f.bytes(p, len);
                            break;
                        }
                        default:
                            f.tag('N');
                    }
                }
            }
            st.reset();
            f.tag('#');
            f.number(rows);
        }
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
