// Change of an employer's registration number: the dialog, the transaction, and what follows it.
#include "test_cop_query_fixture.h"

using testing_support::Shown;

namespace {
// What the operator does in the change dialog.
struct DialogScript {
    QString typed;
    enum { Confirm, Cancel, CloseBox } end = Confirm;
};
}  // namespace

class CopQueryChangeTest : public CopQueryTest {
  protected:
    void SetUp() override {
        CopQueryTest::SetUp();
        Form_XGSBDJZH = &dialog;
        addEmployer("110000000009", "北京机床厂分厂", "110000000001");
        modal.script = [this](QWidget* window) {
            EXPECT_EQ(window, &dialog);
            // As the real modal show does: showing fills the fields.
            dialog.show();
            seenOld = dialog.Edit1->text();
            dialog.Edit2->setText(script.typed);
            switch (script.end) {
                case DialogScript::Confirm:
                    dialog.Button1Click();
                    break;
                case DialogScript::Cancel:
                    dialog.Button2Click();
                    break;
                case DialogScript::CloseBox:
                    dialog.close();
                    break;
            }
            dialog.hide();
            return dialog.result();
        };
        listAll();
    }
    void change(const QString& from, DialogScript s) {
        script = s;
        ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", from));
        w->Button2Click();
    }
    int employersWith(const QString& ssn) {
        return countFromOutside("SELECT count(*) FROM M_CORPORATION WHERE SSN=?", {ssn});
    }
    int personsWith(const QString& ssn) {
        return countFromOutside("SELECT count(*) FROM M_PERSON WHERE SSN=?", {ssn});
    }
    // A later delete in the same window is stored for good only when no transaction was left open.
    void deleteEmployerWithoutPersons() {
        EXPECT_FALSE(w->ADOConnection1.inTransaction());
        dialogs.clear();
        w->Button1Click();
        ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "110000000002"));
        dialogs.answer(true);
        w->Button_deleteClick();
        w.reset();  // whatever is still open on the window's connection ends with it
        EXPECT_EQ(employersWith("110000000002"), 0);
    }

    TForm_XGSBDJZH dialog;
    DialogScript script;
    QString seenOld;
};

TEST_F(CopQueryChangeTest, RenumberingMovesEveryPersonAndOnlyThatEmployer) {
    change("110000000001", {"120000000001"});
    EXPECT_EQ(seenOld, "110000000001");
    EXPECT_EQ(dialogs.texts(), QStringList{"修改成功!\r更改前的的社保登记证号码：110000000001\r"
                                           "更改后的的社保登记证号码：120000000001"});
    EXPECT_EQ(employersWith("110000000001"), 0);
    EXPECT_EQ(employersWith("120000000001"), 1);
    EXPECT_EQ(personsWith("110000000001"), 0);
    EXPECT_EQ(personsWith("120000000001"), 2);
    // A second-level reference to the old number is left as it was.
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION WHERE SUPERIORSSN='110000000001'"), 1);
    EXPECT_TRUE(listed().contains("120000000001"));
    EXPECT_FALSE(listed().contains("110000000001"));
    EXPECT_EQ(w->ADOQuery_COP->recNo(), 0);  // the list was read again from the top
    EXPECT_EQ(oldSSN, "110000000001");
    EXPECT_EQ(newSSN, "120000000001");
    EXPECT_FALSE(w->ADOConnection1.inTransaction());
}

TEST_F(CopQueryChangeTest, ChangesThatEndWithoutWritingLeaveNoTransactionOpen) {
    struct Case {
        DialogScript script;
        QStringList texts;
        const char* why;
    } cases[] = {
        {{"110000000003"},
         {"您输入的新社保登记证号码已经被使用，修改未成功"},
         "another employer has the number"},
        {{"110000000001"}, {"您输入的新社保登记证号码已经被使用，修改未成功"}, "the employer's own number"},
        {{"130000000001", DialogScript::Cancel}, {}, "取消"},
        {{"130000000001", DialogScript::CloseBox}, {}, "the close box"},
    };
    for (const Case& c : cases) {
        dialogs.clear();
        change("110000000001", c.script);
        EXPECT_EQ(dialogs.texts(), c.texts) << c.why;
        EXPECT_EQ(employersWith("110000000001"), 1) << c.why;
        EXPECT_EQ(personsWith("110000000001"), 2) << c.why;
        EXPECT_FALSE(w->ADOConnection1.inTransaction()) << c.why;
    }
    EXPECT_EQ(employersWith("130000000001"), 0);
    deleteEmployerWithoutPersons();
}

TEST_F(CopQueryChangeTest, TheCloseBoxChangesNothingEvenAfterAnEarlierConfirmedChange) {
    change("110000000003", {"130000000003"});
    ASSERT_EQ(employersWith("130000000003"), 1);
    dialogs.clear();
    change("110000000001", {"140000000001", DialogScript::CloseBox});
    EXPECT_EQ(ssnChangeConfirmed, 0);
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(employersWith("110000000001"), 1);
    EXPECT_EQ(employersWith("140000000001"), 0);
}

TEST_F(CopQueryChangeTest, AFailingUpdateRollsBothBack) {
    db.execute(
        "CREATE TRIGGER refuse_person_update BEFORE UPDATE OF SSN ON M_PERSON "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    change("110000000001", {"150000000001"});
    EXPECT_EQ(dialogs.texts(), QStringList{"没有修改成功"});
    EXPECT_EQ(employersWith("110000000001"), 1);
    EXPECT_EQ(employersWith("150000000001"), 0);
    EXPECT_EQ(personsWith("110000000001"), 2);
    db.execute("DROP TRIGGER refuse_person_update");
    deleteEmployerWithoutPersons();
}

TEST_F(CopQueryChangeTest, AnEmployerGoneSinceTheListWasReadIsNoSuccess) {
    ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "110000000003"));
    db.execute("DELETE FROM M_CORPORATION WHERE SSN='110000000003'");
    change("110000000003", {"160000000003"});
    EXPECT_EQ(dialogs.texts(), QStringList{"没有修改成功"});
    EXPECT_EQ(employersWith("160000000003"), 0);
    EXPECT_FALSE(w->ADOConnection1.inTransaction());
}

TEST_F(CopQueryChangeTest, AnEmployerWithoutNumberIsNotOfferedForAChange) {
    db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (NULL, '无号单位')");
    listAll();
    ASSERT_TRUE(w->ADOQuery_COP->locate("单位名称", "无号单位"));
    modal.windows.clear();
    w->Button2Click();
    EXPECT_EQ(dialogs.texts(), QStringList{"没有查到记录"});
    EXPECT_TRUE(modal.windows.isEmpty());
    EXPECT_FALSE(w->ADOConnection1.inTransaction());
    deleteEmployerWithoutPersons();
}

// The dialog itself, shown as the operator sees it.
class ChangeDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        oldSSN = "110000000001";
        ssnChangeConfirmed = 1;  // left from an earlier change
        d.show();
        QApplication::setActiveWindow(&d);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    }
    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    TForm_XGSBDJZH d;
};

TEST_F(ChangeDialogTest, ShowsTheOldNumberAndTakesOnlyDigits) {
    EXPECT_EQ(d.frameGeometry().size(), QSize(302, 179));  // the outer size, frame included
    EXPECT_EQ(d.Edit1->text(), "110000000001");
    EXPECT_FALSE(d.Edit1->isEnabled());
    EXPECT_EQ(ssnChangeConfirmed, 0);
    EXPECT_EQ(QApplication::focusWidget(), d.Edit2);
    QTest::keyClicks(d.Edit2, "12a3-4 5");
    EXPECT_EQ(d.Edit2->text(), "12345");
    int beeps = 0;
    for (const testing_support::Shown& s : dialogs.shown) beeps += s.kind == testing_support::Shown::Beep;
    EXPECT_EQ(beeps, 3);
    QTest::keyClick(d.Edit2, Qt::Key_Backspace);
    EXPECT_EQ(d.Edit2->text(), "1234");
    d.Edit2->selectAll();
    d.Edit2->insert("98x7");  // pasted text is held to digits as well
    EXPECT_EQ(d.Edit2->text(), "1234");
}

TEST_F(ChangeDialogTest, ConfirmNeedsTwelveDigits) {
    QTest::keyClicks(d.Edit2, "12000000000");
    d.Button1->setFocus();
    QTest::keyClick(d.Button1, Qt::Key_Return);
    EXPECT_EQ(dialogs.texts(), QStringList{"请输入12位社保登记证号码"});
    EXPECT_EQ(QApplication::focusWidget(), d.Edit2);  // back to the number, ready for the rest
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(ssnChangeConfirmed, 0);
    QTest::keyClicks(d.Edit2, "19");  // the field holds twelve at most
    EXPECT_EQ(d.Edit2->text(), "120000000001");
    QTest::keyClick(d.Edit2, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), d.Button1);
    QTest::keyClick(d.Button1, Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(ssnChangeConfirmed, 1);
    EXPECT_EQ(newSSN, "120000000001");
}

TEST_F(ChangeDialogTest, EscPressesCancel) {
    QTest::keyClicks(d.Edit2, "120000000001");
    QTest::keyClick(d.Edit2, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(ssnChangeConfirmed, 0);
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST_F(CopQueryChangeTest, RenumberingMovesThePersonsOfEverySpellingOfTheNumber) {
    addPerson("110101194001010033", "王五", "ab0000000004");
    addPerson("110101194001010044", "赵六", "AB0000000004");
    listAll();
    change("ab0000000004", {"120000000004"});
    EXPECT_EQ(employersWith("120000000004"), 1);
    EXPECT_EQ(personsWith("120000000004"), 2);
    EXPECT_EQ(personsWith("ab0000000004"), 0);
}

// A register from before the key rule may hold a number in two spellings for
// two employers until corrected: renumbering one takes only that employer and
// the persons spelled as its number.
TEST_F(CopQueryChangeTest, RenumberingOneOfTwoSpellingsLeavesTheOtherEmployerWithItsPersons) {
    db.executeScript(
        "DROP INDEX idx_M_CORPORATION_SSN; CREATE INDEX idx_M_CORPORATION_SSN ON M_CORPORATION (SSN);");
    addEmployer("AB0000000004", "天津港务局二");
    addPerson("110101194001010033", "王五", "ab0000000004");
    addPerson("110101194001010044", "赵六", "AB0000000004");
    listAll();
    change("AB0000000004", {"120000000004"});
    EXPECT_EQ(dialogs.texts().size(), 1);
    store::Connection c;
    c.open(work.database());
    EXPECT_EQ(c.select("SELECT SSN, NAME FROM M_CORPORATION WHERE SSN IN ('ab0000000004', '120000000004') "
                       "ORDER BY CORPSN"),
              (QList<QVariantList>{{"ab0000000004", "天津港务局"}, {"120000000004", "天津港务局二"}}));
    EXPECT_EQ(c.select("SELECT NAME, SSN FROM M_PERSON WHERE IDCARD LIKE '1101011940010100_3' OR "
                       "IDCARD LIKE '1101011940010100_4' ORDER BY PSNSN"),
              (QList<QVariantList>{{"王五", "ab0000000004"}, {"赵六", "120000000004"}}));
}
