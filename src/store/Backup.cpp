#include "store/Backup.h"

#include <sqlite3.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/RegisterLock.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/Format.h"
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
        case BackupReason::Damaged:
            return "damaged";
        case BackupReason::Upgrade:
            return "upgrade";
        default:
            return "manual";
    }
}

BackupReason reasonOf(const QString& t) {
    for (BackupReason r : {BackupReason::Daily, BackupReason::Import, BackupReason::Restore,
                           BackupReason::Damaged, BackupReason::Upgrade})
        if (t == tag(r)) return r;
    return BackupReason::Manual;
}

// Enterprise-<time>-N<number>-<reason>.mdb; earlier builds wrote
// Enterprise-<time>[-<n-th in that second>]-<reason>.mdb.
const QRegularExpression& namePattern() {
    static const QRegularExpression re(
        "^Enterprise-(\\d{4}-\\d{2}-\\d{2}-\\d{6})(?:-(\\d+))?(?:-N(\\d+))?-"
        "(daily|import|manual|restore|damaged|upgrade)\\.mdb$");
    return re;
}

QString notePath(const QString& backup) {
    QString p = backup;
    p.chop(4);
    return p + ".txt";
}

// The highest number of a backup in the directory.
qint64 highestOrder(const QString& dir) {
    qint64 top = 0;
    for (const QString& name : QDir(dir).entryList({"Enterprise-*.mdb"}, QDir::Files)) {
        const auto m = namePattern().match(name);
        if (m.hasMatch()) top = qMax(top, m.captured(3).toLongLong());
    }
    return top;
}

// Renames without ever replacing: a name another program gave a moment ago
// stays its own. False with errno EEXIST when the name is taken.
bool renameNoReplace(const QString& from, const QString& to) {
    const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // A file system without that rename: a second name, then the first goes.
    if (::link(f.constData(), t.constData()) == 0) return ::unlink(f.constData()) == 0 || true;
    if (errno == EEXIST) return false;
    // No links either (a FAT stick): the check and the rename are one step apart.
    if (QFileInfo::exists(to)) {
        errno = EEXIST;
        return false;
    }
    return ::rename(f.constData(), t.constData()) == 0;
}

// A file of its own for a copy in progress, made exclusively; the process id
// lets a later run tell a dead copy's file.
QString reservePart(const QString& dir) {
    static std::atomic<int> counter{0};
    for (;;) {
        const QString part =
            QDir(dir).filePath(QString(".Enterprise-part-%1-%2.part").arg(::getpid()).arg(++counter));
        const int fd =
            ::open(QFile::encodeName(part).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return part;
        }
        if (errno != EEXIST)
            throw Error(
                QString("无法在备份目录“%1”中建立备份文件（%2）").arg(dir, platform::systemErrorText(errno)));
    }
}

// Gives a finished, flushed copy its name: the time now (the copy is
// complete) and the next number. Throws Error.
QString claimName(const QString& part, const QString& dir, BackupReason reason) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString name = QDir(dir).filePath(QString("Enterprise-%1-N%2-%3.mdb")
                                                    .arg(platform::now().toString("yyyy-MM-dd-HHmmss"))
                                                    .arg(highestOrder(dir) + 1, 6, 10, QChar('0'))
                                                    .arg(tag(reason)));
        if (renameNoReplace(part, name)) {
            platform::syncDirectory(dir);
            return name;
        }
        if (errno != EEXIST)
            throw Error(QString("备份文件“%1”无法命名（%2）").arg(name, platform::systemErrorText(errno)));
    }
    throw Error(QString("备份目录“%1”中无法为备份找到新的名称").arg(dir));
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
void verifyHandle(sqlite3* db, const QString& path, bool quick = false) {
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
        const QString check =
            scalarOf(db, quick ? "PRAGMA quick_check(1)" : "PRAGMA integrity_check(1)").toString();
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
        case BackupReason::Damaged:
            return "恢复前（已损坏）";
        case BackupReason::Upgrade:
            return "升级前";
        default:
            return "手动";
    }
}

QString backupDirectory() {
    return platform::readSetting("BackupDir", platform::dataDir() + "/备份");
}

BackupJob::BackupJob(const QString& source, const QString& dir, BackupReason reason)
    : dir_(dir), reason_(reason), source_(source) {
    if (!QDir().mkpath(dir)) throw Error(QString("无法建立备份目录“%1”").arg(dir));
    part_ = reservePart(dir);
    int rc = sqlite3_open_v2(QFile::encodeName(source).constData(), &src_, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = engineText(src_, rc);
        abandon();
        throw Error(QString("无法打开数据库“%1”进行备份（%2）").arg(source, msg));
    }
    sqlite3_busy_timeout(src_, 5000);
    rc = sqlite3_open_v2(QFile::encodeName(part_).constData(), &dst_, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) backup_ = sqlite3_backup_init(dst_, "main", src_, "main");
    if (!backup_) {
        const QString msg =
            backupFailureText(rc == SQLITE_OK ? sqlite3_errcode(dst_) : rc,
                              dst_ ? sqlite3_system_errno(dst_) : 0, dir, engineText(dst_, rc));
        abandon();
        throw Error(QString("无法建立备份文件（%1）").arg(msg));
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
    const int primary = rc & 0xff;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
        abandon();
        throw DamagedSource(
            QString("数据库“%1”已损坏，无法读取（%2）").arg(source_, QString::fromUtf8(sqlite3_errstr(rc))));
    }
    // The step's result says what failed; the destination's own message may
    // be "not an error".
    const QString msg =
        backupFailureText(rc, sqlite3_system_errno(dst_), dir_, QString::fromUtf8(sqlite3_errstr(rc)));
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
        const QString msg =
            backupFailureText(rc, sqlite3_system_errno(dst_), dir_, QString::fromUtf8(sqlite3_errstr(rc)));
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
            verifyHandle(db, part_, quickCheck_);
        } catch (const Error& e) {
            sqlite3_close_v2(db);
            if (cancelled_) throw Error(QString("备份已取消"));
            // A faithful copy that fails its check: the register itself is
            // damaged. The engine's own words are for support, not the operator.
            std::fprintf(stderr, "veyra: check of a copy of %s: %s\n", qPrintable(source_),
                         qPrintable(e.text()));
            throw DamagedSource(QString("数据库“%1”未通过完整性检查，可能已损坏").arg(source_));
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
    if (!platform::syncFile(part_)) {
        const int code = errno;
        abandon();
        throw Error(QString("备份未能完成（%1）").arg(backupFailureText(0, code, dir_, QString())));
    }
    try {
        final_ = claimName(part_, dir_, reason_);
    } catch (const Error&) {
        abandon();
        throw;
    }
    done_ = true;
    if (!note_.isEmpty()) setBackupNote(final_, note_);
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

BackupInfo backupInfo(const QString& path) {
    BackupInfo b;
    const QFileInfo fi(path);
    b.path = fi.absoluteFilePath();
    const auto m = namePattern().match(fi.fileName());
    if (!m.hasMatch()) return b;
    b.when = QDateTime::fromString(m.captured(1), "yyyy-MM-dd-HHmmss");
    b.sequence = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
    b.order = m.captured(3).toLongLong();
    b.reason = reasonOf(m.captured(4));
    QFile note(notePath(b.path));
    if (note.open(QIODevice::ReadOnly)) b.note = QString::fromUtf8(note.read(4096)).trimmed();
    return b;
}

QList<BackupInfo> listBackups(const QString& dir, bool withCounts) {
    QList<BackupInfo> list;
    for (const QFileInfo& fi : QDir(dir).entryInfoList({"Enterprise-*.mdb"}, QDir::Files, QDir::Name)) {
        if (!namePattern().match(fi.fileName()).hasMatch()) continue;
        BackupInfo b = backupInfo(fi.absoluteFilePath());
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
    // By number: the clock may have been set back between two backups. Names
    // of earlier builds carry none and come before every numbered one.
    std::stable_sort(list.begin(), list.end(), [](const BackupInfo& a, const BackupInfo& b) {
        if (a.order != b.order) return a.order > b.order;
        return a.when != b.when ? a.when > b.when : a.sequence > b.sequence;
    });
    return list;
}

void removeStaleLeftovers(const QString& dir) {
    // The process id is in the name: only a dead process's files go.
    static const QRegularExpression leftover(
        "^\\.(?:Enterprise-part-(\\d+)-\\d+\\.part|Enterprise-.*\\.(\\d+)\\.part|.*\\.(\\d+)\\.(?:restore|"
        "export))(?:-"
        "journal)?$");
    for (const QFileInfo& fi : QDir(dir).entryInfoList({".*"}, QDir::Files | QDir::Hidden | QDir::System)) {
        const auto m = leftover.match(fi.fileName());
        if (!m.hasMatch() || fi.isSymLink()) continue;
        const QString number = !m.captured(1).isEmpty()   ? m.captured(1)
                               : !m.captured(2).isEmpty() ? m.captured(2)
                                                          : m.captured(3);
        const pid_t pid = pid_t(number.toLongLong());
        if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
            QFile::remove(fi.absoluteFilePath());
    }
}

void removeBackup(const QString& path) {
    QFile::remove(path);
    QFile::remove(notePath(path));
}

void setBackupNote(const QString& path, const QString& note) {
    // Only a help for the reader of the list: a note that cannot be written
    // costs nothing else.
    QFile f(notePath(path));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        f.write(note.toUtf8() + "\n");
    }
}

QStringList rotateBackups(const QString& dir, const QString& keepFrom) {
    removeStaleLeftovers(dir);
    const QList<BackupInfo> all = listBackups(dir);  // newest first
    if (all.isEmpty()) return {};
    const qint64 protectedFrom = keepFrom.isEmpty() ? 0 : backupInfo(keepFrom).order;
    QSet<QString> keep{all.first().path};
    if (!keepFrom.isEmpty()) keep.insert(QFileInfo(keepFrom).absoluteFilePath());
    QSet<QString> days, weeks, months;
    int imports = 0;
    for (const BackupInfo& b : all) {
        if (protectedFrom > 0 && b.order >= protectedFrom) keep.insert(b.path);
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
        if (!keep.contains(b.path) && QFile::remove(b.path)) {
            QFile::remove(notePath(b.path));
            removed.append(b.path);
        }
    if (!removed.isEmpty()) platform::syncDirectory(dir);
    return removed;
}

bool dailyBackupDue(const QString& dir) {
    const QDate today = platform::now().date();
    for (const BackupInfo& b : listBackups(dir))
        if (b.reason == BackupReason::Daily && b.when.date() == today) return false;
    return true;
}

QString makeDailyBackupIfDue(const QString& source, const QString& dir, const QString& justMade) {
    if (!dailyBackupDue(dir)) return {};
    QString path;
    if (!justMade.isEmpty()) {
        // The same register a moment ago: a second name costs no second copy.
        const QString part = reservePart(dir);
        QFile::remove(part);
        if (::link(QFile::encodeName(justMade).constData(), QFile::encodeName(part).constData()) != 0) {
            QString why;
            if (!platform::copyFileDurably(justMade, part, &why)) {
                QFile::remove(part);
                throw Error(QString("每日备份未能完成（%1）").arg(backupFailureText(0, ENOSPC, dir, why)));
            }
        }
        path = claimName(part, dir, BackupReason::Daily);
    } else {
        path = makeBackup(source, dir, BackupReason::Daily);
    }
    rotateBackups(dir, path);
    return path;
}

QString keepDamagedCopy(const QString& source, const QString& dir) {
    if (!QDir().mkpath(dir)) throw Error(QString("无法建立备份目录“%1”").arg(dir));
    const QString part = reservePart(dir);
    QString why;
    platform::CopyFailure failure = platform::CopyFailure::None;
    if (!platform::copyFileDurably(source, part, &why, &failure)) {
        QFile::remove(part);
        if (failure == platform::CopyFailure::Writing)
            throw Error(
                QString("当前数据库的副本未能保存（%1）").arg(backupFailureText(0, ENOSPC, dir, why)));
        throw Error(QString("无法读取当前数据库“%1”（%2）").arg(source, why));
    }
    return claimName(part, dir, BackupReason::Damaged);
}

QString backupFailureText(int code, int systemError, const QString& dir, const QString& engine) {
    const int primary = code & 0xff;
    if (primary == SQLITE_FULL || systemError == ENOSPC || systemError == EDQUOT ||
        engine == platform::systemErrorText(ENOSPC))
        return QString(
                   "备份目录“%1”所在的磁盘已满。请清理该磁盘，或在设置文件中用 BackupDir 指定其他备份目录")
            .arg(dir);
    if (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY ||
        systemError != 0)
        return QString("无法写入备份目录“%1”（%2）")
            .arg(dir, systemError ? platform::systemErrorText(systemError) : QStringLiteral("磁盘读写出错"));
    return engine;
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
    // Whatever the program: a file another process has open is never replaced.
    const QList<platform::LockHolder> others = platform::processesWithFileOpen(target);
    if (!others.isEmpty())
        throw Error(QString("%1 正在使用数据库“%2”，不能替换。请先结束该程序")
                        .arg(platform::holdersText(others), target));
    const QString tmp = QString("%1/.%2.%3.restore").arg(t.absolutePath(), t.fileName()).arg(::getpid());
    QString why;
    QFile::remove(tmp);
    if (!platform::copyFileDurably(from, tmp, &why)) {
        QFile::remove(tmp);
        throw Error(QString("无法写入“%1”（%2）").arg(tmp, why));
    }
    // No process has the register open and the caller holds it alone: a
    // journal still beside it was left by a crash of the old file, and
    // would roll back into the restored one.
    QFile::remove(target + "-journal");
    if (!renameDurably(tmp, target)) {
        const QString e = platform::systemErrorText(errno);
        QFile::remove(tmp);
        throw Error(QString("无法替换“%1”（%2）").arg(target, e));
    }
}

FormatReport upgradeWithBackup(Connection& c, const QString& path, const QString& backupDir) {
    if (fileFormat(c) < kCurrentFormat) {
        const QString made = makeBackup(path, backupDir, BackupReason::Upgrade);
        rotateBackups(backupDir, made);
    }
    return bringToCurrentFormat(c);
}

}  // namespace store
