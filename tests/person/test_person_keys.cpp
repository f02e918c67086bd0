// The person window's key statements under the key rule: the stored spelling
// and the same number in other letter case behave alike.
#include "PersonFixture.h"

namespace {

// A valid number whose check character is X; stored with a small x.
const QString kStoredX = QStringLiteral("11010519491231002x");

TEST_F(PersonWindowTest, DuplicateIdTestAndItsLeaveRuleIgnoreLetterCase) {
    db.execute("INSERT INTO M_PERSON (IDCARD, NAME) VALUES (?, '李四')", {kStoredX});
    for (const QString& typed : {QStringLiteral("11010519491231002X"), kStoredX}) {
        fillValid("110000000003", typed);
        dialogs.clear();
        EXPECT_TRUE(win->checkInput()) << typed.toStdString();
        EXPECT_EQ(dialogs.messages(), QStringList{"已经存在该身份证号码"}) << typed.toStdString();
        dialogs.clear();
        win->DBEdit_GMSFZExit();
        EXPECT_TRUE(dialogs.messages().contains("已经存在该身份证号码")) << typed.toStdString();
    }
    EXPECT_EQ(count("M_PERSON"), 1);
}

TEST_F(PersonWindowTest, EmployerIsFoundByItsNumberInAnyLetterCase) {
    addEmployer("ab0000000006", "字母单位", "3", "10", "5");
    for (const char* typed : {"ab0000000006", "AB0000000006", "aB0000000006"}) {
        dialogs.clear();
        win->Edit_SHBXDJZBM->setText(QString());
        win->Edit_SHBXDJZBM->setText(typed);
        EXPECT_TRUE(dialogs.texts().isEmpty()) << typed;
        EXPECT_EQ(win->Edit_DWMC->text(), "字母单位") << typed;
    }
    // Stored under the number as typed, and joined to its employer by the same rule.
    fillValid("AB0000000006");
    dialogs.clear();
    win->Button_SAVEClick();
    EXPECT_EQ(dialogs.messages(), QStringList{"保存数据成功"});
    EXPECT_EQ(
        db.scalar("SELECT c.NAME FROM M_PERSON p JOIN M_CORPORATION c ON p.SSN = c.SSN WHERE p.IDCARD = ?",
                  {kId})
            .toString(),
        "字母单位");
    EXPECT_EQ(db.scalar("SELECT CORPSN FROM M_PERSON WHERE IDCARD = ?", {kId}),
              db.scalar("SELECT CORPSN FROM M_CORPORATION WHERE SSN = 'ab0000000006'"));
}

}  // namespace
