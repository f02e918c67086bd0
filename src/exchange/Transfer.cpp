#include "exchange/Transfer.h"

#include <sqlite3.h>
#include <QHash>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "exchange/RowsChecksum.h"
#include "store/Connection.h"
#include "store/Error.h"
#include "store/Statement.h"

namespace exchange {

const char* const kCheckSSNDbl = "select count(*) from m_corporation where ssn = ?";
const char* const kCheckIDcardDbl = "select count(*) from m_person where idcard = ?";
const char* const kCheckMedDbl =
    "select count(*) from M_PSNAPPOINTEDHOSPITAL where M_PSNAPPOINTEDHOSPITAL.idcard = ?";
const char* const kCorpsnBySSN = "select corpsn from m_corporation where ssn = ?";
const char* const kPsnsnByIDcard = "select psnsn from m_person where idcard = ?";
const char* const kCheckMedDblAndPsnsn =
    "SELECT CASE WHEN EXISTS (SELECT 1 FROM M_PSNAPPOINTEDHOSPITAL WHERE M_PSNAPPOINTEDHOSPITAL.idcard = ?1) "
    "THEN 'duplicate' ELSE (select psnsn from m_person where idcard = ?2) END";

bool countsAny(store::Connection& target, const char* checkSql, const QString& key) {
    return target.scalar(QString::fromLatin1(checkSql), {key}).toLongLong() > 0;
}

namespace {

// A column read "as text", without a copy where the source stores UTF-8:
// null reads as the empty text. Valid until the source steps.
QByteArrayView textOf(sqlite3_stmt* s, int i, bool utf8) {
    return textBytes(sqlite3_column_value(s, i), utf8);
}

// Binds a text that stays put until the statement has run.
void bindText(store::Statement& st, int index, QByteArrayView utf8) {
    if (sqlite3_bind_text(st.handle(), index, utf8.data(), int(utf8.size()), SQLITE_STATIC) != SQLITE_OK)
        throw store::engineError(sqlite3_db_handle(st.handle()), SQLITE_ERROR);
}

// Binds column i of the source's current row, of the given storage type,
// without copying its text: the row stays put until the source steps, after
// the insert has run.
int bindColumn(sqlite3_stmt* ins, int index, sqlite3_stmt* src, int i, int type, bool utf8) {
    switch (type) {
        case SQLITE_INTEGER:
            return sqlite3_bind_int64(ins, index, sqlite3_column_int64(src, i));
        case SQLITE_FLOAT:
            return sqlite3_bind_double(ins, index, sqlite3_column_double(src, i));
        case SQLITE_TEXT: {
            // UTF-8 text as it lies in the row (no copy to end it with a zero byte).
            const void* text = utf8 ? sqlite3_column_blob(src, i) : sqlite3_column_text(src, i);
            return sqlite3_bind_text(ins, index, text ? static_cast<const char*>(text) : "",
                                     sqlite3_column_bytes(src, i), SQLITE_STATIC);
        }
        case SQLITE_BLOB: {
            const void* blob = sqlite3_column_blob(src, i);
            const int bytes = sqlite3_column_bytes(src, i);
            // An empty blob reads as a null pointer, which would bind NULL.
            return bytes == 0 ? sqlite3_bind_zeroblob(ins, index, 0)
                              : sqlite3_bind_blob(ins, index, blob, bytes, SQLITE_STATIC);
        }
        default:
            return sqlite3_bind_null(ins, index);
    }
}

qint64 sourceRowCount(sqlite3* db, const QString& table) {
    store::Statement st(db, "SELECT count(*) FROM main." + quoted(table));
    const qint64 n = st.step() ? sqlite3_column_int64(st.handle(), 0) : 0;
    st.reset();
    return n;
}

// The engine's column affinity for a declared type.
enum class Affinity { Blob, Text, Numeric, Integer, Real };
Affinity affinityOf(const QString& declared) {
    const QString t = declared.toUpper();
    if (t.contains("INT")) return Affinity::Integer;
    if (t.contains("CHAR") || t.contains("CLOB") || t.contains("TEXT")) return Affinity::Text;
    if (t.contains("BLOB") || t.trimmed().isEmpty()) return Affinity::Blob;
    if (t.contains("REAL") || t.contains("FLOA") || t.contains("DOUB")) return Affinity::Real;
    return Affinity::Numeric;
}

// Whether the engine may take a text for a number under a numeric affinity:
// every text it converts looks like this (spaces, a sign, digits and one
// point, an exponent, spaces), and a date does not.
bool mightBeNumber(const char* p, qsizetype n) {
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    qsizetype i = 0;
    while (i < n && space(p[i])) ++i;
    if (i < n && (p[i] == '+' || p[i] == '-')) ++i;
    bool digits = false;
    for (; i < n && (digit(p[i]) || p[i] == '.'); ++i) digits = digits || p[i] != '.';
    if (!digits) return false;
    if (i < n && (p[i] == 'e' || p[i] == 'E')) {
        ++i;
        if (i < n && (p[i] == '+' || p[i] == '-')) ++i;
        while (i < n && digit(p[i])) ++i;
    }
    while (i < n && space(p[i])) ++i;
    return i == n;
}

// Whether a value of this storage type is stored exactly as bound into a
// column of this affinity; false where the engine may convert it (or might:
// those rows are read back).
bool storedAsIs(sqlite3_stmt* src, int i, int type, Affinity a, bool utf8) {
    switch (type) {
        case SQLITE_INTEGER:
            return a == Affinity::Integer || a == Affinity::Numeric || a == Affinity::Blob;
        case SQLITE_FLOAT: {
            if (a == Affinity::Blob) return true;
            if (a == Affinity::Text) return false;
            // A whole number may be stored as an integer (and -0.0 as 0).
            const double d = sqlite3_column_double(src, i);
            return std::isfinite(d) && d != std::floor(d);
        }
        case SQLITE_TEXT: {
            if (a == Affinity::Text || a == Affinity::Blob) return true;
            const QByteArrayView t = textOf(src, i, utf8);
            return !mightBeNumber(t.data(), t.size());
        }
        default:  // null, blob: never converted
            return true;
    }
}

// The keys a run wrote into a table that was empty when the run reached it,
// kept as hashes. Such a table holds no other keys, so a key not among them
// is no duplicate and needs no test; one among them (or colliding with one)
// is tested as usual. Equal keys under the test (the same text, ASCII
// letters in either case) hash alike.
class WrittenKeys {
  public:
    explicit WrittenKeys(qint64 expected) {
        quint64 size = 64;
        while (size < quint64(expected) * 2) size <<= 1;
        slots_.assign(size, 0);
    }
    bool mayHold(QByteArrayView key) const {
        const quint64 h = hashOf(key);
        for (quint64 i = h & mask();; i = (i + 1) & mask()) {
            if (slots_[i] == h) return true;
            if (slots_[i] == 0) return false;
        }
    }
    void add(QByteArrayView key) {
        if ((used_ + 1) * 2 > slots_.size()) grow();
        if (place(hashOf(key))) ++used_;
    }

  private:
    quint64 mask() const { return slots_.size() - 1; }
    static quint64 hashOf(QByteArrayView key) {
        quint64 h = 14695981039346656037ull;  // FNV-1a
        for (const char c : key) {
            const char folded = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
            h = (h ^ quint8(folded)) * 1099511628211ull;
        }
        return h ? h : 1;  // 0 marks a free slot
    }
    bool place(quint64 h) {
        for (quint64 i = h & mask();; i = (i + 1) & mask()) {
            if (slots_[i] == h) return false;
            if (slots_[i] == 0) {
                slots_[i] = h;
                return true;
            }
        }
    }
    void grow() {
        std::vector<quint64> old(slots_.size() * 2, 0);
        old.swap(slots_);
        for (const quint64 h : old)
            if (h) place(h);
    }
    std::vector<quint64> slots_;
    size_t used_ = 0;
};

}  // namespace

struct Transfer::TablePlan {
    Register reg;
    QString table;
    int keyPos;  // duplicate key, read as text
    const char* checkSql;
    int serialPos;  // column that receives a serial of the target; -1 for none
    int lookupPos;  // source column whose text finds that serial
    const char* lookupSql;
    // The duplicate test and the lookup as one statement, for a key the target does not keep unique.
    const char* checkAndLookupSql;
    QString notFound;  // reason when the lookup finds nothing (%1: the key)
    QString duplicateLine;
    QString cancelLine;
    int* total;
    int* skipped;
};

// The rows a table receives, hashed as they are written: from the values
// bound where the engine stores them as they are, read back where it may
// convert one. Gives up (ok() false) where the written rows cannot be
// followed in rowid order; the caller then reads the target afterwards.
class Transfer::TargetRows {
  public:
    TargetRows(RowsHasher& hasher, sqlite3* target, const QString& table, int firstInsert) : hasher_(hasher) {
        store::Statement st(target, "SELECT name, type, pk, hidden FROM pragma_table_xinfo(?)");
        st.bind({table});
        QStringList names;
        int keys = 0;
        while (st.step()) {
            names.append(st.value(0).toString());
            affinity_.append(affinityOf(st.value(1).toString()));
            if (st.value(3).toInt() != 0) ok_ = false;
            if (st.value(2).toInt() > 0) {
                ++keys;
                if (st.value(1).toString().toUpper() == "INTEGER") alias_ = int(names.size()) - 1;
            }
        }
        st.reset();
        // A key with an index of its own (INTEGER PRIMARY KEY DESC, a
        // WITHOUT ROWID table) is not the rowid.
        store::Statement own(
            target,
            "SELECT (SELECT count(*) FROM pragma_index_list(?1) WHERE origin = 'pk') + "
            "(SELECT count(*) FROM pragma_table_list WHERE schema = 'main' AND name = ?1 AND wr)");
        own.bind({table});
        if (keys != 1 || (own.step() && own.value(0).toInt() != 0)) alias_ = -1;
        own.reset();
        // Only the rowid's own column may be left to the engine.
        if (firstInsert == 1 ? alias_ != 0 : alias_ >= 0) ok_ = false;
        if (!ok_) return;
        QStringList list;
        for (const QString& n : names) list.append(quoted(n));
        readBack_ = std::make_unique<store::Statement>(
            target, "SELECT " + list.join(", ") + " FROM main." + quoted(table) + " WHERE rowid = ?");
        hasher_.beginTable(table, names);
    }
    bool ok() const { return ok_; }
    int columns() const { return int(affinity_.size()); }

    // The row just inserted: its rowid, the serial bound at serialPos and
    // the source's values (of the given types) everywhere else.
    void written(sqlite3* target, sqlite3_stmt* src, bool utf8, const int* types, int serialPos,
                 qint64 serial) {
        const qint64 rowid = sqlite3_last_insert_rowid(target);
        if (rows_ > 0 && rowid <= lastRowid_) {
            ok_ = false;
            return;
        }
        lastRowid_ = rowid;
        ++rows_;
        const int n = columns();
        bool asIs = serialPos < 0 || affinity_[serialPos] == Affinity::Integer ||
                    affinity_[serialPos] == Affinity::Numeric;
        for (int i = 0; i < n && asIs; ++i)
            if (i != alias_ && i != serialPos) asIs = storedAsIs(src, i, types[i], affinity_[i], utf8);
        if (!asIs) {
            sqlite3_stmt* rb = readBack_->handle();
            sqlite3_bind_int64(rb, 1, rowid);
            if (!readBack_->step()) throw store::Error(QStringLiteral("刚写入的记录读不到"));
            hasher_.row(rb, n);
            readBack_->reset();
            return;
        }
        for (int i = 0; i < n; ++i) {
            if (i == alias_)
                hasher_.integer(rowid);
            else if (i == serialPos)
                hasher_.integer(serial);
            else
                hasher_.column(src, i, types[i], utf8);
        }
    }
    void finish() { hasher_.endTable(rows_); }

  private:
    RowsHasher& hasher_;
    QVector<Affinity> affinity_;
    int alias_ = -1;  // the column that is the rowid
    bool ok_ = true;
    std::unique_ptr<store::Statement> readBack_;
    qint64 lastRowid_ = 0;
    quint64 rows_ = 0;
};

// The persons a run wrote into a person table that was empty when the run
// reached it, by ID number with the serial each received. That table holds
// no others, so the duplicate test of a person and the person of an
// institution row are answered here, exactly: the ID numbers are kept whole
// and compare as the column does (ASCII letters in either case under
// NOCASE).
class Transfer::PersonSerials {
  public:
    PersonSerials(qint64 expected, bool foldCase) : fold_(foldCase) {
        quint64 size = 64;
        while (size < quint64(expected) * 2) size <<= 1;
        slots_.assign(size, 0);
        arena_.reserve(size_t(qMax<qint64>(expected, 0)) * 32);
    }
    bool find(QByteArrayView key, qint64* serial) const {
        for (quint64 i = hashOf(key.data(), key.size()) & mask();; i = (i + 1) & mask()) {
            const quint32 at = slots_[i];
            if (at == 0) return false;
            quint32 len;
            memcpy(&len, arena_.data() + at - 1, 4);
            const char* stored = arena_.data() + at - 1 + 4;
            if (len != quint32(key.size()) || !sameKey(stored, key)) continue;
            memcpy(serial, stored + len, 8);
            return true;
        }
    }
    // False when it cannot take more (the engine is then asked instead).
    bool add(QByteArrayView key, qint64 serial) {
        if (arena_.size() + size_t(key.size()) + 12 >= std::numeric_limits<quint32>::max()) return false;
        if ((used_ + 1) * 2 > slots_.size()) grow();
        const auto at = quint32(arena_.size() + 1);
        const auto len = quint32(key.size());
        arena_.insert(arena_.end(), reinterpret_cast<const char*>(&len),
                      reinterpret_cast<const char*>(&len) + 4);
        for (const char c : key) arena_.push_back(folded(c));
        arena_.insert(arena_.end(), reinterpret_cast<const char*>(&serial),
                      reinterpret_cast<const char*>(&serial) + 8);
        place(at);
        ++used_;
        return true;
    }

  private:
    char folded(char c) const { return fold_ && c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
    bool sameKey(const char* stored, QByteArrayView key) const {
        for (qsizetype i = 0; i < key.size(); ++i)
            if (stored[i] != folded(key[i])) return false;
        return true;
    }
    quint64 hashOf(const char* p, qsizetype n) const {
        quint64 h = 14695981039346656037ull;  // FNV-1a of the folded key
        for (qsizetype i = 0; i < n; ++i) h = (h ^ quint8(folded(p[i]))) * 1099511628211ull;
        return h;
    }
    quint64 mask() const { return slots_.size() - 1; }
    void place(quint32 at) {
        quint32 len;
        memcpy(&len, arena_.data() + at - 1, 4);
        for (quint64 i = hashOf(arena_.data() + at - 1 + 4, len) & mask();; i = (i + 1) & mask())
            if (slots_[i] == 0) {
                slots_[i] = at;
                return;
            }
    }
    void grow() {
        std::vector<quint32> old(slots_.size() * 2, 0);
        old.swap(slots_);
        for (const quint32 at : old)
            if (at) place(at);
    }
    bool fold_;
    std::vector<quint32> slots_;  // 1 + offset of an entry in arena_; 0: free
    std::vector<char> arena_;     // entries: length (4 bytes), the folded key, the serial (8 bytes)
    size_t used_ = 0;
};

Transfer::Transfer(sqlite3* source, store::Connection& target, TransferObserver& observer, TransferLog* log)
    : source_(source), target_(target), observer_(observer), log_(log) {}

Transfer::~Transfer() = default;

void Transfer::log(const QString& line) {
    pending_.add(line);
    if (pending_.size() >= batchSize_) flush();
}

void Transfer::flush() {
    if (pending_.isEmpty()) return;
    if (log_) log_->append(pending_);
    const qsizetype n = pending_.size();
    pending_.clear();
    observer_.logLines(n);
}

std::optional<bool> Transfer::keysOnlyThisRuns(const QString& table, const QString& keyColumn) {
    // Only a table that holds nothing yet: every key in it is one this run wrote.
    if (target_.scalar("SELECT EXISTS (SELECT 1 FROM main." + quoted(table) + ")").toInt() != 0) return {};
    // And only text compared as text (ASCII letters in either case at most):
    // a numeric column would find "01" equal to "1".
    const char* type = nullptr;
    const char* collation = nullptr;
    if (sqlite3_table_column_metadata(target_.handle(), "main", table.toUtf8().constData(),
                                      keyColumn.toUtf8().constData(), &type, &collation, nullptr, nullptr,
                                      nullptr) != SQLITE_OK)
        return {};
    const QString coll = QString::fromUtf8(collation ? collation : "BINARY");
    if (affinityOf(QString::fromUtf8(type ? type : "")) != Affinity::Text) return {};
    if (coll.compare("NOCASE", Qt::CaseInsensitive) == 0) return true;
    if (coll.compare("BINARY", Qt::CaseInsensitive) == 0) return false;
    return {};
}

bool Transfer::targetsEmpty() {
    for (const QString& t : registerTables())
        if (target_.scalar("SELECT EXISTS (SELECT 1 FROM main." + quoted(t) + ")").toInt() != 0) return false;
    // Nothing may change a row after it is written.
    return target_.scalar("SELECT count(*) FROM main.sqlite_schema WHERE type = 'trigger'").toInt() == 0;
}

void Transfer::transferTable(const TablePlan& plan) {
    const QList<store::Column>& targetCols = target_.tableColumns(plan.table);
    const int n = int(targetCols.size());
    const QStringList sourceCols = visibleColumns(source_, plan.table);
    if (sourceCols.isEmpty()) throw store::Error(QString("no such table: %1").arg(plan.table));
    if (sourceCols.size() < n)
        throw store::Error(QString("来源数据表 %1 只有 %2 列，本地库需要 %3 列")
                               .arg(plan.table)
                               .arg(sourceCols.size())
                               .arg(n));

    // Every statement is prepared once per table and reused for each row.
    // The source's rows are read whole when they are hashed.
    const int readCols = sourceRows_ ? int(sourceCols.size()) : n;
    QStringList selectList, insertCols, marks;
    for (int i = 0; i < readCols; ++i) selectList.append(quoted(sourceCols[i]));
    const int firstInsert = plan.serialPos == 0 ? 0 : 1;
    for (int i = firstInsert; i < n; ++i) {
        insertCols.append(quoted(targetCols[i].name));
        marks.append("?");
    }
    store::Statement read(
        source_, "SELECT " + selectList.join(", ") + " FROM main." + quoted(plan.table) + " ORDER BY rowid");
    if (sourceRows_) sourceRows_->beginTable(plan.table, sourceCols);
    store::Statement check(target_.handle(), QString::fromLatin1(plan.checkSql));
    std::unique_ptr<store::Statement> lookup, checkAndLookup;
    if (plan.checkAndLookupSql)
        checkAndLookup =
            std::make_unique<store::Statement>(target_.handle(), QString::fromLatin1(plan.checkAndLookupSql));
    if (plan.serialPos >= 0)
        lookup = std::make_unique<store::Statement>(target_.handle(), QString::fromLatin1(plan.lookupSql));
    // The duplicate test is a statement of its own: an insert that carried
    // it as a sub-select would be a multi-row statement, for which the engine
    // journals every page it touches, row after row; and an insert that lets
    // the key's uniqueness skip a duplicate (ON CONFLICT DO NOTHING, OR
    // IGNORE) tests the row's values first and uses up a serial for it.
    store::Statement insert(target_.handle(), "INSERT INTO " + quoted(plan.table) + " (" +
                                                  insertCols.join(", ") + ") VALUES (" + marks.join(", ") +
                                                  ")");
    std::optional<TargetRows> written;
    if (targetRows_) {
        written.emplace(*targetRows_, target_.handle(), plan.table, firstInsert);
        if (!written->ok() || written->columns() != n) {
            written.reset();
            targetRows_.reset();  // the target is read afterwards
        }
    }
    // Persons of one employer share its serial: looked up once per run.
    QHash<QByteArray, qint64> serials;
    const QByteArray duplicatePrefix = EncodedLines::encode(plan.duplicateLine);
    const QByteArray cancelLine = EncodedLines::encode(plan.cancelLine);
    const int duplicateChars = int(plan.duplicateLine.size()), cancelChars = int(plan.cancelLine.size());

    const qint64 total = sourceRowCount(source_, plan.table);
    std::optional<WrittenKeys> writtenKeys;
    const std::optional<bool> foldCase = keysOnlyThisRuns(plan.table, targetCols[plan.keyPos].name);
    if (plan.reg == Register::Persons) {
        // Kept for the institution rows that follow.
        persons_.reset();
        if (foldCase) persons_ = std::make_unique<PersonSerials>(total, *foldCase);
    } else if (foldCase) {
        writtenKeys.emplace(total);
    }
    if (plan.total) *plan.total = int(total);
    if (plan.skipped) *plan.skipped = 0;
    observer_.tableStarted(plan.reg, int(total));

    sqlite3* tdb = target_.handle();
    sqlite3_stmt* src = read.handle();
    const bool utf8 = sourceUtf8_;
    sqlite3_stmt* ins = insert.handle();
    QVector<int> types(n);
    const auto probe = [&](QByteArrayView key) {
        bindText(check, 1, key);
        const bool duplicate = check.step() && sqlite3_column_int64(check.handle(), 0) > 0;
        check.reset();
        return duplicate;
    };
    const auto bindRow = [&](qint64 serial) {
        int index = 1;
        for (int i = firstInsert; i < n; ++i, ++index) {
            const int rc = i == plan.serialPos ? sqlite3_bind_int64(ins, index, serial)
                                               : bindColumn(ins, index, src, i, types[i], utf8);
            if (rc != SQLITE_OK) throw store::engineError(tdb, rc);
        }
    };
    const auto serialOf = [&](QByteArrayView key, qint64* serial) {
        const QByteArray probeKey = QByteArray::fromRawData(key.data(), key.size());
        if (const auto known = serials.constFind(probeKey); known != serials.constEnd()) {
            *serial = *known;
            return true;
        }
        bindText(*lookup, 1, key);
        const bool found = lookup->step();
        if (found) *serial = sqlite3_column_int64(lookup->handle(), 0);
        lookup->reset();
        if (found && plan.reg == Register::Persons) {
            if (serials.size() >= 200000) serials.clear();
            serials.insert(QByteArray(key.data(), key.size()), *serial);
        }
        return found;
    };
    const auto transferRow = [&] {
        // The storage types of the values read as text below, before they are.
        types[plan.keyPos] = sqlite3_column_type(src, plan.keyPos);
        if (plan.lookupPos >= 0 && plan.lookupPos < n)
            types[plan.lookupPos] = sqlite3_column_type(src, plan.lookupPos);
        const QByteArrayView key = textOf(src, plan.keyPos, utf8);
        qint64 serial = 0;
        bool duplicate = false, found = true;
        // The duplicate test comes first: a duplicate is skipped before its
        // serial is needed (and before a missing one is an error).
        const bool tested = !writtenKeys || writtenKeys->mayHold(key);
        if (tested && checkAndLookup) {
            bindText(*checkAndLookup, 1, key);
            bindText(*checkAndLookup, 2, textOf(src, plan.lookupPos, utf8));
            checkAndLookup->step();
            const int answer = sqlite3_column_type(checkAndLookup->handle(), 0);
            duplicate = answer == SQLITE_TEXT;
            found = answer != SQLITE_NULL;
            serial = sqlite3_column_int64(checkAndLookup->handle(), 0);
            checkAndLookup->reset();
        } else if (plan.reg == Register::Persons && persons_) {
            qint64 held = 0;
            duplicate = persons_->find(key, &held);
            if (!duplicate) found = serialOf(textOf(src, plan.lookupPos, utf8), &serial);
        } else {
            duplicate = tested && probe(key);
            if (!duplicate && plan.reg == Register::Institutions && persons_)
                found = persons_->find(textOf(src, plan.lookupPos, utf8), &serial);
            else if (!duplicate && lookup)
                found = serialOf(textOf(src, plan.lookupPos, utf8), &serial);
        }
        if (!duplicate && !found)
            throw store::Error(plan.notFound.arg(QString::fromUtf8(textOf(src, plan.lookupPos, utf8))));
        if (duplicate) {
            pending_.add(duplicatePrefix, duplicateChars, key.data(), key.size());
            pending_.add(cancelLine, cancelChars, nullptr, 0);
            if (pending_.size() >= batchSize_) flush();
            if (plan.skipped) ++*plan.skipped;
            return;
        }
        for (int i = 0; i < n; ++i)
            if (i != plan.keyPos && i != plan.lookupPos) types[i] = sqlite3_column_type(src, i);
        bindRow(serial);
        insert.step();
        insert.reset();
        if (writtenKeys) writtenKeys->add(key);
        // A key stored as a blob (or null) is found by no test of text.
        if (plan.reg == Register::Persons && persons_ && types[plan.keyPos] != SQLITE_BLOB &&
            types[plan.keyPos] != SQLITE_NULL && !persons_->add(key, sqlite3_last_insert_rowid(tdb)))
            persons_.reset();
        if (written) {
            written->written(tdb, src, utf8, types.constData(), plan.serialPos, serial);
            if (!written->ok()) {
                written.reset();
                targetRows_.reset();
            }
        }
    };

    int row = 0;
    atTable_ = plan.reg;
    for (;;) {
        // A row the source cannot give is the next one.
        atRow_ = row + 1;
        bool more = false;
        try {
            more = read.step();
        } catch (const std::exception&) {
            sourceRows_.reset();  // the source cannot be read to its end
            throw;
        }
        if (!more) break;
        ++row;
        observer_.rowReached(plan.reg, row);
        if (sourceRows_) sourceRows_->row(src, readCols);
        try {
            transferRow();
        } catch (const std::exception&) {
            // The rest of the table goes into the source's checksum: a file
            // whose rows were changed is refused as such, whatever failed.
            if (sourceRows_) {
                try {
                    sourceRows_->table(source_, plan.table, src, quint64(row));
                    ++tablesRead_;
                } catch (const std::exception&) {
                    sourceRows_.reset();  // unreadable: the row's own failure is the one told
                }
            }
            throw;
        }
    }
    read.reset();
    atRow_ = 0;  // a later failure is not this row's
    if (sourceRows_) {
        sourceRows_->endTable(quint64(row));
        ++tablesRead_;
    }
    if (written) written->finish();
    observer_.tableFinished(plan.reg, row);
    flush();
}

QString Transfer::failedAt() const {
    if (atRow_ <= 0) return {};
    const char* name = atTable_ == Register::Employers ? "单位信息"
                       : atTable_ == Register::Persons ? "个人信息"
                                                       : "定点医疗机构信息";
    return QString("%1第 %2 条").arg(QString::fromUtf8(name)).arg(atRow_);
}

QString Transfer::sourceChecksum() {
    const QStringList tables = registerTables();
    for (int t = tablesRead_; t < tables.size(); ++t) sourceRows_->table(source_, tables[t]);
    tablesRead_ = int(tables.size());
    const QString digest = sourceRows_->result();
    sourceRows_.reset();
    return digest;
}

bool Transfer::run() {
    atRow_ = 0;
    counts_ = {};
    error_.clear();
    failure_.reset();
    refused_ = false;
    pending_.clear();
    const TablePlan employers{Register::Employers,
                              "M_CORPORATION",
                              1,
                              kCheckSSNDbl,
                              -1,
                              -1,
                              nullptr,
                              nullptr,
                              {},
                              "本条企业信息重复，其社保登记证号码为：",
                              "取消本条企业信息导入。",
                              &counts_.employers,
                              &counts_.employersSkipped};
    const TablePlan persons{Register::Persons,
                            "M_PERSON",
                            2,
                            kCheckIDcardDbl,
                            1,
                            41,
                            kCorpsnBySSN,
                            nullptr,
                            "本地库中没有社保登记证号码为“%1”的单位",
                            "本条个人信息重复，其身份证号码为：",
                            "取消本条个人信息导入。",
                            &counts_.persons,
                            &counts_.personsSkipped};
    const TablePlan institutions{Register::Institutions,
                                 "M_PSNAPPOINTEDHOSPITAL",
                                 8,
                                 kCheckMedDbl,
                                 0,
                                 8,
                                 kPsnsnByIDcard,
                                 kCheckMedDblAndPsnsn,
                                 "本地库中没有身份证号码为“%1”的人员",
                                 "本条个人定点医疗机构信息重复，其人员身份证号码为：",
                                 "取消本条个人定点医疗机构选择信息导入。",
                                 nullptr,
                                 nullptr};
    // A larger page cache keeps the growing indexes in memory for the length
    // of the run instead of spilling pages to the file mid-transaction.
    const QVariant cacheBefore = target_.scalar("PRAGMA cache_size");
    target_.executeScript(QString("PRAGMA cache_size = %1;").arg(-qMax(cacheKiB_, 1)));
    struct RestoreCache {
        store::Connection& c;
        QVariant v;
        ~RestoreCache() {
            try {
                c.executeScript(QString("PRAGMA cache_size = %1;").arg(v.toLongLong()));
            } catch (...) {
            }
        }
    } restore{target_, cacheBefore};
    tablesRead_ = 0;
    persons_.reset();
    struct Forget {
        std::unique_ptr<PersonSerials>& persons;
        ~Forget() { persons.reset(); }
    } forget{persons_};
    sourceUtf8_ = storesUtf8(source_);
    sourceRows_.reset();
    targetRows_.reset();
    try {
        store::Transaction tx(target_);
        if (sourceCheck_) sourceRows_ = std::make_unique<RowsHasher>();
        if (recordChecksum_ && targetsEmpty()) targetRows_ = std::make_unique<RowsHasher>();
        transferTable(employers);
        transferTable(persons);
        transferTable(institutions);
        if (sourceCheck_) {
            const QString digest = sourceChecksum();
            try {
                sourceCheck_(digest);
            } catch (const store::Error&) {
                refused_ = true;
                throw;
            }
        }
        if (recordChecksum_) {
            const QString rows = targetRows_ ? targetRows_->result() : rowsChecksum(target_.handle(), tick_);
            targetRows_.reset();
            target_.execute("INSERT OR REPLACE INTO veyra_meta (key, value) VALUES (?, ?)",
                            {checksumKey(), rows});
        }
        if (dryRun_)
            tx.rollback();
        else
            tx.commit();
    } catch (const std::exception& e) {
        const auto* se = dynamic_cast<const store::Error*>(&e);
        error_ = se ? se->text() : QString::fromLocal8Bit(e.what());
        failure_ = se ? *se : store::Error(error_);
        if (target_.inTransaction()) {
            try {
                target_.rollback();
            } catch (...) {
            }
        }
        targetRows_.reset();
        // Failed on its own: the file is refused instead when its rows do
        // not match the checksum recorded with them.
        if (sourceRows_ && sourceCheck_ && !refused_) {
            QString digest;
            try {
                digest = sourceChecksum();
            } catch (const std::exception&) {
                // unreadable: the failure already caught is the one told
            }
            if (!digest.isEmpty()) {
                try {
                    sourceCheck_(digest);
                } catch (const store::Error& r) {
                    refused_ = true;
                    error_ = r.text();
                    failure_ = r;
                }
            }
        }
        sourceRows_.reset();
        flush();
        return false;
    }
    const auto block = [this](const QString& title, int total, int skipped) {
        log(QString());
        log(title);
        log(QString("总数 ：%1 条").arg(total));
        log(QString("成功 ：%1 条").arg(total - skipped));
        log(QString("失败 ：%1 条").arg(skipped));
    };
    block("单位信息导入统计", counts_.employers, counts_.employersSkipped);
    block("个人信息导入统计", counts_.persons, counts_.personsSkipped);
    flush();
    return true;
}

}  // namespace exchange
