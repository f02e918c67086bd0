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

#include <QLocalServer>
#include <QSet>
#include <QStringDecoder>
#include "../exchange/MountSupport.h"
#include "app/Backups.h"
#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/globals/Globals.h"
#include "exchange/ExchangeCommands.h"
#include "exchange/ImportBackup.h"
#include "exchange/TForm_import.h"
#include "exchange/TransferLog.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Format.h"
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
    EXPECT_EQ(QFileInfo(path).fileName().toStdString(), "Enterprise-2026-12-10-093000-N000001-daily.mdb");
    EXPECT_EQ(registerRows(path), committed);
    EXPECT_NO_THROW(store::verifyBackup(path));
    // Later ones in the same second are numbered on, and listed as the newer.
    const QString again = store::makeBackup(work.database(), dir, BackupReason::Manual);
    EXPECT_EQ(QFileInfo(again).fileName().toStdString(), "Enterprise-2026-12-10-093000-N000002-manual.mdb");
    const QString third = store::makeBackup(work.database(), dir, BackupReason::Daily);
    EXPECT_EQ(QFileInfo(third).fileName().toStdString(), "Enterprise-2026-12-10-093000-N000003-daily.mdb");
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
    // The newest is the one made last, although the clock said an earlier day.
    const QStringList left = names(store::listBackups(dir));
    EXPECT_EQ(left.first(), QFileInfo(manual).fileName());
    EXPECT_EQ(left[1], "Enterprise-2026-12-10-101100-N000012-import.mdb");
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
    addManyEmployers(work.database(), "11", 3000, 8);
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
    EXPECT_EQ(QFileInfo(made).fileName(), "Enterprise-2026-12-10-093000-N000001-daily.mdb");
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

// ---- other programs, the clock and full disks --------------------------------

// Another program on the register (register_holder_helper), running until told to end.
class OtherProgram {
  public:
    explicit OtherProgram(const QStringList& args) {
        p.start(REGISTER_HOLDER_HELPER, args);
        if (!p.waitForStarted()) return;
        while (!out.contains("READY") && p.waitForReadyRead(20000)) out += p.readAllStandardOutput();
    }
    ~OtherProgram() {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished();
        }
    }
    bool ready() const { return out.contains("READY"); }
    // Lets it go on (a holder commits) and waits for its end.
    QString finish() {
        p.write("\n");
        p.closeWriteChannel();
        p.waitForFinished(20000);
        return QString::fromUtf8(out + p.readAllStandardOutput());
    }
    qint64 pid() const { return p.processId(); }
    QProcess p;
    QByteArray out;
};

TEST_F(Backups, ARestoreNeverReplacesTheRegisterUnderAnotherProgram) {
    addEmployer(work.database(), "110000000001", "甲单位");
    const QString backup = store::makeBackup(work.database(), dir, BackupReason::Manual);
    ModalRecorder modal;
    modal.script = [](QWidget*) { return 1; };
    app::createWindows();
    struct Case {
        const char* mode;  // use: our program in a write transaction; open: any program with the file open
    };
    for (const Case c : {Case{"use"}, Case{"open"}}) {
        SCOPED_TRACE(c.mode);
        OtherProgram other({c.mode, work.database()});
        ASSERT_TRUE(other.ready()) << other.p.readAllStandardError().toStdString();
        const QByteArray before = bytesOf(work.database());
        TForm1* main = Form1;
        app::restoreAndRestart(backup);
        // Refused in words that name the other program; nothing replaced or backed up.
        const QString said = dialogs.messages().last();
        EXPECT_TRUE(said.contains(QString("进程 %1").arg(other.pid()))) << said.toStdString();
        EXPECT_TRUE(said.contains("不能恢复") || said.contains("不能替换")) << said.toStdString();
        EXPECT_EQ(Form1, main);
        EXPECT_EQ(bytesOf(work.database()), before);
        EXPECT_EQ(store::listBackups(dir).size(), 1);
        // The other program's commit lands in the register.
        other.finish();
    }
    EXPECT_TRUE(registerRows(work.database()).join('\n').contains("另一程序的单位"));
    app::destroyWindows();
}

// Backups made at the same moment by two programs and this one: three names,
// three whole files, each with its own number.
TEST_F(Backups, BackupsMadeAtOnceByTwoProgramsAreAllKept) {
    platform::setNow(QDateTime());
    addEmployer(work.database(), "110000000001", "甲单位");
    QProcess a, b;
    a.start(REGISTER_HOLDER_HELPER, {"backup", work.database(), dir});
    b.start(REGISTER_HOLDER_HELPER, {"backup", work.database(), dir});
    const QString own = store::makeBackup(work.database(), dir, BackupReason::Daily);
    // A program that ended meanwhile counts as finished (waitForFinished says false then).
    const auto ended = [](QProcess& p) {
        return p.state() == QProcess::NotRunning || p.waitForFinished(120000);
    };
    ASSERT_TRUE(ended(a) && ended(b))
        << a.readAllStandardError().toStdString() << b.readAllStandardError().toStdString();
    ASSERT_EQ(a.exitCode() + b.exitCode(), 0)
        << a.readAllStandardError().toStdString() << b.readAllStandardError().toStdString();
    const QStringList made{own, QString::fromLocal8Bit(a.readAllStandardOutput()).trimmed(),
                           QString::fromLocal8Bit(b.readAllStandardOutput()).trimmed()};
    const auto list = store::listBackups(dir);
    ASSERT_EQ(list.size(), 3) << names(list).join(' ').toStdString();
    QSet<qint64> numbers;
    for (const store::BackupInfo& info : list) {
        EXPECT_TRUE(made.contains(info.path)) << info.path.toStdString();
        EXPECT_NO_THROW(store::verifyBackup(info.path));
        numbers.insert(info.order);
    }
    EXPECT_EQ(numbers.size(), 3);
}

// A backup is named for the moment its copy was complete, which is the
// register it holds, and numbered after every backup before it.
TEST_F(Backups, ABackupIsNamedWhenItsCopyIsComplete) {
    store::BackupJob job(work.database(), dir, BackupReason::Daily);
    while (!job.step(1)) {
    }
    platform::setNow(QDateTime(QDate(2026, 12, 10), QTime(9, 34, 5)));
    const QString path = job.finish();
    EXPECT_EQ(QFileInfo(path).fileName().toStdString(), "Enterprise-2026-12-10-093405-N000001-daily.mdb");
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
}

// The clock set back a day, or the time zone moved back an hour, after ten
// imports: every import keeps its own backup, the newest stays first, and
// the year of daily backups keeps its newest.
TEST_F(Backups, AClockSetBackNeverCostsTheBackupJustMade) {
    struct Case {
        const char* name;
        qint64 shiftSeconds;
    };
    for (const Case c : {Case{"clock back a day", -86400}, Case{"time zone back an hour", -3600}}) {
        SCOPED_TRACE(c.name);
        QDir(dir).removeRecursively();
        QDateTime t(QDate(2026, 12, 10), QTime(9, 0, 0));
        for (int i = 0; i < 10; ++i) {
            platform::setNow(t.addSecs(60 * i));
            exchange::ImportBackup b(work.database());
            b.finish();
        }
        t = t.addSecs(c.shiftSeconds);
        for (int i = 0; i < 5; ++i) {
            platform::setNow(t.addSecs(60 * i));
            exchange::ImportBackup b(work.database());
            const QString own = b.finish();
            ASSERT_TRUE(QFileInfo::exists(own)) << "import " << i;
            const auto list = store::listBackups(dir);
            EXPECT_EQ(list.first().path, own);
            EXPECT_EQ(list.size(), 10);
        }
    }
    // Daily backups over a year, then a day with the clock a day behind.
    QDir(dir).removeRecursively();
    const QString tiny = work.file("tiny.mdb");
    store::createWorkingDatabase(tiny);
    for (QDate d(2026, 1, 1); d <= QDate(2026, 12, 31); d = d.addDays(1)) {
        platform::setNow(QDateTime(d, QTime(8, 0, 0)));
        store::rotateBackups(dir, store::makeBackup(tiny, dir, BackupReason::Daily));
    }
    platform::setNow(QDateTime(QDate(2026, 12, 30), QTime(8, 0, 0)));
    const QString late = store::makeBackup(tiny, dir, BackupReason::Daily);
    store::rotateBackups(dir, late);
    const auto list = store::listBackups(dir);
    EXPECT_EQ(list.first().path, late);
    EXPECT_EQ(list[1].when.date(), QDate(2026, 12, 31));
}

// One damaged page in the working register: the restore still goes on once
// the operator agrees, keeping a byte copy of the damaged file.
TEST_F(Backups, RestoreOverADamagedRegister) {
    addEmployer(work.database(), "110000000001", "甲单位");
    const QStringList good = registerRows(work.database());
    const QString backup = store::makeBackup(work.database(), dir, BackupReason::Manual);
    addManyEmployers(work.database(), "12", 2000, 6);
    ModalRecorder modal;
    modal.script = [](QWidget*) {
        loginOK = 1;
        return 1;
    };
    app::createWindows();
    // A page in the middle of the employers' rows, overwritten.
    QByteArray bytes = bytesOf(work.database());
    const qsizetype page = 4096, at = (bytes.size() / page / 2) * page;
    for (qsizetype i = 0; i < page; ++i) bytes[at + i] = char(0x5a);
    {
        QFile f(work.database());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(bytes);
    }
    dialogs.answer(false);  // No: nothing changes
    app::restoreAndRestart(backup);
    EXPECT_TRUE(dialogs.texts().last().contains("当前数据库已损坏")) << dialogs.texts().last().toStdString();
    EXPECT_EQ(bytesOf(work.database()), bytes);
    dialogs.answer(true);
    app::restoreAndRestart(backup);
    EXPECT_EQ(dialogs.messages().last(), "数据恢复完毕，程序将在恢复的数据上重新开始");
    EXPECT_EQ(registerRows(work.database()), good);
    const auto list = store::listBackups(dir);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].reason, BackupReason::Damaged);
    EXPECT_EQ(bytesOf(list[0].path), bytes);
    app::TForm_restore restore;
    restore.FormShow();
    EXPECT_EQ(restore.Grid_backups->item(0, 2)->text(), "恢复前（已损坏）");
    app::destroyWindows();
}

// A backup directory on a full disk: every kind of backup says so, and where.
TEST_F(Backups, AFullBackupDiskIsNamed) {
    const QString small = work.file("small");
    TmpfsMount mount(small, 96 * 1024);
    if (!mount.ok()) GTEST_SKIP() << "no tmpfs here";
    addManyEmployers(work.database(), "13", 3000, 6);
    for (BackupReason r : {BackupReason::Daily, BackupReason::Import, BackupReason::Manual}) {
        try {
            store::makeBackup(work.database(), small, r);
            ADD_FAILURE() << "a backup fitted";
        } catch (const store::Error& e) {
            EXPECT_TRUE(e.text().contains("磁盘已满")) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(small)) << e.text().toStdString();
            EXPECT_FALSE(e.text().contains("not an error")) << e.text().toStdString();
        }
    }
    EXPECT_EQ(QDir(small).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// The register of the earlier format is kept as it was before it is upgraded.
TEST_F(Backups, AFormat1RegisterIsBackedUpBeforeItsUpgrade) {
    QFile::remove(work.database());
    copyFixture("format1/Enterprise.mdb", work.path(), "Enterprise.mdb");
    ASSERT_TRUE(app::prepareWorkingDatabase());
    const auto list = store::listBackups(dir);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].reason, BackupReason::Upgrade);
    store::Connection c;
    c.open(list[0].path, store::databasePassword(), store::Connection::Mode::ReadOnly);
    EXPECT_EQ(store::fileFormat(c), 1);
    EXPECT_EQ(registerRows(list[0].path),
              registerRows(copyFixture("format1/Enterprise.mdb", work.path(), "f1.mdb")));
    // All three kinds of letter-case twins were told, and written to the day's log.
    const QString told = dialogs.messages().join('\n');
    EXPECT_TRUE(told.contains("社保登记证号码")) << told.toStdString();
    EXPECT_TRUE(told.contains("公民身份号码")) << told.toStdString();
    QFile log(work.file("orvanta/离休统筹导数日志文件2026-12-10.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString logged = QStringDecoder("GB18030").decode(log.readAll());
    EXPECT_TRUE(logged.contains("AB0000000001")) << logged.toStdString();
}

// Only one window per register: a second is told which program has it.
TEST_F(Backups, ASecondWindowOnTheRegisterIsTold) {
    OtherProgram first({"window", work.database()});
    ASSERT_TRUE(first.ready());
    // The first window listens for a second one's call to come forward.
    QLocalServer server;
    QLocalServer::removeServer(app::raiseChannel(work.database()));
    ASSERT_TRUE(server.listen(app::raiseChannel(work.database())));
    dialogs.answer(true);
    EXPECT_FALSE(app::claimRegister(work.database()));
    const QString asked = dialogs.texts().last();
    EXPECT_TRUE(asked.contains(QString("进程 %1").arg(first.pid()))) << asked.toStdString();
    EXPECT_TRUE(server.waitForNewConnection(2000));
    first.finish();
    // Once it has ended, this one gets the register.
    EXPECT_TRUE(app::claimRegister(work.database()));
    app::releaseRegister();
}

// The restore list says which file an import brought in.
TEST_F(Backups, TheImportBackupNamesItsFile) {
    const QString src = localAndForeignEmployer();
    exchange::TransferLog log;
    struct Quiet : exchange::CommandObserver {
        void tableStarted(exchange::Register, int) override {}
        void rowReached(exchange::Register, int) override {}
        void tableFinished(exchange::Register, int) override {}
        void logLines(qsizetype) override {}
        void message(const QString&) override {}
        void checking(const QString&, qint64, qint64) override {}
    } quiet;
    exchange::ExchangeCommands commands(log, quiet);
    ASSERT_EQ(commands.importFile(src, work.database()), exchange::CommandResult::Committed);
    app::TForm_restore restore;
    restore.FormShow();
    ASSERT_EQ(restore.Grid_backups->rowCount(), 1);
    EXPECT_EQ(restore.Grid_backups->item(0, 2)->text(), "导入前：" + src);
}

}  // namespace
