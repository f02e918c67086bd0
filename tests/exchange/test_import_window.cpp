// The import command of the data exchange window: the working database is
// never its own source, and a click while a command runs starts nothing.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include "ExchangeFixtures.h"
#include "ImportWindowTest.h"
#include "exchange/TForm_import.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "support/Desktop.h"
#include "support/TestSupport.h"

using namespace fixtures;

namespace {

class ImportSource : public ImportWindowTest<> {};

// Whatever the path names it by, the working database is refused in words
// before anything starts: no log lines, no backup, no row changed. (A copy of
// it is another file: ImportWindow.ACopyOfTheWorkingDatabaseIsAllDuplicates.)
TEST_F(ImportSource, TheWorkingDatabaseItselfIsRefused) {
    {
        store::Connection c;
        c.open(work.database());
        addEmployer(c, "110000000001", "甲单位");
    }
    QDir().mkpath(work.file("sub"));
    const QString symlink = work.file("link.mdb");
    const QString hardlink = work.file("hard.mdb");
    ASSERT_TRUE(QFile::link(work.database(), symlink));
    ASSERT_EQ(::link(QFile::encodeName(work.database()).constData(), QFile::encodeName(hardlink).constData()),
              0);
    const QStringList before = dump(work.database());
    const struct {
        const char* what;
        QString path;
    } cases[] = {
        {"the same path", work.database()},
        {"another spelling", work.path() + "/sub/../Enterprise.mdb"},
        {"a symbolic link", symlink},
        {"a hard link", hardlink},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.clear();
        form->FormShow();
        form->Edit_fromfile->setText(c.path);
        form->Button1Click();
        ASSERT_EQ(dialogs.texts().size(), 1);
        EXPECT_TRUE(
            dialogs.texts()[0].startsWith("数据来源文件“" + QDir::toNativeSeparators(c.path) + "”就是本地库"))
            << dialogs.texts()[0].toStdString();
        EXPECT_TRUE(form->logLines().isEmpty()) << form->logLines().join('|').toStdString();
        EXPECT_TRUE(store::listBackups(store::backupDirectory()).isEmpty());
        EXPECT_TRUE(form->Button1->isEnabled());
    }
    EXPECT_EQ(dump(work.database()), before);
}

// On the private desktop: the operator clicks "导入到本地库" again while the
// first import runs. The click reaches the program as any click does, from
// its X connection, and must not start a second import afterwards.
TEST(ImportClicks, OnTheDesktop) {
    if (!testing_support::onPrivateDesktop())
        GTEST_SKIP() << "runs only as the child of ImportClicks.UnderAWindowManager";
    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    const QString file = work.file("in/2026-12-01.mdb");
    newSubmission(file);
    {
        store::Connection c;
        c.open(file);
        addEmployer(c, "110000000001", "甲单位");
    }
    TForm_import form;
    form.show();
    testing_support::waitForFrame(&form);
    form.Edit_fromfile->setText(file);
    bool clicked = false;
    dialogs.onShow = [&](const testing_support::Shown&) {
        if (clicked) return;
        clicked = true;
        // Still inside the first import: the click waits in the program's queue.
        testing_support::clickOnDisplay(form.Button1);
        QThread::msleep(200);
    };
    form.Button1Click();
    QTest::qWait(1500);
    EXPECT_TRUE(clicked);
    // One import: one "操作完毕！", and no second run's duplicate lines.
    EXPECT_EQ(dialogs.texts(), QStringList{"操作完毕！"});
    EXPECT_FALSE(form.logLines().join('\n').contains("本条企业信息重复"))
        << form.logLines().join('\n').toStdString();
    EXPECT_TRUE(form.Button1->isEnabled());
    // A click once it has ended is a new import, as the operator meant.
    testing_support::clickOnDisplay(form.Button1);
    QTRY_COMPARE(dialogs.texts().size(), 2);
    EXPECT_TRUE(form.logLines().contains("本条企业信息重复，其社保登记证号码为：110000000001"));
}

TEST(ImportClicks, UnderAWindowManager) {
    if (testing_support::onPrivateDesktop()) GTEST_SKIP();
    testing_support::PrivateDesktop desktop;
    if (desktop.missingPrograms()) GTEST_SKIP() << desktop.whyNot().toStdString();
    ASSERT_TRUE(desktop.whyNot().isEmpty()) << desktop.whyNot().toStdString();
    const auto child = desktop.run("ImportClicks.OnTheDesktop");
    EXPECT_EQ(child.exitCode, 0) << child.out.toStdString();
    EXPECT_TRUE(child.out.contains("[  PASSED  ] 1 test")) << child.out.toStdString();
}

}  // namespace
