// A register on a PostgreSQL server: its creation beside the working
// database's, the refusal of a database that holds anything, the grants of a
// desk role, and two desks storing one ID number at the same moment.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include "ServerFixture.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "support/TestSupport.h"

namespace {

using store::Error;
using store::ServerConnection;

QStringList serverColumns(ServerConnection& c, const QString& table) {
    QStringList out;
    for (const QVariantList& r :
         c.select("SELECT column_name FROM information_schema.columns WHERE table_name = ? "
                  "ORDER BY ordinal_position",
                  {table.toLower()}))
        out.append(r[0].toString());
    return out;
}

QStringList lowered(const QStringList& names) {
    QStringList out;
    for (const QString& n : names) out.append(n.toLower());
    return out;
}

class ServerRegisterTest : public ServerTest {};

TEST_F(ServerRegisterTest, HoldsWhatAFreshWorkingDatabaseHoldsInTheSameOrder) {
    createRegister();
    testing_support::WorkDir work;
    store::Connection file;
    file.open(work.database());
    ServerConnection server;
    server.open(db.address());

    int tables = 0;
    for (const store::ServerTable& t : store::serverTables()) {
        SCOPED_TRACE(t.name.toStdString());
        ++tables;
        // The working database's columns in its order, then the server's own.
        QStringList expected;
        for (const store::Column& c : file.tableColumns(t.name)) expected.append(c.name.toLower());
        if (!t.hasSerial()) expected.append("row_id");
        if (t.isRegister) expected.append("row_version");
        EXPECT_EQ(serverColumns(server, t.name), expected);
        // The same rows in the same order: code tables from the same data files,
        // the first operator.
        const QString cols = t.columnNames().join(", ");
        const auto fileRows = file.select("SELECT " + cols + " FROM " + t.name + " ORDER BY rowid");
        const auto serverRows =
            server.select("SELECT " + cols + " FROM " + t.name + " ORDER BY " + t.rowidColumn);
        EXPECT_EQ(serverRows, fileRows);
    }
    EXPECT_EQ(tables,
              int(file.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                              "'sqlite%' AND name <> 'veyra_meta'")
                      .toInt()));

    // The print views give the working database's columns; SUPERIORSSN is the 67th.
    for (const char* view : {"cop_print1", "person_print"}) {
        QStringList fileColumns;
        file.select(QString("SELECT * FROM %1 LIMIT 0").arg(view), {}, &fileColumns);
        QStringList serverNames = serverColumns(server, view);
        serverNames.removeAll("row_version");
        EXPECT_EQ(serverNames, lowered(fileColumns)) << view;
    }
    EXPECT_EQ(serverColumns(server, "cop_print1").value(66), QString("superiorssn"));
    EXPECT_EQ(server.scalar("SELECT value FROM veyra_meta WHERE key = 'format'").toString(),
              QString::number(store::kServerFormat));
}

TEST_F(ServerRegisterTest, IsMadeOnlyInAnEmptyDatabaseAndLeavesAnyOtherAsItWas) {
    const char* foreign[] = {
        "CREATE TABLE notes (t text)",
        "CREATE VIEW one AS SELECT 1 AS n",
        "CREATE SEQUENCE numbers",
        "CREATE FUNCTION f() RETURNS integer LANGUAGE sql AS 'SELECT 1'",
        "CREATE SCHEMA office; CREATE TABLE office.desks (n integer)",
        "CREATE TYPE mood AS ENUM ('ok')",
    };
    for (const char* sql : foreign) {
        SCOPED_TRACE(sql);
        testing_support::ServerDatabase other;
        ASSERT_TRUE(other.ok()) << other.error().toStdString();
        ServerConnection c;
        c.connect(other.address());
        c.executeScript(sql);
        const QStringList before = store::serverDatabaseObjects(c);
        ASSERT_FALSE(before.isEmpty());
        try {
            store::createServerRegister(other.address());
            ADD_FAILURE() << "made a register beside other objects";
        } catch (const Error& e) {
            EXPECT_FALSE(e.fromEngine());
            EXPECT_TRUE(e.text().contains("不是空的")) << e.text().toStdString();
        }
        EXPECT_EQ(store::serverDatabaseObjects(c), before);
    }
    // A register made once is not made again over itself.
    createRegister();
    EXPECT_THROW(createRegister(), Error);
    ServerConnection c;
    c.open(db.address());
    EXPECT_EQ(c.scalar("SELECT count(*) FROM m_usermanager").toInt(), 1);
}

TEST_F(ServerRegisterTest, TheToolMakesItAndItsGrantsGiveADeskTheRowsOfTheRegisterAndNothingElse) {
    QProcess tool;
    tool.start(VEYRA_NEWDB_PROGRAM, {"--server", db.address(), "--grant-to", "veyra_desk"});
    ASSERT_TRUE(tool.waitForFinished(60000));
    const QString printed = QString::fromLocal8Bit(tool.readAllStandardOutput());
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    QStringList grants;
    for (const QString& line : printed.split('\n'))
        if (line.startsWith("GRANT ")) grants.append(line);
    ASSERT_FALSE(grants.isEmpty()) << printed.toStdString();

    // Run again on the same database: refused in words, exit status 1.
    QProcess again;
    again.start(VEYRA_NEWDB_PROGRAM, {"--server", db.address()});
    ASSERT_TRUE(again.waitForFinished(60000));
    EXPECT_EQ(again.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(again.readAllStandardError()).contains("不是空的"));

    ServerConnection owner;
    owner.open(db.address());
    for (const QString& g : grants) owner.executeScript(g);

    ServerConnection desk;
    desk.open(db.address("veyra_desk"));
    desk.execute("INSERT INTO m_corporation (ssn, name) VALUES (?, ?)",
                 {QString("ab0000000001"), QString("甲单位")});
    desk.execute("INSERT INTO m_person (idcard, name, ssn) VALUES (?, ?, ?)",
                 {QString("110105194912310021"), QString("甲"), QString("ab0000000001")});
    desk.execute(
        "INSERT INTO m_psnappointedhospital (psnsn, idcard, hosp_1) SELECT psnsn, idcard, ? FROM m_person",
        {QString("00010001")});
    EXPECT_EQ(desk.execute("UPDATE m_person SET name = ?", {QString("乙")}), 1);
    EXPECT_EQ(desk.select("SELECT * FROM person_print").size(), 1);
    EXPECT_FALSE(desk.scalar("SELECT name FROM d_sex WHERE code = ?", {QString("1")}).isNull());
    EXPECT_EQ(desk.execute("DELETE FROM m_psnappointedhospital"), 1);

    const char* refused[] = {
        "UPDATE d_sex SET name = 'x'",
        "INSERT INTO d_hos (code, name) VALUES ('x', 'x')",
        "DELETE FROM veyra_meta",
        "DROP TABLE m_person",
        "ALTER TABLE m_person ADD COLUMN extra integer",
        "TRUNCATE m_person",
        "CREATE TABLE extra (n integer)",
        "DROP VIEW cop_print1",
    };
    for (const char* sql : refused) {
        SCOPED_TRACE(sql);
        try {
            desk.execute(sql);
            ADD_FAILURE() << "a desk was allowed: " << sql;
        } catch (const Error& e) {
            EXPECT_EQ(e.sqlState().left(2), QString("42"));
            EXPECT_TRUE(store::errorText(e).startsWith("数据库服务器不允许本工作站进行这项操作"))
                << store::errorText(e).toStdString();
        }
    }
    EXPECT_EQ(owner.scalar("SELECT count(*) FROM m_person").toInt(), 1);
}

// Reads one answer line of a helper.
QString answerOf(QProcess& p) {
    while (!p.canReadLine())
        if (!p.waitForReadyRead(30000))
            return "(no answer: " + QString::fromUtf8(p.readAllStandardError()) + ")";
    return QString::fromUtf8(p.readLine()).trimmed();
}

TEST_F(ServerRegisterTest, TwoDesksStoringOneIdNumberAtTheSameMomentEndWithOnePersonAndTheOtherToldInWords) {
    createRegister();
    QProcess desks[2];
    for (QProcess& d : desks) {
        d.start(SERVER_INSERT_HELPER, {db.address()});
        ASSERT_TRUE(d.waitForStarted());
        ASSERT_EQ(answerOf(d), QString("READY"));
    }
    ServerConnection test;
    test.open(db.address());
    const auto waiting = [&] {
        return test
            .scalar(
                "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND objid = 4242 AND NOT granted")
            .toInt();
    };
    constexpr int kRounds = 40;
    int refusedByTheKey = 0;
    for (int round = 0; round < 2 * kRounds; ++round) {
        // First both desks count none and are held there, so that both
        // insert at once; then without the hold, as it comes.
        const bool barrier = round < kRounds;
        const QString id = QString("1101051949%1002").arg(round, 4, 10, QChar('0'));
        if (barrier) test.scalar("SELECT pg_advisory_lock(4242)");
        // The other desk types the check letter in the other case.
        desks[0].write(QString("%1 %2x\n").arg(barrier ? 'B' : 'N').arg(id).toUtf8());
        desks[1].write(QString("%1 %2X\n").arg(barrier ? 'B' : 'N').arg(id).toUtf8());
        for (QProcess& d : desks) d.waitForBytesWritten(10000);
        if (barrier) {
            QElapsedTimer t;
            t.start();
            while (waiting() < 2 && t.elapsed() < 30000) QThread::msleep(2);
            ASSERT_EQ(waiting(), 2) << "round " << round;
            test.scalar("SELECT pg_advisory_unlock(4242)");
        }
        const QStringList answers = {answerOf(desks[0]), answerOf(desks[1])};
        SCOPED_TRACE(answers.join(" | ").toStdString());
        EXPECT_EQ(answers.filter(QRegularExpression("^STORED$")).size(), 1) << "round " << round;
        const QStringList refused = answers.filter(QRegularExpression("^REFUSED "));
        for (const QString& r : refused)
            EXPECT_TRUE(r.startsWith("REFUSED 已经存在该身份证号码")) << r.toStdString();
        if (barrier) {
            EXPECT_EQ(refused.size(), 1) << "round " << round;
        }
        refusedByTheKey += int(refused.size());
    }
    for (QProcess& d : desks) {
        d.closeWriteChannel();
        EXPECT_TRUE(d.waitForFinished(30000));
    }
    EXPECT_GE(refusedByTheKey, kRounds);
    EXPECT_EQ(test.scalar("SELECT count(*) FROM m_person").toInt(), 2 * kRounds);
    EXPECT_EQ(test.scalar("SELECT count(DISTINCT upper(idcard)) FROM m_person").toInt(), 2 * kRounds);
}

}  // namespace
