// A whole register between a working database and a server, both ways: row
// for row equal after a round trip, all or nothing, refused in words.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include "ServerFixture.h"
#include "platform/RegisterLock.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "store/ServerMigration.h"
#include "support/TestSupport.h"

namespace {

using store::Error;
using store::ServerConnection;

// The first n characters (a pair outside the BMP is one).
QString leftChars(const QString& s, int n) {
    qsizetype i = 0;
    for (int k = 0; k < n && i < s.size(); ++k) i += s.at(i).isHighSurrogate() ? 2 : 1;
    return s.left(i);
}

// A value for every column of a kind, the widest and oddest it takes.
QVariant fullValue(const store::Column& c, int row) {
    switch (c.kind) {
        case store::Column::Kind::Text: {
            const QString odd[] = {"O'Brien \"q\" \\ tab\there\r\nline", "𠀋北京市海淀区", " blanks kept ",
                                   ""};
            return leftChars(odd[row % 4] + QString("字").repeated(c.width), c.width);
        }
        case store::Column::Kind::Integer:
            return row % 2 ? qlonglong(2147483647) : qlonglong(-2147483647 - 1);
        case store::Column::Kind::Decimal:
            if (c.scale == 0) return row % 2 ? qlonglong(9999999999LL) : qlonglong(-42);
            // A fraction, a whole number and a binary fraction keep their kind.
            return row % 3 == 0 ? QVariant(12.5) : row % 3 == 1 ? QVariant(qlonglong(3)) : QVariant(0.1);
        case store::Column::Kind::Date:
            return row % 2 ? QString("2004-02-29") : QString("1949-10-01");
        default:
            return {};
    }
}

// Every row of every table, with each value's kind, and the serial counters.
QList<QVariantList> everything(store::Connection& c) {
    QList<QVariantList> out;
    for (const store::ServerTable& t : store::serverTables()) {
        QStringList cols{"rowid"};
        for (const QString& name : t.columnNames()) cols << name << "typeof(" + name + ")";
        for (QVariantList r : c.select("SELECT " + cols.join(", ") + " FROM " + t.name + " ORDER BY rowid")) {
            r.prepend(t.name);
            out.append(r);
        }
    }
    for (QVariantList r : c.select("SELECT name, seq FROM sqlite_sequence ORDER BY name")) {
        r.prepend("sqlite_sequence");
        out.append(r);
    }
    return out;
}

// A register with every kind of value, rows deleted (gaps, counters above
// the last serial), operators sharing a login name, a code table changed.
void fill(store::Connection& c) {
    store::Transaction t(c);
    for (const char* table : {"M_CORPORATION", "M_PERSON", "M_PSNAPPOINTEDHOSPITAL", "M_UserManager"}) {
        const QList<store::Column> cols = c.tableColumns(table);
        for (int row = 0; row < 6; ++row) {
            QStringList names, marks;
            QVariantList values;
            for (const store::Column& col : cols) {
                if (col.kind == store::Column::Kind::Serial) continue;
                names << col.name;
                marks << "?";
                // Every fourth row is empty but for its key.
                const bool key = col.name == "SSN" || col.name == "IDCARD" || col.name == "USER_ID";
                QVariant v = row == 3 && !key ? QVariant() : fullValue(col, row);
                if (key && table != QString("M_UserManager"))
                    v = QString(table == QString("M_CORPORATION") ? "ab%1" : "11010519491231%1x")
                            .arg(row, table == QString("M_CORPORATION") ? 10 : 3, 10, QChar('0'));
                if (key && table == QString("M_UserManager"))
                    v = row < 2 ? QString("admin") : QString("desk%1").arg(row);
                values << v;
            }
            c.execute(
                QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(", "), marks.join(", ")),
                values);
        }
    }
    c.execute("DELETE FROM M_CORPORATION WHERE CORPSN IN (2, 6)");
    c.execute("DELETE FROM M_PERSON WHERE PSNSN = 6");
    c.execute("DELETE FROM M_PSNAPPOINTEDHOSPITAL WHERE rowid = 2");
    c.execute("INSERT INTO D_SEX (CODE, NAME) VALUES (?, ?)", {QString("x'"), QString("未说明\\的")});
    c.execute("DELETE FROM D_NATION WHERE rowid = 3");
    t.commit();
}

class ServerMigrationTest : public ServerTest {
  protected:
    testing_support::WorkDir work;
};

TEST_F(ServerMigrationTest, ARoundTripGivesBackEveryRowValueSerialAndCounter) {
    store::Connection source;
    source.open(work.database());
    fill(source);
    const store::MigrationCounts there = store::migrateToServer(source, db.address());
    EXPECT_EQ(there.of("M_CORPORATION"), 4);
    EXPECT_EQ(there.of("M_PERSON"), 5);
    EXPECT_EQ(there.of("d_hos"), source.scalar("SELECT count(*) FROM d_hos").toLongLong());

    const QString back = work.file("back.mdb");
    const store::MigrationCounts returned = store::migrateFromServer(db.address(), back);
    EXPECT_EQ(returned.rows, there.rows);
    store::Connection copy;
    copy.open(back);
    EXPECT_EQ(everything(copy), everything(source));
    source.close();

    // The server's print views give what the working database's give.
    ServerConnection server;
    server.open(db.address());
    for (const auto& [view, key] : {std::pair{"cop_print1", "SSN"}, std::pair{"person_print", "IDCARD"}}) {
        QStringList names;
        const QList<QVariantList> fileRows =
            copy.select(QString("SELECT * FROM %1 ORDER BY %2").arg(view, key), {}, &names);
        QStringList quoted;
        for (const QString& n : names) quoted << '"' + (n.at(0).unicode() < 128 ? n.toLower() : n) + '"';
        const QList<QVariantList> serverRows =
            server.select(QString("SELECT %1 FROM %2 ORDER BY %3").arg(quoted.join(", "), view, key));
        ASSERT_EQ(serverRows.size(), fileRows.size()) << view;
        for (qsizetype r = 0; r < fileRows.size(); ++r)
            for (qsizetype col = 0; col < names.size(); ++col)
                EXPECT_EQ(serverRows[r][col].toString(), fileRows[r][col].toString())
                    << view << " row " << r << " " << names[col].toStdString();
    }
    // New rows go on after the copied serials, never reusing a deleted one.
    const qint64 last =
        copy.scalar("SELECT seq FROM sqlite_sequence WHERE name = 'M_CORPORATION'").toLongLong();
    EXPECT_EQ(
        server
            .scalar("INSERT INTO m_corporation (ssn) VALUES (?) RETURNING corpsn", {QString("zz0000000001")})
            .toLongLong(),
        last + 1);
}

TEST_F(ServerMigrationTest, IsRefusedInWordsBeforeAnythingIsMadeOnTheServer) {
    // Keys the server holds unique that differ only in letter case: the
    // unique rule an upgrade held back, as in a register of the first format.
    store::Connection source;
    source.open(work.database());
    source.executeScript(
        "DROP INDEX idx_M_PERSON_IDCARD; CREATE INDEX idx_M_PERSON_IDCARD ON M_PERSON (IDCARD);"
        "INSERT INTO M_PERSON (IDCARD) VALUES ('11010519491231002x'), ('11010519491231002X');");
    ServerConnection server;
    server.connect(db.address());
    try {
        store::migrateToServer(source, db.address());
        FAIL() << "case twins migrated";
    } catch (const Error& e) {
        EXPECT_FALSE(e.fromEngine());
        EXPECT_TRUE(e.text().contains("公民身份号码：11010519491231002x、11010519491231002X"))
            << e.text().toStdString();
    }
    EXPECT_TRUE(store::serverDatabaseObjects(server).isEmpty());
    source.execute("DELETE FROM M_PERSON");

    // A database that holds anything.
    server.executeScript("CREATE TABLE notes (t text)");
    try {
        store::migrateToServer(source, db.address());
        FAIL() << "migrated beside another table";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains("不是空的")) << e.text().toStdString();
    }
    EXPECT_EQ(store::serverDatabaseObjects(server), QStringList{"public.notes"});

    // The export template: register tables only.
    store::Connection templ;
    templ.open(work.templateFile());
    testing_support::ServerDatabase empty;
    try {
        store::migrateToServer(templ, empty.address());
        FAIL() << "the template migrated";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains("不是完整的工作数据库")) << e.text().toStdString();
    }
    templ.close();

    // Back into a file that is there already.
    testing_support::ServerDatabase other;
    store::migrateToServer(source, other.address());
    const QByteArray before = [&] {
        QFile f(work.templateFile());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_THROW(store::migrateFromServer(other.address(), work.templateFile()), Error);
    QFile f(work.templateFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(ServerMigrationTest, AFailureOrAKilledConnectionHalfWayLeavesNothingBehind) {
    store::Connection source;
    source.open(work.database());
    fill(source);
    ServerConnection admin;
    admin.connect(db.address());

    // A date the working database takes and the server cannot: the employers
    // are copied by then, and go again with everything else.
    source.execute("UPDATE M_PERSON SET BIRTH = '0000-01-01' WHERE PSNSN = 4");
    try {
        store::migrateToServer(source, db.address());
        FAIL() << "a year 0 reached the server";
    } catch (const Error& e) {
        EXPECT_TRUE(store::errorText(e).contains("格式不符合要求")) << store::errorText(e).toStdString();
    }
    EXPECT_TRUE(store::serverDatabaseObjects(admin).isEmpty());
    source.execute("UPDATE M_PERSON SET BIRTH = NULL WHERE PSNSN = 4");

    // The server ends the migration's session while the persons go in.
    int killed = 0;
    const auto killer = [&](const QString& table, qint64, qint64) {
        if (table != "M_PERSON" || killed++) return;
        admin.execute(
            "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = ? AND pid <> "
            "pg_backend_pid()",
            {db.name()});
    };
    try {
        store::migrateToServer(source, db.address(), killer);
        FAIL() << "the migration went on without its connection";
    } catch (const Error& e) {
        EXPECT_TRUE(store::errorText(e).startsWith("与数据库服务器的连接中断"))
            << store::errorText(e).toStdString();
    }
    EXPECT_EQ(killed, 1);
    EXPECT_TRUE(store::serverDatabaseObjects(admin).isEmpty());

    // And back: the half-made file is gone.
    store::migrateToServer(source, db.address());
    killed = 0;
    const QString back = work.file("back.mdb");
    EXPECT_THROW(store::migrateFromServer(db.address(), back, killer), Error);
    EXPECT_FALSE(QFileInfo::exists(back));
    store::migrateFromServer(db.address(), back);
    EXPECT_TRUE(QFileInfo::exists(back));
}

TEST_F(ServerMigrationTest, TheCommandLineMigratesBothWaysAndSaysWhatItMoved) {
    store::Connection source;
    source.open(work.database());
    fill(source);
    source.close();
    const auto run = [](const QStringList& args, QString* out, QString* err) {
        QProcess p;
        p.start(VEYRA_TRANSFER_PROGRAM, args);
        p.waitForFinished(120000);
        *out = QString::fromLocal8Bit(p.readAllStandardOutput());
        *err = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    };
    QString out, err;
    ASSERT_EQ(run({"migrate", "--from", work.database(), "--into", db.address()}, &out, &err), 0)
        << err.toStdString();
    EXPECT_TRUE(out.contains("单位信息：4 条")) << out.toStdString();
    EXPECT_TRUE(out.contains("个人信息：5 条")) << out.toStdString();
    EXPECT_TRUE(out.contains("操作员：7 条")) << out.toStdString();

    // Again into the same database: refused, nothing changed.
    EXPECT_EQ(run({"migrate", "--from", work.database(), "--into", db.address()}, &out, &err), 1);
    EXPECT_TRUE(err.contains("服务器上没有建立任何内容")) << err.toStdString();
    EXPECT_TRUE(err.contains("不是空的")) << err.toStdString();

    const QString back = work.file("back.mdb");
    ASSERT_EQ(run({"migrate", "--from", db.address(), "--into", back}, &out, &err), 0) << err.toStdString();
    store::Connection a, b;
    a.open(work.database());
    b.open(back);
    EXPECT_EQ(everything(b), everything(a));

    // Not while a window works on the file: its later rows would stay behind.
    {
        platform::RegisterLock window;
        ASSERT_TRUE(window.acquire(work.database(), platform::RegisterLock::Kind::Window));
        testing_support::ServerDatabase other;
        EXPECT_EQ(run({"migrate", "--from", work.database(), "--into", other.address()}, &out, &err), 1);
        EXPECT_TRUE(err.contains("请先关闭它再迁移")) << err.toStdString();
        ServerConnection c;
        c.connect(other.address());
        EXPECT_TRUE(store::serverDatabaseObjects(c).isEmpty());
    }

    // Two files, or two servers, or a missing side: a wrong call.
    EXPECT_EQ(run({"migrate", "--from", work.database(), "--into", back}, &out, &err), 64);
    EXPECT_EQ(run({"migrate", "--from", db.address(), "--into", db.address()}, &out, &err), 64);
    EXPECT_EQ(run({"migrate", "--from", work.database()}, &out, &err), 64);
    // The commands of one file do not take a server yet.
    EXPECT_EQ(run({"export", "--from", db.address()}, &out, &err), 1);
}

}  // namespace
