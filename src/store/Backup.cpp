#include "store/Backup.h"

#include <sqlite3.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <signal.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/Statement.h"

namespace store {

namespace {
const char* tag(BackupReason r) {
    switch (r) {
        case BackupReason::Daily:
            return "daily";
        case BackupReason::Import:
            return "import";
        case BackupReason::Restore:
            return "restore";
        default:
            return "manual";
    }
}

const QRegularExpression& namePattern() {
    static const QRegularExpression re(
        "^Enterprise-(\\d{4}-\\d{2}-\\d{2}-\\d{6})(?:-(\\d+))?-(daily|import|manual|restore)\\.mdb$");
    return re;
}

QString engineText(sqlite3* db, int rc) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

// A read-only look at a file that may come from anywhere (a USB stick):
// nothing in its schema runs.
sqlite3* openUntrusted(const QString& path) {
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_PRIVATECACHE, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = engineText(db, rc);
        sqlite3_close(db);
        throw Error(QString("无法打开备份文件“%1”（%2）").arg(path, msg));
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_exec(db, "PRAGMA query_only = ON; PRAGMA cell_size_check = ON;", nullptr, nullptr, nullptr);
    return db;
}

QVariant scalarOf(sqlite3* db, const QString& sql, const QVariantList& params = {}) {
    Statement st(db, sql);
    if (!params.isEmpty()) st.bind(params);
    QVariant v = st.step() ? st.value(0) : QVariant();
    st.reset();
    return v;
}

// The program's own working schema, made in memory by the same code as the
// files: the tables it may hold and the text of its views.
struct OwnSchema {
    QSet<QString> tables;
    QHash<QString, QString> views;
};
const OwnSchema& ownSchema() {
    static const OwnSchema schema = [] {
        OwnSchema o;
        sqlite3* mem = nullptr;
        sqlite3_open(":memory:", &mem);
        Connection c;
        c.adopt(mem, ":memory:");
        createSchema(c, true);
        for (const QVariantList& r : c.select("SELECT type, lower(name), sql FROM sqlite_schema")) {
            if (r[0].toString() == "table") o.tables.insert(r[1].toString());
            if (r[0].toString() == "view") o.views.insert(r[1].toString(), r[2].toString().simplified());
        }
        o.tables.insert("veyra_meta");
        return o;
    }();
    return schema;
}

// Nothing in the file may run an expression of its own when rows are read
// or written: no triggers, virtual tables, generated or hidden columns,
// expression or partial indexes, views other than ours, tables we do not
// know. Checked before the integrity check, which would evaluate them.
void checkOwnSchema(sqlite3* db, const QString& name) {
    const OwnSchema& own = ownSchema();
    struct Object {
        QString type, name, sql;
    };
    QList<Object> objects;
    {
        Statement st(db, "SELECT type, name, sql FROM sqlite_schema");
        while (st.step())
            objects.append({st.value(0).toString(), st.value(1).toString(), st.value(2).toString()});
        st.reset();
    }
    const auto refuse = [&name](const QString& what) {
        throw Error(QString("备份文件“%1”%2，不是本系统的工作数据库").arg(name, what));
    };
    static const QRegularExpression where("\\bWHERE\\b", QRegularExpression::CaseInsensitiveOption);
    for (const Object& o : objects) {
        const QString lower = o.name.toLower();
        if (o.type == "trigger") refuse(QString("含有触发器“%1”").arg(o.name));
        if (lower.startsWith("sqlite_")) continue;  // the engine's own
        if (o.type == "table") {
            if (o.sql.simplified().startsWith("CREATE VIRTUAL", Qt::CaseInsensitive))
                refuse(QString("含有虚拟表“%1”").arg(o.name));
            if (!own.tables.contains(lower)) refuse(QString("含有本系统没有的表“%1”").arg(o.name));
            if (scalarOf(db, "SELECT count(*) FROM pragma_table_xinfo(?) WHERE hidden <> 0", {o.name})
                    .toInt())
                refuse(QString("的表“%1”含有生成列或隐藏列").arg(o.name));
        } else if (o.type == "view") {
            if (own.views.value(lower) != o.sql.simplified())
                refuse(QString("的视图“%1”与本系统的不同").arg(o.name));
        } else if (o.type == "index") {
            if (o.sql.contains(where)) refuse(QString("含有带条件的索引“%1”").arg(o.name));
            if (scalarOf(db, "SELECT count(*) FROM pragma_index_xinfo(?) WHERE key = 1 AND cid = -2",
                         {o.name})
                    .toInt())
                refuse(QString("含有表达式索引“%1”").arg(o.name));
        }
    }
}

// What verifyBackup checks, on an open handle; throws Error.
void verifyHandle(sqlite3* db, const QString& path) {
    const QString name = QFileInfo(path).fileName();
    try {
        if (scalarOf(db, "PRAGMA application_id").toInt() != kApplicationId ||
            scalarOf(db, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'veyra_meta'")
                    .toInt() != 1)
            throw Error(QString("备份文件“%1”不是本系统的数据库文件").arg(name));
        const QByteArray salt =
            scalarOf(db, "SELECT value FROM veyra_meta WHERE key = 'password_salt'").toString().toLatin1();
        const QByteArray verifier =
            scalarOf(db, "SELECT value FROM veyra_meta WHERE key = 'password_verifier'")
                .toString()
                .toLatin1();
        if (salt.isEmpty() || passwordVerifier(salt, databasePassword()) != verifier)
            throw Error(QString("备份文件“%1”的数据库密码不符").arg(name));
        const int format = scalarOf(db, "SELECT value FROM veyra_meta WHERE key = 'format'").toInt();
        if (format > kCurrentFormat)
            throw Error(
                QString("备份文件“%1”由较新版本的程序生成（格式 %2），本程序不能使用").arg(name).arg(format));
        // A submission file or the template lacks the code tables.
        if (scalarOf(db,
                     "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND lower(name) IN "
                     "('m_usermanager', 'm_corporation', 'm_person', 'm_psnappointedhospital', 'd_sex')")
                .toInt() != 5)
            throw Error(QString("备份文件“%1”不是完整的工作数据库（没有代码表或操作员）").arg(name));
        checkOwnSchema(db, name);
        const QString check = scalarOf(db, "PRAGMA integrity_check(1)").toString();
        if (check != "ok")
            throw Error(QString("备份文件“%1”已损坏，未通过完整性检查（%2）").arg(name, check));
    } catch (const Error& e) {
        if (e.text().startsWith("备份文件")) throw;
        throw Error(QString("备份文件“%1”已损坏（%2）").arg(name, e.text()));
    }
}

bool renameDurably(const QString& from, const QString& to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) return false;
    return platform::syncDirectory(QFileInfo(to).absolutePath());
}
}  // namespace

QString backupReasonText(BackupReason reason) {
    switch (reason) {
        case BackupReason::Daily:
            return "每日自动";
        case BackupReason::Import:
            return "导入前";
        case BackupReason::Restore:
            return "恢复前";
        default:
            return "手动";
    }
}

QString backupDirectory() {
    return platform::readSetting("BackupDir", platform::dataDir() + "/备份");
}

BackupJob::BackupJob(const QString& source, const QString& dir, BackupReason reason) {
    if (!QDir().mkpath(dir)) throw Error(QString("无法建立备份目录“%1”").arg(dir));
    const QString stamp = platform::now().toString("yyyy-MM-dd-HHmmss");
    // Backups made in the same second are numbered, whatever their reason,
    // so that the order in which they were made stays known.
    auto nameFor = [&](int n, BackupReason r) {
        const QString seq = n > 1 ? QString("-%1").arg(n) : QString();
        return QDir(dir).filePath(QString("Enterprise-%1%2-%3.mdb").arg(stamp, seq, tag(r)));
    };
    auto taken = [&](int n) {
        for (BackupReason r :
             {BackupReason::Daily, BackupReason::Import, BackupReason::Manual, BackupReason::Restore})
            if (QFileInfo::exists(nameFor(n, r))) return true;
        return false;
    };
    int n = 1;
    while (taken(n)) ++n;
    final_ = nameFor(n, reason);
    // The process id in the name lets a later run tell a dead copy's file.
    part_ = QDir(dir).filePath(QString(".%1.%2.part").arg(QFileInfo(final_).fileName()).arg(::getpid()));
    QFile::remove(part_);
    int rc = sqlite3_open_v2(QFile::encodeName(source).constData(), &src_, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = engineText(src_, rc);
        abandon();
        throw Error(QString("无法打开数据库“%1”进行备份（%2）").arg(source, msg));
    }
    sqlite3_busy_timeout(src_, 5000);
    rc = sqlite3_open_v2(QFile::encodeName(part_).constData(), &dst_,
                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
    if (rc == SQLITE_OK) backup_ = sqlite3_backup_init(dst_, "main", src_, "main");
    if (!backup_) {
        const QString msg = engineText(dst_, rc);
        abandon();
        throw Error(QString("无法建立备份文件“%1”（%2）").arg(final_, msg));
    }
}

BackupJob::~BackupJob() {
    if (!done_) abandon();
}

void BackupJob::abandon() {
    if (backup_) sqlite3_backup_finish(backup_);
    backup_ = nullptr;
    if (dst_) sqlite3_close_v2(dst_);
    dst_ = nullptr;
    if (src_) sqlite3_close_v2(src_);
    src_ = nullptr;
    if (!part_.isEmpty()) {
        QFile::remove(part_);
        QFile::remove(part_ + "-journal");
    }
}

bool BackupJob::step(int pages) {
    if (!backup_) return true;
    const int rc = sqlite3_backup_step(backup_, pages);
    if (rc == SQLITE_DONE) return true;
    // Another connection is writing: the next step tries again.
    if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) return false;
    const QString msg = engineText(dst_, rc);
    abandon();
    throw Error(QString("备份未能完成（%1）").arg(msg));
}

namespace {
struct CheckTick {
    const std::function<void()>* progress;
    const std::atomic<bool>* cancelled;
    QElapsedTimer clock;
};
int checkTick(void* data) {
    auto* t = static_cast<CheckTick*>(data);
    if (*t->cancelled) return 1;
    if (*t->progress && t->clock.elapsed() >= 50) {
        (*t->progress)();
        t->clock.restart();
    }
    return 0;
}
}  // namespace

QString BackupJob::finish(const std::function<void()>& progress) {
    const int rc = sqlite3_backup_finish(backup_);
    backup_ = nullptr;
    if (rc != SQLITE_OK) {
        const QString msg = engineText(dst_, rc);
        abandon();
        throw Error(QString("备份未能完成（%1）").arg(msg));
    }
    sqlite3_close_v2(dst_);
    dst_ = nullptr;
    sqlite3_close_v2(src_);
    src_ = nullptr;
    try {
        sqlite3* db = openUntrusted(part_);
        CheckTick tick{&progress, &cancelled_, {}};
        tick.clock.start();
        sqlite3_progress_handler(db, 10000, checkTick, &tick);
        try {
            verifyHandle(db, final_);
        } catch (...) {
            sqlite3_close_v2(db);
            if (cancelled_) throw Error(QString("备份已取消"));
            throw;
        }
        sqlite3_close_v2(db);
    } catch (const Error&) {
        abandon();
        throw;
    }
    if (cancelled_) {
        abandon();
        throw Error(QString("备份已取消"));
    }
    if (!platform::syncFile(part_) || !renameDurably(part_, final_)) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        abandon();
        throw Error(QString("备份文件“%1”无法写到磁盘（%2）").arg(final_, why));
    }
    done_ = true;
    return final_;
}

qint64 BackupJob::pagesDone() const {
    return backup_ ? sqlite3_backup_pagecount(backup_) - sqlite3_backup_remaining(backup_) : 0;
}

qint64 BackupJob::pagesTotal() const {
    return backup_ ? sqlite3_backup_pagecount(backup_) : 0;
}

QString makeBackup(const QString& source, const QString& dir, BackupReason reason,
                   const BackupProgress& progress) {
    BackupJob job(source, dir, reason);
    while (!job.step(256))
        if (progress) progress(job.pagesDone(), job.pagesTotal());
    if (!progress) return job.finish();
    return job.finish([&progress] { progress(0, 0); });
}

QList<BackupInfo> listBackups(const QString& dir, bool withCounts) {
    QList<BackupInfo> list;
    for (const QFileInfo& fi : QDir(dir).entryInfoList({"Enterprise-*.mdb"}, QDir::Files, QDir::Name)) {
        const auto m = namePattern().match(fi.fileName());
        if (!m.hasMatch()) continue;
        BackupInfo b;
        b.path = fi.absoluteFilePath();
        b.when = QDateTime::fromString(m.captured(1), "yyyy-MM-dd-HHmmss");
        b.sequence = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
        const QString t = m.captured(3);
        b.reason = t == "daily"     ? BackupReason::Daily
                   : t == "import"  ? BackupReason::Import
                   : t == "restore" ? BackupReason::Restore
                                    : BackupReason::Manual;
        if (withCounts) {
            try {
                sqlite3* db = openUntrusted(b.path);
                try {
                    b.employers = scalarOf(db, "SELECT count(*) FROM M_CORPORATION").toLongLong();
                    b.persons = scalarOf(db, "SELECT count(*) FROM M_PERSON").toLongLong();
                } catch (const Error&) {
                    b.employers = b.persons = -1;
                }
                sqlite3_close_v2(db);
            } catch (const Error&) {
            }
        }
        list.append(b);
    }
    std::stable_sort(list.begin(), list.end(), [](const BackupInfo& a, const BackupInfo& b) {
        return a.when != b.when ? a.when > b.when : a.sequence > b.sequence;
    });
    return list;
}

QStringList rotateBackups(const QString& dir) {
    // Unfinished copies of a backup whose process was killed.
    static const QRegularExpression partName("^\\.Enterprise-.*\\.(\\d+)\\.part$");
    for (const QFileInfo& fi : QDir(dir).entryInfoList({".Enterprise-*.part"}, QDir::Files | QDir::Hidden)) {
        const auto m = partName.match(fi.fileName());
        const pid_t pid = m.hasMatch() ? pid_t(m.captured(1).toLongLong()) : 0;
        if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
            QFile::remove(fi.absoluteFilePath());
    }
    const QList<BackupInfo> all = listBackups(dir);  // newest first
    if (all.isEmpty()) return {};
    QSet<QString> keep{all.first().path};
    QSet<QString> days, weeks, months;
    int imports = 0;
    for (const BackupInfo& b : all) {
        if (b.reason == BackupReason::Import) {
            if (imports++ < 10) keep.insert(b.path);
            continue;
        }
        if (b.reason != BackupReason::Daily) {
            keep.insert(b.path);
            continue;
        }
        const QDate d = b.when.date();
        int weekYear = 0;
        const int week = d.weekNumber(&weekYear);
        const QString day = d.toString(Qt::ISODate);
        const QString wk = QString("%1-%2").arg(weekYear).arg(week);
        const QString mon = d.toString("yyyy-MM");
        // The newest backup of each day, week and month, for the most recent ones.
        if (!days.contains(day) && days.size() < 7) {
            days.insert(day);
            keep.insert(b.path);
        }
        if (!weeks.contains(wk) && weeks.size() < 4) {
            weeks.insert(wk);
            keep.insert(b.path);
        }
        if (!months.contains(mon) && months.size() < 12) {
            months.insert(mon);
            keep.insert(b.path);
        }
        days.insert(day);
        weeks.insert(wk);
        months.insert(mon);
    }
    QStringList removed;
    for (const BackupInfo& b : all)
        if (!keep.contains(b.path) && QFile::remove(b.path)) removed.append(b.path);
    if (!removed.isEmpty()) platform::syncDirectory(dir);
    return removed;
}

void verifyBackup(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QString("无法读取备份文件“%1”（%2）").arg(name, f.errorString()));
    if (!f.read(16).startsWith(QByteArray("SQLite format 3\0", 16)))
        throw Error(QString("备份文件“%1”不是数据库文件").arg(name));
    f.close();
    if (QFileInfo::exists(path + "-journal") || QFileInfo::exists(path + "-wal"))
        throw Error(QString("备份文件“%1”旁有未完成的事务日志，文件可能不完整").arg(name));
    sqlite3* db = openUntrusted(path);
    try {
        verifyHandle(db, path);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    sqlite3_close_v2(db);
}

void replaceDatabaseFile(const QString& from, const QString& target) {
    const QFileInfo t(target);
    if (openConnectionCount(target) > 0) throw Error(QString("数据库“%1”仍在使用中，不能替换").arg(target));
    const QString tmp = t.absolutePath() + "/." + t.fileName() + ".restore";
    QString why;
    QFile::remove(tmp);
    if (!platform::copyFileDurably(from, tmp, &why)) {
        QFile::remove(tmp);
        throw Error(QString("无法写入“%1”（%2）").arg(tmp, why));
    }
    // A journal beside the old file belongs to it, not to the restored one.
    QFile::remove(target + "-journal");
    if (!renameDurably(tmp, target)) {
        const QString e = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(tmp);
        throw Error(QString("无法替换“%1”（%2）").arg(target, e));
    }
}

}  // namespace store
