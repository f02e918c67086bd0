#include "store/Statement.h"

#include <sqlite3.h>
#include <QDate>
#include <QDateTime>

#include "store/Error.h"

namespace store {

QString engineMessage(sqlite3* db, int rc) {
    if (db && sqlite3_errcode(db) != SQLITE_OK) return QString::fromUtf8(sqlite3_errmsg(db));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

Error engineError(sqlite3* db, int rc) {
    int code = rc;
    if (db && sqlite3_extended_errcode(db) != SQLITE_OK &&
        (sqlite3_extended_errcode(db) & 0xff) == (rc & 0xff))
        code = sqlite3_extended_errcode(db);
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) code = SQLITE_ERROR;
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    return Error(code, engineMessage(db, rc), file ? QString::fromUtf8(file) : QString());
}

Statement::Statement(sqlite3* db, const QString& sql) : db_(db), sql_(sql) {
    if (!db_) throw Error("数据库连接未打开");
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt_, &tail);
    if (rc != SQLITE_OK) fail(rc);
    if (!stmt_) throw Error("空的SQL语句");
    while (tail && *tail && (*tail == ' ' || *tail == '\n' || *tail == '\t' || *tail == '\r' || *tail == ';'))
        ++tail;
    if (tail && *tail) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw Error("一次只能执行一条SQL语句: " + sql);
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::fail(int rc) const {
    const Error e = engineError(db_, rc);
    // As in step(): any error inside a transaction ends it, so nothing half-done is committed later.
    if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw e;
}

void Statement::bind(const QVariantList& params) {
    const int n = sqlite3_bind_parameter_count(stmt_);
    if (params.size() != n)
        throw Error(QString("SQL参数个数不符: 需要 %1, 给出 %2").arg(n).arg(params.size()));
    for (int i = 0; i < n; ++i) bind(i + 1, params[i]);
}

void Statement::bind(int index, const QVariant& v) {
    int rc;
    if (v.isNull() || !v.isValid()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        switch (v.typeId()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Long:
            case QMetaType::Short:
                rc = sqlite3_bind_int64(stmt_, index, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt_, index, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(stmt_, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::QDate:
                rc = sqlite3_bind_text(stmt_, index, v.toDate().toString("yyyy-MM-dd").toUtf8().constData(),
                                       -1, SQLITE_TRANSIENT);
                break;
            default: {
                // toUtf8() would turn half a surrogate pair into "?": a character
                // other than the one given. Refuse it instead.
                const QString text = v.toString();
                if (!text.isValidUtf16()) {
                    if (sqlite3_get_autocommit(db_) == 0)
                        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
                    throw Error(QStringLiteral("要保存的文本含有无效的字符（不成对的代理项），未保存"));
                }
                const QByteArray s = text.toUtf8();
                rc = sqlite3_bind_text(stmt_, index, s.constData(), int(s.size()), SQLITE_TRANSIENT);
            }
        }
    }
    if (rc != SQLITE_OK) fail(rc);
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    // Take the message before reset, which would replace it.
    const Error e = engineError(db_, rc);
    sqlite3_reset(stmt_);
    // SQLite undoes only the failed statement; a later commit would store the
    // half that went before. An error inside a transaction ends it.
    if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw e;
}

void Statement::reset() {
    const int rc = sqlite3_reset(stmt_);
    // reset repeats the error of the last step, which step() has already thrown.
    (void)rc;
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

QString Statement::columnName(int i) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_, i));
}

QString Statement::columnDeclType(int i) const {
    const char* t = sqlite3_column_decltype(stmt_, i);
    return t ? QString::fromUtf8(t) : QString();
}

QVariant Statement::value(int i) const {
    switch (sqlite3_column_type(stmt_, i)) {
        case SQLITE_INTEGER:
            return QVariant(qlonglong(sqlite3_column_int64(stmt_, i)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(stmt_, i));
        case SQLITE_TEXT:
            return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i)),
                                              sqlite3_column_bytes(stmt_, i)));
        case SQLITE_BLOB:
            return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt_, i)),
                                       sqlite3_column_bytes(stmt_, i)));
        default:
            return QVariant();
    }
}

QVariantList Statement::row() const {
    QVariantList r;
    const int n = columnCount();
    r.reserve(n);
    for (int i = 0; i < n; ++i) r.append(value(i));
    return r;
}

int Statement::exec(const QVariantList& params) {
    reset();
    bind(params);
    while (step()) {
    }
    const int changes = sqlite3_changes(db_);
    reset();
    return changes;
}

}  // namespace store
