#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/TForm_login.h"
#include "app/TForm_user.h"
#include "app/globals/Globals.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Format.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// The format is written into the settings file, which every use reads: it
// holds at once, so the program goes on instead of asking for a restart.
TEST(DateCheck, OnlyTheLengthOfTodaysDateCountsAndANewFormatHoldsAtOnce) {
    struct Case {
        const char* format;  // nullptr: the user has none
        bool replaced;
    } cases[] = {
        {"yyyy-MM-dd", false},  // 2004-05-06
        {"dd/MM/yyyy", false},  // 06/05/2004: another order and separator pass
        {"yyyy/MM/dd", false}, {"dd.MM.yyyy", false}, {"yyyy-M-d", true},  // 2004-5-6
        {"yy-MM-dd", true},    {nullptr, false},  // written silently, as an installer would
    };
    for (const Case& c : cases) {
        WorkDir w;
        platform::setToday(QDate(2004, 5, 6));
        if (c.format)
            platform::setShortDateFormat(c.format);
        else
            QFile::remove(platform::settingsFilePath());
        RecordingDialogs d;
        TForm1 f;
        EXPECT_FALSE(f.endRequested()) << c.format;
        EXPECT_EQ(platform::readSetting("sShortDate"), c.replaced || !c.format ? "yyyy-MM-dd" : c.format);
        EXPECT_EQ(platform::todayText(), c.replaced || !c.format
                                             ? "2004-05-06"
                                             : QDate(2004, 5, 6).toString(c.format).replace('/', '-'));
        if (c.replaced) {
            ASSERT_EQ(d.messages().size(), 1) << c.format;
            EXPECT_TRUE(d.messages()[0].contains(QString("“%1”").arg(c.format)))
                << d.messages()[0].toStdString();
            EXPECT_TRUE(d.messages()[0].contains("yyyy-MM-dd")) << d.messages()[0].toStdString();
        } else {
            EXPECT_TRUE(d.shown.isEmpty()) << c.format;
        }
    }
}

TEST(Startup, AFormatReplacedAtStartGoesOnToTheLogin) {
    WorkDir w;
    platform::setToday(QDate(2004, 5, 6));
    platform::setShortDateFormat("yyyy-M-d");
    RecordingDialogs d;
    ModalRecorder modal;
    QStringList shown;
    modal.script = [&shown](QWidget* w) {
        shown << w->objectName();
        return 0;  // the login closed without logging in: the program ends
    };
    EXPECT_EQ(app::run(), 0);
    ASSERT_EQ(d.messages().size(), 1);
    EXPECT_FALSE(d.messages()[0].contains("重新启动")) << d.messages()[0].toStdString();
    EXPECT_EQ(shown, QStringList{"Form_login"});
}

// Only when the format cannot be written does the program end, saying why.
TEST(Startup, EndsBeforeTheLoginWhenTheDateFormatCannotBeSet) {
    WorkDir w;
    QFile plain(w.file("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    platform::setSettingsFilePath(w.file("plain/Veyra.ini"));
    // Without settings the data directory is ~/orvanta, which the windows make.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(w.path()));
    // The locale's own format (the tests' C locale) gives 11 characters that day.
    platform::setToday(QDate(2004, 12, 16));
    ASSERT_NE(platform::today().toString(platform::shortDateFormat()).length(), 10);
    RecordingDialogs d;
    ModalRecorder modal;
    EXPECT_EQ(app::run(), 1);
    ASSERT_EQ(d.messages().size(), 1);
    EXPECT_TRUE(d.messages()[0].contains(w.file("plain/Veyra.ini"))) << d.messages()[0].toStdString();
    EXPECT_TRUE(modal.windows.isEmpty());  // no login shown
    EXPECT_EQ(loginOK, 0);
    qputenv("HOME", home);
}

// Started from a terminal outside the launcher's folder: the operator is
// told where the register is, or how to make one, before any window.
TEST(Startup, WithoutWorkingDatabaseSaysHowToStartAndEnds) {
    WorkDir w;
    store::setWorkingDatabasePath(w.file("elsewhere/Enterprise.mdb"));
    RecordingDialogs d;
    ModalRecorder modal;
    EXPECT_EQ(app::run(), 1);
    ASSERT_EQ(d.errors().size(), 1);
    const QString text = d.errors()[0];
    for (const QString& part : {w.file("elsewhere"), QString("Enterprise.mdb"), QString("veyra-launch"),
                                QString("veyra-newdb"), app::launcherWorkingDirectory()})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
    EXPECT_TRUE(modal.windows.isEmpty());
    EXPECT_EQ(Form1, nullptr);

    // Where the launcher's folder holds a register, the text points there.
    EXPECT_TRUE(app::missingDatabaseText(w.file("elsewhere/Enterprise.mdb"), w.path())
                    .contains(QString("您的工作数据库在“%1”中").arg(w.path())));
    EXPECT_FALSE(app::missingDatabaseText(w.file("elsewhere/Enterprise.mdb"), w.file("elsewhere"))
                     .contains("您的工作数据库在"));
}

// A register of the release before the key rule, holding two registration
// numbers and two ID numbers that differ only in letter case.
TEST(Startup, AnOldRegisterIsUpgradedAndItsCollidingNumbersToldOnce) {
    WorkDir w;
    copyFixture("format1/Enterprise.mdb", w.path(), "Enterprise.mdb");
    RecordingDialogs d;
    ASSERT_TRUE(app::prepareWorkingDatabase());
    ASSERT_EQ(d.messages().size(), 1);
    const QString text = d.messages()[0];
    EXPECT_TRUE(text.contains("社保登记证号码：ab0000000001、AB0000000001")) << text.toStdString();
    EXPECT_TRUE(text.contains("公民身份号码：11010519300101011x、11010519300101011X")) << text.toStdString();
    EXPECT_TRUE(text.contains("组织机构代码：ab000001-1、AB000001-1")) << text.toStdString();
    EXPECT_TRUE(text.contains("所有记录都已保留")) << text.toStdString();

    // The next start says nothing more while they wait to be corrected.
    d.clear();
    ASSERT_TRUE(app::prepareWorkingDatabase());
    EXPECT_TRUE(d.texts().isEmpty());
    store::Connection c;
    c.open(w.database());
    EXPECT_EQ(store::fileFormat(c), 2);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 4);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_PERSON").toInt(), 5);

    // Once corrected, the start applies the unique keys, still without a word.
    c.execute("UPDATE M_CORPORATION SET SSN = 'ab0000000002' WHERE SSN = 'ab0000000001' COLLATE BINARY");
    c.execute(
        "UPDATE M_PERSON SET IDCARD = '11010519310101015X' WHERE IDCARD = '11010519300101011X' COLLATE "
        "BINARY");
    c.execute("DELETE FROM M_PERSON WHERE PSNSN = 4");
    ASSERT_TRUE(app::prepareWorkingDatabase());
    EXPECT_TRUE(d.texts().isEmpty());
    EXPECT_THROW(c.execute("INSERT INTO M_CORPORATION (SSN) VALUES ('AB0000000002')"), store::Error);
    EXPECT_THROW(c.execute("INSERT INTO M_PERSON (IDCARD) VALUES ('11010519300101011X')"), store::Error);
}

TEST(Startup, AWorkingDatabaseOfANewerFormatEndsTheProgramInWords) {
    WorkDir w;
    {
        store::Connection c;
        c.open(w.database());
        c.execute("UPDATE veyra_meta SET value = '9' WHERE key = 'format'");
    }
    RecordingDialogs d;
    ModalRecorder modal;
    EXPECT_EQ(app::run(), 1);
    ASSERT_EQ(d.errors().size(), 1);
    EXPECT_TRUE(d.errors()[0].contains("比本程序新")) << d.errors()[0].toStdString();
    EXPECT_TRUE(modal.windows.isEmpty());
    EXPECT_EQ(Form1, nullptr);
}

// A Register naming the office's shared register, or nothing the program
// knows: said, and the working database in this directory is not used instead.
TEST(Startup, ARegisterSettingTheWindowsCannotUseEndsTheProgramInWords) {
    const struct {
        const char* value;
        const char* words;
    } cases[] = {
        {"postgresql:service=veyra", "服务器登记库（postgresql:service=veyra）"},
        {"postgresql:host=db password=x", "不能写密码"},
        {"Enterprise2.mdb", "无法识别"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        WorkDir w;
        ASSERT_TRUE(platform::writeSetting("Register", c.value));
        RecordingDialogs d;
        ModalRecorder modal;
        EXPECT_EQ(app::run(), 1);
        ASSERT_EQ(d.errors().size(), 1);
        EXPECT_TRUE(d.errors()[0].contains(QString::fromUtf8(c.words))) << d.errors()[0].toStdString();
        EXPECT_TRUE(modal.windows.isEmpty());
        EXPECT_EQ(Form1, nullptr);
    }
}

TEST(Startup, CreatesTheTenWindowsWithTheirCaptions) {
    WorkDir w;
    RecordingDialogs d;
    {
        // The login keeps its size once the first password was changed.
        store::Connection c;
        c.open(w.database());
        c.execute("UPDATE M_UserManager SET PASSWORD = 'x1y2z3'");
    }
    app::createWindows();
    const QList<QPair<QWidget*, QString>> captions = {
        {Form1, "Veyra"},
        {static_cast<QWidget*>(Form_cop_info), "单位信息"},
        {static_cast<QWidget*>(Form_per_info), "个人信息查询编辑"},
        {static_cast<QWidget*>(Form_cop_query), "单位信息查询编辑"},
        {static_cast<QWidget*>(Form_Person_query), "人员信息查询"},
        {static_cast<QWidget*>(Form_login), "Veyra登录"},
        {static_cast<QWidget*>(Form_user), "操作员信息维护"},
        {static_cast<QWidget*>(Form_XGSBDJZH), "修改社保登记证号码"},
        {static_cast<QWidget*>(Form_import), "数据导入"},
    };
    for (const auto& [wnd, caption] : captions) {
        ASSERT_NE(wnd, nullptr) << caption.toStdString();
        EXPECT_EQ(wnd->windowTitle(), caption);
    }
    EXPECT_NE(Form_print1, nullptr);
    // The two fixed-size dialogs of the shell, by client area.
    const QList<QPair<QWidget*, QSize>> sizes = {
        {static_cast<QWidget*>(Form_login), QSize(227, 136)},
        {static_cast<QWidget*>(Form_user), QSize(395, 321)},
    };
    for (const auto& [wnd, size] : sizes) {
        EXPECT_EQ(wnd->size(), size) << wnd->objectName().toStdString();
        EXPECT_EQ(wnd->minimumSize(), size) << wnd->objectName().toStdString();
        EXPECT_EQ(wnd->maximumSize(), size) << wnd->objectName().toStdString();
    }
    app::destroyWindows();
}

TEST(MainMenu, MenusItemsAndHandlersInMenuBarOrder) {
    WorkDir w;
    RecordingDialogs d;
    TForm1 f;
    struct Item {
        const char* name;
        const char* caption;
    };
    struct Menu {
        const char* name;
        const char* caption;
        QList<Item> items;  // an empty caption is a separator
    };
    const QList<Menu> expected = {
        {"N1", "单位信息", {{"N2", "单位增加"}, {"N3", "查询编辑"}}},
        {"N5", "人员信息", {{"N6", "人员增加"}, {"N7", "查询编辑"}}},
        {"N11", "报表打印", {{"N12", "单位打印"}, {"N13", "个人打印"}}},
        {"N16", "数据交换", {{"N17", "导入/导出"}}},
        {"N4", "用户管理", {{"N9", "编辑维护"}}},
        {"N22",
         "系统",
         {{"N8", "退出"}, {"N19", ""}, {"N23", "数据备份"}, {"N24", "数据恢复"}, {"About", "关于"}}},
    };
    const QList<QAction*> bar = f.menuBar()->actions();
    ASSERT_EQ(bar.size(), expected.size());
    for (int m = 0; m < expected.size(); ++m) {
        QMenu* menu = bar[m]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), expected[m].name);
        EXPECT_EQ(bar[m]->text(), expected[m].caption);
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), expected[m].items.size()) << expected[m].name;
        for (int i = 0; i < items.size(); ++i) {
            const Item& e = expected[m].items[i];
            EXPECT_EQ(items[i]->objectName(), e.name);
            EXPECT_EQ(items[i]->isSeparator(), QString(e.caption).isEmpty()) << e.name;
            if (!items[i]->isSeparator()) {
                EXPECT_EQ(items[i]->text(), e.caption) << e.name;
            }
            EXPECT_TRUE(items[i]->shortcut().isEmpty()) << e.name;  // no accelerators
        }
    }
}

TEST(MainMenu, EachItemShowsItsWindow) {
    WorkDir w;
    RecordingDialogs d;
    ModalRecorder modal;
    app::createWindows();
    const QList<QPair<QAction*, QWidget*>> cases = {
        {Form1->N3, Form_cop_query},     {Form1->N12, Form_cop_query}, {Form1->N7, Form_Person_query},
        {Form1->N13, Form_Person_query}, {Form1->N17, Form_import},    {Form1->N9, Form_user},
    };
    for (const auto& [item, window] : cases) {
        modal.windows.clear();
        item->trigger();
        ASSERT_EQ(modal.windows.size(), 1) << item->objectName().toStdString();
        EXPECT_EQ(modal.windows[0], window) << item->objectName().toStdString();
    }
    EXPECT_TRUE(d.shown.isEmpty());
    Form1->show();
    Form1->N8->trigger();  // 退出: at once, no question
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_TRUE(d.shown.isEmpty());
    app::destroyWindows();
}

// The notices of a program under the GPL, and the paths in force.
TEST(MainMenu, AboutNamesTheLicenceAndWhereTheFilesAre) {
    WorkDir w;
    platform::writeSetting("BackupDir", w.file("backups here"));
    RecordingDialogs d;
    TForm1 f;
    f.About->trigger();
    ASSERT_EQ(d.messages().size(), 1);
    const QString text = d.messages()[0];
    for (const QString& part :
         {QString("GPL-3.0-or-later"), QString("Copyright © 2026"), QString("不提供任何担保"),
          QString("/usr/share/common-licenses/GPL-3"), "工作数据库：" + w.database(),
          "报盘文件和导数日志：" + w.file("orvanta"), "数据备份：" + w.file("backups here"),
          "软盘文件夹：" + w.file("floppy"), "设置文件：" + w.file("settings/Veyra.ini")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
}

TEST(MainWindow, RestoredIsCentredWithItsOuterSize) {
    struct Case {
        QMargins frame;
        QRect desktop;
    } cases[] = {
        {{}, {0, 0, 1280, 800}},
        {{4, 30, 4, 4}, {0, 0, 1280, 800}},
        {{1, 22, 1, 1}, {100, 40, 1920, 1040}},
    };
    for (const Case& c : cases) {
        const QRect client = TForm1::centredClientRect(TForm1::kRestoredSize, c.frame, c.desktop);
        const QRect outer = client.marginsAdded(c.frame);
        EXPECT_EQ(outer.size(), QSize(696, 480)) << c.frame.top();
        EXPECT_EQ(outer.center(), c.desktop.center()) << c.frame.top();
    }

    WorkDir w;
    RecordingDialogs d;
    TForm1 f;
    f.showMaximized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.isMaximized());
    f.showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.frameGeometry().size(), QSize(696, 480));
    EXPECT_EQ(f.frameGeometry().center(), f.screen()->availableGeometry().center());
}

TEST(MainMenu, LoginFailureEndsAndSuccessKeepsTheMainWindow) {
    WorkDir w;
    RecordingDialogs d;
    ModalRecorder modal;
    app::createWindows();
    Form1->show();
    modal.script = [](QWidget*) { return 0; };  // login window closed without logging in
    Form1->FormShow();
    EXPECT_FALSE(Form1->isVisible());
    Form1->show();
    modal.script = [](QWidget*) {
        loginOK = 1;
        return 1;
    };
    Form1->FormShow();
    EXPECT_TRUE(Form1->isVisible());
    app::destroyWindows();
}

TEST(MainMenu, AddEmployerOpensTablesOnceAndAddPersonRequeries) {
    WorkDir w;
    RecordingDialogs d;
    ModalRecorder modal;
    app::createWindows();
    Form1->N2Click();
    EXPECT_EQ(copTablesActive, 1);
    EXPECT_EQ(copInfoMode, 1);
    ASSERT_EQ(modal.windows.size(), 1);
    EXPECT_EQ(modal.windows[0], static_cast<QWidget*>(Form_cop_info));
    EXPECT_EQ(Form_cop_info->ADOTable_corporation->state(), store::Dataset::State::Insert);

    // Rows stored through another connection are seen by the person window after 人员增加.
    store::Connection other;
    other.open(w.database());
    other.execute(
        "INSERT INTO M_PERSON (IDCARD, NAME, SSN) VALUES ('110101194901010011', '张三', '110000000001')");
    EXPECT_EQ(Form_per_info->ADOTable_PERSON->recordCount(), 0);
    perInfoMode = 2;
    Form1->N6Click();
    EXPECT_EQ(Form_per_info->ADOTable_PERSON->recordCount(), 1);
    EXPECT_EQ(Form_per_info->ADOTable_PERSON->state(), store::Dataset::State::Insert);
    EXPECT_EQ(Form_per_info->ADOTable_DDYLJG->state(), store::Dataset::State::Insert);
    EXPECT_EQ(perInfoMode, 1);
    EXPECT_EQ(modal.windows.last(), static_cast<QWidget*>(Form_per_info));

    // "单位打印" and "个人打印" open the query windows, printing nothing by themselves.
    Form1->N12->trigger();
    Form1->N13->trigger();
    EXPECT_EQ(modal.windows.size(), 4);
    EXPECT_EQ(modal.windows[2], static_cast<QWidget*>(Form_cop_query));
    EXPECT_EQ(modal.windows[3], static_cast<QWidget*>(Form_Person_query));
    app::destroyWindows();
}

}  // namespace
