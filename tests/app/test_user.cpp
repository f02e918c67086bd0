#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "app/TForm_login.h"
#include "app/TForm_user.h"
#include "app/globals/Globals.h"
#include "store/Connection.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

int operators(const WorkDir& w) {
    store::Connection c;
    c.open(w.database());
    return c.scalar("SELECT count(*) FROM M_UserManager").toInt();
}

class UserTest : public ::testing::Test {
  protected:
    void show(QDialog& f) {
        f.show();
        QApplication::setActiveWindow(&f);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    }
    WorkDir w;
    RecordingDialogs d;
};

TEST_F(UserTest, DeleteKeepsTheLastOperator) {
    store::Connection c;
    c.open(w.database());
    c.execute("INSERT INTO M_UserManager (USER_ID, PASSWORD) VALUES ('bob', 'pw')");
    TForm_user f;
    ASSERT_EQ(f.ADOTable1->recordCount(), 2);
    f.Button_deleteClick();  // two: deleted at once, no question
    EXPECT_TRUE(d.shown.isEmpty());
    EXPECT_EQ(operators(w), 1);
    f.Button_deleteClick();
    EXPECT_EQ(d.messages(), QStringList{"最后一条记录不能删除，否则您将无法登录"});
    EXPECT_EQ(operators(w), 1);
    // Any other deletion of the last row meets the table's own guard.
    d.clear();
    EXPECT_FALSE(f.ADOTable1->remove());
    EXPECT_EQ(d.messages(), QStringList{"最后一条记录删除后将导致无法登录，所以禁止删除"});
    EXPECT_EQ(operators(w), 1);

    c.execute("DELETE FROM M_UserManager");
    f.ADOTable1->requery();
    d.clear();
    f.Button_deleteClick();
    EXPECT_EQ(d.messages(), QStringList{"最后一条记录不能删除，否则您将无法登录"});
}

TEST_F(UserTest, InsertThenSaveStoresNothingAndCancelDropsTheBlankRow) {
    TForm_user f;
    show(f);
    f.Button_insert->click();
    EXPECT_EQ(QApplication::focusWidget(), f.DBEdit1);
    f.Button_save->click();
    EXPECT_EQ(operators(w), 1);
    EXPECT_EQ(f.ADOTable1->state(), store::Dataset::State::Insert);  // still pending
    EXPECT_EQ(QApplication::focusWidget(), f.Button_insert);
    f.Button_cancel->click();
    EXPECT_EQ(f.ADOTable1->state(), store::Dataset::State::Browse);
    EXPECT_EQ(f.ADOTable1->recordCount(), 1);
}

TEST_F(UserTest, PasswordIsLimitedToSixAndEscDiscards) {
    TForm_user f;
    show(f);
    f.Button_insert->click();
    QTest::keyClicks(f.DBEdit1, "wang");
    QTest::keyClick(f.DBEdit1, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.DBEdit2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClicks(f.DBEdit3, "12345678");
    EXPECT_EQ(f.DBEdit3->QLineEdit::text(), "123456");
    QTest::keyClick(f.DBEdit3, Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(operators(w), 1);
    EXPECT_EQ(f.ADOTable1->state(), store::Dataset::State::Browse);
}

TEST_F(UserTest, StoredOperatorLogsInAtTheNextStartButNotWithoutPassword) {
    {
        TForm_user f;
        show(f);
        for (auto [id, pw] : {std::pair{"zhao", "pw1"}, std::pair{"qian", ""}}) {
            f.Button_insert->click();
            QTest::keyClicks(f.DBEdit1, id);
            if (*pw) {
                f.DBEdit3->setFocus();
                QTest::keyClicks(f.DBEdit3, pw);
            }
            f.Button_save->click();
        }
        EXPECT_EQ(operators(w), 3);
    }
    for (auto [id, pw, ok] : {std::tuple{"zhao", "pw1", true}, std::tuple{"qian", "", false}}) {
        loginOK = 0;
        TForm_login login;  // a new login window over the same file
        login.Edit_username->setText(id);
        login.Edit_password->setText(pw);
        login.Button1Click();
        EXPECT_EQ(loginOK == 1, ok) << id;
    }
}

// Controls reached by Tab from `first`, in order, until the chain comes back.
QStringList tabOrder(QWidget* first) {
    QStringList names;
    QWidget* w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) names.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w != first && names.size() < 50);
    return names;
}

TEST_F(UserTest, TabOrderAndFirstFocusOfTheShellDialogs) {
    TForm_login login;
    TForm_user user;
    const QStringList loginOrder = {"Edit_username", "Edit_password", "Button1", "Button2"};
    const QStringList userOrder = {"DBEdit1",       "DBEdit2",       "DBEdit3", "DBEdit4",
                                   "Button_save",   "Button_insert", "DBGrid1", "Button_delete",
                                   "Button_cancel", "Button_close"};
    EXPECT_EQ(tabOrder(login.Edit_username), loginOrder);
    EXPECT_EQ(tabOrder(user.DBEdit1), userOrder);
    show(login);  // the login starts on the user name
    EXPECT_EQ(QApplication::focusWidget(), login.Edit_username);
    login.hide();
    show(user);
    EXPECT_EQ(QApplication::focusWidget(), user.Button_insert);
    user.hide();
    user.DBEdit2->setFocus();
    show(user);  // every showing starts on 增加
    EXPECT_EQ(QApplication::focusWidget(), user.Button_insert);
}

TEST_F(UserTest, TypingChangesTheGridRowAndTheCloseBoxKeepsItPending) {
    store::Connection c;
    c.open(w.database());
    c.execute("INSERT INTO M_UserManager (USER_ID, USER_NAME, PASSWORD) VALUES ('bob', '鲍勃', 'pw')");
    TForm_user f;
    show(f);
    f.DBGrid1->setCurrentIndex(f.DBGrid1->model()->index(1, 0));
    EXPECT_EQ(f.DBEdit1->text(), "bob");  // the fields show the grid's row
    f.DBEdit2->setFocus();
    f.DBEdit2->selectAll();
    typeText(f.DBEdit2, "王");
    EXPECT_EQ(f.ADOTable1->state(), store::Dataset::State::Edit);
    f.Button_save->click();
    EXPECT_EQ(c.scalar("SELECT USER_NAME FROM M_UserManager WHERE USER_ID = 'bob'").toString(), "王");
    EXPECT_EQ(f.ADOTable1->state(), store::Dataset::State::Browse);

    f.DBEdit4->setFocus();
    typeText(f.DBEdit4, "科长");
    f.close();  // the close box: nothing discarded, nothing stored
    EXPECT_FALSE(f.isVisible());
    show(f);
    EXPECT_EQ(f.ADOTable1->state(), store::Dataset::State::Edit);
    EXPECT_EQ(f.DBEdit4->text(), "科长");
    EXPECT_TRUE(c.scalar("SELECT duty FROM M_UserManager WHERE USER_ID = 'bob'").isNull());
    f.Button_close->click();
    EXPECT_EQ(f.ADOTable1->state(), store::Dataset::State::Browse);
    EXPECT_EQ(f.DBEdit4->text(), "");
}

TEST_F(UserTest, NewOperatorIsARowOfItsOwnInTheGrid) {
    TForm_user f;
    show(f);
    QAbstractItemModel* m = f.DBGrid1->model();
    auto cell = [&](int r, int c) { return m->index(r, c).data().toString(); };
    ASSERT_EQ(m->rowCount(), 1);
    f.Button_insert->click();
    EXPECT_EQ(m->rowCount(), 2);
    EXPECT_EQ(f.DBGrid1->currentIndex().row(), 1);
    EXPECT_EQ(f.ADOTable1->recNo(), -1);
    typeText(f.DBEdit1, "bob");
    f.DBEdit2->setFocus();  // leaving the field puts the text into the new row
    typeText(f.DBEdit2, "鲍勃");
    f.DBEdit3->setFocus();
    // The operator that was current keeps its own row.
    EXPECT_EQ(cell(0, 0), "admin");
    EXPECT_EQ(cell(0, 1), "系统管理员");
    EXPECT_EQ(cell(1, 0), "bob");
    EXPECT_EQ(cell(1, 1), "鲍勃");
    f.Button_cancel->click();
    EXPECT_EQ(m->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), "admin");
    EXPECT_EQ(f.DBEdit1->text(), "admin");
    EXPECT_EQ(f.DBGrid1->currentIndex().row(), 0);

    f.Button_insert->click();
    typeText(f.DBEdit1, "carl");
    f.Button_save->click();
    EXPECT_EQ(operators(w), 2);
    EXPECT_EQ(m->rowCount(), 2);
    EXPECT_EQ(cell(0, 0), "admin");
    EXPECT_EQ(cell(1, 0), "carl");
    EXPECT_EQ(f.DBGrid1->currentIndex().row(), 1);
}

TEST_F(UserTest, PasswordFieldsShowStars) {
    TForm_login login;
    TForm_user user;
    for (QLineEdit* e : {login.Edit_password, static_cast<QLineEdit*>(user.DBEdit3)}) {
        e->window()->show();
        e->setText("ab1");
        EXPECT_EQ(e->displayText(), "***") << e->objectName().toStdString();
        e->window()->hide();
    }
}

TEST_F(UserTest, RefusedPostIsReportedAndTheRowStays) {
    TForm_user f;
    show(f);
    f.Button_insert->click();
    QTest::keyClicks(f.DBEdit1, "x");
    // Force a refusal the window cannot prevent: a trigger on the file.
    store::Connection c;
    c.open(w.database());
    c.execute(
        "CREATE TRIGGER refuse BEFORE INSERT ON M_UserManager BEGIN SELECT RAISE(ABORT, 'refused'); END");
    f.Button_save->click();
    ASSERT_EQ(d.errors().size(), 1);
    EXPECT_TRUE(d.errors()[0].contains("refused"));
    EXPECT_EQ(f.ADOTable1->state(), store::Dataset::State::Insert);
    EXPECT_EQ(f.DBEdit1->text(), "x");
}

}  // namespace
