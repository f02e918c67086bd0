#include <gtest/gtest.h>

#include <QDir>

#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/TForm_login.h"
#include "app/globals/Globals.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

TEST(DateCheck, OnlyTheLengthOfTodaysDateCounts) {
    struct Case {
        const char* format;
        bool ends;
    } cases[] = {
        {"yyyy-MM-dd", false},  // 2004-05-06
        {"dd/MM/yyyy", false},  // 06/05/2004: another order and separator pass
        {"yyyy/MM/dd", false},
        {"dd.MM.yyyy", false},
        {"yyyy-M-d", true},  // 2004-5-6
        {"yy-MM-dd", true},
    };
    for (const Case& c : cases) {
        WorkDir w;
        platform::setToday(QDate(2004, 5, 6));
        platform::setShortDateFormat(c.format);
        RecordingDialogs d;
        TForm1 f;
        EXPECT_EQ(f.endRequested(), c.ends) << c.format;
        if (c.ends) {
            EXPECT_EQ(d.messages(), QStringList{"安装后需要重新启动计算机"});
            EXPECT_EQ(platform::readSetting("sShortDate"), "yyyy-MM-dd");
        } else {
            EXPECT_TRUE(d.shown.isEmpty());
            EXPECT_EQ(platform::readSetting("sShortDate"), c.format);
        }
    }
}

TEST(Startup, EndsBeforeTheLoginWhenTheDateFormatIsTooShort) {
    WorkDir w;
    platform::setToday(QDate(2004, 5, 6));
    platform::setShortDateFormat("yyyy-M-d");
    RecordingDialogs d;
    ModalRecorder modal;
    EXPECT_EQ(app::run(), 0);
    EXPECT_EQ(d.messages(), QStringList{"安装后需要重新启动计算机"});
    EXPECT_TRUE(modal.windows.isEmpty());  // no login shown
    EXPECT_EQ(loginOK, 0);
}

TEST(Startup, WithoutWorkingDatabaseShowsTheEngineErrorAndEnds) {
    WorkDir w;
    store::setWorkingDatabasePath(w.file("elsewhere/Enterprise.mdb"));
    RecordingDialogs d;
    ModalRecorder modal;
    EXPECT_EQ(app::run(), 1);
    ASSERT_EQ(d.errors().size(), 1);
    EXPECT_TRUE(d.errors()[0].contains("Enterprise.mdb"));
    EXPECT_TRUE(modal.windows.isEmpty());
    EXPECT_EQ(Form1, nullptr);
}

TEST(Startup, CreatesTheTenWindowsWithTheirCaptions) {
    WorkDir w;
    RecordingDialogs d;
    app::createWindows();
    const QList<QPair<QWidget*, QString>> captions = {
        {Form1, "Veyra"},
        {static_cast<QWidget*>(Form_cop_info), "单位信息"},
        {static_cast<QWidget*>(Form_per_info), "个人信息查询编辑"},
        {static_cast<QWidget*>(Form_login), "Veyra登录"},
    };
    for (const auto& [wnd, caption] : captions) {
        ASSERT_NE(wnd, nullptr);
        EXPECT_EQ(wnd->windowTitle(), caption);
    }
    EXPECT_NE(Form_print1, nullptr);
    EXPECT_NE(Form_import, nullptr);
    EXPECT_NE(Form_XGSBDJZH, nullptr);
    app::destroyWindows();
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
    other.execute("INSERT INTO M_PERSON (IDCARD, NAME, SSN) VALUES ('110101194901010011', '张三', '110000000001')");
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
