#include "exchange/RowsChecksum.h"

#include <sqlite3.h>
#include <QCryptographicHash>
#include <QHash>
#include <QtEndian>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
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

bool storesUtf8(sqlite3* db) {
    store::Statement st(db, "PRAGMA encoding");
    const bool utf8 = st.step() && st.value(0).toString() == "UTF-8";
    st.reset();
    return utf8;
}

QByteArrayView textBytes(sqlite3_value* v, bool utf8) {
    const int type = sqlite3_value_type(v);
    const void* p =
        utf8 && (type == SQLITE_TEXT || type == SQLITE_BLOB) ? sqlite3_value_blob(v) : sqlite3_value_text(v);
    const int n = sqlite3_value_bytes(v);
    return p ? QByteArrayView(static_cast<const char*>(p), n) : QByteArrayView("", 0);
}

struct RowsHasher::Impl {
    QCryptographicHash hash{QCryptographicHash::Blake2b_256};
    std::optional<Feed> feed;
    QHash<sqlite3*, bool> utf8;  // by connection, asked once
    sqlite3* lastDb = nullptr;
    bool lastUtf8 = false;
};

RowsHasher::RowsHasher() : d_(std::make_unique<Impl>()) {
    d_->feed.emplace(d_->hash);
    const QByteArray magic("veyra-rows-1\n");
    d_->feed->bytes(magic.constData(), magic.size());
}

RowsHasher::~RowsHasher() = default;

void RowsHasher::beginTable(const QString& table, const QStringList& columns) {
    const QByteArray head = (table + "\n" + columns.join(',').toUpper() + "\n").toUtf8();
    d_->feed->bytes(head.constData(), head.size());
}

void RowsHasher::integer(qint64 v) {
    d_->feed->tag('I');
    d_->feed->number(quint64(v));
}

void RowsHasher::value(sqlite3_value* v, int type, bool utf8) {
    Feed& f = *d_->feed;
    switch (type) {
        case SQLITE_INTEGER:
            integer(sqlite3_value_int64(v));
            break;
        case SQLITE_FLOAT: {
            const double d = sqlite3_value_double(v);
            quint64 bits;
            memcpy(&bits, &d, sizeof bits);
            f.tag('R');
            f.number(bits);
            break;
        }
        case SQLITE_TEXT: {
            const void* p = utf8 ? sqlite3_value_blob(v) : sqlite3_value_text(v);
            const int len = sqlite3_value_bytes(v);
            f.tag('T');
            f.number(quint64(len));
            if (len > 0) f.bytes(static_cast<const char*>(p), len);
            break;
        }
        case SQLITE_BLOB: {
            const auto* p = static_cast<const char*>(sqlite3_value_blob(v));
            const int len = sqlite3_value_bytes(v);
            f.tag('B');
            f.number(quint64(len));
            if (len > 0) f.bytes(p, len);
            break;
        }
        default:
            f.tag('N');
    }
}

bool RowsHasher::utf8(sqlite3_stmt* s) {
    sqlite3* db = sqlite3_db_handle(s);
    if (db == d_->lastDb) return d_->lastUtf8;
    auto known = d_->utf8.constFind(db);
    if (known == d_->utf8.cend()) known = d_->utf8.insert(db, storesUtf8(db));
    d_->lastDb = db;
    d_->lastUtf8 = *known;
    return *known;
}

void RowsHasher::column(sqlite3_stmt* s, int i, int type, bool utf8) {
    value(sqlite3_column_value(s, i), type, utf8);
}

void RowsHasher::row(sqlite3_stmt* s, int n) {
    const bool text = utf8(s);
    for (int i = 0; i < n; ++i) {
        sqlite3_value* v = sqlite3_column_value(s, i);
        value(v, sqlite3_value_type(v), text);
    }
}

void RowsHasher::endTable(quint64 rows) {
    d_->feed->tag('#');
    d_->feed->number(rows);
}

qint64 RowsHasher::table(sqlite3* db, const QString& table, sqlite3_stmt* from, quint64 rowsBefore,
                         const std::function<void()>& perRow) {
    std::unique_ptr<store::Statement> own;
    int n = 0;
    if (from) {
        n = sqlite3_column_count(from);
    } else {
        const QStringList cols = visibleColumns(db, table);
        if (cols.isEmpty()) throw store::Error(QString("no such table: %1").arg(table));
        QStringList list;
        for (const QString& c : cols) list.append(quoted(c));
        beginTable(table, cols);
        own = std::make_unique<store::Statement>(
            db, "SELECT " + list.join(", ") + " FROM main." + quoted(table) + " ORDER BY rowid");
        from = own->handle();
        n = int(cols.size());
    }
    quint64 rows = rowsBefore;
    for (;;) {
        const int rc = sqlite3_step(from);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) throw store::engineError(sqlite3_db_handle(from), rc);
        ++rows;
        if (perRow) perRow();
        row(from, n);
    }
    sqlite3_reset(from);
    endTable(rows);
    return qint64(rows);
}

QString RowsHasher::result() {
    d_->feed.reset();  // hands the last buffer over and waits for the hasher
    return QString::fromLatin1(d_->hash.result().toHex());
}

QString rowsChecksum(sqlite3* db) {
    return rowsChecksum(db, {});
}

QString rowsChecksum(sqlite3* db, const RowsProgress& progress) {
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
    RowsHasher h;
    std::function<void()> perRow;
    if (progress)
        perRow = [&] {
            if ((++done & 4095) == 0) progress(done, total);
        };
    for (const QString& table : registerTables()) h.table(db, table, nullptr, 0, perRow);
    return h.result();
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
