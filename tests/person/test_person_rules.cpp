// The employer lookup and the fee rules: which rows the three restricted
// lists offer and what they preset, and how a stored person is loaded.
#include "PersonFixture.h"
#include "support/CaseName.h"

namespace {

struct FeeCase {
    const char* ssn;
    const char* feeType;
    QStringList feePsnCodes;
    const char* feePsnShown;
    QStringList medCodes;
    QStringList payCodes;
    const char* payShown;
};

void PrintTo(const FeeCase& c, std::ostream* os) {
    *os << "FeeType" << c.feeType;
}

class FeeRules : public PersonWindowTest, public ::testing::WithParamInterface<FeeCase> {};

TEST_P(FeeRules, ListsAndPresetsAfterTheLookup) {
    const FeeCase& c = GetParam();
    win->Edit_SHBXDJZBM->setText(c.ssn);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(win->corpSRetFeeType(), c.feeType);
    EXPECT_EQ(codes(win->ADOQuery_JFRYLB), c.feePsnCodes);
    EXPECT_EQ(win->DBLookupComboBox_JFRYLB->text(), c.feePsnShown);
    EXPECT_EQ(codes(win->ADOQuery_YBCBRYLB), c.medCodes);
    EXPECT_EQ(codes(win->ADOQuery_LXJFFS), c.payCodes);
    EXPECT_EQ(win->DBLookupComboBox_LXJFFS->text(), c.payShown);
    // The preset is also what would be stored.
    EXPECT_EQ(win->DBLookupComboBox_LXJFFS->code(), QString(c.payShown) == "财政拨款" ? "1" : "2");
}

INSTANTIATE_TEST_SUITE_P(
    PersonWindow, FeeRules,
    ::testing::Values(
        // Financed by the state: non-paying retirees only, paid by grant.
        FeeCase{"110000000001", "1", {"17"}, "离休非缴费人员", {"27", "31", "49"}, {"1"}, "财政拨款"},
        // Paid by the employer: paying retirees, no disabled veterans.
        FeeCase{"110000000002", "2", {"14"}, "离休人员", {"27", "31"}, {"2"}, "单位缴费"},
        // Both: every category, employer payment preset, nothing chosen for the person.
        FeeCase{"110000000003",
                "3",
                {"11", "12", "13", "14", "15", "16", "17"},
                "",
                {"27", "31", "49"},
                {"1", "2"},
                "单位缴费"}),
    testing_support::CaseName());

// A fee type other than 1, 2 and 3 leaves the lists as the last rule left them;
// the post still follows the new employer's type.
TEST_F(PersonWindowTest, OtherFeeTypesLeaveTheLists) {
    struct Case {
        const char* ssn;
        QVariant feeType;
        const char* kept;
    };
    const QList<Case> cases = {{"110000000011", QVariant(), ""},
                               {"110000000012", "", ""},
                               {"110000000013", "4", "4"},
                               {"110000000014", " 1", " 1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ssn);
        db.execute(
            "INSERT INTO M_CORPORATION (SSN, NAME, CORPSRETFEETYPE, CORPTYPE, BELONG) "
            "VALUES (?, '其他单位', ?, '10', '5')",
            {c.ssn, c.feeType});
        win->Edit_SHBXDJZBM->setText("110000000002");  // fee type 2, employer type 30
        ASSERT_TRUE(win->DBLookupComboBox_XZZW->isEnabled());
        win->Edit_SHBXDJZBM->setText(c.ssn);
        EXPECT_EQ(win->Edit_DWMC->text(), "其他单位");
        EXPECT_EQ(win->corpSRetFeeType(), c.kept);
        EXPECT_EQ(codes(win->ADOQuery_JFRYLB), QStringList{"14"});
        EXPECT_EQ(win->DBLookupComboBox_JFRYLB->text(), "离休人员");
        EXPECT_EQ(codes(win->ADOQuery_YBCBRYLB), (QStringList{"27", "31"}));
        EXPECT_EQ(codes(win->ADOQuery_LXJFFS), QStringList{"2"});
        EXPECT_EQ(win->DBLookupComboBox_LXJFFS->text(), "单位缴费");
        EXPECT_FALSE(win->DBLookupComboBox_XZZW->isEnabled());
    }
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(PersonWindowTest, LookupRunsAtTwelveCharactersOnly) {
    win->Edit_SHBXDJZBM->setText("11000000000");
    EXPECT_TRUE(win->Edit_DWMC->text().isEmpty());
    EXPECT_FALSE(win->ADOQuery_Corpinfo->isOpen());
    win->Edit_SHBXDJZBM->setText("110000000002");
    EXPECT_EQ(win->Edit_DWMC->text(), "缴费机关");
    EXPECT_TRUE(win->DBLookupComboBox_XZZW->isEnabled());  // an employer of type 30

    // No such employer: the message, an empty name, and the rules of the last one found stay.
    win->Edit_SHBXDJZBM->setText("110000000099");
    EXPECT_EQ(dialogs.messages(), QStringList{"系统内无此单位名称"});
    EXPECT_TRUE(win->Edit_DWMC->text().isEmpty());
    EXPECT_EQ(win->corpSRetFeeType(), "2");
    EXPECT_EQ(codes(win->ADOQuery_JFRYLB), QStringList{"14"});

    // A quote in the number is looked up as typed and breaks nothing.
    dialogs.clear();
    win->Edit_SHBXDJZBM->setText("11000000'or'");
    EXPECT_EQ(dialogs.messages(), QStringList{"系统内无此单位名称"});
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(PersonWindowTest, AdministrativePostFollowsTheEmployerType) {
    win->Edit_SHBXDJZBM->setText("110000000002");
    ASSERT_TRUE(win->DBLookupComboBox_XZZW->isEnabled());
    win->DBLookupComboBox_XZZW->setValue("国家级正职");
    win->Edit_SHBXDJZBM->setText("110000000003");
    EXPECT_FALSE(win->DBLookupComboBox_XZZW->isEnabled());
    EXPECT_TRUE(win->DBLookupComboBox_XZZW->text().isEmpty());
}

TEST_F(PersonWindowTest, PickingACategoryAndLeavingTheList) {
    show();
    win->Edit_SHBXDJZBM->setText("110000000003");
    win->DBLookupComboBox_JFRYLB->setFocus();
    choose(win->DBLookupComboBox_JFRYLB, "离休人员");
    // The list rule of code 14.
    EXPECT_EQ(codes(win->ADOQuery_YBCBRYLB), (QStringList{"27", "31"}));
    EXPECT_EQ(codes(win->ADOQuery_LXJFFS), QStringList{"2"});
    EXPECT_EQ(win->DBLookupComboBox_LXJFFS->text(), "单位缴费");
    EXPECT_TRUE(win->DBLookupComboBox_LTXRYLB->text().isEmpty());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(focusName(), "DBLookupComboBox_YBCBRYLB");
    EXPECT_EQ(win->DBLookupComboBox_LTXRYLB->text(), "离休人员");

    // Another category empties the retirement category; no restriction is lifted.
    win->DBLookupComboBox_JFRYLB->setFocus();
    choose(win->DBLookupComboBox_JFRYLB, "在职职工");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(win->DBLookupComboBox_LTXRYLB->text().isEmpty());
    EXPECT_EQ(codes(win->ADOQuery_YBCBRYLB), (QStringList{"27", "31"}));
    EXPECT_EQ(codes(win->ADOQuery_LXJFFS), QStringList{"2"});

    // 离休非缴费人员 narrows the payment to the grant; the medical list stays as the rule leaves it.
    choose(win->DBLookupComboBox_JFRYLB, "离休非缴费人员");
    EXPECT_EQ(codes(win->ADOQuery_YBCBRYLB), (QStringList{"27", "31", "49"}));
    EXPECT_EQ(codes(win->ADOQuery_LXJFFS), QStringList{"1"});
    EXPECT_EQ(win->DBLookupComboBox_LXJFFS->text(), "财政拨款");
}

struct LoadCase {
    const char* ssn;
    const char* feePsn;
    const char* med;
    const char* pay;
    const char* feePsnShown;
    const char* medShown;
    const char* payShown;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << "employer " << c.ssn << " stored " << c.feePsn << " " << c.med << " " << c.pay;
}

class LoadingAPerson : public PersonWindowTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadingAPerson, StoredValuesWinWhereTheRestrictedListHoldsThem) {
    const LoadCase& c = GetParam();
    db.execute(
        "INSERT INTO M_PERSON (IDCARD, NAME, SSN, NATION, FEEPSNTYPE, MEDPSNTYPE, PSNSRETFEETYPE, SEX, "
        "ADMINDUTY) "
        "VALUES (?, '王五', ?, '01', ?, ?, ?, '1', '101')",
        {kId, c.ssn, c.feePsn, c.med, c.pay});
    const qlonglong psnsn = db.lastInsertRowId();
    db.execute(
        "INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, HOSP_1, HOSP_2, IDCARD) VALUES (?, '01010001', "
        "'99999999', ?)",
        {psnsn, kId});
    win->getFieldValues(QString::number(psnsn), c.ssn, "载入的单位名");
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join("|").toStdString();
    EXPECT_EQ(win->Edit_DWMC->text(), "载入的单位名");
    EXPECT_EQ(win->DBEdit_NAME->text(), "王五");
    EXPECT_EQ(win->DBLookupComboBox_NATION->text(), "汉族");
    EXPECT_EQ(win->DBLookupComboBox_SEX->text(), "男");
    EXPECT_EQ(win->DBLookupComboBox_JFRYLB->text(), c.feePsnShown);
    EXPECT_EQ(win->DBLookupComboBox_YBCBRYLB->text(), c.medShown);
    EXPECT_EQ(win->DBLookupComboBox_LXJFFS->text(), c.payShown);
    // A stored post shows, enabled, even though the employer's type is not 30.
    EXPECT_EQ(win->DBLookupComboBox_XZZW->text(), "国家级正职");
    EXPECT_TRUE(win->DBLookupComboBox_XZZW->isEnabled());
    EXPECT_EQ(win->DBEdit_DDYLJG[0]->text(), "01010001");
    EXPECT_EQ(win->Edit_HOSNAME[0]->text(), "东城一院");
    EXPECT_TRUE(win->Edit_HOSNAME[1]->text().isEmpty());  // a code no longer in d_hos
}

INSTANTIATE_TEST_SUITE_P(
    PersonWindow, LoadingAPerson,
    ::testing::Values(
        // Fee type 3, category 14: its rule offers 27/31 and payment 2 only.
        LoadCase{"110000000003", "14", "31", "2", "离休人员", "老红军", "单位缴费"},
        // The stored payment 1 and the veteran category are outside those lists: shown empty.
        LoadCase{"110000000003", "14", "49", "1", "离休人员", "", ""},
        // Category 17 offers 27/31/49 and payment 1.
        LoadCase{"110000000003", "17", "49", "1", "离休非缴费人员", "在乡二等乙级伤残军人", "财政拨款"},
        // Fee type 1 lists code 17 only: a stored 14 shows nothing, the lists keep the employer's rule.
        LoadCase{"110000000001", "14", "27", "1", "", "离休干部", "财政拨款"}),
    testing_support::CaseName());

TEST_F(PersonWindowTest, PersonWithoutInstitutionRowGetsAFreshOne) {
    db.execute("INSERT INTO M_PERSON (IDCARD, NAME, SSN) VALUES (?, '甲', '110000000003')", {kId});
    const qlonglong first = db.lastInsertRowId();
    db.execute("INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, HOSP_1, IDCARD) VALUES (?, '01010001', ?)",
               {first, kId});
    db.execute("INSERT INTO M_PERSON (IDCARD, NAME, SSN) VALUES (?, '乙', '110000000003')", {kId2});
    const qlonglong second = db.lastInsertRowId();

    win->getFieldValues(QString::number(second), "110000000003", "混合单位");
    EXPECT_EQ(dialogs.messages(), QStringList{"未找到该参保人的定点医疗机构信息"});
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(win->DBEdit_DDYLJG[i]->text().isEmpty());
    win->ADOTable_PERSON->edit();
    win->ADOTable_DDYLJG->edit();
    perInfoMode = 2;

    // Storing writes a row of the second person's own; the first person's row is untouched.
    fillValid("110000000003", kId2);
    win->DBEdit_DDYLJG[0]->setFieldText("02010001");
    dialogs.clear();
    win->Button_SAVEClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"保存数据成功"});
    EXPECT_EQ(db.select("SELECT PSNSN, HOSP_1, IDCARD FROM M_PSNAPPOINTEDHOSPITAL ORDER BY rowid"),
              (QList<QVariantList>{{first, "01010001", kId}, {second, "02010001", kId2}}));
}

TEST_F(PersonWindowTest, LoadingAPersonThatIsGoneIsAnError) {
    db.execute("INSERT INTO M_PERSON (IDCARD, NAME) VALUES (?, '丙')", {kId});
    EXPECT_THROW(win->getFieldValues("999", "110000000003", "混合单位"), store::Error);
}

}  // namespace
