// Backups of the working database: made while windows hold connections,
// rotated over a simulated year, refused when damaged or foreign, restored
// with the program starting again on the restored register.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTest>

#include "app/Backups.h"
#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/globals/Globals.h"
#include "exchange/TForm_import.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "support/TestSupport.h"

using namespace testing_support;
using store::BackupReason;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Every row of the registers, as text, in rowid order.
QStringList registerRows(const QString& path) {
    store::Connection c;
    c.open(path, store::databasePassword(), store::Connection::Mode::ReadOnly);
    QStringList rows;
    for (const char* t : {"M_CORPORATION", "M_PERSON", "M_PSNAPPOINTEDHOSPITAL", "M_UserManager"})
        for (const QVariantList& r : c.select(QString("SELECT * FROM %1 ORDER BY rowid").arg(t))) {
            QStringList cells;
            for (const QVariant& v : r) cells.append(v.isNull() ? "NULL" : v.toString());
            rows.append(QString(t) + ":" + cells.join('|'));
        }
    return rows;
}

void addEmployer(const QString& db, const QString& ssn, const QString& name) {
    store::Connection c;
    c.open(db);
    c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {ssn, name});
}

// Runs a script on a file directly, as another program would.
void sql(const QString& path, const char* script) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    char* error = nullptr;
    if (sqlite3_exec(db, script, nullptr, nullptr, &error) != SQLITE_OK) ADD_FAILURE() << error;
    sqlite3_free(error);
    sqlite3_close(db);
}

QStringList names(const QList<store::BackupInfo>& list) {
    QStringList n;
    for (const auto& b : list) n.append(QFileInfo(b.path).fileName());
    return n;
}

class Backups : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setNow(QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0)));
        dir = store::backupDirectory();
    }
    void TearDown() override { platform::setNow(QDateTime()); }
    // One employer in the working register and a submission file of another;
    // returns the file.
    QString localAndForeignEmployer() {
        addEmployer(work.database(), "110000000001", "本地单位");
        const QString src = work.file("source.mdb");
        store::createTemplateDatabase(src);
        addEmployer(src, "220000000001", "外地单位");
        return src;
    }
    WorkDir work;
    RecordingDialogs dialogs;
    QString dir;
};

TEST_F(Backups, DefaultDirectoryNamesAndAVerifiedCopyMadeWhileAConnectionWrites) {
    EXPECT_EQ(dir, work.file("orvanta/备份"));
    addEmployer(work.database(), "110000000001", "甲单位");
    // A connection in the middle of a write transaction: the backup holds
    // the committed register only.
    store::Connection writer;
    writer.open(work.database());
    const QStringList committed = registerRows(work.database());
    writer.beginTransaction();
    writer.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000002', '未提交')");
    const QString path = store::makeBackup(work.database(), dir, BackupReason::Daily);
    writer.rollback();
    EXPECT_EQ(QFileInfo(path).fileName().toStdString(), "Enterprise-2026-12-10-093000-daily.mdb");
    EXPECT_EQ(registerRows(path), committed);
    EXPECT_NO_THROW(store::verifyBackup(path));
    // Later ones in the same second are numbered and listed as the newer.
    const QString again = store::makeBackup(work.database(), dir, BackupReason::Manual);
    EXPECT_EQ(QFileInfo(again).fileName().toStdString(), "Enterprise-2026-12-10-093000-2-manual.mdb");
    const QString third = store::makeBackup(work.database(), dir, BackupReason::Daily);
    EXPECT_EQ(QFileInfo(third).fileName().toStdString(), "Enterprise-2026-12-10-093000-3-daily.mdb");
    const auto list = store::listBackups(dir, true);
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].path, third);
    EXPECT_EQ(list[1].path, again);
    EXPECT_EQ(list[0].employers, 1);
    EXPECT_EQ(list[0].persons, 0);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 3);  // nothing half-made beside them
    // BackupDir in the settings moves them.
    platform::writeSetting("BackupDir", work.file("elsewhere"));
    EXPECT_EQ(store::backupDirectory(), work.file("elsewhere"));
}

TEST_F(Backups, RotationOverAYearKeepsDaysWeeksMonthsAndImports) {
    // A small file keeps a year of daily backups quick.
    const QString source = work.templateFile();
    const QString tiny = work.file("tiny.mdb");
    store::createWorkingDatabase(tiny);
    const QDate first(2026, 1, 1);
    for (QDate d = first; d <= QDate(2026, 12, 31); d = d.addDays(1)) {
        platform::setNow(QDateTime(d, QTime(8, 0, 0)));
        store::makeBackup(tiny, dir, BackupReason::Daily);
        if (d.day() % 3 == 0) {  // imports on some days, two on the 15th
            platform::setNow(QDateTime(d, QTime(14, 0, 0)));
            store::makeBackup(tiny, dir, BackupReason::Import);
            if (d.day() == 15) {
                platform::setNow(QDateTime(d, QTime(15, 0, 0)));
                store::makeBackup(tiny, dir, BackupReason::Import);
            }
        }
        store::rotateBackups(dir);
    }
    (void)source;
    QStringList daily, imports;
    for (const auto& b : store::listBackups(dir)) {
        const QString day = b.when.date().toString("yyyy-MM-dd");
        (b.reason == BackupReason::Daily ? daily : imports).append(day);
    }
    // 7 last days; the newest of each of the last 4 ISO weeks (weeks 53, 52,
    // 51, 50 end on 31, 27, 20, 13 December); the newest of each of 12 months.
    EXPECT_EQ(daily, QStringList({"2026-12-31", "2026-12-30", "2026-12-29", "2026-12-28", "2026-12-27",
                                  "2026-12-26", "2026-12-25", "2026-12-20", "2026-12-13", "2026-11-30",
                                  "2026-10-31", "2026-09-30", "2026-08-31", "2026-07-31", "2026-06-30",
                                  "2026-05-31", "2026-04-30", "2026-03-31", "2026-02-28", "2026-01-31"}));
    EXPECT_EQ(imports.size(), 10);
    EXPECT_EQ(imports.first().toStdString(), "2026-12-30");
    EXPECT_EQ(imports.last().toStdString(), "2026-12-06");
}

TEST_F(Backups, TheNewestIsNeverRemovedAndOtherKindsStay) {
    for (int i = 0; i < 12; ++i) {
        platform::setNow(QDateTime(QDate(2026, 12, 10), QTime(10, i, 0)));
        store::makeBackup(work.database(), dir, BackupReason::Import);
    }
    platform::setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0)));
    const QString manual = store::makeBackup(work.database(), dir, BackupReason::Manual);
    const QStringList removed = store::rotateBackups(dir);
    EXPECT_EQ(removed.size(), 2);
    const QStringList left = names(store::listBackups(dir));
    EXPECT_EQ(left.first(), "Enterprise-2026-12-10-101100-import.mdb");
    EXPECT_TRUE(left.contains(QFileInfo(manual).fileName()));
}

// Files that cannot serve as the working database: each refused with its
// own reason.
TEST_F(Backups, DamagedOrForeignBackupsAreRefused) {
    const QString good = store::makeBackup(work.database(), dir, BackupReason::Manual);
    struct Case {
        const char* name;
        std::function<void(const QString&)> spoil;
        const char* message;
    } cases[] = {
        {"text file",
         [](const QString& p) {
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray(5000, 'x'));
         },
         "不是数据库文件"},
        {"foreign database",
         [](const QString& p) {
             QFile::remove(p);
             sqlite3* db = nullptr;
             sqlite3_open(QFile::encodeName(p).constData(), &db);
             sqlite3_exec(db, "CREATE TABLE t (a);", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         "不是本系统的数据库文件"},
        {"other password",
         [](const QString& p) {
             sqlite3* db = nullptr;
             sqlite3_open(QFile::encodeName(p).constData(), &db);
             sqlite3_exec(db, "UPDATE veyra_meta SET value = 'ab' WHERE key = 'password_verifier';", nullptr,
                          nullptr, nullptr);
             sqlite3_close(db);
         },
         "数据库密码不符"},
        {"newer format",
         [](const QString& p) {
             sqlite3* db = nullptr;
             sqlite3_open(QFile::encodeName(p).constData(), &db);
             sqlite3_exec(db, "UPDATE veyra_meta SET value = '99' WHERE key = 'format';", nullptr, nullptr,
                          nullptr);
             sqlite3_close(db);
         },
         "较新版本"},
        {"damaged pages",
         [](const QString& p) {
             // Every b-tree page's header after the first page.
             QByteArray b = bytesOf(p);
             const int pageSize = (uchar(b[16]) << 8) | uchar(b[17]);
             for (int page = 1; (page + 1) * pageSize <= b.size(); ++page)
                 for (int i = 0; i < 8; ++i) b[page * pageSize + i] = char(0xA5);
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             f.write(b);
         },
         "已损坏"},
        {"cut short",
         [](const QString& p) {
             QFile f(p);
             f.open(QIODevice::ReadWrite);
             f.resize(f.size() / 2);
         },
         "已损坏"},
        {"a generated column",
         [](const QString& p) {
             sql(p,
                 "ALTER TABLE M_CORPORATION ADD COLUMN slow TEXT GENERATED ALWAYS AS (printf('%.*c', 999999, "
                 "'x'))");
         },
         "生成列"},
        {"an expression index",
         [](const QString& p) { sql(p, "CREATE INDEX slow ON M_PERSON (instr(NAME, 'x'))"); }, "表达式索引"},
        {"a partial index",
         [](const QString& p) { sql(p, "CREATE INDEX part ON M_PERSON (NAME) WHERE NAME > ''"); },
         "带条件的索引"},
        {"a view of its own",
         [](const QString& p) {
             sql(p,
                 "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = 'CREATE VIEW person_print AS "
                 "SELECT "
                 "1' WHERE name = 'person_print'");
         },
         "视图"},
        {"a table of its own", [](const QString& p) { sql(p, "CREATE TABLE extra (a)"); }, "本系统没有的表"},
        {"a virtual table", [](const QString& p) { sql(p, "CREATE VIRTUAL TABLE v USING fts4(a)"); },
         "虚拟表"},
        {"a trigger of its own",
         [](const QString& p) {
             sqlite3* db = nullptr;
             sqlite3_open(QFile::encodeName(p).constData(), &db);
             sqlite3_exec(db,
                          "CREATE TRIGGER t AFTER INSERT ON M_PERSON BEGIN DELETE FROM M_CORPORATION; END;",
                          nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         "触发器"},
        {"a submission file",
         [](const QString& p) {
             QFile::remove(p);
             store::createTemplateDatabase(p);
         },
         "不是完整的工作数据库"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = work.file(QString("bad-%1.mdb").arg(c.name));
        QFile::copy(good, path);
        c.spoil(path);
        try {
            store::verifyBackup(path);
            ADD_FAILURE() << "accepted";
        } catch (const store::Error& e) {
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.message))) << e.text().toStdString();
        }
    }
}

// A working database made by the earlier release serves as a backup (it is
// brought to the current format when restored).
TEST_F(Backups, AWorkingDatabaseOfTheEarlierFormatIsAccepted) {
    const QString old = copyFixture("format1/Enterprise.mdb", work.path(), "old.mdb");
    EXPECT_NO_THROW(store::verifyBackup(old));
}

// A backup process killed part-way leaves the working database as it was,
// no backup under a final name, and its half-made file goes at the next rotation.
TEST_F(Backups, KilledBackupLeavesTheWorkingDatabaseUnchanged) {
    {
        store::Connection c;
        c.open(work.database());
        c.beginTransaction();
        for (int i = 0; i < 3000; ++i)
            c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)",
                      {QString("11%1").arg(i, 10, 10, QChar('0')), QString("单位%1").arg(i).repeated(8)});
        c.commit();
    }
    const QByteArray before = bytesOf(work.database());
    QProcess helper;
    helper.start(BACKUP_KILL_HELPER, {work.database(), dir});
    ASSERT_TRUE(helper.waitForStarted());
    QByteArray out;
    while (!out.contains("PAUSED") && helper.waitForReadyRead(60000)) out += helper.readAllStandardOutput();
    ASSERT_TRUE(out.contains("PAUSED")) << helper.readAllStandardError().toStdString();
    helper.kill();
    helper.waitForFinished();
    EXPECT_EQ(bytesOf(work.database()), before);
    EXPECT_TRUE(store::listBackups(dir).isEmpty());
    EXPECT_EQ(QDir(dir).entryList({".*.part"}, QDir::Files | QDir::Hidden).size(), 1);
    store::makeBackup(work.database(), dir, BackupReason::Daily);
    store::rotateBackups(dir);
    EXPECT_TRUE(QDir(dir).entryList({".*.part"}, QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(store::listBackups(dir).size(), 1);
}

// The day's backup runs from the event loop: starting it returns at once.
TEST_F(Backups, DailyBackupRunsInStepsOncePerDay) {
    app::DailyBackup daily;
    daily.setPagesPerStep(1);
    EXPECT_TRUE(app::DailyBackup::due(dir));
    QString made;
    QObject::connect(&daily, &app::DailyBackup::finished, [&made](const QString& p) { made = p; });
    daily.start(work.database(), dir);
    EXPECT_TRUE(daily.running());
    EXPECT_TRUE(store::listBackups(dir).isEmpty());
    for (int i = 0; i < 2000 && daily.running(); ++i) QTest::qWait(1);
    ASSERT_FALSE(daily.running());
    EXPECT_EQ(QFileInfo(made).fileName(), "Enterprise-2026-12-10-093000-daily.mdb");
    EXPECT_FALSE(app::DailyBackup::due(dir));
    daily.start(work.database(), dir);  // not twice a day
    EXPECT_FALSE(daily.running());
    platform::setNow(QDateTime(QDate(2026, 12, 11), QTime(8, 0, 0)));
    EXPECT_TRUE(app::DailyBackup::due(dir));
    // Stopped part-way (a restore, the end of the program): nothing is left.
    daily.start(work.database(), dir);
    QCoreApplication::processEvents();
    daily.stop();
    EXPECT_FALSE(daily.running());
    EXPECT_EQ(store::listBackups(dir).size(), 1);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// A check given up (the program ends while it runs) leaves no file behind.
TEST_F(Backups, CancelledCheckLeavesNothing) {
    store::BackupJob job(work.database(), dir, BackupReason::Daily);
    while (!job.step(64)) {
    }
    job.cancel();
    EXPECT_THROW(job.finish(), store::Error);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(Backups, ImportStartsOnlyAfterItsBackupHoldsTheRegisterAsBefore) {
    const QString src = localAndForeignEmployer();
    const QStringList before = registerRows(work.database());
    TForm_import form;
    form.FormShow();
    form.Edit_fromfile->setText(src);
    form.Button1Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    const auto list = store::listBackups(dir);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].reason, BackupReason::Import);
    EXPECT_EQ(registerRows(list[0].path), before);
    EXPECT_NE(registerRows(work.database()), before);

    // No backup, no import.
    platform::writeSetting("BackupDir", work.file("plain/backups"));
    QFile plain(work.file("plain"));
    plain.open(QIODevice::WriteOnly);
    plain.close();
    const QStringList imported = registerRows(work.database());
    dialogs.clear();
    form.Button1Click();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().startsWith("导入前的数据备份未能完成，没有导入"))
        << dialogs.texts().first().toStdString();
    EXPECT_EQ(registerRows(work.database()), imported);
}

// An import while the day's backup is under way waits only for its own
// backup; the daily one ends as a whole register, before or after the import.
TEST_F(Backups, ImportWhileTheDailyBackupRuns) {
    const QString src = localAndForeignEmployer();
    const QStringList before = registerRows(work.database());
    app::DailyBackup daily;
    daily.setPagesPerStep(1);
    QString made;
    QObject::connect(&daily, &app::DailyBackup::finished, [&made](const QString& p) { made = p; });
    daily.start(work.database(), dir);
    ASSERT_TRUE(daily.running());

    TForm_import form;
    form.FormShow();
    form.Edit_fromfile->setText(src);
    form.Button1Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    const QStringList after = registerRows(work.database());
    EXPECT_NE(after, before);
    QStringList imports;
    for (const store::BackupInfo& b : store::listBackups(dir))
        if (b.reason == BackupReason::Import) imports.append(b.path);
    ASSERT_EQ(imports.size(), 1);
    EXPECT_EQ(registerRows(imports.first()), before);

    for (int i = 0; i < 5000 && daily.running(); ++i) QTest::qWait(1);
    ASSERT_FALSE(daily.running());
    ASSERT_FALSE(made.isEmpty());
    EXPECT_NO_THROW(store::verifyBackup(made));
    const QStringList dailyRows = registerRows(made);
    EXPECT_TRUE(dailyRows == before || dailyRows == after);
}

// The backup is copied while the file is checked; a file refused early (not
// a database) or late (rows changed since the export) leaves no backup and
// no part of one.
TEST_F(Backups, ARefusedFileLeavesNoBackup) {
    addEmployer(work.database(), "110000000001", "本地单位");
    const QString notDb = work.file("not.mdb");
    QFile f(notDb);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8192, 'x'));
    f.close();
    const QString changed = work.file("changed.mdb");
    store::createTemplateDatabase(changed);
    addEmployer(changed, "220000000001", "外地单位");
    sql(changed, "INSERT OR REPLACE INTO veyra_meta (key, value) VALUES ('rows_checksum', '00')");
    TForm_import form;
    for (const QString& src : {notDb, changed}) {
        form.FormShow();
        form.Edit_fromfile->setText(src);
        dialogs.clear();
        form.Button1Click();
        ASSERT_EQ(dialogs.texts().size(), 1) << src.toStdString();
        EXPECT_NE(dialogs.texts().first(), "操作完毕！");
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList()) << src.toStdString();
    }
}

TEST_F(Backups, BackupNowIntoTheBackupDirectoryOrAChosenFolder) {
    dialogs.answer(true);
    app::backupNow(nullptr);
    ASSERT_EQ(store::listBackups(dir).size(), 1);
    EXPECT_TRUE(dialogs.messages().last().startsWith("数据备份完毕："))
        << dialogs.messages().last().toStdString();
    const QString stick = work.file("usb");
    QDir().mkpath(stick);
    dialogs.answer(false);
    dialogs.answerDirectory(stick);
    app::backupNow(nullptr);
    EXPECT_EQ(store::listBackups(stick).size(), 1);
    EXPECT_EQ(store::listBackups(stick).first().reason, BackupReason::Manual);
}

// Change, restore, the register as before, and the windows running on it.
TEST_F(Backups, RestoreRoundTrip) {
    addEmployer(work.database(), "110000000001", "甲单位");
    const QStringList before = registerRows(work.database());
    const QString backup = store::makeBackup(work.database(), dir, BackupReason::Manual);
    ModalRecorder modal;
    modal.script = [](QWidget*) {
        loginOK = 1;
        return 1;
    };
    app::createWindows();
    addEmployer(work.database(), "110000000002", "乙单位");  // a change after the backup
    const QStringList changed = registerRows(work.database());
    platform::setNow(QDateTime(QDate(2026, 12, 10), QTime(11, 0, 0)));

    app::TForm_restore restore;
    restore.FormShow();
    ASSERT_EQ(restore.Grid_backups->rowCount(), 1);
    EXPECT_EQ(restore.Grid_backups->item(0, 0)->text(), "2026-12-10");
    EXPECT_EQ(restore.Grid_backups->item(0, 1)->text(), "09:30:00");
    EXPECT_EQ(restore.Grid_backups->item(0, 2)->text(), "手动");
    EXPECT_EQ(restore.Grid_backups->item(0, 3)->text(), "1");
    EXPECT_EQ(restore.Grid_backups->item(0, 4)->text(), "0");
    dialogs.answer(false);  // No: nothing happens
    restore.Button_restoreClick();
    EXPECT_TRUE(restore.chosenPath.isEmpty());
    dialogs.answer(true);
    restore.Button_restoreClick();
    EXPECT_EQ(restore.chosenPath, backup);

    TForm1* oldMain = Form1;
    (void)oldMain;
    app::restoreAndRestart(restore.chosenPath);
    EXPECT_EQ(dialogs.messages().last(), "数据恢复完毕，程序将在恢复的数据上重新开始");
    EXPECT_EQ(registerRows(work.database()), before);
    ASSERT_NE(Form1, nullptr);
    // The current register was backed up first.
    const auto list = store::listBackups(dir, true);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].reason, BackupReason::Restore);
    EXPECT_EQ(registerRows(list[0].path), changed);
    // The new windows work on the restored file.
    EXPECT_EQ(Form_import->Edit_tofile->text(), work.database());
    EXPECT_GT(store::openConnectionCount(work.database()), 0);
    QTest::qWait(50);  // the login of the new main window
    EXPECT_EQ(loginOK, 1);
    app::destroyWindows();
    EXPECT_EQ(store::openConnectionCount(work.database()), 0);
    EXPECT_EQ(QDir(work.path()).entryList({".*.restore", "*-journal"}, QDir::Files | QDir::Hidden),
              QStringList());
}

// The same through 系统 › 数据恢复: the dialog returns, then the program
// starts again on the chosen backup with a new login.
TEST_F(Backups, RestoreFromTheMenu) {
    addEmployer(work.database(), "110000000001", "甲单位");
    const QStringList before = registerRows(work.database());
    store::makeBackup(work.database(), dir, BackupReason::Manual);
    addEmployer(work.database(), "110000000002", "乙单位");
    int logins = 0;
    ModalRecorder modal;
    modal.script = [&logins](QWidget* w) {
        if (auto* r = qobject_cast<app::TForm_restore*>(w)) {
            r->Button_restoreClick();
            return r->result();
        }
        ++logins;
        loginOK = 1;
        return 1;
    };
    app::createWindows();
    Form1->FormShow();
    ASSERT_EQ(logins, 1);
    dialogs.answer(true);
    Form1->N24Click();
    for (int i = 0; i < 100 && logins < 2; ++i) QTest::qWait(10);
    EXPECT_EQ(logins, 2);
    EXPECT_EQ(dialogs.messages().last(), "数据恢复完毕，程序将在恢复的数据上重新开始");
    EXPECT_EQ(registerRows(work.database()), before);
    app::destroyWindows();
}

// The restored file is written beside the working one and renamed over it,
// never while a connection is open on it.
TEST_F(Backups, ReplacingTheWorkingFileNeedsItClosedAndRenamesAWholeCopy) {
    const QString backup = store::makeBackup(work.database(), dir, BackupReason::Manual);
    addEmployer(work.database(), "110000000002", "乙单位");
    const QByteArray changed = bytesOf(work.database());
    {
        store::Connection open;
        open.open(work.database());
        try {
            store::replaceDatabaseFile(backup, work.database());
            ADD_FAILURE() << "replaced under an open connection";
        } catch (const store::Error& e) {
            EXPECT_TRUE(e.text().contains("仍在使用中")) << e.text().toStdString();
        }
        EXPECT_EQ(bytesOf(work.database()), changed);
    }
    const auto inode = [](const QString& p) {
        struct stat st {};
        ::stat(QFile::encodeName(p).constData(), &st);
        return st.st_ino;
    };
    const auto before = inode(work.database());
    store::replaceDatabaseFile(backup, work.database());
    EXPECT_EQ(bytesOf(work.database()), bytesOf(backup));
    EXPECT_NE(inode(work.database()), before);  // a new file, not the old one overwritten
    EXPECT_EQ(QDir(work.path()).entryList({".*.restore"}, QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(Backups, RefusedRestoreChangesNothing) {
    addEmployer(work.database(), "110000000001", "甲单位");
    const QByteArray before = bytesOf(work.database());
    const QString bad = work.file("bad.mdb");
    store::createTemplateDatabase(bad);
    ModalRecorder modal;
    app::TForm_restore restore;
    restore.FormShow();
    dialogs.answerFile(bad);
    restore.Button_otherClick();
    EXPECT_TRUE(restore.chosenPath.isEmpty());
    EXPECT_TRUE(dialogs.messages().last().contains("不是完整的工作数据库"))
        << dialogs.messages().last().toStdString();
    EXPECT_EQ(bytesOf(work.database()), before);
    EXPECT_TRUE(store::listBackups(dir).isEmpty());

    // Handed to the restore itself (changed after it was chosen): refused
    // before anything is backed up, closed or replaced.
    const QString cut = work.file("cut.mdb");
    QFile::copy(store::makeBackup(work.database(), work.file("elsewhere"), BackupReason::Manual), cut);
    QFile(cut).resize(QFileInfo(cut).size() / 2);
    app::createWindows();
    TForm1* main = Form1;
    app::restoreAndRestart(cut);
    EXPECT_TRUE(dialogs.messages().last().startsWith("数据恢复未能进行，数据没有改变："))
        << dialogs.messages().last().toStdString();
    EXPECT_TRUE(dialogs.messages().last().contains("已损坏")) << dialogs.messages().last().toStdString();
    EXPECT_EQ(Form1, main);  // the windows stayed
    EXPECT_EQ(bytesOf(work.database()), before);
    EXPECT_TRUE(store::listBackups(dir).isEmpty());
    app::destroyWindows();
}

}  // namespace
