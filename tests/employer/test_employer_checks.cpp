#include <functional>

#include "EmployerFixture.h"
#include "app/globals/Globals.h"
#include "person/IdCardCheck.h"
#include "support/CaseName.h"

namespace {

struct CheckCase {
    const char* why;
    std::function<void(EmployerWindowTest&, TForm_cop_info&)> change;
    QString message;      // empty: the save passes
    const char* control;  // the control that gets the focus
    const char* page;     // the page in front afterwards; nullptr: unchanged
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.why;
}

class CheckTest : public EmployerWindowTest, public testing::WithParamInterface<CheckCase> {
  public:
    using EmployerWindowTest::storeEmployer;
};

using W = TForm_cop_info;
using T = EmployerWindowTest;

TEST_P(CheckTest, FirstFailingCheckShowsItsMessageAndFocusesItsControl) {
    const CheckCase& c = GetParam();
    fillValid();
    c.change(*this, *w);
    // Start far away from most controls: page 3.
    focus(w->DBEdit_ZFKHYHHM);
    dialogs.clear();
    const int before = storedCount();
    key(Qt::Key_F1);
    if (c.message.isEmpty()) {
        EXPECT_EQ(dialogs.texts(), QStringList{"数据保存成功"});
        EXPECT_EQ(storedCount(), before + 1);
        return;
    }
    EXPECT_EQ(dialogs.texts(), QStringList{c.message});
    ASSERT_TRUE(focused());
    EXPECT_EQ(focused()->objectName(), c.control);
    EXPECT_EQ(w->PageControl1->currentWidget()->objectName(), c.page ? c.page : "TabSheet3");
    EXPECT_EQ(storedCount(), before);
    EXPECT_EQ(copInfoMode, 1);
    EXPECT_TRUE(w->ADOTable_corporation->isEditing());
}

auto text(ui::DBEdit* W::*field, const char* value) {
    return [field, value](T&, W& w) { (w.*field)->setFieldText(QString::fromUtf8(value)); };
}
auto pick(ui::DBLookupComboBox* W::*list, const char* value) {
    return [list, value](T&, W& w) { (w.*list)->setValue(QString::fromUtf8(value)); };
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, CheckTest,
    testing::Values(
        CheckCase{"1 number of 11", [](T&, W& w) { w.Edit_BXDJZBM->setText("11000000000"); },
                  "请正确输入社保登记证号码", "Edit_BXDJZBM", nullptr},
        CheckCase{"1 number of 11 and a blank", [](T&, W& w) { w.Edit_BXDJZBM->setText("11000000000 "); },
                  "请正确输入社保登记证号码", "Edit_BXDJZBM", nullptr},
        CheckCase{"2 number already stored",
                  [](T& t, W&) {
                      static_cast<CheckTest&>(t).storeEmployer({{"SSN", kSsn}});
                  },
                  "已经存在该社保登记证号码", "Edit_BXDJZBM", nullptr},
        CheckCase{"3 no fee area", pick(&W::DBLookupComboBox_jfdq, ""), "请选择缴费地区",
                  "DBLookupComboBox_jfdq", nullptr},
        CheckCase{"4 blank name", text(&W::DBEdit_DWMC, "  "), "请正确输入单位名称", "DBEdit_DWMC",
                  "TabSheet1"},
        CheckCase{"5 no telephone", text(&W::DBEdit_DWDH, ""), "请正确输入单位电话号码", "DBEdit_DWDH",
                  "TabSheet1"},
        CheckCase{"6 no address", text(&W::DBEdit_DWDZ, ""), "请正确输入单位地址", "DBEdit_DWDZ",
                  "TabSheet1"},
        CheckCase{"7 postcode of 5", text(&W::DBEdit_DWYB, "10001"), "请输入6位单位邮政编码", "DBEdit_DWYB",
                  "TabSheet1"},
        CheckCase{"8 no legal representative", text(&W::DBEdit_FRXM, ""), "请输入法定代表人或负责人姓名",
                  "DBEdit_FRXM", "TabSheet1"},
        CheckCase{"9 wrong check character", text(&W::DBEdit_FRSFZ, "110105194912310021"),
                  idcard::kWrongCheckPrefix + "x", "DBEdit_FRSFZ", "TabSheet1"},
        CheckCase{"9 sixteen characters", text(&W::DBEdit_FRSFZ, "1101051949123100"), idcard::kNeed15Or18,
                  "DBEdit_FRSFZ", "TabSheet1"},
        CheckCase{"10 no representative telephone", text(&W::DBEdit_FRDH, ""), "请输入法定代表人或负责人电话",
                  "DBEdit_FRDH", "TabSheet1"},
        CheckCase{"11 no fee officer", text(&W::DBEdit_ZGYXM, ""), "请输入缴费单位专管员姓名", "DBEdit_ZGYXM",
                  "TabSheet1"},
        CheckCase{"12 no fee officer telephone", text(&W::DBEdit_ZGYDH, ""), "请输入缴费单位专管员电话",
                  "DBEdit_ZGYDH", "TabSheet1"},
        CheckCase{"13 no employer type", pick(&W::DBLookupComboBox_dwlx, ""), "请选择单位类型",
                  "DBLookupComboBox_dwlx", "TabSheet1"},
        CheckCase{"14 no affiliation", pick(&W::DBLookupComboBox_lsgx, ""), "请选择单位隶属关系",
                  "DBLookupComboBox_lsgx", "TabSheet1"},
        CheckCase{"15 no bank code", [](T&, W& w) { w.Edit_KHYHDM->setText(" "); },
                  "请选择开户银行（收缴）名称", "DBLookupComboBox_khyh", "TabSheet1"},
        CheckCase{"15 no bank", pick(&W::DBLookupComboBox_khyh, ""), "请选择开户银行（收缴）名称",
                  "DBLookupComboBox_khyh", "TabSheet1"},
        CheckCase{"16 no account name", text(&W::DBEdit_KHHM, ""), "请填写户名（收缴）", "DBEdit_KHHM",
                  "TabSheet1"},
        CheckCase{"17 no account", text(&W::DBEdit_YHZH, ""), "请填写银行基本账号（收缴）", "DBEdit_YHZH",
                  "TabSheet1"},
        CheckCase{"18 organisation code used",
                  [](T& t, W&) {
                      static_cast<CheckTest&>(t).storeEmployer(
                          {{"SSN", "990000000001"}, {"ORGCODE", "12345678-9"}});
                  },
                  "已经存在该组织机构代码", "DBEdit_ZZJGDM", "TabSheet2"},
        CheckCase{"19 no short name", text(&W::DBEdit_DWJC, ""), "请填写单位简称", "DBEdit_DWJC",
                  "TabSheet2"},
        CheckCase{"20 no category", pick(&W::DBLookupComboBox_dwlb, ""), "请选择单位类别",
                  "DBLookupComboBox_dwlb", "TabSheet2"},
        CheckCase{"21 certificate tomorrow", text(&W::DBEdit_DJZFZRQ, "2024-06-16"),
                  "登记证发证日期不能大于当前日期", "DBEdit_DJZFZRQ", "TabSheet2"},
        CheckCase{"22 licence tomorrow", text(&W::DBEdit_FZRQ, "2024-06-16"),
                  "工商登记发照日期不能大于当前日期", "DBEdit_FZRQ", "TabSheet1"},
        CheckCase{"23 approval tomorrow", text(&W::DBEdit_PZRQ, "2024-06-16"), "批准日期不能大于当前日期",
                  "DBEdit_PZRQ", "TabSheet1"},
        CheckCase{"24 enterprise without economic type", pick(&W::DBLookupComboBox_jjlx, ""),
                  "请选择经济类型", "DBLookupComboBox_jjlx", "TabSheet2"},
        CheckCase{"25 no organisation code", text(&W::DBEdit_ZZJGDM, ""), "请填写组织机构代码",
                  "DBEdit_ZZJGDM", "TabSheet2"},
        CheckCase{"26 economic type without investment flag", pick(&W::DBLookupComboBox_ISZGC, ""),
                  "请选择中关村科技园区投资企业标识", "DBLookupComboBox_ISZGC", "TabSheet2"},
        CheckCase{"27 no industry nature", pick(&W::DBLookupComboBox_hyxz, ""), "请选择行业性质",
                  "DBLookupComboBox_hyxz", "TabSheet2"},
        CheckCase{"28 no industry code", pick(&W::DBLookupComboBox_hydm, ""), "请选择行业代码",
                  "DBLookupComboBox_hydm", "TabSheet2"},
        CheckCase{"29 independent with second-level company", text(&W::DBEdit_EJDJZBM, "330000000001"),
                  "选择独立缴费形式，不能输入二级公司的社保登记证编码", "DBEdit_EJDJZBM", "TabSheet2"},
        CheckCase{"30 no payment method", pick(&W::DBLookupComboBox_jffs, ""), "请选择缴费方式",
                  "DBLookupComboBox_jffs", "TabSheet3"},
        CheckCase{"31 no retiree flag", pick(&W::DBLookupComboBox_lxxsbz, ""), "请选择离休医疗统筹享受标志",
                  "DBLookupComboBox_lxxsbz", "TabSheet3"},
        CheckCase{"32 entitled without method", pick(&W::DBLookupComboBox_lxjffs, ""),
                  "请选择离休医疗统筹缴费方式", "DBLookupComboBox_lxjffs", "TabSheet3"},
        CheckCase{"33 no period", pick(&W::DBLookupComboBox_JFZQ, ""), "请选择缴费周期",
                  "DBLookupComboBox_JFZQ", "TabSheet3"},
        CheckCase{"34 irregular without months", pick(&W::DBLookupComboBox_JFZQ, "不定期"),
                  "请填写不定期缴费月数", "Edit_BDQJFYS", "TabSheet3"}),
    testing_support::CaseName());

INSTANTIATE_TEST_SUITE_P(
    Passing, CheckTest,
    testing::Values(
        CheckCase{"dates of today pass",
                  [](T&, W& w) {
                      for (ui::DBEdit* e : {w.DBEdit_DJZFZRQ, w.DBEdit_FZRQ, w.DBEdit_PZRQ})
                          e->setFieldText("2024-06-15");
                  },
                  {},
                  "",
                  nullptr},
        CheckCase{"category without conditions needs no organisation code",
                  [](T&, W& w) {
                      w.DBEdit_ZZJGDM->setFieldText("");
                      w.DBLookupComboBox_dwlb->setValue("不具备法人和非法人条件的单位");
                  },
                  {},
                  "",
                  nullptr},
        CheckCase{"other employer types need no economic type",
                  [](T&, W& w) {
                      w.DBLookupComboBox_dwlx->setValue("机关");
                      w.DBLookupComboBox_ISZGC->setValue("");
                  },
                  {},
                  "",
                  nullptr},
        CheckCase{
            "not entitled needs no method", pick(&W::DBLookupComboBox_lxxsbz, "不享受"), {}, "", nullptr},
        CheckCase{"irregular with months",
                  [](T&, W& w) {
                      w.DBLookupComboBox_JFZQ->setValue("不定期");
                      w.Edit_BDQJFYS->setText("5");
                  },
                  {},
                  "",
                  nullptr},
        CheckCase{"empty representative number", text(&W::DBEdit_FRSFZ, ""), {}, "", nullptr},
        CheckCase{
            "15-character representative number", text(&W::DBEdit_FRSFZ, "110105491231002"), {}, "", nullptr},
        CheckCase{"united payment with a second-level company",
                  [](T&, W& w) {
                      w.DBLookupComboBox_JFXS->setValue("统一");
                      w.DBEdit_EJDJZBM->setFieldText("330000000001");
                  },
                  {},
                  "",
                  nullptr}),
    testing_support::CaseName());

TEST_F(EmployerWindowTest, AllFieldsEmptyGiveOnlyTheFirstMessage) {
    w->clearScreen();
    for (ui::DBLookupComboBox* l : w->findChildren<ui::DBLookupComboBox*>()) l->setValue(QString());
    focus(w->DBEdit_DWDH);
    key(Qt::Key_F1);
    EXPECT_EQ(dialogs.texts(), QStringList{"请正确输入社保登记证号码"});
    EXPECT_EQ(focused(), w->Edit_BXDJZBM);
}

TEST_F(EmployerWindowTest, SaveFromPageThreeFailingNameShowsPageOne) {
    fillValid();
    w->DBEdit_DWMC->setFieldText("");
    focus(w->DBEdit_ZFKHYHZH);
    w->Button_saveClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"请正确输入单位名称"});
    EXPECT_EQ(w->PageControl1->currentWidget(), w->TabSheet1);
    EXPECT_EQ(focused(), w->DBEdit_DWMC);
}

TEST_F(EmployerWindowTest, DateTypedInTheFocusedFieldIsCheckedBeforeStoring) {
    fillValid();
    focus(w->DBEdit_FZRQ);
    key(Qt::Key_Home);
    type("20240616");
    ASSERT_EQ(w->DBEdit_FZRQ->text(), "2024-06-16");
    key(Qt::Key_F1);
    EXPECT_EQ(dialogs.texts(), QStringList{"工商登记发照日期不能大于当前日期"});
    EXPECT_EQ(storedCount(), 0);
}

TEST_F(EmployerWindowTest, NonDigitInTheRepresentativeNumberStopsTheSaveWithAnError) {
    fillValid();
    w->DBEdit_FRSFZ->setFieldText("a1010519491231002X");
    w->Button_saveClick();
    EXPECT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(storedCount(), 0);
    EXPECT_EQ(focused(), w->DBEdit_FRSFZ);
}

TEST_F(EmployerWindowTest, RefusedPostShowsTheErrorAndKeepsTheRowPending) {
    fillValid();
    // The database refuses the new row after every check has passed.
    store::Connection other;
    other.open(dir.database());
    other.execute(
        "create trigger refuse before insert on M_CORPORATION begin select raise(abort, 'refused'); end");
    w->Button_saveClick();
    EXPECT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(copInfoMode, 1);
    EXPECT_TRUE(w->Edit_BXDJZBM->isEnabled());
    EXPECT_EQ(w->ADOTable_corporation->state(), store::Dataset::State::Insert);
}

}  // namespace
