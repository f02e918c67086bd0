#include "EmployerFixture.h"
#include "app/globals/Globals.h"
#include "person/IdCardCheck.h"

namespace {

using testing_support::Shown;

TEST_F(EmployerWindowTest, BankCodeTypedAndLeftSelectsTheBank) {
    struct Case {
        const char* typed;
        const char* shown;  // the code field afterwards
        const char* bank;   // the bank chosen afterwards
        const char* why;
    } cases[] = {
        {"12", "12&", "北京农村商业银行", "short code gets the &"},
        {"123", "123&", "北京市商业银行", "three characters"},
        {" 12 ", "12&", "北京农村商业银行", "trimmed first"},
        {"1021&", "1021&", "中国工商银行北京市分行营业部", "already ends in &"},
        {"123456", "123456", "北京市商业银行中关村支行", "six characters stay"},
        {"999", "999&", "", "no such bank empties the choice"},
    };
    for (const Case& c : cases) {
        w->DBLookupComboBox_khyh->setValue("中国银行北京市分行");
        focus(w->Edit_KHYHDM);
        w->Edit_KHYHDM->clear();
        type(c.typed);
        key(Qt::Key_Return);
        EXPECT_EQ(w->Edit_KHYHDM->text(), c.shown) << c.why;
        EXPECT_EQ(w->DBLookupComboBox_khyh->text(), c.bank) << c.why;
        EXPECT_EQ(focused(), w->DBEdit_KHHM) << c.why;
    }
    // An empty or blank code changes nothing.
    w->DBLookupComboBox_khyh->setValue("中国银行北京市分行");
    focus(w->Edit_KHYHDM);
    w->Edit_KHYHDM->setText("  ");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Edit_KHYHDM->text(), "");
    EXPECT_EQ(w->DBLookupComboBox_khyh->text(), "中国银行北京市分行");
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(EmployerWindowTest, BankChosenByNameFillsItsCode) {
    focus(w->DBLookupComboBox_khyh);
    w->DBLookupComboBox_khyh->setValue("中国银行北京市分行");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Edit_KHYHDM->text(), "104&");
    // An empty bank keeps the code typed beside it.
    focus(w->DBLookupComboBox_khyh);
    w->DBLookupComboBox_khyh->setValue("");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Edit_KHYHDM->text(), "104&");

    // The payment bank: same, but an empty choice empties the code.
    focus(w->DBLookupComboBox_ZFKHYHMC);
    w->DBLookupComboBox_ZFKHYHMC->setValue("华夏银行北京分行营业部");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Edit_ZFKHYHDM->text(), "304001");
    focus(w->Edit_ZFKHYHDM);
    w->Edit_ZFKHYHDM->setText("12");
    key(Qt::Key_Return);
    EXPECT_EQ(w->DBLookupComboBox_ZFKHYHMC->text(), "北京农村商业银行");
    focus(w->DBLookupComboBox_ZFKHYHMC);
    key(Qt::Key_Space);
    EXPECT_TRUE(w->DBLookupComboBox_ZFKHYHMC->text().isEmpty());
    key(Qt::Key_Return);
    EXPECT_TRUE(w->Edit_ZFKHYHDM->text().isEmpty());
}

TEST_F(EmployerWindowTest, LeavingTheAccountCopiesTheBankToPageThree) {
    w->DBLookupComboBox_ZFKHYHMC->setValue("华夏银行北京分行营业部");
    w->Edit_ZFKHYHDM->setText("304001");
    w->DBEdit_ZFKHYHHM->setFieldText("旧户名");
    w->DBLookupComboBox_khyh->setValue("北京农村商业银行");
    w->Edit_KHYHDM->setText("12&");
    w->DBEdit_KHHM->setFieldText("新户名");
    focus(w->DBEdit_YHZH);
    type("622200");
    key(Qt::Key_Return);
    EXPECT_EQ(w->DBLookupComboBox_ZFKHYHMC->text(), "北京农村商业银行");
    EXPECT_EQ(w->Edit_ZFKHYHDM->text(), "12&");
    EXPECT_EQ(w->DBEdit_ZFKHYHHM->text(), "新户名");
    EXPECT_EQ(w->DBEdit_ZFKHYHZH->text(), "622200");
    EXPECT_EQ(w->ADOTable_corporation->value("PAYBANKACCOUNT"), "622200");
    EXPECT_EQ(w->ADOTable_corporation->value("PAYBANKACCNAME"), "新户名");
}

TEST_F(EmployerWindowTest, PaymentBankEmptiedWithSpaceStoresNoCode) {
    fillValid();
    focus(w->DBEdit_YHZH);
    key(Qt::Key_Return);  // copies the collection bank
    ASSERT_EQ(w->DBLookupComboBox_ZFKHYHMC->text(), "北京农村商业银行");
    focus(w->DBLookupComboBox_ZFKHYHMC);
    key(Qt::Key_Space);
    key(Qt::Key_F1);
    ASSERT_EQ(dialogs.texts(), QStringList{"数据保存成功"});
    EXPECT_EQ(storedValue(kSsn, "FEEBANK"), "12&");
    EXPECT_TRUE(storedValue(kSsn, "PAYBANK").isNull());
    EXPECT_EQ(storedValue(kSsn, "PAYBANKACCOUNT"), "6222000011112222");
}

TEST_F(EmployerWindowTest, IndustryCodesFollowTheIndustryNature) {
    w->DBLookupComboBox_hyxz->setValue("农副食品加工业");
    w->DBLookupComboBox_hydm->setValue("谷物磨制");
    ASSERT_EQ(w->DBLookupComboBox_hydm->text(), "谷物磨制");
    w->DBLookupComboBox_hyxz->setValue("纺织业");
    ASSERT_GT(w->ADOQuery_hydm->recordCount(), 0);
    for (int r = 0; r < w->ADOQuery_hydm->recordCount(); ++r) {
        EXPECT_TRUE(w->ADOQuery_hydm->valueAt(r, 0).toString().startsWith("17"));
        if (r > 0) {
            EXPECT_LT(w->ADOQuery_hydm->valueAt(r - 1, 0).toString(),
                      w->ADOQuery_hydm->valueAt(r, 0).toString());
        }
    }
    EXPECT_EQ(w->DBLookupComboBox_hydm->count(), w->ADOQuery_hydm->recordCount());
    // The code of the other nature is gone from view and must be chosen again.
    EXPECT_TRUE(w->DBLookupComboBox_hydm->text().isEmpty());
    EXPECT_TRUE(w->DBLookupComboBox_hydm->code().isEmpty());
}

TEST_F(EmployerWindowTest, ListRowChangesSwitchOtherFields) {
    // Employer type: anything but "企业" empties the economic type.
    w->DBLookupComboBox_dwlx->setValue("企业");
    w->DBLookupComboBox_jjlx->setValue("国有企业");
    w->DBLookupComboBox_dwlx->setValue("企业");
    EXPECT_EQ(w->DBLookupComboBox_jjlx->text(), "国有企业");
    w->DBLookupComboBox_dwlx->setValue("机关");
    EXPECT_TRUE(w->DBLookupComboBox_jjlx->text().isEmpty());

    // Payment form code 2 empties the second-level company.
    w->DBLookupComboBox_JFXS->setValue("统一");
    w->DBEdit_EJDJZBM->setFieldText("330000000001");
    w->Edit_EJGSMC->setText("上级");
    w->Edit_EJGSZZJGDM->setText("1");
    w->DBLookupComboBox_JFXS->setValue("独立");
    EXPECT_TRUE(w->DBEdit_EJDJZBM->text().isEmpty());
    EXPECT_TRUE(w->Edit_EJGSMC->text().isEmpty());
    EXPECT_TRUE(w->Edit_EJGSZZJGDM->text().isEmpty());

    // Retiree flag.
    w->DBLookupComboBox_lxjffs->setValue("单位缴费");
    w->DBLookupComboBox_lxxsbz->setValue("不享受");
    EXPECT_FALSE(w->DBLookupComboBox_lxjffs->isEnabled());
    EXPECT_TRUE(w->DBLookupComboBox_lxjffs->text().isEmpty());
    w->DBLookupComboBox_lxxsbz->setValue("享受");
    EXPECT_TRUE(w->DBLookupComboBox_lxjffs->isEnabled());

    // Payment period.
    w->DBLookupComboBox_JFZQ->setValue("不定期");
    EXPECT_TRUE(w->Edit_BDQJFYS->isEnabled());
    w->Edit_BDQJFYS->setText("7");
    w->DBLookupComboBox_JFZQ->setValue("季");
    EXPECT_FALSE(w->Edit_BDQJFYS->isEnabled());
    EXPECT_TRUE(w->Edit_BDQJFYS->text().isEmpty());
}

TEST_F(EmployerWindowTest, FeeAreaFillsAuthorityAndReimbursementArea) {
    focus(w->DBLookupComboBox_jfdq);
    w->DBLookupComboBox_jfdq->setValue("朝阳区");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Edit_SBDJJG->text(), "北京市朝阳区社会保险事业管理中心");
    EXPECT_EQ(w->DBLookupComboBox_ZFDQ->text(), "朝阳区");
    // Delete empties the fee area; leaving it then empties both.
    focus(w->DBLookupComboBox_jfdq);
    key(Qt::Key_Delete);
    EXPECT_TRUE(w->DBLookupComboBox_jfdq->text().isEmpty());
    key(Qt::Key_Return);
    EXPECT_TRUE(w->Edit_SBDJJG->text().isEmpty());
    EXPECT_TRUE(w->DBLookupComboBox_ZFDQ->text().isEmpty());
}

TEST_F(EmployerWindowTest, KeyRules) {
    // Digits only, anything else dropped with a beep.
    focus(w->DBEdit_DWYB);
    type("1a0 0-0");
    EXPECT_EQ(w->DBEdit_DWYB->text(), "1000");
    int beeps = 0;
    for (const Shown& s : dialogs.shown) beeps += s.kind == Shown::Beep;
    EXPECT_EQ(beeps, 3);
    key(Qt::Key_Backspace);
    EXPECT_EQ(w->DBEdit_DWYB->text(), "100");

    w->DBLookupComboBox_JFZQ->setValue("不定期");
    focus(w->Edit_BDQJFYS);
    type("1x2");
    EXPECT_EQ(w->Edit_BDQJFYS->text(), "12");

    // Space or Backspace empties these lists.
    struct {
        ui::DBLookupComboBox* list;
        const char* name;
    } emptied[] = {{w->DBLookupComboBox_jjlx, "国有企业"}, {w->DBLookupComboBox_ISZGC, "是"},
                   {w->DBLookupComboBox_hyxt, "机械系统"}, {w->DBLookupComboBox_ZFKHYHMC, "北京农村商业银行"},
                   {w->DBLookupComboBox_ZZLX, "营业执照"}, {w->DBLookupComboBox_SSXZQ, "东城区"}};
    for (auto& e : emptied) {
        for (int k : {Qt::Key_Space, Qt::Key_Backspace}) {
            e.list->setValue(e.name);
            ASSERT_FALSE(e.list->text().isEmpty()) << e.name;
            focus(e.list);
            key(k);
            EXPECT_TRUE(e.list->text().isEmpty()) << e.list->objectName().toStdString();
        }
    }
    // Others cannot be emptied by keys.
    w->DBLookupComboBox_dwlx->setValue("机关");
    focus(w->DBLookupComboBox_dwlx);
    key(Qt::Key_Backspace);
    key(Qt::Key_Delete);
    EXPECT_EQ(w->DBLookupComboBox_dwlx->text(), "机关");
}

TEST_F(EmployerWindowTest, SecondLevelCompanyNumber) {
    storeEmployer({{"SSN", "330000000001"}, {"NAME", "上级单位"}, {"ORGCODE", "87654321-0"}});
    w->Edit_BXDJZBM->setText(kSsn);
    struct Case {
        const char* typed;
        QStringList messages;
        const char* afterwards;  // the field's text
        const char* name;        // second-level name shown
    } cases[] = {
        {"330000000001", {}, "330000000001", "上级单位"},
        {"33000000000", {"请输入12位社保登记证编码"}, "33000000000", "上级单位"},
        {"339999999999", {"不存在此社保登记证编码！"}, "339999999999", ""},
        {kSsn,
         {"不存在此社保登记证编码！", "二级公司社保登记证编码不应该与本公司的社保登记证编码相同"},
         "",
         ""},
        {"", {}, "", ""},
    };
    for (const Case& c : cases) {
        dialogs.clear();
        focus(w->DBEdit_EJDJZBM);
        w->DBEdit_EJDJZBM->selectAll();
        key(Qt::Key_Delete);
        type(c.typed);
        key(Qt::Key_Return);
        EXPECT_EQ(dialogs.messages(), c.messages) << c.typed;
        EXPECT_EQ(w->DBEdit_EJDJZBM->text(), c.afterwards) << c.typed;
        EXPECT_EQ(w->Edit_EJGSMC->text(), c.name) << c.typed;
        // A warning never holds the focus.
        EXPECT_EQ(focused(), w->DBLookupComboBox_SSXZQ) << c.typed;
    }
}

TEST_F(EmployerWindowTest, LeavingTheNumberOrTheIdWarnsAndMovesOn) {
    storeEmployer({{"SSN", kSsn}});
    focus(w->Edit_BXDJZBM);
    type(kSsn);
    key(Qt::Key_Return);
    EXPECT_EQ(dialogs.messages(), QStringList{"已经存在该社保登记证号码"});
    EXPECT_EQ(focused(), w->DBLookupComboBox_jfdq);

    dialogs.clear();
    focus(w->DBEdit_FRSFZ);
    type("110105194912310021");
    key(Qt::Key_Return);
    EXPECT_EQ(dialogs.messages(), QStringList{idcard::kWrongCheckPrefix + "x"});
    EXPECT_EQ(focused(), w->DBEdit_FRDH);

    // A stored employer's number is not counted again.
    openStored(kSsn);
    dialogs.clear();
    w->Edit_BXDJZBMExit();
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(EmployerWindowTest, MessageBoxTakingTheFocusRaisesNoSecondExit) {
    // A real box takes the focus away and gives it back, as another window does.
    QWidget box;
    dialogs.onShow = [&](const Shown&) {
        box.show();
        QApplication::setActiveWindow(&box);
        box.activateWindow();
        box.setFocus();
        QApplication::processEvents();
        box.hide();
        QApplication::setActiveWindow(w.get());
        QApplication::processEvents();
    };
    focus(w->DBEdit_EJDJZBM);
    type("123");
    key(Qt::Key_Return);
    EXPECT_EQ(dialogs.messages(), QStringList{"请输入12位社保登记证编码"});
    EXPECT_EQ(focused(), w->DBLookupComboBox_SSXZQ);
}

TEST_F(EmployerWindowTest, PageChangeByACheckRunsTheExitOfTheFieldLeftOnce) {
    fillValid();
    w->DBEdit_DWMC->setFieldText("");
    focus(w->DBEdit_EJDJZBM);
    w->DBLookupComboBox_JFXS->setValue("统一");
    type("123");
    key(Qt::Key_F1);
    // The check's message, then the warning of the field left, each once.
    EXPECT_EQ(dialogs.messages(), (QStringList{"请正确输入单位名称", "请输入12位社保登记证编码"}));
    EXPECT_EQ(focused(), w->DBEdit_DWMC);
    EXPECT_EQ(w->PageControl1->currentWidget(), w->TabSheet1);

    // Walking on through the pages raises nothing more.
    dialogs.clear();
    focus(w->DBEdit_YHZH);
    key(Qt::Key_Return);
    EXPECT_EQ(focused(), w->DBEdit_DWMC2);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

}  // namespace
