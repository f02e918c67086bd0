#include "store/Connection.h"

#include <sqlite3.h>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QMutex>

#include "store/Error.h"
#include "store/Statement.h"

namespace store {

QString databasePassword() {
    return QStringLiteral("vokmera");
}

QString newerFormatText(const QString& path, const QString& format) {
    return QString(
               "数据库文件“%1”的格式（%2）比本程序新，本程序只能打开格式 %3 及以前的文件。"
               "请安装新版本的程序后再打开它；文件未作任何改动。")
        .arg(path, format)
        .arg(kCurrentFormat);
}

QByteArray passwordVerifier(const QByteArray& salt, const QString& password) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(salt);
    h.addData(password.toUtf8());
    return h.result().toHex();
}

namespace {
// Jet's mid() counts characters, as SQLite's length() and substr() do:
// walked on the UTF-8 bytes, so a character outside the BMP is one.
void midFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* text = sqlite3_value_text(argv[0]);
    const int bytes = sqlite3_value_bytes(argv[0]);
    const qint64 start = sqlite3_value_int64(argv[1]);
    if (start < 1) {
        sqlite3_result_error(ctx, "mid: start must be 1 or more", -1);
        return;
    }
    qint64 len = -1;
    if (argc == 3) {
        if (sqlite3_value_type(argv[2]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
        len = sqlite3_value_int64(argv[2]);
        if (len < 0) {
            sqlite3_result_error(ctx, "mid: length must not be negative", -1);
            return;
        }
    }
    // Skips n characters from byte i: continuation bytes (10xxxxxx) belong to the one before.
    const auto skip = [&](int i, qint64 n) {
        while (i < bytes && n > 0) {
            ++i;
            while (i < bytes && (text[i] & 0xC0) == 0x80) ++i;
            --n;
        }
        return i;
    };
    const int from = skip(0, start - 1);
    const int to = len < 0 ? bytes : skip(from, len);
    sqlite3_result_text(ctx, reinterpret_cast<const char*>(text) + from, to - from, SQLITE_TRANSIENT);
}
}  // namespace

void registerFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function(db, "mid", 2, flags, nullptr, midFunction, nullptr, nullptr);
    sqlite3_create_function(db, "mid", 3, flags, nullptr, midFunction, nullptr, nullptr);
}

Connection::Connection() = default;

Connection::~Connection() {
    close();
}

void Connection::configure() {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 1);
    registerFunctions(db_);
}

namespace {
// Open connections per file, so that a file is never replaced under one.
QMutex openMutex;
QHash<QString, int>& openCounts() {
    static QHash<QString, int> counts;
    return counts;
}
void countOpen(const QString& path, int delta) {
    QMutexLocker lock(&openMutex);
    int& n = openCounts()[path];
    n += delta;
    if (n <= 0) openCounts().remove(path);
}
}  // namespace

int openConnectionCount(const QString& path) {
    QMutexLocker lock(&openMutex);
    return openCounts().value(QFileInfo(path).absoluteFilePath());
}

void Connection::adopt(sqlite3* db, const QString& path) {
    close();
    db_ = db;
    path_ = QFileInfo(path).absoluteFilePath();
    countOpen(path_, 1);
    configure();
}

void Connection::open(const QString& path, const QString& password, Mode mode) {
    close();
    const QFileInfo fi(path);
    if (!fi.exists()) throw Error(QString("找不到数据库文件“%1”").arg(path));
    if (!fi.isFile()) throw Error(QString("“%1”不是数据库文件").arg(path));
    sqlite3* db = nullptr;
    // A connection is used by one thread at a time (a command's thread, then
    // the window's), so the engine's own lock around every call, a tenth of
    // a row transfer, is not needed.
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                      SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(QFile::encodeName(fi.absoluteFilePath()).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        const int code = db ? sqlite3_extended_errcode(db) : rc;
        sqlite3_close(db);
        throw Error(code != SQLITE_OK ? code : rc, msg, fi.absoluteFilePath());
    }
    db_ = db;
    path_ = fi.absoluteFilePath();
    countOpen(path_, 1);
    configure();

    const QString notVeyra = QString("“%1”不是Veyra数据库 (not a Veyra database)").arg(path);
    // Only a file the engine could read and found foreign is "not ours"; a
    // locked, unreadable or damaged one keeps the engine's reason.
    const auto foreignOr = [&](const Error& e) {
        close();
        if (e.primaryCode() == SQLITE_NOTADB) return Error(e.code(), notVeyra + ": " + e.text(), e.file());
        return e;
    };
    int appId = 0;
    try {
        appId = scalar("PRAGMA application_id").toInt();
    } catch (const Error& e) {
        throw foreignOr(e);
    }
    if (appId != kApplicationId) {
        close();
        throw Error(notVeyra);
    }
    QByteArray salt, verifier;
    try {
        const auto rows =
            select("SELECT key, value FROM veyra_meta WHERE key IN ('password_salt','password_verifier')");
        for (const auto& r : rows) {
            if (r[0].toString() == "password_salt") salt = r[1].toString().toLatin1();
            if (r[0].toString() == "password_verifier") verifier = r[1].toString().toLatin1();
        }
    } catch (const Error& e) {
        // A Veyra file without its metadata table is still foreign.
        if (e.fromEngine() && e.primaryCode() == SQLITE_ERROR) {
            close();
            throw Error(notVeyra);
        }
        throw foreignOr(e);
    }
    if (salt.isEmpty() || verifier.isEmpty()) {
        close();
        throw Error(notVeyra);
    }
    if (passwordVerifier(salt, password) != verifier) {
        close();
        throw Error(QString("数据库密码错误 (wrong database password): “%1”").arg(path));
    }
    // Columns of a newer format may follow rules this program does not know.
    QString format;
    try {
        format = scalar("SELECT value FROM veyra_meta WHERE key = 'format'").toString();
    } catch (const Error&) {
        close();
        throw Error(notVeyra);
    }
    bool ok = true;
    const int number = format.isEmpty() ? 1 : format.toInt(&ok);
    if (!ok || number < 1 || number > kCurrentFormat) {
        close();
        throw Error(newerFormatText(path, format));
    }
}

void Connection::close() {
    if (!db_) return;
    // Statements are finalized by their owners; close_v2 defers if one is left.
    sqlite3_close_v2(db_);
    db_ = nullptr;
    countOpen(path_, -1);
    path_.clear();
    columnCache_.clear();
}

bool Connection::isReadOnly() const {
    return db_ && sqlite3_db_readonly(db_, "main") == 1;
}

int Connection::execute(const QString& sql, const QVariantList& params) {
    Statement st(db_, sql);
    return st.exec(params);
}

QList<QVariantList> Connection::select(const QString& sql, const QVariantList& params,
                                       QStringList* columnNames) {
    Statement st(db_, sql);
    st.bind(params);
    if (columnNames) {
        columnNames->clear();
        for (int i = 0; i < st.columnCount(); ++i) columnNames->append(st.columnName(i));
    }
    QList<QVariantList> rows;
    while (st.step()) rows.append(st.row());
    st.reset();
    return rows;
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params) {
    Statement st(db_, sql);
    st.bind(params);
    QVariant v;
    if (st.step() && st.columnCount() > 0) v = st.value(0);
    st.reset();
    return v;
}

void Connection::executeScript(const QString& sql) {
    if (!db_) throw Error("数据库连接未打开");
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(err);
        const int code = sqlite3_extended_errcode(db_);
        throw Error((code & 0xff) == (rc & 0xff) ? code : rc, msg, path_);
    }
}

void Connection::beginTransaction() {
    execute("BEGIN IMMEDIATE");
}

void Connection::commit() {
    try {
        execute("COMMIT");
    } catch (const Error&) {
        // A failed commit must not leave a half-open transaction behind.
        if (inTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void Connection::rollback() {
    if (!inTransaction()) return;
    execute("ROLLBACK");
}

bool Connection::inTransaction() const {
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

qint64 Connection::lastInsertRowId() const {
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

const QList<Column>& Connection::tableColumns(const QString& table) {
    const QString key = table.toLower();
    auto it = columnCache_.find(key);
    if (it != columnCache_.end()) return *it;
    QList<Column> cols;
    const auto rows = select("SELECT name, type, pk FROM pragma_table_info(?)", {table});
    if (rows.isEmpty()) throw Error(QString("no such table: %1").arg(table));
    for (const auto& r : rows)
        cols.append(columnFromDeclaration(r[0].toString(), r[1].toString(), r[2].toInt() == 1));
    return *columnCache_.insert(key, cols);
}

}  // namespace store
