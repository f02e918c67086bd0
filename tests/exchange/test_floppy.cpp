// Export followed by the floppy copy: named after the day of copying, never
// a partial or unchecked file under the final name.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include "ExchangeFixtures.h"
#include "MountSupport.h"
#include "exchange/FloppyCopy.h"
#include "exchange/TForm_import.h"
#include "platform/Clock.h"
#include "platform/Mounts.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "support/TestSupport.h"

using namespace fixtures;

namespace {

class Floppy : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setToday(QDate(2026, 12, 10));
        {
            store::Connection w;
            w.open(work.database());
            for (int i = 0; i < 300; ++i) {
                const QString ssn = QString("110000000%1").arg(i, 3, 10, QChar('0'));
                addEmployer(w, ssn, QString("单位%1").arg(i).repeated(5));
                addPerson(w, ssn, QString("110101194001010%1").arg(i, 3, 10, QChar('0')), "人");
            }
        }
        form = std::make_unique<TForm_import>();
        form->FormShow();
    }
    void TearDown() override {
        exchange::setChunkWriter({});
        platform::setFstabPath({});
        platform::setMountInfoPath({});
        form.reset();
    }
    void exportNow() {
        form->Button4Click();
        ASSERT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
        dialogs.clear();
    }
    QString floppy(const QString& name = "2026-12-10.mdb") const { return work.file("floppy/" + name); }
    void expectNothingLeftIn(const QString& dir) {
        EXPECT_TRUE(QDir(dir).entryList(QDir::Files | QDir::Hidden).isEmpty()) << dir.toStdString();
    }
    void copyFails() {
        form->Button_makeFloppyClick();
        EXPECT_EQ(dialogs.texts(), QStringList({"软盘文件未生成，请检查软盘是否有足够空间"}));
    }

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    std::unique_ptr<TForm_import> form;
};

TEST_F(Floppy, CopyIsCheckedAndComplete) {
    QDir().mkpath(work.file("floppy"));
    writeBytes(floppy(), "an older file of the same name");
    exportNow();
    EXPECT_TRUE(form->Button_makeFloppy->isEnabled());
    form->Button_makeFloppyClick();
    EXPECT_EQ(dialogs.texts(), QStringList({"软盘文件生成完毕！"}));
    EXPECT_EQ(bytesOf(floppy()), bytesOf(exportFilePath));
    EXPECT_EQ(QDir(work.file("floppy")).entryList(QDir::Files | QDir::Hidden),
              QStringList({"2026-12-10.mdb"}));
    form->Button_makeFloppyClick();  // can be repeated
    EXPECT_EQ(dialogs.texts().last(), "软盘文件生成完毕！");
}

TEST_F(Floppy, AfterMidnightTheCopyCarriesTheNewDate) {
    QDir().mkpath(work.file("floppy"));
    exportNow();
    platform::setToday(QDate(2026, 12, 11));
    form->Button_makeFloppyClick();
    EXPECT_EQ(dialogs.texts(), QStringList({"软盘文件生成完毕！"}));
    EXPECT_TRUE(exportFilePath.endsWith("/2026-12-10.mdb"));
    EXPECT_EQ(bytesOf(floppy("2026-12-11.mdb")), bytesOf(exportFilePath));
    EXPECT_FALSE(QFileInfo::exists(floppy()));
}

TEST_F(Floppy, ShowingAgainDisablesTheButton) {
    exportNow();
    form->FormShow();
    EXPECT_FALSE(form->Button_makeFloppy->isEnabled());
}

TEST_F(Floppy, MissingDirectoryFails) {
    exportNow();
    writeBytes(work.file("plain"), "x");
    platform::writeSetting("FloppyDir", work.file("plain/floppy"));  // no directory can be there
    copyFails();
    EXPECT_TRUE(QFileInfo(work.file("plain")).isFile());
}

TEST_F(Floppy, RefusedWriteLeavesNoFile) {
    QDir().mkpath(work.file("floppy"));
    exportNow();
    exchange::setChunkWriter([](QFile&, const char*, qint64) { return false; });
    copyFails();
    expectNothingLeftIn(work.file("floppy"));
}

TEST_F(Floppy, WriteProtectedMediumFails) {
    exportNow();
    TmpfsMount medium(work.file("floppy"), 1 << 20, true);
    if (!medium.ok()) GTEST_SKIP() << "cannot mount a tmpfs here";
    copyFails();
    expectNothingLeftIn(work.file("floppy"));
}

TEST_F(Floppy, FullMediumFailsAndLeavesNoFile) {
    exportNow();
    TmpfsMount medium(work.file("floppy"), 16 * 1024);
    if (!medium.ok()) GTEST_SKIP() << "cannot mount a tmpfs here";
    ASSERT_GT(QFileInfo(exportFilePath).size(), 64 * 1024);
    copyFails();
    expectNothingLeftIn(work.file("floppy"));
}

TEST_F(Floppy, OldCopyOfTheDayMakesRoomOnASmallMedium) {
    exportNow();
    const qint64 size = QFileInfo(exportFilePath).size();
    TmpfsMount medium(work.file("floppy"), (size * 3 / 2 + 4095) / 4096 * 4096);
    if (!medium.ok()) GTEST_SKIP() << "cannot mount a tmpfs here";
    writeBytes(floppy(), QByteArray(int(size), 'o'));
    form->Button_makeFloppyClick();
    EXPECT_EQ(dialogs.texts(), QStringList({"软盘文件生成完毕！"}));
    EXPECT_EQ(bytesOf(floppy()), bytesOf(exportFilePath));
}

// A rolled-back export leaves no file under the day's name (an empty file
// there would pass for the day's submission): the floppy copy says so, and an
// earlier export of the day stays as it was.
TEST_F(Floppy, AfterARolledBackExportNothingIsCopied) {
    {
        store::Connection w;
        w.open(work.database());
        addPerson(w, "999999999999", "110101194001019999", "无单位");
    }
    QDir().mkpath(work.file("floppy"));
    form->Button4Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作过程中出现错误，取消操作"}));
    EXPECT_TRUE(form->Button_makeFloppy->isEnabled());
    EXPECT_FALSE(QFileInfo::exists(exportFilePath));
    EXPECT_TRUE(QDir(QFileInfo(exportFilePath).absolutePath())
                    .entryList({"*.mdb*"}, QDir::Files | QDir::Hidden)
                    .isEmpty());
    dialogs.clear();
    form->Button_makeFloppyClick();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().contains("导出没有完成")) << dialogs.texts().first().toStdString();
    EXPECT_FALSE(QFileInfo::exists(floppy()));
}

// A mount point in the file system table with nothing mounted on it is a
// plain local directory: the copy must not land there.
TEST_F(Floppy, ListedMountPointWithNothingMountedFails) {
    const QString dir = work.file("floppy");
    QDir().mkpath(dir);
    exportNow();
    QString escaped = dir;
    escaped.replace(" ", "\\040");
    writeBytes(work.file("fstab"), ("# comment\nUUID=1234 / ext4 defaults 0 1\n/dev/fd0 " + escaped +
                                    " auto noauto,user 0 0\nnone none swap sw 0 0\n")
                                       .toUtf8());
    const QByteArray rootLine = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
    writeBytes(work.file("mountinfo"), rootLine);
    platform::setFstabPath(work.file("fstab"));
    platform::setMountInfoPath(work.file("mountinfo"));
    copyFails();
    expectNothingLeftIn(dir);

    // Also for a folder on that medium, and not once the medium is mounted.
    platform::writeSetting("FloppyDir", dir + "/sub");
    QDir().mkpath(dir + "/sub");
    dialogs.clear();
    copyFails();
    expectNothingLeftIn(dir + "/sub");
    platform::writeSetting("FloppyDir", dir);
    writeBytes(work.file("mountinfo"),
               rootLine + "40 22 2:0 / " + QFile::encodeName(escaped) + " rw - vfat /dev/fd0 rw\n");
    dialogs.clear();
    form->Button_makeFloppyClick();
    EXPECT_EQ(dialogs.texts(), QStringList({"软盘文件生成完毕！"}));
}

// The real tables: a directory listed nowhere copies as before, and a tmpfs
// mounted on a listed point counts as mounted.
TEST_F(Floppy, RealMountTableSeesAMountedMedium) {
    const QString dir = work.file("floppy");
    exportNow();
    writeBytes(work.file("fstab"), ("tmpfs " + dir + " tmpfs defaults 0 0\n").toUtf8());
    platform::setFstabPath(work.file("fstab"));
    TmpfsMount medium(dir, 1 << 20);
    if (!medium.ok()) GTEST_SKIP() << "cannot mount a tmpfs here";
    form->Button_makeFloppyClick();
    EXPECT_EQ(dialogs.texts(), QStringList({"软盘文件生成完毕！"}));
}

TEST_F(Floppy, DamagedExportFileIsNotCopied) {
    QDir().mkpath(work.file("floppy"));
    exportNow();
    writeBytes(exportFilePath, bytesOf(exportFilePath).left(4096 * 3));
    copyFails();
    expectNothingLeftIn(work.file("floppy"));
}

}  // namespace
