// Faults in the middle of an import: a full disk and a killed process leave
// the working database as it was, intact.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>

#include <QDir>
#include "ExchangeFixtures.h"
#include "MountSupport.h"
#include "exchange/SubmissionFile.h"
#include "exchange/TForm_import.h"
#include "platform/Clock.h"
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
    EXPECT_TRUE(integrityOk(db));
    EXPECT_EQ(dump(db), before);
    EXPECT_FALSE(QFileInfo::exists(db + "-journal"));
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
