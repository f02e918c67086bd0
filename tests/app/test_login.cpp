#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "app/TForm_login.h"
#include "app/globals/Globals.h"
#include "store/Connection.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

const QString kRefused = "登录有误，请核对用户名和密码";

class LoginTest : public ::testing::Test {
  protected:
    void SetUp() override {
        store::Connection c;
        c.open(w.database());
        c.execute(
            "INSERT INTO M_UserManager (USER_ID, USER_NAME, PASSWORD) VALUES ('nopass', '无密码', NULL)");
        c.execute("INSERT INTO M_UserManager (USER_ID, USER_NAME, PASSWORD) VALUES ('blank', '空密码', '')");
        c.execute("INSERT INTO M_UserManager (USER_ID, USER_NAME, PASSWORD) VALUES ('Li', '李', 'AbC')");
        c.execute("INSERT INTO M_UserManager (USER_ID, USER_NAME, PASSWORD) VALUES ('Li', '李二', 'second')");
    }
    void showLogin(TForm_login& f) {
        f.show();
        QApplication::setActiveWindow(&f);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    }
    WorkDir w;
    RecordingDialogs d;
};

TEST_F(LoginTest, ChecksNameAndPasswordExactly) {
    struct Case {
        const char* user;
        const char* password;
        bool ok;
        const char* why;
    } cases[] = {
        {"admin", "123456", true, "the default operator"},
        {"admin", "1234567", false, "longer than the column can hold"},
        {"admin", "123456 ", false, "trailing blank"},
        {"Li", "abc", false, "letter case of the password counts"},
        {"Li", "AbC", true, "first row with the name"},
        {"Li", "second", false, "a later row with the same name is never used"},
        {"nopass", "", false, "no password stored"},
        {"blank", "", false, "empty password stored"},
        {"nobody", "", false, "unknown name"},
        {"admin ", "123456", false, "the name is not trimmed"},
    };
    for (const Case& c : cases) {
        loginOK = 0;
        d.clear();
        TForm_login f;
        f.Edit_username->setText(c.user);
        f.Edit_password->setText(c.password);
        f.Button1Click();
        EXPECT_EQ(loginOK == 1, c.ok) << c.why;
        EXPECT_EQ(d.messages(), c.ok ? QStringList() : QStringList{kRefused}) << c.why;
        EXPECT_EQ(f.result() == QDialog::Accepted, c.ok) << c.why;
    }
}

TEST_F(LoginTest, EnterWalksTheFieldsAndLeavingThePasswordRunsTheCheck) {
    TForm_login f;
    showLogin(f);
    f.Edit_username->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.Edit_password);
    QTest::keyClicks(f.Edit_password, "wrong");
    QWidget* focusAtMessage = nullptr;
    d.onShow = [&](const Shown&) { focusAtMessage = QApplication::focusWidget(); };
    QTest::keyClick(f.Edit_password, Qt::Key_Return);
    EXPECT_EQ(d.messages(), QStringList{kRefused});
    EXPECT_NE(focusAtMessage, f.Edit_username);  // the message comes first
    EXPECT_EQ(QApplication::focusWidget(), f.Edit_username);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(loginOK, 0);

    // Shift+Enter goes back.
    f.Edit_password->setFocus();
    d.clear();
    QTest::keyClick(f.Edit_password, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), f.Edit_username);
    EXPECT_EQ(d.messages(), QStringList{kRefused});  // leaving the password field, backwards too

    d.clear();
    f.Edit_password->setText("123456");
    f.Edit_password->setFocus();
    QTest::keyClick(f.Edit_password, Qt::Key_Tab);
    EXPECT_EQ(loginOK, 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(d.shown.isEmpty());
}

TEST_F(LoginTest, EscAndExitButtonAbandonTheLogin) {
    for (int way = 0; way < 3; ++way) {
        loginOK = 1;
        TForm_login f;
        showLogin(f);
        f.Edit_username->setFocus();
        if (way == 0) QTest::keyClick(f.Edit_username, Qt::Key_Escape);
        if (way == 1) f.Button2->click();
        if (way == 2) {
            loginOK = 0;
            f.close();  // the close box leaves loginOK as it was
        }
        EXPECT_EQ(loginOK, 0) << way;
        EXPECT_FALSE(f.isVisible()) << way;
        EXPECT_TRUE(d.messages().isEmpty());
    }
}

// A newcomer has not read the README: while the operators are only the
// first one with its first password, the window says how to log in and
// where to change the password. A changed password or another operator ends it.
TEST(FirstLogin, TheWindowSaysHowUntilTheFirstPasswordIsChanged) {
    struct Case {
        const char* why;
        const char* sql;
        bool told;
    } cases[] = {
        {"fresh register", nullptr, true},
        {"password changed", "UPDATE M_UserManager SET PASSWORD = '654321'", false},
        {"another operator", "INSERT INTO M_UserManager (USER_ID, PASSWORD) VALUES ('li', 'abc')", false},
        {"first operator renamed", "UPDATE M_UserManager SET USER_ID = 'zhang'", false},
    };
    for (const Case& c : cases) {
        WorkDir w;
        RecordingDialogs d;
        if (c.sql) {
            store::Connection db;
            db.open(w.database());
            db.execute(c.sql);
        }
        TForm_login f;
        f.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(f.Label_firstLogin->isVisible(), c.told) << c.why;
        if (!c.told) {
            EXPECT_EQ(f.size(), QSize(227, 136)) << c.why;
            continue;
        }
        const QString text = f.Label_firstLogin->text();
        for (const char* part : {"admin", "123456", "用户管理 › 编辑维护", "修改密码"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << " " << text.toStdString();
        // Room for every line below the unchanged rows, within the window.
        EXPECT_EQ(f.width(), 227);
        EXPECT_GE(f.Label_firstLogin->height(),
                  f.Label_firstLogin->heightForWidth(f.Label_firstLogin->width()));
        EXPECT_LE(f.Label_firstLogin->geometry().bottom(), f.height());
        EXPECT_GT(f.Label_firstLogin->geometry().top(), f.Button1->geometry().bottom());
        EXPECT_GE(f.Edit_password->height(), f.Edit_password->sizeHint().height());
        EXPECT_EQ(f.Edit_password->accessibleDescription(), text);
        // The hint changes nothing of the login itself.
        f.Edit_password->setText("123456");
        f.Button1Click();
        EXPECT_EQ(loginOK, 1);
        EXPECT_TRUE(d.shown.isEmpty());
    }
}

}  // namespace
