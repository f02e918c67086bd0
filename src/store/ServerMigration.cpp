#include "store/ServerMigration.h"

#include <cstdio>

#include <QStringList>

#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/Format.h"
#include "store/ServerConnection.h"
#include "store/ServerRegister.h"
#include "store/Statement.h"

namespace store {

namespace {

QString quoted(const QString& name) {
    return '"' + QString(name).replace('"', "\"\"") + '"';
}

QString quotedList(const QStringList& names) {
    QStringList out;
    for (const QString& n : names) out.append(quoted(n));
    return out.join(", ");
}

QString keyLabel(const QString& table, const QString& column) {
    if (column.compare("IDCARD", Qt::CaseInsensitive) == 0) return "公民身份号码";
    if (table.compare("M_CORPORATION", Qt::CaseInsensitive) == 0) return "单位的社保登记证号码";
    return column;
}

// Keys the server keeps unique that the file holds twice (spellings that
// differ only in letter case, or a unique rule an upgrade held back).
QStringList keyTwins(Connection& c) {
    QStringList lines;
    for (const auto& [table, column] : serverUniqueKeys()) {
        const QString t = quoted(table), col = quoted(column);
        const auto rows =
            c.select("SELECT " + col + " FROM " + t + " WHERE upper(" + col + ") IN (SELECT upper(" + col +
                     ") FROM " + t + " WHERE " + col + " IS NOT NULL GROUP BY upper(" + col +
                     ") HAVING count(*) > 1) ORDER BY upper(" + col + "), rowid");
        QStringList group;
        const auto flush = [&] {
            if (!group.isEmpty()) lines.append(keyLabel(table, column) + "：" + group.join("、"));
            group.clear();
        };
        for (const QVariantList& r : rows) {
            const QString v = r.value(0).toString();
            if (!group.isEmpty() && !sameKey(group.first(), v)) flush();
            group.append(v);
        }
        flush();
    }
    return lines;
}

// The SQLite counter of a table's serials; 0 when it has none.
qint64 sqliteSequence(Connection& c, const QString& table) {
    const QVariant has =
        c.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'sqlite_sequence'");
    if (has.toInt() == 0) return 0;
    return c.scalar("SELECT seq FROM sqlite_sequence WHERE name = ? COLLATE NOCASE", {table}).toLongLong();
}

}  // namespace

qint64 MigrationCounts::of(const QString& table) const {
    for (const auto& [name, n] : rows)
        if (name.compare(table, Qt::CaseInsensitive) == 0) return n;
    return 0;
}

MigrationCounts migrateToServer(Connection& source, const QString& address,
                                const MigrationProgress& progress) {
    if (fileFormat(source) != kCurrentFormat)
        throw Error(
            QString("数据库文件“%1”是旧格式（%2），请先用本程序或 veyra-newdb 把它升级到格式 %3 后再迁移")
                .arg(source.path())
                .arg(fileFormat(source))
                .arg(kCurrentFormat));
    // One state of the file for every table.
    source.execute("BEGIN");
    struct End {
        Connection& c;
        ~End() {
            try {
                c.rollback();
            } catch (const std::exception& e) {
                // The read-only snapshot ends with the connection anyway.
                std::fprintf(stderr, "veyra: ending the migration's read: %s\n", e.what());
            }
        }
    } end{source};
    QStringList missing;
    for (const ServerTable& table : serverTables())
        if (source
                .scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE",
                        {table.name})
                .toInt() == 0)
            missing.append(table.name);
    if (!missing.isEmpty())
        throw Error(QString("“%1”不是完整的工作数据库（缺少数据表 %2），不能迁移。服务器上没有建立任何内容。")
                        .arg(source.path(), missing.join("、")));
    const QStringList twins = keyTwins(source);
    if (!twins.isEmpty())
        throw Error("以下号码只有字母大小写不同，服务器登记库要求它们不重复：\r" + twins.join("\r") +
                    "\r请先在“查询编辑”中修改或删除重复的单位或人员，再迁移。服务器上没有建立任何内容。");

    ServerConnection server;
    server.connect(address);
    ServerTransaction t(server);
    createServerSchema(server);
    MigrationCounts counts;
    for (const ServerTable& table : serverTables()) {
        const QStringList cols = table.columnNames();
        const qint64 total = source.scalar("SELECT count(*) FROM " + quoted(table.name)).toLongLong();
        if (progress) progress(table.name, 0, total);
        // Tables without a serial carry their rowid into row_id.
        QStringList targetCols = cols;
        QString sql = "SELECT " + quotedList(cols);
        if (!table.hasSerial()) {
            targetCols.append("row_id");
            sql += ", rowid";
        }
        Statement st(source.handle(), sql + " FROM " + quoted(table.name) + " ORDER BY rowid");
        qint64 row = 0;
        const qint64 copied = server.copyIn(table.name, targetCols, [&](QVariantList& values) {
            if (!st.step()) return false;
            values = st.row();
            ++row;
            if (progress && row % 10000 == 0) progress(table.name, row, total);
            return true;
        });
        st.reset();
        if (copied != total)
            throw Error(QString("迁移数据表 %1 时行数不符（%2 行中复制了 %3 行）")
                            .arg(table.name)
                            .arg(total)
                            .arg(copied));
        // New rows go on after the copied ones; the serial counter never goes back.
        const QString rowid = serverIdentifier(table.rowidColumn);
        const qint64 next = qMax(
            table.hasSerial() ? sqliteSequence(source, table.name) : 0,
            server.scalar("SELECT max(" + rowid + ") FROM " + serverIdentifier(table.name)).toLongLong());
        if (next > 0)
            server.scalar("SELECT setval(pg_get_serial_sequence(?, ?), ?)",
                          {serverIdentifier(table.name), rowid, next});
        if (progress) progress(table.name, total, total);
        counts.rows.append({table.name, copied});
    }
    t.commit();
    return counts;
}

MigrationCounts migrateFromServer(const QString& address, const QString& path,
                                  const MigrationProgress& progress) {
    ServerConnection server;
    server.open(address);
    // One state of the register for every table, however long the copy takes.
    ServerTransaction read(server);
    server.execute("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
    MigrationCounts counts;
    createWorkingDatabase(path, [&](Connection& target) {
        for (const ServerTable& table : serverTables()) {
            const QStringList cols = table.columnNames();
            const QString from = serverIdentifier(table.name);
            const qint64 total = server.scalar("SELECT count(*) FROM " + from).toLongLong();
            if (progress) progress(table.name, 0, total);
            QStringList select = serverIdentifiers(cols);
            QString insert = "INSERT INTO " + quoted(table.name) + " (" + quotedList(cols);
            QString marks = QString("?, ").repeated(int(cols.size()));
            if (!table.hasSerial()) {
                select.append("row_id");
                insert += ", rowid";
                marks += "?, ";
            }
            marks.chop(2);
            Statement st(target.handle(), insert + ") VALUES (" + marks + ")");
            qint64 row = 0;
            server.forEachRow("SELECT " + select.join(", ") + " FROM " + from + " ORDER BY " +
                                  serverIdentifier(table.rowidColumn),
                              {}, [&](const QVariantList& values) {
                                  st.exec(values);
                                  ++row;
                                  if (progress && row % 10000 == 0) progress(table.name, row, total);
                              });
            if (row != total)
                throw Error(QString("迁移数据表 %1 时行数不符（%2 行中复制了 %3 行）")
                                .arg(table.name)
                                .arg(total)
                                .arg(row));
            if (table.hasSerial()) {
                // The counter as the server has it: serials of deleted rows stay unused.
                const QVariant last =
                    server.scalar("SELECT pg_sequence_last_value(pg_get_serial_sequence(?, ?)::regclass)",
                                  {from, serverIdentifier(table.rowidColumn)});
                if (!last.isNull() &&
                    target.execute("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = ?",
                                   {last, table.name}) == 0)
                    target.execute("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)",
                                   {table.name, last});
            }
            if (progress) progress(table.name, total, total);
            counts.rows.append({table.name, row});
        }
    });
    read.rollback();
    return counts;
}

}  // namespace store
