// What the operator reads when the engine refuses: each condition produced for
// real (a second connection holding a lock, a read-only file system, a full
// one, a file size limit, a file that is no database) and the text shown.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/resource.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <functional>

#include "app/Startup.h"
#include "app/TForm_user.h"
#include "app/globals/Globals.h"
#include "exchange/MountSupport.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// The text shown for the error a statement raises.
QString shownFor(const std::function<void()>& statement) {
    try {
        statement();
    } catch (const store::Error& e) {
        return store::errorText(e);
    }
    return "(no error)";
}

struct Expected {
    const char* condition;
    QString shown;             // what the operator reads
    QStringList alsoContains;  // the engine's text after it, and so on
    QString never;             // a misleading text it must not be
};

void expectShown(const Expected& e, const QString& shown) {
    SCOPED_TRACE(e.condition);
    EXPECT_TRUE(shown.startsWith(e.shown)) << shown.toStdString();
    for (const QString& part : e.alsoContains) {
        EXPECT_TRUE(shown.contains(part)) << shown.toStdString();
    }
    if (!e.never.isEmpty()) {
        EXPECT_FALSE(shown.contains(e.never)) << shown.toStdString();
    }
    // What happened and what to do first, then (after an empty line) the file
    // and the engine's own words for support; nothing before that is English.
    const int support = shown.indexOf("\r\r");
    ASSERT_GT(support, 0) << shown.toStdString();
    EXPECT_TRUE(shown.mid(support).contains("数据库信息：")) << shown.toStdString();
    QString head = shown.left(support);
    head.remove("Veyra");
    EXPECT_FALSE(head.contains(QRegularExpression("[A-Za-z]{3,}"))) << shown.toStdString();
}

class Messages : public ::testing::Test {
  protected:
    void SetUp() override { db.open(work.database()); }
    // The operator adds an operator and saves it: a write through a window.
    QString saveAnOperator() {
        TForm_user f;
        dialogs.clear();
        f.Button_insertClick();
        f.DBEdit1->setFieldText("bob");
        f.DBEdit4->setFieldText(QString("科长").repeated(20));
        f.Button_saveClick();
        return dialogs.errors().value(0, "(no error box)");
    }
    WorkDir work;
    RecordingDialogs dialogs;
    store::Connection db;
};

TEST_F(Messages, RefusedValues) {
    db.execute("INSERT INTO M_PERSON (IDCARD, NAME) VALUES ('110105194912310011', '张三')");
    expectShown(
        {"unique ID number", "已经存在该身份证号码。", {"UNIQUE constraint failed: M_PERSON.IDCARD"}, {}},
        shownFor([&] {
            db.execute("INSERT INTO M_PERSON (IDCARD, NAME) VALUES ('110105194912310011', '李四')");
        }));
    db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000001', '甲')");
    expectShown(
        {"unique registration number",
         "已经存在该社保登记证号码。",
         {"UNIQUE constraint failed: M_CORPORATION.SSN"},
         {}},
        shownFor([&] { db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000001', '乙')"); }));
    expectShown(
        {"check: too long", "“社保登记证号码”的长度或格式不符合要求。", {"CHECK constraint failed: SSN"}, {}},
        shownFor([&] { db.execute("INSERT INTO M_CORPORATION (SSN) VALUES ('1100000000012')"); }));
    db.execute("CREATE TEMP TABLE required (NAME TEXT NOT NULL)");
    expectShown({"not null", "“名称”不能为空。", {"NOT NULL constraint failed: required.NAME"}, {}},
                shownFor([&] { db.execute("INSERT INTO required (NAME) VALUES (NULL)"); }));
}

TEST_F(Messages, AnotherProgramHoldsTheFile) {
    // Another program in the middle of a write: the window waits briefly, then says so.
    store::Connection other;
    other.open(work.database());
    other.execute("BEGIN IMMEDIATE");
    other.execute("UPDATE M_UserManager SET duty = 'x'");
    QElapsedTimer t;
    t.start();
    const QString shown = saveAnOperator();
    const qint64 waited = t.elapsed();
    expectShown({"locked",
                 "数据库文件正被另一个程序使用",
                 {"稍候再试", "database is locked", QFileInfo(work.database()).fileName()},
                 {}},
                shown);
    EXPECT_LT(waited, 8000);  // a retry of a second or two, never the old ten-second freeze
    other.execute("ROLLBACK");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM M_UserManager").toInt(), 1);

    // Locked at start: the program is told why, not that the file is foreign.
    other.execute("BEGIN EXCLUSIVE");
    ModalRecorder modal;
    EXPECT_EQ(app::run(), 1);
    ASSERT_EQ(dialogs.errors().size(), 2);
    expectShown(
        {"locked at start", "数据库文件正被另一个程序使用", {"database is locked"}, "不是Veyra数据库"},
        dialogs.errors().last());
    other.execute("ROLLBACK");
}

TEST_F(Messages, ReadOnlyFile) {
    const QString dir = work.file("ro");
    TmpfsMount disk(dir, 4 * 1024 * 1024);
    const QString path = dir + "/Enterprise.mdb";
    ASSERT_TRUE(QFile::copy(work.database(), path));
    if (disk.ok()) {
        ASSERT_TRUE(disk.remountReadOnly());
    } else {
        // Without mounting (not root) a file without write permission does it.
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (QFile(path).open(QIODevice::ReadWrite)) GTEST_SKIP() << "cannot make a read-only file here";
    }
    store::setWorkingDatabasePath(path);
    expectShown({"read-only",
                 "数据库文件是只读的，不能写入。",
                 {"写入权限", "attempt to write a readonly database", "文件：" + path},
                 {}},
                saveAnOperator());
    if (!disk.ok())
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(Messages, FullDisk) {
    const QString dir = work.file("full");
    const qint64 size = QFileInfo(work.database()).size();
    TmpfsMount disk(dir, (size + 64 * 1024 + 4095) / 4096 * 4096);
    if (!disk.ok()) GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString path = dir + "/Enterprise.mdb";
    ASSERT_TRUE(QFile::copy(work.database(), path));
    {
        // Whatever room is left, taken.
        QFile filler(dir + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    store::setWorkingDatabasePath(path);
    expectShown({"disk full", "磁盘空间已满，数据没有写入。", {"清理磁盘", "database or disk is full"}, {}},
                saveAnOperator());
    store::Connection check;
    check.open(path);
    EXPECT_EQ(check.scalar("SELECT count(*) FROM M_UserManager").toInt(), 1);
}

TEST_F(Messages, WriteErrorOfTheDisk) {
    // The system refuses to let the file grow (a file size limit): a write error, not a full disk.
    db.execute("CREATE TABLE filler (x)");
    const qint64 size = QFileInfo(work.database()).size();
    struct rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = before;
    limit.rlim_cur = rlim_t(size);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const QString shown = shownFor([&] { db.execute("INSERT INTO filler VALUES (randomblob(200000))"); });
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    expectShown({"I/O error", "读写数据库文件时发生磁盘错误。", {"disk I/O error", "从备份恢复"}, {}}, shown);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM filler").toInt(), 0);
}

TEST_F(Messages, NotADatabase) {
    const QString junk = work.file("junk.mdb");
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    store::Connection c;
    expectShown({"not a database",
                 "文件不是数据库文件，或者已经损坏。",
                 {"file is not a database", "不是Veyra数据库", "文件：" + junk},
                 {}},
                shownFor([&] { c.open(junk); }));
}

TEST_F(Messages, ErrorsOfTheProgramItselfAreShownAsTheyAre) {
    const store::Error own("请选择数据源文件");
    EXPECT_EQ(store::errorText(own), "请选择数据源文件");
    EXPECT_EQ(store::errorLine(std::runtime_error("plain")), "plain");
    // The log line of an engine error is one line.
    try {
        db.execute("INSERT INTO M_CORPORATION (SSN) VALUES ('1100000000012')");
        FAIL();
    } catch (const store::Error& e) {
        EXPECT_FALSE(store::errorLine(e).contains('\r'));
        EXPECT_TRUE(store::errorLine(e).contains("CHECK constraint failed"));
    }
}

}  // namespace
