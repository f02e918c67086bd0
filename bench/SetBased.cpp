#include "SetBased.h"

#include <sqlite3.h>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QUrl>
#include <stdexcept>

#include "exchange/RowsChecksum.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"

namespace bench {
namespace {
const char* kSetBased[] = {
    "INSERT INTO main.M_CORPORATION (%1) SELECT %2 FROM src.M_CORPORATION s "
    "WHERE NOT EXISTS (SELECT 1 FROM main.M_CORPORATION t WHERE t.SSN = s.SSN) "
    "AND s.rowid = (SELECT min(d.rowid) FROM src.M_CORPORATION d WHERE d.SSN = s.SSN) ORDER BY s.rowid",
    "INSERT INTO main.M_PERSON (%1) SELECT c.CORPSN, %2 FROM src.M_PERSON s "
    "JOIN main.M_CORPORATION c ON c.SSN = s.SSN "
    "WHERE NOT EXISTS (SELECT 1 FROM main.M_PERSON t WHERE t.IDCARD = s.IDCARD) "
    "AND s.rowid = (SELECT min(d.rowid) FROM src.M_PERSON d WHERE d.IDCARD = s.IDCARD) ORDER BY s.rowid",
    "INSERT INTO main.M_PSNAPPOINTEDHOSPITAL (%1) SELECT p.PSNSN, %2 FROM src.M_PSNAPPOINTEDHOSPITAL s "
    "JOIN main.M_PERSON p ON p.IDCARD = s.IDCARD "
    "WHERE NOT EXISTS (SELECT 1 FROM main.M_PSNAPPOINTEDHOSPITAL t WHERE t.IDCARD = s.IDCARD) "
    "AND s.rowid = (SELECT min(d.rowid) FROM src.M_PSNAPPOINTEDHOSPITAL d WHERE d.IDCARD = s.IDCARD) "
    "ORDER BY s.rowid",
};

QString readOnlyUri(const QString& path) {
    return "file:" + QString::fromLatin1(QUrl::toPercentEncoding(path, "/")) + "?mode=ro";
}

// Attaches source read-only, checks it when asked and copies its rows.
void copyFrom(store::Connection& c, const QString& source, bool checkSource) {
    c.execute("ATTACH ? AS src", {readOnlyUri(source)});
    if (checkSource) {
        const QList<QVariantList> answer = c.select("PRAGMA src.integrity_check");
        if (answer != QList<QVariantList>{{QVariant(QString("ok"))}})
            throw std::runtime_error("source damaged");
    }
    c.beginTransaction();
    const QStringList tables = exchange::registerTables();
    for (int i = 0; i < 3; ++i) {
        QStringList cols;
        for (const store::Column& col : c.tableColumns(tables[i])) cols.append(col.name);
        const QStringList copied = i == 0 ? cols.mid(1) : cols.mid(i == 1 ? 2 : 1);
        const QStringList inserted = i == 0 ? cols.mid(1) : (i == 1 ? cols.mid(1) : cols);
        QStringList sourceCols;
        for (const QString& n : copied) sourceCols.append("s." + n);
        c.execute(QString(kSetBased[i]).arg(inserted.join(", "), sourceCols.join(", ")));
    }
    c.commit();
    c.execute("DETACH src");
}
}  // namespace

void enableUriFilenames() {
    sqlite3_config(SQLITE_CONFIG_URI, 1);
}

double setBasedCopy(const QString& target, const QString& source, bool checkSource) {
    QElapsedTimer t;
    t.start();
    store::Connection c;
    c.open(target);
    copyFrom(c, source, checkSource);
    return double(t.nsecsElapsed()) / 1e6;
}

double setBasedBatch(const QString& target, const QStringList& sources, const QString& backupFile) {
    QElapsedTimer t;
    t.start();
    store::Connection c;
    c.open(target);
    sqlite3* copy = nullptr;
    if (sqlite3_open(QFile::encodeName(backupFile).constData(), &copy) != SQLITE_OK)
        throw std::runtime_error("cannot open the backup");
    sqlite3_backup* b = sqlite3_backup_init(copy, "main", c.handle(), "main");
    const int rc = b ? sqlite3_backup_step(b, -1) : SQLITE_ERROR;
    sqlite3_backup_finish(b);
    sqlite3_close(copy);
    if (rc != SQLITE_DONE) throw std::runtime_error("backup failed");
    for (const QString& s : sources) copyFrom(c, s, true);
    return double(t.nsecsElapsed()) / 1e6;
}

double integrityCheck(const QString& path) {
    store::Connection c;
    c.open(path, store::databasePassword(), store::Connection::Mode::ReadOnly);
    QElapsedTimer t;
    t.start();
    c.select("PRAGMA integrity_check");
    return double(t.nsecsElapsed()) / 1e6;
}

}  // namespace bench
