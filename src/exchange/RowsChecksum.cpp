#include "exchange/RowsChecksum.h"

#include <sqlite3.h>
#include <QCryptographicHash>
#include <QtEndian>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

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
// The canonical form goes through two fixed buffers: while the rows fill one,
// a thread of its own hashes the other, so reading and hashing a register
// take the longer of the two instead of their sum. The bytes hashed, and
// their order, are those of a single buffer.
class Feed {
  public:
    explicit Feed(QCryptographicHash& h) : h_(h), hasher_([this] { hashLoop(); }) {}
    ~Feed() {
        handOff();
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        hasher_.join();
    }
    Feed(const Feed&) = delete;
    Feed& operator=(const Feed&) = delete;

    void bytes(const char* p, qsizetype n) {
        if (used_ + n > kSize) handOff();
        if (n > kSize) {
            // Hashed here, once the hasher is idle, to keep the order.
            std::unique_lock lock(mutex_);
            waitIdle(lock);
            h_.addData(QByteArrayView(p, n));
            return;
        }
        memcpy(fill_ + used_, p, size_t(n));
        used_ += n;
    }
    void tag(char c) {
        if (used_ == kSize) handOff();
        fill_[used_++] = c;
    }
    void number(quint64 v) {
        if (used_ + 8 > kSize) handOff();
        qToBigEndian(v, fill_ + used_);
        used_ += 8;
    }

  private:
    static constexpr qsizetype kSize = 1 << 16;

    void waitIdle(std::unique_lock<std::mutex>& lock) {
        changed_.wait(lock, [this] { return pendingSize_ == 0; });
    }
    // The filled buffer goes to the hasher; the rows go on into the other.
    void handOff() {
        if (used_ == 0) return;
        {
            std::unique_lock lock(mutex_);
            waitIdle(lock);
            pending_ = fill_;
            pendingSize_ = used_;
        }
        changed_.notify_all();
        fill_ = fill_ == first_ ? second_ : first_;
        used_ = 0;
    }
    void hashLoop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return pendingSize_ > 0 || quit_; });
            if (pendingSize_ == 0) return;
            const char* p = pending_;
            const qsizetype n = pendingSize_;
            lock.unlock();
            h_.addData(QByteArrayView(p, n));
            lock.lock();
            pendingSize_ = 0;
            changed_.notify_all();
        }
    }

    QCryptographicHash& h_;
    char first_[kSize];
    char second_[kSize];
    char* fill_ = first_;
    qsizetype used_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    const char* pending_ = nullptr;  // under mutex_
    qsizetype pendingSize_ = 0;
    bool quit_ = false;
    std::thread hasher_;  // last: started once everything above exists
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
