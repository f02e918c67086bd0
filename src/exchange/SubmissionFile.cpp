#include "exchange/SubmissionFile.h"

#include "platform/Files.h"

#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <cerrno>

#include "exchange/RowsChecksum.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Statement.h"

namespace exchange {

using Kind = Refusal::Kind;

namespace {

[[noreturn]] void refuse(Kind kind, const QString& what, const QString& shownPath,
                         const QString& detail = {}) {
    throw Refusal(kind, QString("%1，无法导入：%2").arg(what, shownPath), detail.simplified());
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
    // Every engine since 2010 keeps the count valid, and without it nothing
    // bounds the size of the file before it is copied.
    const quint32 pages = be32(h, 28);
    if (pages == 0 || be32(h, 92) != be32(h, 24))
        refuse(Kind::BadHeader, "报盘文件的文件头已损坏（页数无效）", shownPath);
    if (size % pageSize != 0 || qint64(pages) * pageSize != size)
        refuse(Kind::SizeMismatch, "报盘文件的长度与其页数不符，文件不完整或已损坏", shownPath);
}

sqlite3* openLockedDown(const QString& path, const QString& shownPath) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE |
                      SQLITE_OPEN_PRIVATECACHE | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        refuse(Kind::CannotOpen, "无法打开报盘文件", shownPath, msg);
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
        refuse(Kind::CannotOpen, "无法打开报盘文件", shownPath, msg);
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
            refuse(Kind::Unsafe, "报盘文件含有不安全的表达式", shownPath, e.text());
        refuse(Kind::Damaged, "报盘文件已损坏", shownPath, e.text());
    }
    if (answers != QStringList{"ok"}) {
        const QString first = answers.isEmpty() ? QString() : answers.first();
        if (first.contains("unsafe use of"))
            refuse(Kind::Unsafe, "报盘文件含有不安全的表达式", shownPath, first);
        refuse(Kind::Damaged, "报盘文件已损坏，未通过完整性检查", shownPath, answers.join(' '));
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
        refuse(Kind::NotVeyra, notVeyra, shownPath, e.text());
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
               QString("报盘文件由较新版本的程序生成（文件格式 %1，本程序只认识到格式 "
                       "%2），请安装新版本的程序后再导入")
                   .arg(format)
                   .arg(store::kCurrentFormat),
               shownPath);
}

}  // namespace

void refuseChangedRows(const QString& shownPath) {
    refuse(Kind::ChecksumMismatch, "报盘文件的数据与导出时记录的校验值不符，文件已被改动或损坏", shownPath);
}

QString checkContent(sqlite3* db, const QList<TableShape>& expected, const QString& shownPath,
                     const CheckProgress& progress, bool rows) {
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
        if (!rows) return stored;
        RowsProgress reading;
        if (progress)
            reading = [&progress](qint64 done, qint64 total) {
                progress(QStringLiteral("核对报盘文件的校验值"), done, total);
            };
        if (!stored.isEmpty() && rowsChecksum(db, reading) != stored) refuseChangedRows(shownPath);
        return stored;
    } catch (const Refusal&) {
        throw;
    } catch (const store::Error& e) {
        refuse(Kind::Damaged, "报盘文件的数据无法读取，文件已损坏", shownPath, e.text());
    }
}

// ---- work budget ------------------------------------------------------

namespace {
std::chrono::milliseconds& budgetOverride() {
    static std::chrono::milliseconds b{0};
    return b;
}
}  // namespace

std::chrono::milliseconds checkBudget(qint64 fileSize) {
    if (budgetOverride().count() > 0) return budgetOverride();
    // Reading a genuine register runs at well over 50 MB a second here.
    return std::chrono::milliseconds(3000 + fileSize / (16 * 1024 * 1024) * 1000);
}

void setCheckBudgetOverride(std::chrono::milliseconds budget) {
    budgetOverride() = budget;
}

WorkBudget::WorkBudget(sqlite3* db, std::chrono::milliseconds budget, std::function<void()> tick)
    : db_(db),
      deadline_(std::chrono::steady_clock::now() + budget),
      nextTick_(std::chrono::steady_clock::now()),
      tick_(std::move(tick)) {
    sqlite3_progress_handler(db_, 1000, &WorkBudget::onProgress, this);
}

WorkBudget::~WorkBudget() {
    sqlite3_progress_handler(db_, 0, nullptr, nullptr);
}

int WorkBudget::onProgress(void* self) {
    auto* b = static_cast<WorkBudget*>(self);
    auto now = std::chrono::steady_clock::now();
    if (b->tick_ && now >= b->nextTick_) {
        b->tick_();
        now = std::chrono::steady_clock::now();
        b->nextTick_ = now + std::chrono::milliseconds(50);
    }
    if (now >= b->deadline_) {
        b->exceeded_ = true;
        return 1;
    }
    return 0;
}

namespace {
[[noreturn]] void refuseTooComplex(const QString& shownPath) {
    refuse(Kind::TooComplex, "报盘文件过于复杂，无法在限定时间内检查", shownPath);
}
}  // namespace

// ---- schema comparison --------------------------------------------------

namespace {

struct SchemaObject {
    QString type;
    QString name;
    QString table;
    QString sql;  // normalised; empty for automatic indexes
};
using SchemaSet = QHash<QString, SchemaObject>;  // by lower-case name

// One space for each run of white space and no comments, outside quotes, so
// that only the definition itself is compared.
QString normaliseSql(const QString& sql) {
    QString out;
    QChar quote;
    bool space = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            out += c;
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            while (i < sql.size() && sql[i] != '\n') ++i;
            space = true;
            continue;
        }
        if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const qsizetype end = sql.indexOf("*/", i + 2);
            i = end < 0 ? sql.size() : end + 1;
            space = true;
            continue;
        }
        if (c.isSpace()) {
            space = true;
            continue;
        }
        if (space && !out.isEmpty()) out += ' ';
        space = false;
        if (c == '\'' || c == '"' || c == '`') quote = c;
        if (c == '[') quote = ']';
        out += c;
    }
    return out;
}

// The first release compared keys by their bytes; the same schema without
// its NOCASE rules is that format's shape.
QString withoutNocase(const QString& sql) {
    static const QRegularExpression nocase(" COLLATE NOCASE\\b", QRegularExpression::CaseInsensitiveOption);
    return QString(sql).remove(nocase);
}

// A table's definition without the plain columns (a name and at most a
// type) that follow the register's own; anything more stays and so differs.
QString withoutExtraColumns(const QString& sql, const QStringList& own) {
    const qsizetype open = sql.indexOf('(');
    if (open < 0) return sql;
    // Top-level items of the column list: [start, end) and the comma before.
    struct Item {
        qsizetype comma, start, end;
    };
    QList<Item> items;
    int depth = 0;
    QChar quote;
    qsizetype start = open + 1, comma = -1;
    for (qsizetype i = open + 1; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == '\'' || c == '"' || c == '`') {
            quote = c;
        } else if (c == '[') {
            quote = ']';
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && depth > 0) {
            --depth;
        } else if ((c == ',' || c == ')') && depth == 0) {
            items.append({comma, start, i});
            if (c == ')') break;
            comma = i;
            start = i + 1;
        }
    }
    static const QRegularExpression plain(
        "^\\s*(\"?)([A-Za-z_][A-Za-z0-9_]*)\\1(\\s+[A-Za-z_]+(\\s+[A-Za-z_]+)*(\\s*\\(\\s*\\d+\\s*(,\\s*\\d+"
        "\\s*)?\\))?)?\\s*$");
    QString out = sql;
    for (qsizetype k = items.size() - 1; k >= 0; --k) {
        const Item& it = items[k];
        const auto m = plain.match(sql.mid(it.start, it.end - it.start));
        if (!m.hasMatch() || it.comma < 0) continue;
        const QString name = m.captured(2);
        bool ownColumn = false;
        for (const QString& c : own) ownColumn = ownColumn || c.compare(name, Qt::CaseInsensitive) == 0;
        static const QStringList keywords{"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"};
        if (ownColumn || keywords.contains(name.toUpper())) continue;
        // The comma before it and the item itself; spaces before the comma stay.
        qsizetype end = it.end;
        while (end > it.start && sql[end - 1] == ' ') --end;
        out.remove(it.comma, end - it.comma);
    }
    return out;
}

SchemaSet readObjects(sqlite3* db) {
    SchemaSet set;
    store::Statement st(db, "SELECT type, name, tbl_name, sql FROM main.sqlite_schema");
    while (st.step()) {
        SchemaObject o{st.value(0).toString(), st.value(1).toString(), st.value(2).toString(),
                       normaliseSql(st.value(3).toString())};
        set.insert(o.name.toLower(), o);
    }
    st.reset();
    return set;
}

// The objects of a working database and of the template, made in memory by
// the code that makes the real files.
const QList<SchemaSet>& referenceSets() {
    static const QList<SchemaSet> sets = [] {
        QList<SchemaSet> result;
        for (bool working : {false, true}) {
            sqlite3* mem = nullptr;
            sqlite3_open(":memory:", &mem);
            store::Connection c;
            c.adopt(mem, ":memory:");
            store::createSchema(c, working);
            result.append(readObjects(c.handle()));
        }
        return result;
    }();
    return sets;
}

bool isStatTable(const SchemaObject& o) {
    // Left by ANALYZE or PRAGMA optimize; the planner reads them, nothing runs.
    static const QStringList known{"CREATE TABLE sqlite_stat1(tbl,idx,stat)",
                                   "CREATE TABLE sqlite_stat4(tbl,idx,neq,nlt,ndlt,sample)"};
    return o.type == "table" && known.contains(o.sql);
}

bool isVirtual(const SchemaObject& o) {
    static const QRegularExpression re("^CREATE VIRTUAL TABLE\\b", QRegularExpression::CaseInsensitiveOption);
    return o.type == "table" && re.match(o.sql).hasMatch();
}

bool knownCollation(const QString& name) {
    return name.compare("BINARY", Qt::CaseInsensitive) == 0 ||
           name.compare("NOCASE", Qt::CaseInsensitive) == 0;
}

// A connection that reads the schema table without parsing it (a definition
// the engine cannot parse is then simply absent from the pragmas).
sqlite3* openSchemaReader(const QString& path, const QString& shownPath) {
    sqlite3* db = openLockedDown(path, shownPath);
    char* err = nullptr;
    if (sqlite3_exec(db, "PRAGMA writable_schema = ON;", nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString();
        sqlite3_free(err);
        sqlite3_close(db);
        refuse(Kind::CannotOpen, "无法打开报盘文件", shownPath, msg);
    }
    return db;
}

void compareSchema(sqlite3* db, const QList<TableShape>& registers, const QString& shownPath) {
    store::Statement id(db, "PRAGMA application_id");
    const int appId = id.step() ? id.value(0).toInt() : 0;
    id.reset();
    const SchemaSet objects = readObjects(db);
    const auto meta = objects.constFind("veyra_meta");
    if (appId != store::kApplicationId || meta == objects.cend() || meta->type != "table" || isVirtual(*meta))
        refuse(Kind::NotVeyra, "报盘文件不是本系统的数据库文件", shownPath);

    QStringList registerNames;
    for (const TableShape& t : registers) registerNames.append(t.name.toLower());
    const QList<SchemaSet>& refs = referenceSets();
    auto inReference = [&](const SchemaObject& o) {
        for (const SchemaSet& r : refs)
            if (r.contains(o.name.toLower()) && r.value(o.name.toLower()).type == o.type) return true;
        return false;
    };

    for (const SchemaObject& o : objects)
        if (o.type == "trigger")
            refuse(Kind::Trigger, QString("报盘文件含有触发器 %1").arg(o.name), shownPath);
    for (const SchemaObject& o : objects) {
        const bool isRegister = registerNames.contains(o.name.toLower());
        if (isVirtual(o)) {
            if (isRegister)
                refuse(Kind::NotATable, QString("报盘文件中的 %1 不是普通数据表").arg(o.name), shownPath);
            refuse(Kind::VirtualTable, QString("报盘文件含有虚拟表 %1").arg(o.name), shownPath);
        }
        if (o.type == "view") {
            if (isRegister)
                refuse(Kind::NotATable, QString("报盘文件中的 %1 不是普通数据表").arg(o.name), shownPath);
            if (!inReference(o)) refuse(Kind::View, QString("报盘文件含有视图 %1").arg(o.name), shownPath);
        }
    }
    for (const TableShape& t : registers)
        if (!objects.contains(t.name.toLower()))
            refuse(Kind::MissingTable, QString("报盘文件缺少数据表 %1").arg(t.name), shownPath);

    // Columns: nothing hidden, nothing computed when a row is read.
    for (const SchemaObject& o : objects) {
        if (o.type != "table") continue;
        store::Statement st(db, "SELECT name, type, hidden FROM pragma_table_xinfo(?)");
        st.bind({o.name});
        QStringList names;
        while (st.step()) {
            const QString col = st.value(0).toString();
            const int hidden = st.value(2).toInt();
            static const QRegularExpression hiddenWord("\\bHIDDEN\\b",
                                                       QRegularExpression::CaseInsensitiveOption);
            if (hidden == 1 || hiddenWord.match(st.value(1).toString()).hasMatch())
                refuse(Kind::HiddenColumn, QString("报盘文件中数据表 %1 含有隐藏列 %2").arg(o.name, col),
                       shownPath);
            if (hidden == 2 || hidden == 3)
                refuse(Kind::GeneratedColumn, QString("报盘文件中数据表 %1 含有计算列 %2").arg(o.name, col),
                       shownPath);
            names.append(col);
            const char* coll = nullptr;
            if (sqlite3_table_column_metadata(db, "main", o.name.toUtf8().constData(),
                                              col.toUtf8().constData(), nullptr, &coll, nullptr, nullptr,
                                              nullptr) == SQLITE_OK &&
                coll && !knownCollation(QString::fromUtf8(coll)))
                refuse(Kind::UnknownCollation,
                       QString("报盘文件中数据表 %1 的列 %2 使用了本系统不认识的排序规则 %3")
                           .arg(o.name, col, QString::fromUtf8(coll)),
                       shownPath);
        }
        st.reset();
        for (const TableShape& t : registers) {
            if (t.name.compare(o.name, Qt::CaseInsensitive) != 0) continue;
            // Plain columns after the register's own are ignored by the transfer.
            bool same = names.size() >= t.columns.size();
            for (int i = 0; same && i < t.columns.size(); ++i)
                same = names[i].compare(t.columns[i], Qt::CaseInsensitive) == 0;
            if (!same)
                refuse(Kind::ColumnsDiffer, QString("报盘文件中数据表 %1 的列与本地库不符").arg(t.name),
                       shownPath);
        }
    }
    for (const SchemaObject& o : objects)
        if (o.type == "table" && !inReference(o) && !isStatTable(o))
            refuse(Kind::ExtraTable, QString("报盘文件含有本系统没有的数据表 %1").arg(o.name), shownPath);

    // Indexes: plain ones on named columns of known collation.
    for (const SchemaObject& o : objects) {
        if (o.type != "index") continue;
        bool parsed = false, partial = false;
        store::Statement list(db, "SELECT partial FROM pragma_index_list(?) WHERE name = ? COLLATE NOCASE");
        list.bind({o.table, o.name});
        if (list.step()) {
            parsed = true;
            partial = list.value(0).toInt() != 0;
        }
        list.reset();
        if (!parsed)
            refuse(Kind::SchemaDiffers, QString("报盘文件中索引 %1 的定义无法识别").arg(o.name), shownPath);
        if (partial) refuse(Kind::PartialIndex, QString("报盘文件含有部分索引 %1").arg(o.name), shownPath);
        store::Statement cols(db, "SELECT cid, coll FROM pragma_index_xinfo(?) WHERE key = 1");
        cols.bind({o.name});
        while (cols.step()) {
            if (cols.value(0).toInt() == -2)
                refuse(Kind::ExpressionIndex, QString("报盘文件含有表达式索引 %1").arg(o.name), shownPath);
            if (!knownCollation(cols.value(1).toString()))
                refuse(Kind::UnknownCollation,
                       QString("报盘文件中索引 %1 使用了本系统不认识的排序规则 %2")
                           .arg(o.name, cols.value(1).toString()),
                       shownPath);
        }
        cols.reset();
    }

    // Finally the whole definition of every table and view: constraints,
    // types, defaults, keys. Plain indexes were checked above; whether one is
    // unique or there at all changes nothing that is run.
    auto sameAs = [&](const SchemaObject& o, const SchemaObject& r) {
        if (o.type != r.type) return false;
        QString sql = o.sql;
        for (const TableShape& t : registers)
            if (o.type == "table" && t.name.compare(o.name, Qt::CaseInsensitive) == 0)
                sql = withoutExtraColumns(sql, t.columns);
        return sql == r.sql || sql == withoutNocase(r.sql);
    };
    const SchemaSet& ref = objects.contains("d_sex") ? refs[1] : refs[0];
    for (const SchemaObject& o : objects) {
        if (o.type == "index" || isStatTable(o)) continue;
        const auto r = ref.constFind(o.name.toLower());
        if (r == ref.cend() || !sameAs(o, *r))
            refuse(Kind::SchemaDiffers,
                   QString("报盘文件中%1 %2 的定义与本系统的不符")
                       .arg(o.type == "view" ? QString("视图") : QString("数据表"), o.name),
                   shownPath);
    }
    for (const SchemaObject& r : ref)
        if (r.type != "index" && !objects.contains(r.name.toLower()))
            refuse(Kind::SchemaDiffers,
                   QString("报盘文件缺少本系统的%1 %2").arg(r.type == "view" ? "视图" : "数据表", r.name),
                   shownPath);
}

}  // namespace

void checkSchema(const QString& path, const QList<TableShape>& expected, const QString& shownPath,
                 std::chrono::milliseconds budget, const std::function<void()>& tick) {
    sqlite3* db = openSchemaReader(path, shownPath);
    std::exception_ptr failure;
    bool exceeded = false;
    {
        WorkBudget bound(db, budget, tick);
        try {
            compareSchema(db, expected, shownPath);
        } catch (...) {
            failure = std::current_exception();
            exceeded = bound.exceeded();
        }
    }
    sqlite3_close(db);
    if (!failure) return;
    if (exceeded) refuseTooComplex(shownPath);
    try {
        std::rethrow_exception(failure);
    } catch (const Refusal&) {
        throw;
    } catch (const store::Error& e) {
        refuse(Kind::Damaged, "报盘文件已损坏", shownPath, e.text());
    }
}

// ---- private copies ---------------------------------------------------------

QString privateCopyPrefix() {
    return QStringLiteral("veyra-");
}

void removeStalePrivateCopies() {
    static const QRegularExpression name("^veyra-(\\d+)-[A-Za-z0-9]{6}$");
    const QDir temp(QDir::tempPath());
    for (const QFileInfo& fi : temp.entryInfoList({privateCopyPrefix() + "*"}, QDir::Dirs | QDir::Hidden)) {
        const auto m = name.match(fi.fileName());
        if (!m.hasMatch() || fi.isSymLink() || fi.ownerId() != ::getuid()) continue;
        const qint64 pid = m.captured(1).toLongLong();
        if (pid <= 0 || pid == ::getpid()) continue;
        // Only when its process is gone: another running copy of the program
        // may be reading its own.
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
        QDir(fi.absoluteFilePath()).removeRecursively();
    }
}

SubmissionFile::SubmissionFile() = default;

SubmissionFile::~SubmissionFile() {
    close();
}

void SubmissionFile::open(const QString& path, const QList<TableShape>& expected,
                          const CheckProgress& progress, Rows rows) {
    close();
    const QString shown = QFileInfo(path).absoluteFilePath();
    shown_ = shown;
    // A pipe or a device would hold the program waiting at the first read; a
    // file of mostly holes would be copied as gigabytes of zeros.
    QString notPlain;
    if (!platform::isPlainFile(path, &notPlain, true))
        refuse(Kind::Unreadable, QString("无法读取报盘文件（%1）").arg(notPlain), shown);
    if (hasHotJournal(path))
        refuse(Kind::HotJournal, "报盘文件旁有未完成的事务日志（-journal 文件），文件内容可能不完整", shown);
    // The header and the size first: a file padded far beyond its pages is
    // refused before a byte of it is copied.
    qint64 size = 0;
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            refuse(Kind::Unreadable, QString("无法读取报盘文件（%1）").arg(platform::systemErrorText(errno)),
                   shown);
        size = f.size();
        checkHeader(f.read(100), size, shown);
    }
    if (!platform::isPlainFile(path, &notPlain))
        refuse(Kind::SizeMismatch, QString("报盘文件不完整（%1）").arg(notPlain), shown);
    dir_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/" + privateCopyPrefix() +
                                           QString::number(::getpid()) + "-XXXXXX");
    if (!dir_->isValid())
        refuse(Kind::Unreadable, QString("无法建立临时目录（%1）").arg(dir_->errorString()), shown);
    QFile::setPermissions(dir_->path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString copy = dir_->filePath("submission.mdb");
    QString why;
    platform::CopyProgress copying;
    if (progress)
        copying = [&progress](qint64 done, qint64 total) {
            progress(QStringLiteral("复制报盘文件"), done, total);
        };
    platform::CopyFailure failure = platform::CopyFailure::None;
    if (!platform::copyFile(path, copy, &why, copying, &failure)) {
        const QString tempDir = QFileInfo(dir_->path()).absolutePath();
        close();
        if (failure == platform::CopyFailure::Writing)
            refuse(Kind::Unreadable,
                   QString("无法在临时文件夹“%1”中存放报盘文件的副本（%2）。\r请检查该文件夹所在磁盘的空间，"
                           "清理后再导入；报盘文件本身没有问题")
                       .arg(tempDir, why),
                   shown);
        refuse(Kind::Unreadable, QString("无法读取报盘文件（%1）").arg(why), shown);
    }
    try {
        QFile f(copy);
        if (!f.open(QIODevice::ReadOnly)) refuse(Kind::Unreadable, "无法读取报盘文件", shown);
        checkHeader(f.read(100), f.size(), shown);
        f.close();
        const auto budget = checkBudget(size);
        const auto start = std::chrono::steady_clock::now();
        qint64 steps = 0;
        auto tickFor = [&progress, &steps](const QString& stage) -> std::function<void()> {
            if (!progress) return {};
            return [&progress, &steps, stage] { progress(stage, ++steps, 0); };
        };
        checkSchema(copy, expected, shown, budget, tickFor(QStringLiteral("检查报盘文件的结构")));
        db_ = openLockedDown(copy, shown);
        const auto spent =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::exception_ptr failure;
        bool exceeded = false;
        {
            // The budget's handler also serves the window, so the integrity
            // check is not given a handler of its own.
            WorkBudget bound(db_, std::max(budget - spent, std::chrono::milliseconds(1)),
                             tickFor(QStringLiteral("检查报盘文件的完整性")));
            try {
                checkIntegrity(db_, shown);
                const QString stored = checkContent(db_, expected, shown, progress, rows == Rows::CheckNow);
                if (rows == Rows::CheckWhenRead) recorded_ = stored;
            } catch (...) {
                failure = std::current_exception();
                exceeded = bound.exceeded();
            }
        }
        if (exceeded) refuseTooComplex(shown);
        if (failure) std::rethrow_exception(failure);
    } catch (...) {
        close();
        throw;
    }
}

void SubmissionFile::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    dir_.reset();
    recorded_.clear();
}

void SubmissionFile::verifyRows(const QString& checksum) const {
    if (!recorded_.isEmpty() && checksum != recorded_) refuseChangedRows(shown_);
}

}  // namespace exchange
