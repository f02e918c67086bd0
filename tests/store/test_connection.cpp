#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QFile>

#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/Table.h"
#include "support/TestSupport.h"

using testing_support::WorkDir;

namespace {

QString openError(const QString& path, const QString& password = store::databasePassword()) {
    store::Connection c;
    try {
        c.open(path, password);
    } catch (const store::Error& e) {
        EXPECT_FALSE(c.isOpen());
        return e.text();
    }
    return {};
}

TEST(FileGate, RefusesEachKindOfWrongFileWithItsOwnText) {
    WorkDir w;
    // Not SQLite at all.
    const QString junk = w.file("junk.mdb");
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    // An SQLite file of some other program.
    const QString foreign = w.file("foreign.mdb");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(foreign.toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    struct Case {
        const char* what;
        QString path;
        QString password;
        QString expected;
    } cases[] = {
        {"missing", w.file("nothing.mdb"), store::databasePassword(), "找不到数据库文件"},
        {"not sqlite", junk, store::databasePassword(), "not a Veyra database"},
        {"foreign sqlite", foreign, store::databasePassword(), "not a Veyra database"},
        {"other password", w.database(), "vokmerA", "wrong database password"},
    };
    for (const Case& c : cases) {
        const QString err = openError(c.path, c.password);
        EXPECT_TRUE(err.contains(c.expected)) << c.what << ": " << err.toStdString();
    }
    EXPECT_TRUE(openError(w.database()).isEmpty());
    EXPECT_TRUE(openError(w.templateFile()).isEmpty());
}

TEST(Factory, RefusesToOverwrite) {
    WorkDir w;
    EXPECT_THROW(store::createWorkingDatabase(w.database()), store::Error);
    EXPECT_THROW(store::createWorkingDirectory(w.path()), store::Error);
    store::Connection c;
    c.open(w.database());
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_UserManager").toInt(), 1);
}

TEST(Transactions, RolledBackLeavesNothingAndErrorEndsTheTransaction) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    {
        store::Transaction t(c);
        c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {"110000000001", "甲"});
        // guard goes out of scope without commit
    }
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 0);

    // A UNIQUE violation inside a transaction must not let a later commit store the first half.
    c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {"110000000001", "甲"});
    c.beginTransaction();
    c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {"110000000002", "乙"});
    EXPECT_THROW(c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {"110000000001", "丙"}),
                 store::Error);
    EXPECT_FALSE(c.inTransaction());
    EXPECT_THROW(c.commit(), store::Error);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 1);

    // A statement that cannot even be prepared ends the transaction the same way.
    c.beginTransaction();
    c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {"110000000003", "丁"});
    EXPECT_THROW(c.execute("INSERT INTO no_such_table VALUES (1)"), store::Error);
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 1);
}

TEST(Connections, SeveralOnOneFileSeeEachOthersCommits) {
    WorkDir w;
    store::Connection a, b;
    a.open(w.database());
    b.open(w.database());
    store::Table ta(&a, "M_CORPORATION");
    ta.open();
    // b writes while a has an open table dataset: no statement of a holds a lock.
    {
        store::Transaction t(b);
        b.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {"110000000001", "甲"});
        t.commit();
    }
    EXPECT_EQ(ta.recordCount(), 0);
    ta.refresh();
    EXPECT_EQ(ta.recordCount(), 1);
    ta.edit();
    ta.setValue("NAME", "甲改");
    ta.post();
    b.close();
    b.open(w.database());
    EXPECT_EQ(b.scalar("SELECT NAME FROM M_CORPORATION").toString(), "甲改");
}

TEST(Connections, ReadOnlyFileReportsRefusedWrites) {
    WorkDir w;
    // A write-protected file opens read-only; root may write anyway, so ask for read-only too.
    QFile::setPermissions(w.database(), QFileDevice::ReadOwner | QFileDevice::ReadUser);
    store::Connection c;
    c.open(w.database(), store::databasePassword(), store::Connection::Mode::ReadOnly);
    EXPECT_TRUE(c.isReadOnly());
    store::Table t(&c, "M_UserManager");
    t.open();
    t.insert();
    t.setValue("USER_ID", "bob");
    EXPECT_THROW(t.post(), store::Error);
    EXPECT_EQ(t.state(), store::Dataset::State::Insert);
    EXPECT_THROW(c.execute("DELETE FROM M_UserManager"), store::Error);
}

TEST(Functions, MidWorksInSqlTexts) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    EXPECT_EQ(c.scalar("SELECT mid('社会保险登记', 3, 2)").toString(), "保险");
    EXPECT_EQ(c.scalar("SELECT mid('abcdef', 4)").toString(), "def");
    EXPECT_TRUE(c.scalar("SELECT mid(NULL, 1, 2)").isNull());
}

}  // namespace
