#include "exchange/SubmissionFile.h"

#include "platform/Files.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include "exchange/RowsChecksum.h"
#include "store/Connection.h"
#include "store/Statement.h"

namespace exchange {

using Kind = Refusal::Kind;

namespace {

[[noreturn]] void refuse(Kind kind, const QString& what, const QString& shownPath) {
    throw Refusal(kind, QString("%1，无法导入：%2").arg(what, shownPath));
}

quint32 be32(const QByteArray& b, int at) {
    return qFromBigEndian<quint32>(b.constData() + at);
}

const char kJournalMagic[8] = {char(0xd9), char(0xd5), char(0x05), char(0xf9),
                               char(0x20), char(0xa1), char(0x63), char(0xd7)};

// A rollback journal beside the file with a live header: the file may hold
// half a transaction, and opening it normally would roll the journal back
// onto the medium.
bool hasHotJournal(const QString& path) {
    QFile j(path + "-journal");
    if (!j.exists() || j.size() == 0) return false;
    if (!j.open(QIODevice::ReadOnly)) return true;
    const QByteArray head = j.read(8);
    return head == QByteArray(kJournalMagic, 8);
}

}  // namespace

QList<TableShape> registerShapes(store::Connection& target) {
    QList<TableShape> shapes;
    for (const QString& t : registerTables()) {
        TableShape s{t, {}};
        for (const store::Column& c : target.tableColumns(t)) s.columns.append(c.name);
        shapes.append(s);
    }
    return shapes;
}

void checkHeader(const QByteArray& h, qint64 size, const QString& shownPath) {
    if (size == 0) refuse(Kind::Empty, "报盘文件是空文件", shownPath);
    if (size < 100 || h.size() < 100 || !h.startsWith(QByteArray("SQLite format 3\0", 16)))
        refuse(Kind::NotDatabase, "报盘文件不是数据库文件", shownPath);
    const quint32 raw = qFromBigEndian<quint16>(h.constData() + 16);
    const quint32 pageSize = raw == 1 ? 65536u : raw;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        refuse(Kind::BadPageSize, "报盘文件的文件头已损坏（页大小无效）", shownPath);
    const auto writeVersion = quint8(h[18]), readVersion = quint8(h[19]);
    if (writeVersion == 2 || readVersion == 2)
        refuse(Kind::WalMode, "报盘文件处于WAL日志模式，不是完整的单个文件", shownPath);
    if (writeVersion != 1 || readVersion != 1 || quint8(h[21]) != 64 || quint8(h[22]) != 32 ||
        quint8(h[23]) != 32 || pageSize - quint8(h[20]) < 480)
        refuse(Kind::BadHeader, "报盘文件的文件头已损坏", shownPath);
    // The page count in the header is valid when its version stamp matches
    // the change counter; a file cut short (or padded) no longer fits it.
    const quint32 pages = be32(h, 28);
    const bool countValid = pages != 0 && be32(h, 92) == be32(h, 24);
    if (size % pageSize != 0 || (countValid && qint64(pages) * pageSize != size))
        refuse(Kind::SizeMismatch, "报盘文件的长度与其页数不符，文件不完整或已损坏", shownPath);
}

sqlite3* openLockedDown(const QString& path, const QString& shownPath) {
    sqlite3* db = nullptr;
    const int flags =
        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_PRIVATECACHE;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        refuse(Kind::CannotOpen, QString("无法打开报盘文件（%1）").arg(msg), shownPath);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_enable_load_extension(db, 0);
    // No value of a register is longer than 100 characters; these bounds only
    // keep a hostile file from making the engine work without end.
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1000000);
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 1000000);
    sqlite3_limit(db, SQLITE_LIMIT_COLUMN, 500);
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 200);
    sqlite3_limit(db, SQLITE_LIMIT_COMPOUND_SELECT, 10);
    sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, 8);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 50);
    sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, 100);
    sqlite3_limit(db, SQLITE_LIMIT_TRIGGER_DEPTH, 1);
    char* err = nullptr;
    if (sqlite3_exec(db, "PRAGMA cell_size_check = ON; PRAGMA query_only = ON; PRAGMA mmap_size = 0;",
                     nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString();
        sqlite3_free(err);
        sqlite3_close(db);
        refuse(Kind::CannotOpen, QString("无法打开报盘文件（%1）").arg(msg), shownPath);
    }
    return db;
}

namespace {
struct IntegrityTick {
    const CheckProgress* progress;
    qint64 steps = 0;
};
int integrityTick(void* p) {
    auto* t = static_cast<IntegrityTick*>(p);
    (*t->progress)(QStringLiteral("检查报盘文件的完整性"), ++t->steps, 0);
    return 0;
}
}  // namespace

void checkIntegrity(sqlite3* db, const QString& shownPath, const CheckProgress& progress) {
    QStringList answers;
    IntegrityTick tick{&progress};
    if (progress) sqlite3_progress_handler(db, 20000, integrityTick, &tick);
    struct Off {
        sqlite3* db;
        bool on;
        ~Off() {
            if (on) sqlite3_progress_handler(db, 0, nullptr, nullptr);
        }
    } off{db, bool(progress)};
    try {
        store::Statement st(db, "PRAGMA integrity_check(20)");
        while (st.step()) answers.append(st.value(0).toString());
        st.reset();
    } catch (const store::Error& e) {
        if (e.text().contains("unsafe use of"))
            refuse(Kind::Unsafe, QString("报盘文件含有不安全的表达式（%1）").arg(e.text()), shownPath);
        refuse(Kind::Damaged, QString("报盘文件已损坏（%1）").arg(e.text()), shownPath);
    }
    if (answers != QStringList{"ok"}) {
        const QString first = answers.isEmpty() ? QString() : answers.first();
        if (first.contains("unsafe use of"))
            refuse(Kind::Unsafe, QString("报盘文件含有不安全的表达式（%1）").arg(first), shownPath);
        refuse(Kind::Damaged, QString("报盘文件已损坏，未通过完整性检查（%1）").arg(first), shownPath);
    }
}

namespace {

// "table", "view", "virtual", ... of a main-schema name; empty when absent.
QString tableType(sqlite3* db, const QString& name, bool* withoutRowid) {
    store::Statement st(
        db, "SELECT type, wr FROM pragma_table_list WHERE schema = 'main' AND name = ? COLLATE NOCASE");
    st.bind({name});
    QString type;
    if (st.step()) {
        type = st.value(0).toString();
        *withoutRowid = st.value(1).toInt() != 0;
    }
    st.reset();
    return type;
}

void checkVeyra(sqlite3* db, const QString& shownPath) {
    const QString notVeyra = "报盘文件不是本系统的数据库文件";
    bool wr = false;
    QByteArray salt, verifier;
    QString format;
    try {
        store::Statement id(db, "PRAGMA application_id");
        const int appId = id.step() ? id.value(0).toInt() : 0;
        id.reset();
        if (appId != store::kApplicationId || tableType(db, "veyra_meta", &wr) != "table")
            refuse(Kind::NotVeyra, notVeyra, shownPath);
        store::Statement st(db,
                            "SELECT key, value FROM main.veyra_meta WHERE key IN ('password_salt', "
                            "'password_verifier', 'format')");
        while (st.step()) {
            if (st.value(0).toString() == "password_salt") salt = st.value(1).toString().toLatin1();
            if (st.value(0).toString() == "password_verifier") verifier = st.value(1).toString().toLatin1();
            if (st.value(0).toString() == "format") format = st.value(1).toString();
        }
        st.reset();
    } catch (const Refusal&) {
        throw;
    } catch (const store::Error& e) {
        refuse(Kind::NotVeyra, QString("%1（%2）").arg(notVeyra, e.text()), shownPath);
    }
    if (salt.isEmpty() || verifier.isEmpty()) refuse(Kind::NotVeyra, notVeyra, shownPath);
    if (store::passwordVerifier(salt, store::databasePassword()) != verifier)
        refuse(Kind::WrongPassword, "报盘文件的数据库密码不符", shownPath);
    // Files of an older format are read as they are; a newer one may hold
    // rows under rules this program does not know.
    bool ok = true;
    const int number = format.isEmpty() ? 1 : format.toInt(&ok);
    if (!ok || number < 1 || number > store::kCurrentFormat)
        refuse(Kind::NewerFormat,
               QString("报盘文件由较新版本的程序生成（文件格式 %1，本程序只认识到格式 %2），请安装新版本的程序后再导入")
                   .arg(format)
                   .arg(store::kCurrentFormat),
               shownPath);
}

}  // namespace

void checkContent(sqlite3* db, const QList<TableShape>& expected, const QString& shownPath,
                  const CheckProgress& progress) {
    checkVeyra(db, shownPath);
    try {
        for (const TableShape& t : expected) {
            bool withoutRowid = false;
            const QString type = tableType(db, t.name, &withoutRowid);
            if (type.isEmpty())
                refuse(Kind::MissingTable, QString("报盘文件缺少数据表 %1").arg(t.name), shownPath);
            if (type != "table" || withoutRowid)
                refuse(Kind::NotATable, QString("报盘文件中的 %1 不是普通数据表").arg(t.name), shownPath);
            // Generated columns count as differing: reading one would run an
            // expression from the file.
            store::Statement st(db, "SELECT name, hidden FROM pragma_table_xinfo(?)");
            st.bind({t.name});
            int i = 0;
            bool same = true;
            while (st.step() && i < t.columns.size()) {
                if (st.value(1).toInt() != 0 ||
                    st.value(0).toString().compare(t.columns[i], Qt::CaseInsensitive) != 0)
                    same = false;
                ++i;
            }
            st.reset();
            if (!same || i < t.columns.size())
                refuse(Kind::ColumnsDiffer, QString("报盘文件中数据表 %1 的列与本地库不符").arg(t.name),
                       shownPath);
        }
        const QString stored = storedChecksum(db);
        RowsProgress rows;
        if (progress)
            rows = [&progress](qint64 done, qint64 total) {
                progress(QStringLiteral("核对报盘文件的校验值"), done, total);
            };
        if (!stored.isEmpty() && rowsChecksum(db, rows) != stored)
            refuse(Kind::ChecksumMismatch, "报盘文件的数据与导出时记录的校验值不符，文件已被改动或损坏",
                   shownPath);
    } catch (const Refusal&) {
        throw;
    } catch (const store::Error& e) {
        refuse(Kind::Damaged, QString("报盘文件的数据无法读取（%1）").arg(e.text()), shownPath);
    }
}

SubmissionFile::SubmissionFile() = default;

SubmissionFile::~SubmissionFile() {
    close();
}

void SubmissionFile::open(const QString& path, const QList<TableShape>& expected,
                          const CheckProgress& progress) {
    close();
    const QString shown = QFileInfo(path).absoluteFilePath();
    if (hasHotJournal(path))
        refuse(Kind::HotJournal, "报盘文件旁有未完成的事务日志（-journal 文件），文件内容可能不完整", shown);
    dir_ = std::make_unique<QTemporaryDir>();
    if (!dir_->isValid())
        refuse(Kind::Unreadable, QString("无法建立临时目录（%1）").arg(dir_->errorString()), shown);
    const QString copy = dir_->filePath("submission.mdb");
    QString why;
    platform::CopyProgress copying;
    if (progress)
        copying = [&progress](qint64 done, qint64 total) {
            progress(QStringLiteral("复制报盘文件"), done, total);
        };
    if (!platform::copyFile(path, copy, &why, copying)) {
        close();
        refuse(Kind::Unreadable, QString("无法读取报盘文件（%1）").arg(why), shown);
    }
    try {
        QFile f(copy);
        if (!f.open(QIODevice::ReadOnly)) refuse(Kind::Unreadable, "无法读取报盘文件", shown);
        checkHeader(f.read(100), f.size(), shown);
        f.close();
        db_ = openLockedDown(copy, shown);
        checkIntegrity(db_, shown, progress);
        checkContent(db_, expected, shown, progress);
    } catch (...) {
        close();
        throw;
    }
}

void SubmissionFile::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    dir_.reset();
}

}  // namespace exchange
