// Faults in the middle of an import: a full disk and a killed process leave
// the working database as it was, intact.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include <QDir>
#include "ExchangeFixtures.h"
#include "MountSupport.h"
#include "exchange/SubmissionFile.h"
#include "exchange/TForm_import.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "support/TestSupport.h"

using namespace fixtures;

namespace {

class Faults : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setToday(QDate(2026, 12, 10));
        src = work.file("big.mdb");
        newSubmission(src);
        store::Connection s;
        s.open(src);
        s.beginTransaction();
        for (int i = 0; i < 3000; ++i) {
            const QString ssn = QString("11000000%1").arg(i, 4, 10, QChar('0'));
            addEmployer(s, ssn, QString("单位%1").arg(i, 4, 10, QChar('0')).repeated(10));
            addPerson(s, ssn, QString("11010119400101%1").arg(i, 4, 10, QChar('0')), "人员");
            addInstitution(s, QString("11010119400101%1").arg(i, 4, 10, QChar('0')), "00000001");
        }
        s.commit();
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "330000000001", "本地单位");
    }

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    QString src;
};

TEST_F(Faults, DiskFullDuringImportRollsBack) {
    const QString small = work.file("small");
    const qint64 size = QFileInfo(work.database()).size();
    TmpfsMount disk(small, (size + 64 * 1024 + 4095) / 4096 * 4096);
    if (!disk.ok()) GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString db = small + "/Enterprise.mdb";
    ASSERT_TRUE(QFile::copy(work.database(), db));
    store::setWorkingDatabasePath(db);
    const QStringList before = dump(db);

    TForm_import form;
    form.FormShow();
    form.Edit_fromfile->setText(src);
    form.Button1Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作过程中出现错误，取消操作"}));
    // The reason is one more line of the log, before the closing lines.
    const QStringList log = form.logLines();
    ASSERT_GE(log.size(), 3);
    EXPECT_TRUE(log[log.size() - 3].startsWith("出错原因：磁盘空间已满"))
        << log[log.size() - 3].toStdString();
    EXPECT_TRUE(log[log.size() - 3].contains("database or disk is full"));
    EXPECT_EQ(log.mid(log.size() - 2), QStringList({"操作完毕！", QString(62, '-')}));
    EXPECT_TRUE(integrityOk(db));
    EXPECT_EQ(dump(db), before);
    EXPECT_FALSE(QFileInfo::exists(db + "-journal"));
}

TEST_F(Faults, WorkingDatabaseHeldByAnotherProgramDuringImport) {
    const QStringList before = dump(work.database());
    store::Connection other;
    other.open(work.database());
    other.execute("BEGIN IMMEDIATE");
    other.execute("UPDATE M_CORPORATION SET NAME = NAME");
    TForm_import form;
    form.FormShow();
    form.Edit_fromfile->setText(src);
    form.Button1Click();
    other.execute("ROLLBACK");
    EXPECT_EQ(dialogs.texts(), QStringList({"操作过程中出现错误，取消操作"}));
    const QStringList log = form.logLines();
    ASSERT_GE(log.size(), 3);
    EXPECT_TRUE(log[log.size() - 3].startsWith("出错原因：数据库文件正被另一个程序使用"))
        << log[log.size() - 3].toStdString();
    EXPECT_TRUE(log[log.size() - 3].contains("database is locked"));
    EXPECT_EQ(dump(work.database()), before);
}

TEST_F(Faults, FullTemporaryFolderIsNotAnUnreadableFile) {
    const QString tmp = work.file("smalltmp");
    TmpfsMount disk(tmp, 64 * 1024);
    if (!disk.ok()) GTEST_SKIP() << "cannot mount a tmpfs here";
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));
    const QStringList before = dump(work.database());
    TForm_import form;
    form.FormShow();
    form.Edit_fromfile->setText(src);
    form.Button1Click();
    if (oldTmp.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
    ASSERT_EQ(dialogs.texts().size(), 1);
    const QString shown = dialogs.texts().first();
    EXPECT_FALSE(shown.contains("无法读取报盘文件")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("临时文件夹")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("磁盘的空间")) << shown.toStdString();
    EXPECT_EQ(dump(work.database()), before);
}

TEST_F(Faults, TemplateNotCopiedIsNotAMissingDatabase) {
    const QString data = work.file("smalldata");
    TmpfsMount disk(data, 16 * 1024);
    if (!disk.ok()) GTEST_SKIP() << "cannot mount a tmpfs here";
    platform::writeSetting("DataDir", data);
    TForm_import form;
    form.FormShow();
    form.Button4Click();
    ASSERT_EQ(dialogs.texts().size(), 1);
    const QString shown = dialogs.texts().first();
    EXPECT_FALSE(shown.contains("找不到数据库文件")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("导出模板")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("磁盘的空间")) << shown.toStdString();
    EXPECT_FALSE(form.Button_makeFloppy->isEnabled());
}

TEST_F(Faults, KilledImportLeavesNothingBehind) {
    const QStringList before = dump(work.database());
    QProcess helper;
    helper.start(EXCHANGE_KILL_HELPER, {work.database(), src, "2000"});
    ASSERT_TRUE(helper.waitForStarted());
    QByteArray out;
    while (!out.contains("PAUSED") && helper.waitForReadyRead(60000)) out += helper.readAllStandardOutput();
    ASSERT_TRUE(out.contains("PAUSED")) << helper.readAllStandardError().toStdString();
    // Part-way: rows of the run are in the file, the journal is live.
    EXPECT_GT(QFileInfo(work.database() + "-journal").size(), 0);
    EXPECT_NE(bytesOf(work.database() + "-journal").left(4), QByteArray(4, 0));  // synced, so hot
    const QString helperCopies = exchange::privateCopyPrefix() + QString::number(helper.processId()) + "-*";
    helper.kill();  // SIGKILL
    helper.waitForFinished();
    const QDir temp(QDir::tempPath());
    // The killed process could not clean up its private copy of the file;
    // the next start removes it, and leaves a running process's own alone.
    ASSERT_EQ(temp.entryList({helperCopies}, QDir::Dirs).size(), 1);
    const QString live = exchange::privateCopyPrefix() + "1-Abc123";
    ASSERT_TRUE(temp.mkdir(live));
    exchange::removeStalePrivateCopies();
    EXPECT_TRUE(temp.entryList({helperCopies}, QDir::Dirs).isEmpty());
    EXPECT_TRUE(temp.exists(live));
    temp.rmdir(live);

    EXPECT_TRUE(integrityOk(work.database()));
    EXPECT_EQ(dump(work.database()), before);
    EXPECT_FALSE(QFileInfo::exists(work.database() + "-journal"));

    // The next import runs to its end.
    TForm_import form;
    form.FormShow();
    form.Edit_fromfile->setText(src);
    form.Button1Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    EXPECT_EQ(dump(work.database()).size(), before.size() + 9000);
}

}  // namespace
