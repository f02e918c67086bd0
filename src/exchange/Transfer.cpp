#include "exchange/Transfer.h"

#include <sqlite3.h>
#include <QHash>

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

bool countsAny(store::Connection& target, const char* checkSql, const QString& key) {
    return target.scalar(QString::fromLatin1(checkSql), {key}).toLongLong() > 0;
}

namespace {

// A column read "as text": null reads as the empty text.
QByteArray textOf(sqlite3_stmt* s, int i) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    return p ? QByteArray(p, sqlite3_column_bytes(s, i)) : QByteArray("");
}

void bindText(store::Statement& st, int index, const QByteArray& utf8) {
    if (sqlite3_bind_text(st.handle(), index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK)
        throw store::engineError(sqlite3_db_handle(st.handle()), SQLITE_ERROR);
}

// Binds column i of the source's current row without copying its text: the
// row stays put until the source steps, after the insert has run.
int bindColumn(sqlite3_stmt* ins, int index, sqlite3_stmt* src, int i) {
    switch (sqlite3_column_type(src, i)) {
        case SQLITE_INTEGER:
            return sqlite3_bind_int64(ins, index, sqlite3_column_int64(src, i));
        case SQLITE_FLOAT:
            return sqlite3_bind_double(ins, index, sqlite3_column_double(src, i));
        case SQLITE_TEXT: {
            const unsigned char* text = sqlite3_column_text(src, i);
            return sqlite3_bind_text(ins, index, reinterpret_cast<const char*>(text),
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

}  // namespace

struct Transfer::TablePlan {
    Register reg;
    QString table;
    int keyPos;  // duplicate key, read as text
    const char* checkSql;
    int serialPos;  // column that receives a serial of the target; -1 for none
    int lookupPos;  // source column whose text finds that serial
    const char* lookupSql;
    QString notFound;  // reason when the lookup finds nothing (%1: the key)
    QString duplicateLine;
    QString cancelLine;
    int* total;
    int* skipped;
};

Transfer::Transfer(sqlite3* source, store::Connection& target, TransferObserver& observer)
    : source_(source), target_(target), observer_(observer) {}

void Transfer::log(const QString& line) {
    pending_.append(line);
    if (pending_.size() >= batchSize_) flush();
}

void Transfer::flush() {
    if (pending_.isEmpty()) return;
    observer_.logLines(pending_);
    pending_.clear();
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
    QStringList selectList, insertCols, marks;
    for (int i = 0; i < n; ++i) selectList.append(quoted(sourceCols[i]));
    const int firstInsert = plan.serialPos == 0 ? 0 : 1;
    for (int i = firstInsert; i < n; ++i) {
        insertCols.append(quoted(targetCols[i].name));
        marks.append("?");
    }
    store::Statement read(
        source_, "SELECT " + selectList.join(", ") + " FROM main." + quoted(plan.table) + " ORDER BY rowid");
    store::Statement check(target_.handle(), QString::fromLatin1(plan.checkSql));
    std::unique_ptr<store::Statement> lookup;
    if (plan.serialPos >= 0)
        lookup = std::make_unique<store::Statement>(target_.handle(), QString::fromLatin1(plan.lookupSql));
    // The duplicate test is a statement of its own: an insert that carried
    // it as a sub-select would be a multi-row statement, for which the engine
    // journals every page it touches, row after row.
    store::Statement insert(target_.handle(), "INSERT INTO " + quoted(plan.table) + " (" +
                                                  insertCols.join(", ") + ") VALUES (" + marks.join(", ") +
                                                  ")");
    // Persons of one employer share its serial: looked up once per run.
    QHash<QByteArray, qint64> serials;

    const qint64 total = sourceRowCount(source_, plan.table);
    if (plan.total) *plan.total = int(total);
    if (plan.skipped) *plan.skipped = 0;
    observer_.tableStarted(plan.reg, int(total));

    sqlite3_stmt* src = read.handle();
    sqlite3_stmt* ins = insert.handle();
    int row = 0;
    atTable_ = plan.reg;
    // A row the source cannot give is the next one.
    for (;;) {
        atRow_ = row + 1;
        if (!read.step()) break;
        ++row;
        observer_.rowReached(plan.reg, row);
        const QByteArray key = textOf(src, plan.keyPos);
        // The duplicate test comes first: a duplicate is skipped before its
        // serial is needed (and before a missing one is an error).
        bindText(check, 1, key);
        const bool duplicate = check.step() && sqlite3_column_int64(check.handle(), 0) > 0;
        check.reset();
        if (duplicate) {
            log(plan.duplicateLine + QString::fromUtf8(key));
            log(plan.cancelLine);
            if (plan.skipped) ++*plan.skipped;
            continue;
        }
        qint64 serial = 0;
        if (lookup) {
            const QByteArray lookupKey = textOf(src, plan.lookupPos);
            const auto known = serials.constFind(lookupKey);
            bool found = known != serials.constEnd();
            if (found) {
                serial = *known;
            } else {
                bindText(*lookup, 1, lookupKey);
                found = lookup->step();
                if (found) serial = sqlite3_column_int64(lookup->handle(), 0);
                lookup->reset();
                if (found && plan.reg == Register::Persons) {
                    if (serials.size() >= 200000) serials.clear();
                    serials.insert(lookupKey, serial);
                }
            }
            if (!found) throw store::Error(plan.notFound.arg(QString::fromUtf8(lookupKey)));
        }
        int index = 1;
        for (int i = firstInsert; i < n; ++i, ++index) {
            int rc;
            if (i == plan.serialPos)
                rc = sqlite3_bind_int64(ins, index, serial);
            else if (i == plan.keyPos || i == plan.lookupPos)
                rc = sqlite3_bind_value(ins, index, sqlite3_column_value(src, i));  // already read as text
            else
                rc = bindColumn(ins, index, src, i);
            if (rc != SQLITE_OK) throw store::engineError(target_.handle(), rc);
        }
        insert.step();
        insert.reset();
    }
    read.reset();
    atRow_ = 0;  // a later failure is not this row's
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

bool Transfer::run() {
    atRow_ = 0;
    counts_ = {};
    error_.clear();
    failure_.reset();
    pending_.clear();
    const TablePlan employers{Register::Employers,
                              "M_CORPORATION",
                              1,
                              kCheckSSNDbl,
                              -1,
                              -1,
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
    try {
        store::Transaction tx(target_);
        transferTable(employers);
        transferTable(persons);
        transferTable(institutions);
        if (recordChecksum_)
            target_.execute("INSERT OR REPLACE INTO veyra_meta (key, value) VALUES (?, ?)",
                            {checksumKey(), rowsChecksum(target_.handle(), tick_)});
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
