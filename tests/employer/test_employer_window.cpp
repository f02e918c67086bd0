#include "EmployerFixture.h"
#include "app/globals/Globals.h"
#include "reports/ReportOutput.h"
#include "reports/TForm_print1.h"
#include "store/Error.h"

namespace {

TEST_F(EmployerWindowTest, NewEmployerShowsTheDefaults) {
    EXPECT_EQ(w->windowTitle(), "单位信息");
    EXPECT_EQ(w->size(), QSize(683, 543));
    EXPECT_EQ(w->DBLookupComboBox_jffs->text(), "银行托收");
    EXPECT_EQ(w->DBLookupComboBox_JFXS->text(), "独立");
    EXPECT_EQ(w->DBLookupComboBox_lxxsbz->text(), "享受");
    EXPECT_EQ(w->DBLookupComboBox_ISZGC->text(), "否");
    EXPECT_EQ(w->DBLookupComboBox_JFZQ->text(), "月");
    for (ui::DBLookupComboBox* l :
         {w->DBLookupComboBox_jfdq, w->DBLookupComboBox_dwlx, w->DBLookupComboBox_lsgx,
          w->DBLookupComboBox_khyh, w->DBLookupComboBox_ZZLX, w->DBLookupComboBox_jjlx,
          w->DBLookupComboBox_dwlb, w->DBLookupComboBox_hyxt, w->DBLookupComboBox_hyxz,
          w->DBLookupComboBox_hydm, w->DBLookupComboBox_SSXZQ, w->DBLookupComboBox_ZFDQ,
          w->DBLookupComboBox_lxjffs, w->DBLookupComboBox_ZFKHYHMC})
        EXPECT_TRUE(l->text().isEmpty()) << l->objectName().toStdString();
    // "享受" enables the payment method; "月" keeps the months field off.
    EXPECT_TRUE(w->DBLookupComboBox_lxjffs->isEnabled());
    EXPECT_FALSE(w->Edit_BDQJFYS->isEnabled());
    EXPECT_TRUE(w->Edit_BXDJZBM->isEnabled());
    EXPECT_EQ(focused(), w->Edit_BXDJZBM);
    EXPECT_EQ(w->PageControl1->currentWidget(), w->TabSheet1);
    EXPECT_EQ(w->ADOTable_corporation->state(), store::Dataset::State::Insert);
    EXPECT_FALSE(w->ADOTable_corporation->modified());
    // The industry codes start filtered by the first industry nature.
    for (int r = 0; r < w->ADOQuery_hydm->recordCount(); ++r)
        EXPECT_TRUE(w->ADOQuery_hydm->valueAt(r, 0).toString().startsWith("13"));
}

TEST_F(EmployerWindowTest, ControlsCarryTheirLabelsHintsAndWidths) {
    EXPECT_EQ(w->Edit_BXDJZBM->maxLength(), 12);
    EXPECT_EQ(w->DBEdit_DWYB->maxLength(), 6);
    EXPECT_EQ(w->DBEdit_DWMC->maxLength(), 80);
    EXPECT_EQ(w->DBEdit_ZZYXQX->maxLength(), 3);
    EXPECT_EQ(w->DBEdit_FZRQ->text(), "    -  -  ");
    EXPECT_EQ(w->DBEdit_FZRQ->toolTip(), "输入格式2001 01 01");
    for (QWidget* c :
         {static_cast<QWidget*>(w->DBLookupComboBox_ZZLX), static_cast<QWidget*>(w->DBLookupComboBox_jjlx),
          static_cast<QWidget*>(w->DBLookupComboBox_ISZGC), static_cast<QWidget*>(w->DBLookupComboBox_hyxt),
          static_cast<QWidget*>(w->DBLookupComboBox_SSXZQ),
          static_cast<QWidget*>(w->DBLookupComboBox_ZFKHYHMC)})
        EXPECT_EQ(c->toolTip(), "按空格键可以使本栏为空") << c->objectName().toStdString();
    EXPECT_EQ(w->PageControl1->tabText(0), "社会保险登记表");
    EXPECT_EQ(w->PageControl1->tabText(1), "社会保险补充登记表");
    EXPECT_EQ(w->PageControl1->tabText(2), "其它补充信息");
    EXPECT_EQ(w->Button_insert->text(), "新增");
    EXPECT_EQ(w->Button_save->text(), "保存");
    EXPECT_EQ(w->Button_print->text(), "打印");
    EXPECT_EQ(w->Button_CLOSE->text(), "关闭");
    EXPECT_EQ(w->PopupMenu1->actions().size(), 4);
    EXPECT_FALSE(w->DBLookupComboBox15->isEnabled());
    EXPECT_FALSE(w->Edit_SBDJJG->isEnabled());
}

TEST_F(EmployerWindowTest, ValidEmployerSavedWithF1IsStoredColumnByColumn) {
    fillValid();
    w->DBLookupComboBox_JFZQ->setValue("不定期");
    ASSERT_TRUE(w->Edit_BDQJFYS->isEnabled());
    w->Edit_BDQJFYS->setText("5");
    focus(w->DBEdit_DWMC);
    key(Qt::Key_F1);
    ASSERT_EQ(dialogs.texts(), QStringList{"数据保存成功"});
    const QVariantMap expected = {{"SSN", kSsn},
                                  {"FEEAREACODE", "01"},
                                  {"SSREGORG", "01"},
                                  {"PAYAREA", "01"},
                                  {"FEETYPE", "2"},
                                  {"CORPTYPE", "10"},
                                  {"BELONG", "4"},
                                  {"ECOTYPE", "110"},
                                  {"TRADEPROPERTY", "13"},
                                  {"TRADECODE", "1310"},
                                  {"TRADE", QVariant()},
                                  {"FEEBANK", "12&"},
                                  {"PAYBANK", QVariant()},
                                  {"DISTRICTCODE", QVariant()},
                                  {"FEEPERIOD", 5},
                                  {"FEEMETHOD", "1"},
                                  {"SRETFLAG", "1"},
                                  {"CORPSRETFEETYPE", "2"},
                                  {"ZGCCORP", "0"},
                                  {"NAME", "测试单位"},
                                  {"ZIP", "100010"},
                                  {"DELEGATEIDNO", "11010519491231002X"},
                                  {"ORGCODE", "12345678-9"},
                                  {"DELEGATECORPTYPE", "1"},
                                  {"INCOLICENSETYPE", QVariant()}};
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(storedValue(kSsn, it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(copInfoMode, 2);
    EXPECT_FALSE(w->Edit_BXDJZBM->isEnabled());
    EXPECT_EQ(focused(), w->Button_insert);
    EXPECT_EQ(w->ADOTable_corporation->state(), store::Dataset::State::Edit);

    // A further save updates the same employer.
    dialogs.clear();
    w->DBEdit_DWJC->setFieldText("改名");
    key(Qt::Key_F1);
    EXPECT_EQ(dialogs.texts(), QStringList{"数据保存成功"});
    EXPECT_EQ(storedValue(kSsn, "SHORTNAME"), "改名");
    EXPECT_EQ(storedCount(), 1);
}

TEST_F(EmployerWindowTest, PeriodWordsAreStoredAsMonths) {
    const QList<std::pair<QString, int>> words = {{"月", 1}, {"季", 3}, {"半年", 6}, {"全年", 12}};
    int n = 0;
    for (const auto& [word, months] : words) {
        const QString ssn = QString("11000000010%1").arg(n++);
        fillValid();
        w->Edit_BXDJZBM->setText(ssn);
        w->DBEdit_ZZJGDM->setFieldText("ORG" + ssn);
        w->DBLookupComboBox_JFZQ->setValue(word);
        w->Button_saveClick();
        EXPECT_EQ(storedValue(ssn, "FEEPERIOD"), months) << word.toStdString();
        w->Button_insertClick();
    }
    EXPECT_EQ(dialogs.messages().count("数据保存成功"), 4);
}

TEST_F(EmployerWindowTest, StoredEmployersLoadTheirPeriod) {
    struct Case {
        QVariant stored;
        QString word;
        bool monthsEnabled;
        QString months;
    };
    const QList<Case> cases = {{12, "全年", false, ""},
                               {2, "不定期", true, "2"},
                               {QVariant(), "不定期", true, ""},
                               {3, "季", false, ""}};
    int n = 0;
    for (const Case& c : cases) {
        const QString ssn = QString("22000000000%1").arg(n++);
        storeEmployer({{"SSN", ssn}, {"FEEPERIOD", c.stored}});
        openStored(ssn);
        EXPECT_EQ(w->DBLookupComboBox_JFZQ->text(), c.word) << ssn.toStdString();
        EXPECT_EQ(w->Edit_BDQJFYS->isEnabled(), c.monthsEnabled) << ssn.toStdString();
        EXPECT_EQ(w->Edit_BDQJFYS->text(), c.months) << ssn.toStdString();
    }
}

TEST_F(EmployerWindowTest, StoredEmployerComesBackAsNames) {
    storeEmployer({{"SSN", "330000000001"}, {"NAME", "上级单位"}, {"ORGCODE", "87654321-0"}});
    storeEmployer({{"SSN", "330000000002"},
                   {"FEEAREACODE", "02"},
                   {"PAYAREA", "03"},
                   {"FEETYPE", "1"},
                   {"CORPTYPE", "10"},
                   {"BELONG", "2"},
                   {"ECOTYPE", "120"},
                   {"TRADEPROPERTY", "17"},
                   {"TRADECODE", "1722"},
                   {"FEEBANK", "104&"},
                   {"PAYBANK", "123456"},
                   {"FEEPERIOD", 1},
                   {"FEEMETHOD", "2"},
                   {"SRETFLAG", "1"},
                   {"CORPSRETFEETYPE", "3"},
                   {"ZGCCORP", "1"},
                   {"SUPERIORSSN", "330000000001"},
                   {"DELEGATECORPTYPE", "6"},
                   {"TRADE", "ZZ"}});
    openStored("330000000002");
    EXPECT_EQ(w->Edit_BXDJZBM->text(), "330000000002");
    EXPECT_FALSE(w->Edit_BXDJZBM->isEnabled());
    EXPECT_EQ(w->DBLookupComboBox_jfdq->text(), "西城区");
    EXPECT_EQ(w->Edit_SBDJJG->text(), "北京市西城区社会保险事业管理中心");
    EXPECT_EQ(w->DBLookupComboBox_ZFDQ->text(), "崇文区");
    EXPECT_EQ(w->DBLookupComboBox_JFXS->text(), "统一");
    EXPECT_EQ(w->DBLookupComboBox_dwlx->text(), "企业");
    EXPECT_EQ(w->DBLookupComboBox_lsgx->text(), "省");
    EXPECT_EQ(w->DBLookupComboBox_jjlx->text(), "集体企业");
    EXPECT_EQ(w->DBLookupComboBox_hyxz->text(), "纺织业");
    EXPECT_EQ(w->DBLookupComboBox_hydm->text(), "毛纺织");
    EXPECT_TRUE(w->DBLookupComboBox_hyxt->text().isEmpty());  // code ZZ is no industry system
    EXPECT_EQ(w->DBLookupComboBox_khyh->text(), "中国银行北京市分行");
    EXPECT_EQ(w->Edit_KHYHDM->text(), "104&");
    EXPECT_EQ(w->DBLookupComboBox_ZFKHYHMC->text(), "北京市商业银行中关村支行");
    EXPECT_EQ(w->Edit_ZFKHYHDM->text(), "123456");
    EXPECT_EQ(w->DBLookupComboBox_jffs->text(), "转账支票");
    EXPECT_EQ(w->DBLookupComboBox_lxxsbz->text(), "享受");
    EXPECT_EQ(w->DBLookupComboBox_lxjffs->text(), "财政拨款和单位缴费");
    EXPECT_EQ(w->DBLookupComboBox_ISZGC->text(), "是");
    EXPECT_EQ(w->DBLookupComboBox_dwlb->text(), "不具备法人和非法人条件的单位");
    EXPECT_EQ(w->Edit_EJGSMC->text(), "上级单位");
    EXPECT_EQ(w->Edit_EJGSZZJGDM->text(), "87654321-0");
    EXPECT_FALSE(w->ADOTable_corporation->modified());
}

TEST_F(EmployerWindowTest, NotEntitledFlagSurvivesTheReload) {
    // Both flag rows carry code 1; a stored flag without a payment method was "不享受".
    storeEmployer({{"SSN", "440000000001"}, {"SRETFLAG", "1"}});
    openStored("440000000001");
    EXPECT_EQ(w->DBLookupComboBox_lxxsbz->text(), "不享受");
    EXPECT_FALSE(w->DBLookupComboBox_lxjffs->isEnabled());

    EXPECT_FALSE(w->ADOTable_corporation->modified());
    startNewEmployer();
    fillValid();
    w->Edit_BXDJZBM->setText("440000000002");
    w->DBEdit_ZZJGDM->setFieldText("ORG2");
    w->DBLookupComboBox_lxxsbz->setValue("不享受");
    EXPECT_TRUE(w->DBLookupComboBox_lxjffs->text().isEmpty());
    w->Button_saveClick();
    EXPECT_EQ(storedValue("440000000002", "SRETFLAG"), "1");
    EXPECT_TRUE(storedValue("440000000002", "CORPSRETFEETYPE").isNull());
    openStored("440000000002");
    EXPECT_EQ(w->DBLookupComboBox_lxxsbz->text(), "不享受");
}

TEST_F(EmployerWindowTest, LocatingAnUnknownNumberFails) {
    storeEmployer({{"SSN", "55000000000a"}});
    w->locateRecordByBXDJZH("55000000000A");  // letter case ignored
    EXPECT_EQ(w->ADOTable_corporation->value("SSN"), "55000000000a");
    EXPECT_THROW(w->locateRecordByBXDJZH("559999999999"), store::Error);
}

TEST_F(EmployerWindowTest, EnterWalksThePagesToSave) {
    fillValid();
    focus(w->DBEdit_YHZH);
    key(Qt::Key_Return);
    EXPECT_EQ(w->PageControl1->currentWidget(), w->TabSheet2);
    EXPECT_EQ(focused(), w->DBEdit_DWMC2);
    key(Qt::Key_Return);
    EXPECT_EQ(focused(), w->DBEdit_ZZJGDM);
    focus(w->DBEdit_EMAIL);
    key(Qt::Key_Return);
    EXPECT_EQ(w->PageControl1->currentWidget(), w->TabSheet3);
    EXPECT_EQ(focused(), w->DBLookupComboBox_ZFDQ);
    focus(w->DBEdit_ZFKHYHZH);
    key(Qt::Key_Return);
    EXPECT_EQ(focused(), w->Button_save);
    dialogs.clear();
    key(Qt::Key_Return);
    EXPECT_EQ(dialogs.texts(), QStringList{"数据保存成功"});
    EXPECT_EQ(storedCount(), 1);
}

TEST_F(EmployerWindowTest, EnterFollowsTheKeyboardOrderOfPageOne) {
    focus(w->DBLookupComboBox_jfdq);
    const QList<QWidget*> order = {w->DBEdit_DWMC,           w->DBEdit_DWDH,
                                   w->DBEdit_DWDZ,           w->DBEdit_DWYB,
                                   w->DBLookupComboBox_ZZLX, w->DBEdit9,
                                   w->DBEdit_FZRQ,           w->DBEdit_ZZYXQX,
                                   w->DBEdit_PZDW,           w->DBEdit_PZRQ,
                                   w->DBEdit_PZWH,           w->DBEdit_FRXM,
                                   w->DBEdit_FRSFZ,          w->DBEdit_FRDH,
                                   w->DBEdit_ZGYXM,          w->DBEdit_ZGYBM,
                                   w->DBEdit_ZGYDH,          w->DBLookupComboBox_dwlx,
                                   w->DBLookupComboBox_lsgx, w->DBEdit20,
                                   w->DBLookupComboBox_khyh, w->Edit_KHYHDM,
                                   w->DBEdit_KHHM,           w->DBEdit_YHZH,
                                   w->DBEdit_DWMC2};
    for (QWidget* next : order) {
        key(Qt::Key_Return);
        ASSERT_EQ(focused(), next) << "expected " << next->objectName().toStdString() << ", got "
                                   << (focused() ? focused()->objectName().toStdString() : "none");
    }
}

TEST_F(EmployerWindowTest, CloseAsksOnlyWhenChanged) {
    focus(w->DBEdit_DWMC);
    type("Unsaved");
    key(Qt::Key_Return);  // the typed text goes into the row
    ASSERT_TRUE(w->ADOTable_corporation->modified());

    // Yes with an invalid employer: the check's message, the window stays.
    dialogs.answer(true);
    key(Qt::Key_Escape);
    EXPECT_EQ(dialogs.texts(), (QStringList{"数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No",
                                            "请正确输入社保登记证号码"}));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(focused(), w->Edit_BXDJZBM);

    // No: closes and stores nothing.
    dialogs.clear();
    dialogs.answer(false);
    key(Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Edit_BXDJZBM->isEnabled());
    EXPECT_EQ(storedCount(), 0);
    EXPECT_EQ(w->ADOTable_corporation->state(), store::Dataset::State::Browse);
}

// Esc or 新增 straight after typing, without leaving the field: the typed text
// counts as a change, so the question comes before anything is dropped.
TEST_F(EmployerWindowTest, TextStillBeingTypedIsAskedAbout) {
    for (auto command : {&TForm_cop_info::Button_CLOSEClick, &TForm_cop_info::Button_insertClick}) {
        focus(w->DBEdit_DWMC);
        type("Typing");
        dialogs.clear();
        dialogs.answer(true);  // Yes with an invalid employer: the check refuses, nothing is lost
        (w.get()->*command)();
        EXPECT_EQ(dialogs.texts(), (QStringList{"数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No",
                                                "请正确输入社保登记证号码"}));
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->DBEdit_DWMC->text(), "Typing");
        EXPECT_EQ(w->ADOTable_corporation->value("NAME").toString(), "Typing");
        w->DBEdit_DWMC->setFieldText(QString());
    }
}

TEST_F(EmployerWindowTest, CloseAfterSaveAsksNothing) {
    fillValid();
    focus(w->DBEdit_YHZH);
    key(Qt::Key_Return);  // copies the bank data to page 3
    focus(w->DBEdit_YHZH);
    key(Qt::Key_F1);  // leaving the account field again after the save changes nothing
    ASSERT_EQ(dialogs.texts(), QStringList{"数据保存成功"});
    ASSERT_EQ(focused(), w->Button_insert);
    key(Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(storedCount(), 1);
}

TEST_F(EmployerWindowTest, CloseYesWithValidEmployerSavesThenCloses) {
    fillValid();
    dialogs.answer(true);
    w->Button_CLOSEClick();
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No", "数据保存成功"}));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(storedCount(), 1);
}

TEST_F(EmployerWindowTest, NewEmployerQuestion) {
    fillValid();
    w->Edit_BXDJZBM->setText("123");
    // Yes with a failing check keeps the data and starts nothing.
    dialogs.answer(true);
    w->Button_insertClick();
    EXPECT_EQ(dialogs.texts(), (QStringList{"数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No",
                                            "请正确输入社保登记证号码"}));
    EXPECT_EQ(w->DBEdit_DWMC->text(), "测试单位");
    EXPECT_EQ(w->Edit_BXDJZBM->text(), "123");

    // No drops it and starts a new one.
    dialogs.clear();
    dialogs.answer(false);
    w->Button_insertClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No"});
    EXPECT_TRUE(w->DBEdit_DWMC->text().isEmpty());
    EXPECT_TRUE(w->Edit_BXDJZBM->text().isEmpty());
    EXPECT_TRUE(w->DBLookupComboBox_dwlx->text().isEmpty());
    EXPECT_EQ(w->DBLookupComboBox_JFZQ->text(), "月");
    EXPECT_EQ(w->ADOTable_corporation->state(), store::Dataset::State::Insert);
    EXPECT_EQ(focused(), w->Edit_BXDJZBM);
    EXPECT_EQ(copInfoMode, 1);
    EXPECT_EQ(storedCount(), 0);

    // Yes with a valid employer saves it first.
    fillValid();
    dialogs.clear();
    dialogs.answer(true);
    w->Button_insertClick();
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No", "数据保存成功"}));
    EXPECT_EQ(storedCount(), 1);
    EXPECT_EQ(copInfoMode, 1);
    EXPECT_TRUE(w->Edit_BXDJZBM->isEnabled());
}

TEST_F(EmployerWindowTest, StoredEmployerSavedAgainKeepsItsNumber) {
    fillValid();
    w->Button_saveClick();
    openStored(kSsn);
    dialogs.clear();
    w->Button_saveClick();  // mode 2: its own number and organisation code pass
    EXPECT_EQ(dialogs.texts(), QStringList{"数据保存成功"});
    EXPECT_EQ(storedCount(), 1);
}

TEST_F(EmployerWindowTest, PrintCommandsCallTheReportModuleWithTheNumber) {
    fillValid();
    w->Button_saveClick();
    TForm_print1 module;
    reports::CapturingOutput output;
    module.setOutput(&output);
    Form_print1 = &module;
    using Kind = reports::CapturingOutput::Kind;
    const QString one = module.QuickRep1().title, two = module.QuickRep2().title;
    const struct {
        void (TForm_cop_info::*command)();
        QList<std::pair<Kind, QString>> jobs;
        const char* why;
    } cases[] = {
        {&TForm_cop_info::Button_printClick, {{Kind::Print, one}, {Kind::Print, two}}, "打印: both sheets"},
        {&TForm_cop_info::N1Click, {{Kind::Preview, one}}, "打印预览表一"},
        {&TForm_cop_info::N2Click, {{Kind::Preview, two}}, "打印预览表二"},
        {&TForm_cop_info::N3Click, {{Kind::Print, one}}, "打印表一"},
        {&TForm_cop_info::N4Click, {{Kind::Print, two}}, "打印表二"},
    };
    for (const auto& c : cases) {
        output.jobs.clear();
        (w.get()->*c.command)();
        QList<std::pair<Kind, QString>> got;
        for (const auto& j : output.jobs) got.append({j.kind, j.document.title});
        EXPECT_EQ(got, c.jobs) << c.why;
    }
    EXPECT_TRUE(dialogs.errors().isEmpty());
    Form_print1 = nullptr;
}

TEST_F(EmployerWindowTest, PrintWithoutReportModuleSaysSo) {
    Form_print1 = nullptr;
    w->Button_printClick();
    w->N1Click();
    EXPECT_EQ(dialogs.errors().size(), 2);
}

}  // namespace

namespace {

TEST_F(EmployerWindowTest, CloseBoxDiscardsWithoutAQuestion) {
    fillValid();
    ASSERT_TRUE(w->ADOTable_corporation->modified());
    w->close();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Edit_BXDJZBM->isEnabled());
    EXPECT_EQ(w->ADOTable_corporation->state(), store::Dataset::State::Browse);
    EXPECT_EQ(storedCount(), 0);
}

TEST_F(EmployerWindowTest, StoredEmployerShownPutsTheFocusOnNew) {
    fillValid();
    w->Button_saveClick();
    w->close();
    openStored(kSsn);
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(focused(), w->Button_insert);
    EXPECT_FALSE(w->Edit_BXDJZBM->isEnabled());
}

}  // namespace
