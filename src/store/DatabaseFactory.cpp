#include "store/DatabaseFactory.h"

#include <sqlite3.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "store/Connection.h"
#include "store/Csv.h"
#include "store/Error.h"
#include "store/Statement.h"

namespace store {

QString workingDatabaseFileName() {
    return QStringLiteral("Enterprise.mdb");
}
QString templateDatabaseFileName() {
    return QStringLiteral("structure.mdb");
}
QString defaultOperatorId() {
    return QStringLiteral("admin");
}
QString defaultOperatorPassword() {
    return QStringLiteral("123456");
}
QString defaultOperatorName() {
    return QStringLiteral("系统管理员");
}
QString defaultOperatorDuty() {
    return QStringLiteral("管理员");
}

namespace {
QString& workingPath() {
    static QString p;
    return p;
}

// Creates a new file; the handle is owned by the returned connection.
void createFile(Connection& c, const QString& path) {
    if (QFileInfo::exists(path)) throw Error(QString("文件“%1”已存在，不会覆盖").arg(path));
    QDir().mkpath(QFileInfo(path).absolutePath());
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw Error(QString("无法创建数据库文件“%1”: %2").arg(path, msg));
    }
    c.adopt(db, QFileInfo(path).absoluteFilePath());
}

void stamp(Connection& c) {
    c.executeScript(QString("PRAGMA application_id = %1;").arg(kApplicationId));
    QByteArray salt(16, 0);
    for (char& ch : salt) ch = char(QRandomGenerator::system()->bounded(256));
    const QByteArray saltHex = salt.toHex();
    c.execute("INSERT INTO veyra_meta (key, value) VALUES ('password_salt', ?)",
              {QString::fromLatin1(saltHex)});
    c.execute("INSERT INTO veyra_meta (key, value) VALUES ('password_verifier', ?)",
              {QString::fromLatin1(passwordVerifier(saltHex, databasePassword()))});
    c.execute("INSERT INTO veyra_meta (key, value) VALUES ('format', ?)", {QString::number(kCurrentFormat)});
}

void loadCodeTables(Connection& c, const QString& dir) {
    for (const CodeTableCsv& table : codeTableFiles(dir)) {
        QStringList cols, marks;
        for (const QString& h : table.columns) {
            cols.append('"' + QString(h).replace('"', "\"\"") + '"');
            marks.append("?");
        }
        Statement st(c.handle(), "INSERT INTO \"" + QString(table.table).replace('"', "\"\"") + "\" (" +
                                     cols.join(", ") + ") VALUES (" + marks.join(", ") + ")");
        for (const QStringList& row : table.rows) {
            QVariantList params;
            for (const QString& v : row) params.append(v);
            st.exec(params);
        }
    }
}

// The fill runs inside the file's first transaction; without one a working
// database gets the code tables of the data files and the first operator.
void build(const QString& path, bool working, const std::function<void(Connection&)>& fill = {}) {
    const QString dir = dataDirectory();
    Connection c;
    createFile(c, path);
    try {
        // The file keeps a rollback journal (never WAL): it is one
        // self-contained file that can be copied as it stands.
        c.executeScript("PRAGMA journal_mode = DELETE;");
        Transaction t(c);
        createSchema(c, working);
        if (fill) {
            fill(c);
        } else if (working) {
            loadCodeTables(c, dir);
            c.execute("INSERT INTO M_UserManager (USER_ID, USER_NAME, PASSWORD, duty) VALUES (?, ?, ?, ?)",
                      {defaultOperatorId(), defaultOperatorName(), defaultOperatorPassword(),
                       defaultOperatorDuty()});
        }
        stamp(c);
        t.commit();
    } catch (...) {
        c.close();
        QFile::remove(path);
        throw;
    }
    c.close();
}
}  // namespace

QString readDataFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QString("无法读取数据文件“%1”: %2").arg(path, f.errorString()));
    return QString::fromUtf8(f.readAll());
}

QList<CodeTableCsv> codeTableFiles(const QString& dir) {
    const QDir codes(dir + "/codes");
    QList<CodeTableCsv> out;
    for (const QString& file : codes.entryList({"*.csv"}, QDir::Files, QDir::Name)) {
        CodeTableCsv table = parseCodeTableCsv(file, readDataFile(codes.filePath(file)));
        if (!table.columns.isEmpty()) out.append(std::move(table));
    }
    return out;
}

void createSchema(Connection& c, bool working) {
    const QString dir = dataDirectory();
    c.executeScript(readDataFile(dir + "/schema_register.sql"));
    if (working) {
        c.executeScript(readDataFile(dir + "/schema_codes.sql"));
        c.executeScript(readDataFile(dir + "/views.sql"));
    }
    c.executeScript("CREATE TABLE veyra_meta (key TEXT PRIMARY KEY, value TEXT);");
}

QString dataDirectory() {
    const QString env = qEnvironmentVariable("VEYRA_DATA_DIR");
    if (!env.isEmpty()) return env;
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + "/../share/veyra";
    candidates << QStringLiteral(VEYRA_SOURCE_DATA_DIR) << QStringLiteral(VEYRA_INSTALL_DATA_DIR);
    for (const QString& c : candidates)
        if (QFileInfo::exists(c + "/schema_register.sql")) return QDir(c).absolutePath();
    return QStringLiteral(VEYRA_INSTALL_DATA_DIR);
}

void createWorkingDatabase(const QString& path) {
    build(path, true);
}

void createWorkingDatabase(const QString& path, const std::function<void(Connection&)>& fill) {
    build(path, true, fill);
}

void createTemplateDatabase(const QString& path) {
    build(path, false);
}

void createWorkingDirectory(const QString& dir) {
    const QString work = QDir(dir).filePath(workingDatabaseFileName());
    const QString tmpl = QDir(dir).filePath(templateDatabaseFileName());
    if (QFileInfo::exists(work)) throw Error(QString("文件“%1”已存在，不会覆盖").arg(work));
    if (QFileInfo::exists(tmpl)) throw Error(QString("文件“%1”已存在，不会覆盖").arg(tmpl));
    createWorkingDatabase(work);
    createTemplateDatabase(tmpl);
}

QString workingDatabasePath() {
    if (workingPath().isEmpty()) return QDir::current().absoluteFilePath(workingDatabaseFileName());
    return workingPath();
}

void setWorkingDatabasePath(const QString& path) {
    workingPath() = path;
}

}  // namespace store
