// The employer query window under the key rule: a number typed or stored in
// other letter case is the same number; in a register from before the rule
// that still holds both spellings, each list row acts on its own employer.
#include "employer/TForm_cop_info.h"
#include "test_cop_query_fixture.h"

namespace {

class CopQueryKeysTest : public CopQueryTest {
  protected:
    // As a register upgraded from before the key rule may be until corrected.
    void allowBothSpellings() {
        db.executeScript(
            "DROP INDEX idx_M_CORPORATION_SSN; CREATE INDEX idx_M_CORPORATION_SSN ON M_CORPORATION (SSN);");
    }
};

TEST_F(CopQueryKeysTest, QueryByNumberIgnoresLetterCase) {
    for (const char* typed : {"ab0000000004", "AB0000000004", "aB0000000004"}) {
        w->Edit_BXDJZBM->setText(typed);
        w->Button_queryClick();
        EXPECT_EQ(listed(), QStringList{"ab0000000004"}) << typed;
    }
}

TEST_F(CopQueryKeysTest, PersonsStoredWithTheNumberInOtherCaseBlockTheDelete) {
    addPerson("110101194001010033", "王五", "AB0000000004");
    listAll();
    ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "ab0000000004"));
    w->Button_deleteClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"对不起，此条单位信息不能删除。\r\r其下已经有1条职工信息。\r"
                                           "如果确定想删除，请首先删除其所有职工信息。"});
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION WHERE SSN='ab0000000004'"), 1);
}

TEST_F(CopQueryKeysTest, EachSpellingOfAListRowOpensAndDeletesItsOwnEmployer) {
    allowBothSpellings();
    addEmployer("AB0000000004", "天津港务局二");
    TForm_cop_info info;
    Form_cop_info = &info;
    w->Edit_BXDJZBM->setText("ab0000000004");
    w->Button_queryClick();
    EXPECT_EQ(listed().size(), 2);
    for (const char* number : {"AB0000000004", "ab0000000004"}) {
        ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", number));
        modal.windows.clear();
        w->DBGrid1DblClick();
        ASSERT_EQ(modal.windows, QList<QWidget*>{&info}) << number;
        EXPECT_EQ(info.ADOTable_corporation->value("SSN").toString(), number);
        info.ADOTable_corporation->cancel();
    }
    Form_cop_info = nullptr;
    ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "AB0000000004"));
    dialogs.answer(true);
    w->Button_deleteClick();
    EXPECT_EQ(countFromOutside("SELECT NAME FROM M_CORPORATION WHERE SSN='ab0000000004'"), 0);
    store::Connection other;
    other.open(work.database());
    EXPECT_EQ(other.select("SELECT SSN, NAME FROM M_CORPORATION WHERE SSN = 'AB0000000004' ORDER BY CORPSN"),
              (QList<QVariantList>{{"ab0000000004", "天津港务局"}}));
}

}  // namespace
