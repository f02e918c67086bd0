#include "store/ServerConnection.h"

#include <libpq-fe.h>
#include <QDate>
#include <QDateTime>
#include <memory>
#include <vector>

#include "platform/Settings.h"
#include "store/Error.h"
#include "store/ServerRegister.h"

namespace store {

namespace {

// Type numbers of the server's built-in types (pg_type.oid); fixed since
// the first releases, and not in the client library's headers.
enum : Oid {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kNumeric = 1700,
};

// More statements than this on one connection are prepared anew.
constexpr int kPreparedLimit = 256;

const char* const kPrefix = "postgresql:";

QString notVeyraText(const QString& address) {
    return QString("数据库服务器上的数据库（%1）不是Veyra登记库").arg(address);
}

struct ResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
};
using ResultPtr = std::unique_ptr<PGresult, ResultFree>;

QString trimmedMessage(const char* text) {
    return QString::fromUtf8(text).trimmed();
}

// "?" placeholders become "$1", "$2", ... outside quotes and comments, so a
// statement can be written once for both kinds of register.
QString numberedPlaceholders(const QString& sql) {
    if (!sql.contains('?')) return sql;
    QString out;
    out.reserve(sql.size() + 16);
    int n = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar ch = sql[i];
        if (ch == '\'' || ch == '"') {
            const qsizetype end = sql.indexOf(ch, i + 1);
            const qsizetype stop = end < 0 ? sql.size() : end + 1;
            out += sql.mid(i, stop - i);
            i = stop - 1;
        } else if (ch == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            const qsizetype end = sql.indexOf('\n', i);
            const qsizetype stop = end < 0 ? sql.size() : end;
            out += sql.mid(i, stop - i);
            i = stop - 1;
        } else if (ch == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const qsizetype end = sql.indexOf("*/", i + 2);
            const qsizetype stop = end < 0 ? sql.size() : end + 2;
            out += sql.mid(i, stop - i);
            i = stop - 1;
        } else if (ch == '?') {
            out += '$' + QString::number(++n);
        } else {
            out += ch;
        }
    }
    return out;
}

// A value as the server reads it in text form; false for null. A NUL
// character would end the text early: refused rather than cut short.
bool paramText(const QVariant& v, QByteArray& out, const QString& address) {
    if (!v.isValid() || v.isNull()) return false;
    switch (v.typeId()) {
        case QMetaType::Bool:
            out = v.toBool() ? "1" : "0";
            return true;
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
            out = QByteArray::number(v.toLongLong());
            return true;
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
            out = QByteArray::number(v.toULongLong());
            return true;
        case QMetaType::Double:
        case QMetaType::Float: {
            out = QByteArray::number(v.toDouble(), 'g', 17);
            // A fractional number stays one (5.0 is not the whole number 5).
            if (!out.contains('.') && !out.contains('e') && !out.contains('n') && !out.contains('i'))
                out += ".0";
            return true;
        }
        case QMetaType::QDate:
            out = v.toDate().toString("yyyy-MM-dd").toLatin1();
            return true;
        case QMetaType::QDateTime:
            out = v.toDateTime().toString(Qt::ISODateWithMs).toLatin1();
            return true;
        case QMetaType::QByteArray:
            out = v.toByteArray();
            break;
        default:
            out = v.toString().toUtf8();
            break;
    }
    if (out.contains('\0'))
        throw Error::server("22021", "内容中含有空字符（U+0000），数据库服务器不能保存它", address);
    return true;
}

QVariant resultValue(const PGresult* r, int row, int col) {
    if (PQgetisnull(r, row, col)) return {};
    const char* text = PQgetvalue(r, row, col);
    const int len = PQgetlength(r, row, col);
    switch (PQftype(r, col)) {
        case kInt2:
        case kInt4:
        case kInt8:
        case kOid:
            return QByteArray::fromRawData(text, len).toLongLong();
        case kFloat4:
        case kFloat8:
            return QByteArray::fromRawData(text, len).toDouble();
        case kNumeric: {
            const QByteArray t = QByteArray::fromRawData(text, len);
            bool whole = false;
            const qlonglong n = t.toLongLong(&whole);
            if (whole) return n;
            return t.toDouble();
        }
        case kBool:
            return len > 0 && text[0] == 't';
        case kBytea: {
            size_t n = 0;
            unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &n);
            QByteArray b(reinterpret_cast<const char*>(raw), qsizetype(n));
            PQfreemem(raw);
            return b;
        }
        default:
            return QString::fromUtf8(text, len);
    }
}

QVariantList resultRow(const PGresult* r, int row) {
    QVariantList out;
    const int n = PQnfields(r);
    out.reserve(n);
    for (int c = 0; c < n; ++c) out.append(resultValue(r, row, c));
    return out;
}

// COPY's text form of one value: tab, line ends and the backslash escaped.
void appendCopyValue(QByteArray& buf, const QVariant& v, const QString& address) {
    QByteArray text;
    if (!paramText(v, text, address)) {
        buf += "\\N";
        return;
    }
    for (char ch : text) {
        switch (ch) {
            case '\\':
                buf += "\\\\";
                break;
            case '\n':
                buf += "\\n";
                break;
            case '\r':
                buf += "\\r";
                break;
            case '\t':
                buf += "\\t";
                break;
            default:
                buf += ch;
        }
    }
}

void ignoreNotice(void*, const char*) {}

}  // namespace

bool isServerAddress(const QString& text) {
    const QString t = text.trimmed();
    return t.startsWith(kPrefix, Qt::CaseInsensitive) || t.startsWith("postgres://", Qt::CaseInsensitive);
}

QString serverConninfo(const QString& address) {
    const QString t = address.trimmed();
    if (!isServerAddress(t))
        throw Error(QString("“%1”不是服务器登记库的地址（应以 postgresql: 开头）").arg(address));
    QString info = t;
    if (!t.startsWith("postgresql://", Qt::CaseInsensitive) &&
        !t.startsWith("postgres://", Qt::CaseInsensitive))
        info = t.mid(int(qstrlen(kPrefix))).trimmed();
    if (info.isEmpty())
        throw Error(
            QString("服务器登记库的地址“%1”后面缺少连接参数（例如 postgresql:service=veyra）").arg(address));
    // A bare word names a service of the service file.
    if (!info.contains('=') && !info.contains("://") && !info.contains(' ')) info = "service=" + info;
    char* err = nullptr;
    PQconninfoOption* options = PQconninfoParse(info.toUtf8().constData(), &err);
    if (!options) {
        const QString why = err ? trimmedMessage(err) : QString("内存不足");
        PQfreemem(err);
        throw Error(QString("服务器登记库的地址“%1”无法识别：%2").arg(address, why));
    }
    bool password = false;
    for (PQconninfoOption* o = options; o->keyword; ++o)
        if (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val) password = true;
    PQconninfoFree(options);
    if (password)
        throw Error(
            QString("服务器登记库的地址中不能写密码。请把密码放在数据库客户端的密码文件"
                    "（~/.pgpass）或服务文件（~/.pg_service.conf）中，地址里只写其余的连接参数。"));
    return info;
}

QString serverRegisterSetting() {
    const QString value = platform::registerSetting();
    if (value.isEmpty()) return {};
    if (!isServerAddress(value))
        throw Error(QString("设置文件“%1”中的 Register 设置“%2”无法识别。不写这一项时使用当前目录下的 "
                            "Enterprise.mdb；多个工作站共用的服务器登记库写作 postgresql: 加上连接参数，"
                            "例如 Register=postgresql:service=veyra")
                        .arg(platform::settingsFilePath(), value));
    serverConninfo(value);
    return value;
}

struct ServerConnection::Result {
    ResultPtr r;
    PGresult* get() const { return r.get(); }
};

ServerConnection::ServerConnection() = default;

ServerConnection::~ServerConnection() {
    close();
}

void ServerConnection::connect(const QString& address) {
    close();
    const QByteArray info = serverConninfo(address).toUtf8();
    // Before the address: what it may set otherwise (a lost network is
    // noticed within a minute, not after the system's two hours). After it:
    // what the program relies on.
    const char* keys[] = {"connect_timeout",  "keepalives_idle",           "keepalives_interval",
                          "keepalives_count", "tcp_user_timeout",          "dbname",
                          "client_encoding",  "fallback_application_name", nullptr};
    const char* values[] = {"10", "30", "10", "3", "60000", info.constData(), "UTF8", "veyra", nullptr};
    PGconn* c = PQconnectdbParams(keys, values, 1);
    if (!c) throw Error::server("08001", "out of memory", address);
    if (PQstatus(c) != CONNECTION_OK) {
        const QString why = trimmedMessage(PQerrorMessage(c));
        PQfinish(c);
        throw Error::server("08001", why, address);
    }
    conn_ = c;
    address_ = address;
    PQsetNoticeProcessor(conn_, ignoreNotice, nullptr);
    if (PQserverVersion(conn_) < 110000) {
        const int v = PQserverVersion(conn_);
        close();
        throw Error(QString("数据库服务器的版本（%1.%2）太旧，登记库需要 PostgreSQL 11 或更新的版本")
                        .arg(v / 10000)
                        .arg(v % 10000));
    }
    configure();
}

void ServerConnection::configure() {
    prepared_.clear();
    executeScript(QString("SET DateStyle = 'ISO, YMD'; SET IntervalStyle = 'postgres'; "
                          "SET client_min_messages = 'warning'; SET lock_timeout = '%1ms';")
                      .arg(kServerLockTimeoutMs));
}

void ServerConnection::open(const QString& address) {
    connect(address);
    QList<QVariantList> rows;
    try {
        rows = select("SELECT key, value FROM veyra_meta WHERE key IN ('application_id', 'format')");
    } catch (const Error& e) {
        close();
        if (e.sqlState() == "42P01") throw Error(notVeyraText(address));
        throw;
    }
    QString app, format;
    for (const QVariantList& r : rows) {
        if (r[0].toString() == "application_id") app = r[1].toString();
        if (r[0].toString() == "format") format = r[1].toString();
    }
    if (app != QString::number(kApplicationId)) {
        close();
        throw Error(notVeyraText(address));
    }
    bool ok = false;
    const int number = format.toInt(&ok);
    if (!ok || number < 1 || number > kServerFormat) {
        close();
        throw Error(QString("服务器登记库（%1）的格式（%2）比本程序新，本程序只能使用格式 %3 及以前的登记库。"
                            "请安装新版本的程序；登记库未作任何改动。")
                        .arg(address, format)
                        .arg(kServerFormat));
    }
}

void ServerConnection::close() {
    if (!conn_) return;
    PQfinish(conn_);
    conn_ = nullptr;
    inTransaction_ = false;
    prepared_.clear();
}

int ServerConnection::backendPid() const {
    return conn_ ? PQbackendPID(conn_) : 0;
}

void ServerConnection::failConnection(const QString& sqlState) {
    inTransaction_ = false;
    QString why = conn_ ? trimmedMessage(PQerrorMessage(conn_)) : QString();
    if (why.isEmpty()) why = "connection to server lost";
    throw Error::server(sqlState, why, address_);
}

void ServerConnection::ensureConnected() {
    if (!conn_) throw Error("数据库连接未打开");
    // What the server said meanwhile (it ended this session, it shut down)
    // is read first, so a connection known to be gone is not used.
    if (PQstatus(conn_) == CONNECTION_OK && !PQisBusy(conn_)) PQconsumeInput(conn_);
    if (PQstatus(conn_) == CONNECTION_OK) return;
    // The transaction went with the connection: nothing of it may be
    // continued on a new one.
    if (inTransaction_) failConnection("08006");
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK) failConnection("08001");
    configure();
}

void ServerConnection::fail(const Result& r, bool duringCommit) {
    const PGresult* res = r.get();
    const bool lost = PQstatus(conn_) != CONNECTION_OK;
    QString state = res ? QString::fromLatin1(PQresultErrorField(res, PG_DIAG_SQLSTATE)) : QString();
    if (lost) {
        inTransaction_ = false;
        // Gone without a word from the server during the commit: whether it
        // committed cannot be known. With a word (terminated, shut down) the
        // commit was never done.
        if (state.isEmpty()) state = duringCommit ? "08007" : "08006";
    }
    if (state.isEmpty()) state = "XX000";
    QString text = res ? trimmedMessage(PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY)) : QString();
    if (text.isEmpty()) text = trimmedMessage(PQerrorMessage(conn_));
    if (res) {
        const QString detail = trimmedMessage(PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL));
        if (!detail.isEmpty()) text += " (" + detail + ")";
    }
    QString column;
    if (res) {
        column = QString::fromUtf8(PQresultErrorField(res, PG_DIAG_COLUMN_NAME));
        if (column.isEmpty())
            column =
                serverConstraintColumn(QString::fromUtf8(PQresultErrorField(res, PG_DIAG_TABLE_NAME)),
                                       QString::fromUtf8(PQresultErrorField(res, PG_DIAG_CONSTRAINT_NAME)));
    }
    throw Error::server(state, text, address_, column.toUpper());
}

ServerConnection::Result ServerConnection::run(const QString& sql, const QVariantList& params) {
    ensureConnected();
    const QString text = params.isEmpty() ? sql : numberedPlaceholders(sql);
    auto it = prepared_.constFind(text);
    if (it == prepared_.constEnd()) {
        if (prepared_.size() >= kPreparedLimit) {
            Result r{ResultPtr(PQexec(conn_, "DEALLOCATE ALL"))};
            if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) fail(r);
            prepared_.clear();
        }
        const QByteArray name = "veyra_" + QByteArray::number(prepared_.size() + 1);
        Result r{ResultPtr(
            PQprepare(conn_, name.constData(), text.toUtf8().constData(), int(params.size()), nullptr))};
        if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) fail(r);
        it = prepared_.insert(text, name);
    }
    std::vector<QByteArray> texts(size_t(params.size()));
    std::vector<const char*> values(size_t(params.size()), nullptr);
    for (qsizetype i = 0; i < params.size(); ++i)
        if (paramText(params[i], texts[size_t(i)], address_))
            values[size_t(i)] = texts[size_t(i)].constData();
    return Result{ResultPtr(
        PQexecPrepared(conn_, it->constData(), int(params.size()), values.data(), nullptr, nullptr, 0))};
}

int ServerConnection::execute(const QString& sql, const QVariantList& params) {
    const Result r = run(sql, params);
    const ExecStatusType s = PQresultStatus(r.get());
    if (s == PGRES_TUPLES_OK) return PQntuples(r.get());
    if (s != PGRES_COMMAND_OK) fail(r);
    return QByteArray(PQcmdTuples(r.get())).toInt();
}

QList<QVariantList> ServerConnection::select(const QString& sql, const QVariantList& params,
                                             QStringList* columnNames) {
    const Result r = run(sql, params);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK) fail(r);
    if (columnNames) {
        columnNames->clear();
        for (int c = 0; c < PQnfields(r.get()); ++c)
            columnNames->append(QString::fromUtf8(PQfname(r.get(), c)));
    }
    QList<QVariantList> rows;
    const int n = PQntuples(r.get());
    rows.reserve(n);
    for (int i = 0; i < n; ++i) rows.append(resultRow(r.get(), i));
    return rows;
}

QVariant ServerConnection::scalar(const QString& sql, const QVariantList& params) {
    const Result r = run(sql, params);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK) fail(r);
    if (PQntuples(r.get()) == 0 || PQnfields(r.get()) == 0) return {};
    return resultValue(r.get(), 0, 0);
}

void ServerConnection::forEachRow(const QString& sql, const QVariantList& params,
                                  const std::function<void(const QVariantList&)>& row) {
    // Prepared (and checked) through run's cache with no rows wanted yet:
    // a LIMIT 0 would change the statement, so the plain send is used.
    ensureConnected();
    const QString text = params.isEmpty() ? sql : numberedPlaceholders(sql);
    std::vector<QByteArray> texts(size_t(params.size()));
    std::vector<const char*> values(size_t(params.size()), nullptr);
    for (qsizetype i = 0; i < params.size(); ++i)
        if (paramText(params[i], texts[size_t(i)], address_))
            values[size_t(i)] = texts[size_t(i)].constData();
    if (!PQsendQueryParams(conn_, text.toUtf8().constData(), int(params.size()), nullptr, values.data(),
                           nullptr, nullptr, 0))
        fail(Result{});
    PQsetSingleRowMode(conn_);
    Result failed;
    std::exception_ptr thrown;
    while (PGresult* raw = PQgetResult(conn_)) {
        Result r{ResultPtr(raw)};
        const ExecStatusType s = PQresultStatus(raw);
        if (s == PGRES_SINGLE_TUPLE && !thrown && !failed.r) {
            try {
                row(resultRow(raw, 0));
            } catch (const std::exception&) {
                // The rest is not wanted: ask the server to stop, then read
                // what it still sends so the connection stays usable.
                thrown = std::current_exception();
                if (PGcancel* cancel = PQgetCancel(conn_)) {
                    char buf[256];
                    PQcancel(cancel, buf, sizeof buf);
                    PQfreeCancel(cancel);
                }
            }
        } else if (s != PGRES_SINGLE_TUPLE && s != PGRES_TUPLES_OK && !failed.r) {
            failed = std::move(r);
        }
    }
    if (thrown) std::rethrow_exception(thrown);
    if (failed.r) fail(failed);
    if (PQstatus(conn_) != CONNECTION_OK) fail(Result{});
}

void ServerConnection::executeScript(const QString& sql) {
    ensureConnected();
    const Result r{ResultPtr(PQexec(conn_, sql.toUtf8().constData()))};
    const ExecStatusType s = PQresultStatus(r.get());
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK && s != PGRES_EMPTY_QUERY) fail(r);
}

qint64 ServerConnection::copyIn(const QString& table, const QStringList& columns,
                                const std::function<bool(QVariantList&)>& next) {
    ensureConnected();
    const QString sql =
        "COPY " + serverIdentifier(table) + " (" + serverIdentifiers(columns).join(", ") + ") FROM STDIN";
    {
        const Result r{ResultPtr(PQexec(conn_, sql.toUtf8().constData()))};
        if (PQresultStatus(r.get()) != PGRES_COPY_IN) fail(r);
    }
    QByteArray buf;
    const auto send = [&] {
        if (PQputCopyData(conn_, buf.constData(), int(buf.size())) != 1) fail(Result{});
        buf.clear();
    };
    const auto finish = [&](const char* abortText) -> Result {
        PQputCopyEnd(conn_, abortText);
        Result last;
        while (PGresult* raw = PQgetResult(conn_))
            if (!last.r || PQresultStatus(raw) != PGRES_COMMAND_OK)
                last = Result{ResultPtr(raw)};
            else
                PQclear(raw);
        return last;
    };
    try {
        QVariantList row;
        while (true) {
            row.clear();
            if (!next(row)) break;
            for (qsizetype i = 0; i < row.size(); ++i) {
                if (i) buf += '\t';
                appendCopyValue(buf, row[i], address_);
            }
            buf += '\n';
            if (buf.size() >= 256 * 1024) send();
        }
        if (!buf.isEmpty()) send();
    } catch (const std::exception&) {
        if (PQstatus(conn_) == CONNECTION_OK) finish("abandoned by the program");
        throw;
    }
    const Result r = finish(nullptr);
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) fail(r);
    return QByteArray(PQcmdTuples(r.get())).toLongLong();
}

void ServerConnection::beginTransaction(const QString& mode) {
    if (inTransaction_) throw Error("cannot start a transaction within a transaction");
    execute(mode.isEmpty() ? QString("BEGIN") : "BEGIN " + mode);
    inTransaction_ = true;
}

void ServerConnection::commit() {
    if (!inTransaction_) throw Error("cannot commit - no transaction is active");
    ensureConnected();
    // An earlier error aborted the transaction: it can only end in a rollback.
    if (PQtransactionStatus(conn_) == PQTRANS_INERROR) {
        rollback();
        throw Error::server("40000", "the transaction was rolled back after an earlier error", address_);
    }
    // The transaction's number comes with the commit, so that a connection
    // lost on the way can be asked about afterwards.
    if (!PQsendQuery(conn_, "SELECT txid_current_if_assigned(); COMMIT")) fail(Result{}, true);
    QVariant xid;
    Result committed, failed;
    while (PGresult* raw = PQgetResult(conn_)) {
        Result r{ResultPtr(raw)};
        const ExecStatusType s = PQresultStatus(raw);
        if (s == PGRES_TUPLES_OK && PQntuples(raw) == 1)
            xid = resultValue(raw, 0, 0);
        else if (s == PGRES_COMMAND_OK)
            committed = std::move(r);
        else if (!failed.r)
            failed = std::move(r);
    }
    inTransaction_ = false;
    if (PQstatus(conn_) != CONNECTION_OK && !committed.r) {
        // Nothing written is nothing lost; else the server knows the outcome.
        if (xid.isNull()) failConnection("08006");
        QString outcome;
        try {
            ensureConnected();
            outcome = scalar("SELECT txid_status(?)", {xid}).toString();
        } catch (const Error&) {
        }
        if (outcome == "committed") return;
        failConnection(outcome == "aborted" ? "08006" : "08007");
    }
    // The commit was not reached (the number could not be read): nothing of
    // the transaction may stay open.
    if (PQtransactionStatus(conn_) != PQTRANS_IDLE) PQclear(PQexec(conn_, "ROLLBACK"));
    if (failed.r) fail(failed, true);
    // A transaction that an earlier error aborted ends in a rollback.
    if (!committed.r || qstrcmp(PQcmdStatus(committed.get()), "ROLLBACK") == 0)
        throw Error::server("40000", "the transaction was rolled back after an earlier error", address_);
}

void ServerConnection::rollback() {
    if (!inTransaction_) return;
    inTransaction_ = false;
    // Without the connection the server has dropped the transaction itself.
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) return;
    const Result r{ResultPtr(PQexec(conn_, "ROLLBACK"))};
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK && PQstatus(conn_) == CONNECTION_OK) fail(r);
}

}  // namespace store
