// The employer window's key statements under the key rule: the stored
// spelling and the same number in other letter case behave alike.
#include "EmployerFixture.h"
#include "app/globals/Globals.h"
#include "store/Connection.h"

namespace {

const char* const kStored = "ab0000000001";
const char* const kSpellings[] = {"ab0000000001", "AB0000000001", "Ab0000000001"};

TEST_F(EmployerWindowTest, NumberCheckAndItsLeaveRuleIgnoreLetterCase) {
    storeEmployer({{"SSN", kStored}});
    for (const char* typed : kSpellings) {
        // The leave rule warns.
        dialogs.clear();
        w->Edit_BXDJZBM->setText(typed);
        w->Edit_BXDJZBMExit();
        EXPECT_EQ(dialogs.messages(), QStringList{"已经存在该社保登记证号码"}) << typed;
        // Check 2 refuses the save.
        fillValid();
        w->Edit_BXDJZBM->setText(typed);
        dialogs.clear();
        EXPECT_TRUE(w->checkInput()) << typed;
        EXPECT_EQ(dialogs.messages(), QStringList{"已经存在该社保登记证号码"}) << typed;
    }
    EXPECT_EQ(storedCount(), 1);
}

TEST_F(EmployerWindowTest, OrganisationCodeCheckIgnoresLetterCase) {
    storeEmployer({{"SSN", "330000000001"}, {"ORGCODE", "ab000001-x"}});
    for (const char* typed : {"ab000001-x", "AB000001-X"}) {
        fillValid();
        w->DBEdit_ZZJGDM->setFieldText(typed);
        dialogs.clear();
        EXPECT_TRUE(w->checkInput()) << typed;
        EXPECT_EQ(dialogs.messages(), QStringList{"已经存在该组织机构代码"}) << typed;
    }
    // A stored employer is not compared with itself, in any spelling.
    openStored("330000000001");
    fillValid();
    w->Edit_BXDJZBM->setText("330000000001");
    w->DBEdit_ZZJGDM->setFieldText("AB000001-X");
    dialogs.clear();
    w->checkInput();
    // The checks run past the code's (stopping at a later one, of the fields not filled here).
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_NE(dialogs.texts()[0], "已经存在该组织机构代码");
    EXPECT_NE(dialogs.texts()[0], "请填写组织机构代码");
}

TEST_F(EmployerWindowTest, SecondLevelCompanyIsFoundAndTheOwnNumberRefusedInAnyCase) {
    storeEmployer({{"SSN", kStored}, {"NAME", "上级单位"}, {"ORGCODE", "10000001-1"}});
    for (const char* typed : kSpellings) {
        dialogs.clear();
        w->Edit_BXDJZBM->setText("330000000001");
        w->DBEdit_EJDJZBM->setFieldText(typed);
        w->DBEdit_EJDJZBMExit();
        EXPECT_TRUE(dialogs.texts().isEmpty()) << typed;
        EXPECT_EQ(w->Edit_EJGSMC->text(), "上级单位") << typed;
        EXPECT_EQ(w->Edit_EJGSZZJGDM->text(), "10000001-1") << typed;
    }
    // The employer's own number in other letter case is its own number.
    w->Edit_BXDJZBM->setText("CD0000000001");
    w->DBEdit_EJDJZBM->setFieldText("cd0000000001");
    dialogs.clear();
    w->DBEdit_EJDJZBMExit();
    EXPECT_TRUE(dialogs.messages().contains("二级公司社保登记证编码不应该与本公司的社保登记证编码相同"));
    EXPECT_TRUE(w->DBEdit_EJDJZBM->text().isEmpty());
}

TEST_F(EmployerWindowTest, LocateFindsTheNumberInAnyCaseAndTheShownSpellingFirst) {
    storeEmployer({{"SSN", kStored}, {"NAME", "小写"}});
    for (const char* typed : kSpellings) {
        w->locateRecordByBXDJZH(typed);
        EXPECT_EQ(w->ADOTable_corporation->value("NAME"), "小写") << typed;
    }
    // A register from before the key rule may hold both spellings: each opens its own employer.
    {
        store::Connection c;
        c.open(dir.database());
        c.executeScript(
            "DROP INDEX idx_M_CORPORATION_SSN; CREATE INDEX idx_M_CORPORATION_SSN ON M_CORPORATION (SSN);");
    }
    storeEmployer({{"SSN", "AB0000000001"}, {"NAME", "大写"}});
    w->locateRecordByBXDJZH("AB0000000001");
    EXPECT_EQ(w->ADOTable_corporation->value("NAME"), "大写");
    w->locateRecordByBXDJZH("ab0000000001");
    EXPECT_EQ(w->ADOTable_corporation->value("NAME"), "小写");
}

}  // namespace
