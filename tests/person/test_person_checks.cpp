// The check before storing: each test's message and focus, in their order.
#include <functional>

#include "PersonFixture.h"
#include "support/CaseName.h"

namespace {

struct Step {
    const char* what;
    std::function<void(TForm_per_info*)> change;
    QString message;  // empty: accepted
    QString focus;    // empty: the focus stays where it was
};

// Filling the window one field after another: each check run must stop at
// the next test, which proves both the message and the order.
TEST_F(PersonWindowTest, CheckStopsAtEachTestInOrder) {
    const QString dup = "110105195202020030";
    db.execute("INSERT INTO M_PERSON (IDCARD, NAME) VALUES (?, '李四')", {dup});
    show();
    const QString today = "2024-06-15", tomorrow = "2024-06-16";
    const QList<Step> steps = {
        {"nothing typed", [](auto*) {}, "请正确输入社保登记证号码", "Edit_SHBXDJZBM"},
        {"unknown employer", [](auto* w) { w->Edit_SHBXDJZBM->setText("110000000099"); },
         "本系统不存在社会保险登记证号码为  110000000099  的参保单位\r\r请检查社保登记证编码是否输入正确",
         "Edit_SHBXDJZBM"},
        {"employer", [](auto* w) { w->Edit_SHBXDJZBM->setText("110000000003"); }, "请输入姓名",
         "DBEdit_NAME"},
        {"blank name is no name", [](auto* w) { w->DBEdit_NAME->setFieldText("  "); }, "请输入姓名",
         "DBEdit_NAME"},
        {"name", [](auto* w) { w->DBEdit_NAME->setFieldText("张三"); }, "请输入18位身份证号码",
         "DBEdit_GMSFZ"},
        {"wrong check character",
         [](auto* w) { w->DBEdit_GMSFZ->setFieldText(kId.left(17) + (kId.endsWith('0') ? "1" : "0")); },
         "身份证号码输入有误，根据公民身份号码前17位，最后一位校验码应该为" + kId.right(1), "DBEdit_GMSFZ"},
        {"a stored ID", [dup](auto* w) { w->DBEdit_GMSFZ->setFieldText(dup); }, "已经存在该身份证号码",
         "DBEdit_GMSFZ"},
        // Sex and birth date come from the number.
        {"ID", [](auto* w) { w->DBEdit_GMSFZ->setFieldText(kId); }, "请选择民族", "DBLookupComboBox_NATION"},
        {"nation", [](auto* w) { w->DBLookupComboBox_NATION->setValue("汉族"); }, "请选择缴费人员类别",
         "DBLookupComboBox_JFRYLB"},
        // Leaving the list presets the retirement category.
        {"category", [](auto* w) { choose(w->DBLookupComboBox_JFRYLB, "离休人员"); },
         "请选择医疗参保人员类别", "DBLookupComboBox_YBCBRYLB"},
        {"medical category", [](auto* w) { w->DBLookupComboBox_YBCBRYLB->setValue("离休干部"); },
         "请选择文化程度", "DBLookupComboBox_WHCD"},
        {"work date tomorrow",
         [tomorrow](auto* w) {
             w->DBLookupComboBox_WHCD->setValue("研究生");
             w->DBEdit_CJGZRQ->setFieldText(tomorrow);
         },
         "参加工作日期不能大于当前日期", "DBEdit_CJGZRQ"},
        {"work date today, retired tomorrow",
         [today, tomorrow](auto* w) {
             w->DBEdit_CJGZRQ->setFieldText(today);
             w->DBEdit_LTXRQ->setFieldText(tomorrow);
         },
         "离退休日期不能大于当前日期", "DBEdit_LTXRQ"},
        {"no retirement date", [](auto* w) { w->DBEdit_LTXRQ->setFieldText(""); }, "请输入离退休日期",
         "DBEdit_LTXRQ"},
        {"retired today, no category",
         [today](auto* w) {
             w->DBEdit_LTXRQ->setFieldText(today);
             w->DBLookupComboBox_LTXRYLB->setValue("");
         },
         "请选择离退休人员类别", "DBLookupComboBox_LTXRYLB"},
        {"retirement category", [](auto* w) { w->DBLookupComboBox_LTXRYLB->setValue("离休人员"); },
         "请输入现居住地地址", "DBEdit_XJZDDZ"},
        {"address", [](auto* w) { w->DBEdit_XJZDDZ->setFieldText("东城区和平里1号"); },
         "请输入6位居住地邮政编码", "DBEdit_JZDYZBM"},
        {"five-digit postcode", [](auto* w) { w->DBEdit_JZDYZBM->setFieldText("10001"); },
         "请输入6位居住地邮政编码", "DBEdit_JZDYZBM"},
        {"postcode", [](auto* w) { w->DBEdit_JZDYZBM->setFieldText("100010"); }, "请输入参保人电话",
         "DBEdit_CBRDH"},
        // Focusing slot 1 opens the search panel over it.
        {"slot 2 without slot 1",
         [](auto* w) {
             w->DBEdit_CBRDH->setFieldText("65001234");
             w->DBEdit_DDYLJG[1]->setFieldText("01010002");
         },
         "请按照顺序输入8位定点医疗机构编码", "Edit_hosinput"},
        {"slot 1, no payment method",
         [](auto* w) {
             w->DBEdit_DDYLJG[0]->setFieldText("01010001");
             w->DBLookupComboBox_LXJFFS->setValue("");
         },
         "请选择离休医疗统筹缴费方式", "DBLookupComboBox_LXJFFS"},
        {"slots 1 and 3 alike",
         [](auto* w) {
             w->DBLookupComboBox_LXJFFS->setValue("单位缴费");
             w->DBEdit_DDYLJG[2]->setFieldText("01010001");
         },
         "定点医疗机构重复选择，请核对", ""},
        {"slots 2 and 5 alike",
         [](auto* w) {
             w->DBEdit_DDYLJG[2]->setFieldText("");
             w->DBEdit_DDYLJG[4]->setFieldText("01010002");
         },
         "定点医疗机构重复选择，请核对", ""},
        {"all well", [](auto* w) { w->DBEdit_DDYLJG[4]->setFieldText(""); }, "", ""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.change(win.get());
        win->Button_SAVE->setFocus();  // the operator clicks "保存"
        dialogs.clear();
        const bool rejected = win->checkInput();
        EXPECT_EQ(rejected, !s.message.isEmpty());
        EXPECT_EQ(dialogs.texts(), s.message.isEmpty() ? QStringList() : QStringList{s.message});
        EXPECT_EQ(focusName(), s.focus.isEmpty() ? "Button_SAVE" : s.focus);
    }
    // The check filled sex and birth date from the number.
    EXPECT_EQ(win->DBLookupComboBox_SEX->text(), "男");
    EXPECT_EQ(win->DBEdit_CSRQ->text(), "1949-12-31");
    EXPECT_EQ(count("M_PERSON"), 1);  // checking stores nothing
}

struct VeteranCase {
    const char* ssn;
    const char* belong;
    QString message;
};

void PrintTo(const VeteranCase& c, std::ostream* os) {
    *os << "Belong" << c.belong;
}

class Veteran : public PersonWindowTest, public ::testing::WithParamInterface<VeteranCase> {};

TEST_P(Veteran, AffiliationDecides) {
    // Category 17 offers the veteran's medical category.
    fillValid(GetParam().ssn, kId, "离休非缴费人员");
    // A veteran needs neither retirement date nor category.
    win->DBLookupComboBox_YBCBRYLB->setValue("在乡二等乙级伤残军人");
    win->DBEdit_LTXRQ->setFieldText("");
    win->DBLookupComboBox_LTXRYLB->setValue("");
    dialogs.clear();
    EXPECT_EQ(win->checkInput(), !GetParam().message.isEmpty()) << GetParam().belong;
    EXPECT_EQ(dialogs.texts(),
              GetParam().message.isEmpty() ? QStringList() : QStringList{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(PersonWindow, Veteran,
                         ::testing::Values(
                             // 4 is a city employer: refused.
                             VeteranCase{"110000000004", "4",
                                         "在乡二等乙级伤残军人的所在单位不能为中央、省、计划单列市、市"},
                             // 5 is below the city: accepted.
                             VeteranCase{"110000000003", "5", ""}),
                         testing_support::CaseName());

TEST_F(PersonWindowTest, AffiliationThatIsNoNumberStoresNothing) {
    fillValid("110000000005", kId, "离休非缴费人员");
    win->DBLookupComboBox_YBCBRYLB->setValue("在乡二等乙级伤残军人");
    win->Button_SAVEClick();
    EXPECT_EQ(dialogs.errors(), QStringList{"“A1”不是有效的整数值"});
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(count("M_PERSON"), 0);
    EXPECT_EQ(count("M_PSNAPPOINTEDHOSPITAL"), 0);
}

TEST_F(PersonWindowTest, AdministrativePostRequiredOnlyForType30) {
    show();
    fillValid("110000000002");  // type 30; the rules preset 离休人员 and 单位缴费
    win->DBLookupComboBox_YBCBRYLB->setValue("离休干部");
    win->Button_SAVE->setFocus();
    EXPECT_TRUE(win->checkInput());
    EXPECT_EQ(dialogs.messages(), QStringList{"请选择行政职务"});
    EXPECT_EQ(focusName(), "DBLookupComboBox_XZZW");
    win->DBLookupComboBox_XZZW->setValue("国家级正职");
    EXPECT_FALSE(win->checkInput());

    // Another employer type: a post shown is emptied and disabled by the check, and not stored.
    dialogs.clear();
    newPerson();
    fillValid("110000000003");
    win->DBLookupComboBox_XZZW->setEnabled(true);
    win->DBLookupComboBox_XZZW->setValue("国家级正职");
    win->Button_SAVEClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"保存数据成功"});
    EXPECT_FALSE(win->DBLookupComboBox_XZZW->isEnabled());
    EXPECT_TRUE(win->DBLookupComboBox_XZZW->text().isEmpty());
    EXPECT_TRUE(db.scalar("SELECT ADMINDUTY FROM M_PERSON").isNull());
}

TEST_F(PersonWindowTest, SexFromTheNumberNeedsTheCodeTable) {
    // Without 男 and 女 in the table the ID check cannot show a sex.
    win->ADOConnection1.execute("DELETE FROM D_SEX WHERE NAME IN ('男', '女')");
    win->ADOQuery_SEX->requery();
    fillValid();
    EXPECT_TRUE(win->checkInput());
    EXPECT_EQ(dialogs.messages(), QStringList{"请选择性别"});
}

TEST_F(PersonWindowTest, SecondModeSkipsTheDuplicateTest) {
    db.execute("INSERT INTO M_PERSON (IDCARD, NAME) VALUES (?, '李四')", {kId2});
    fillValid();
    win->DBEdit_GMSFZ->setFieldText(kId2);
    EXPECT_TRUE(win->checkInput());
    EXPECT_EQ(dialogs.messages(), QStringList{"已经存在该身份证号码"});
    dialogs.clear();
    perInfoMode = 2;
    EXPECT_FALSE(win->checkInput());
    win->DBEdit_GMSFZExit();
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(PersonWindowTest, StoredPersonChangedToAnotherPersonsIdIsRefused) {
    db.execute("INSERT INTO M_PERSON (IDCARD, NAME) VALUES (?, '李四')", {kId2});
    show();
    fillValid();
    win->Button_SAVEClick();
    ASSERT_EQ(dialogs.texts(), QStringList{"保存数据成功"});
    ASSERT_EQ(perInfoMode, 2);
    dialogs.clear();
    win->DBEdit_GMSFZ->setFieldText(kId2);
    win->Button_SAVE->setFocus();
    win->Button_SAVEClick();
    // The database keeps ID numbers unique: refused in the operator's words, on the ID field.
    EXPECT_EQ(dialogs.texts(), QStringList{"已经存在该身份证号码"});
    EXPECT_EQ(focusName(), "DBEdit_GMSFZ");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM M_PERSON WHERE IDCARD = ?", {kId}).toInt(), 1);
    EXPECT_EQ(db.scalar("SELECT NAME FROM M_PERSON WHERE IDCARD = ?", {kId2}).toString(), "李四");
    EXPECT_EQ(win->DBEdit_GMSFZ->text(), kId2);  // still there to correct

    // Corrected, it stores.
    dialogs.clear();
    win->DBEdit_GMSFZ->setFieldText(kId);
    win->Button_SAVEClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"保存数据成功"});
}

TEST_F(PersonWindowTest, LeavingTheIdFieldChecksAndCounts) {
    db.execute("INSERT INTO M_PERSON (IDCARD, NAME) VALUES (?, '李四')", {kId2});
    show();
    win->DBEdit_GMSFZ->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), kId2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialogs.messages(), QStringList{"已经存在该身份证号码"});
    EXPECT_EQ(focusName(), "DBLookupComboBox_NATION");  // a warning, the focus moves on
    EXPECT_EQ(win->DBLookupComboBox_SEX->text(), "女");
    EXPECT_EQ(win->DBEdit_CSRQ->text(), "1950-01-01");

    // A character outside the date that is no digit: the standard error box, nothing counted.
    dialogs.clear();
    win->DBEdit_GMSFZ->setFieldText("1101a519491231001x");
    win->DBEdit_GMSFZExit();
    EXPECT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    // Birth date and sex come from the number before the digits fail.
    EXPECT_EQ(win->DBLookupComboBox_SEX->text(), "男");
    EXPECT_EQ(win->DBEdit_CSRQ->text(), "1949-12-31");
}

TEST_F(PersonWindowTest, NonDigitInTheIdFillsBirthAndSexThenRefusesTheStore) {
    fillValid();
    win->DBEdit_GMSFZ->setFieldText("11010519800101a140");
    win->Button_SAVEClick();
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].contains("15")) << dialogs.errors()[0].toStdString();
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(win->DBLookupComboBox_SEX->text(), "女");
    EXPECT_EQ(win->DBEdit_CSRQ->text(), "1980-01-01");
    EXPECT_EQ(count("M_PERSON"), 0);
}

TEST_F(PersonWindowTest, VeteranUnderAnEmployerWithoutAffiliationIsExplained) {
    // An empty affiliation is neither a level of its own nor test 12's refusal.
    for (const QVariant& belong : {QVariant(QString()), QVariant()}) {
        db.execute("DELETE FROM M_CORPORATION WHERE SSN = '110000000006'");
        db.execute(
            "INSERT INTO M_CORPORATION (SSN, NAME, CORPSRETFEETYPE, CORPTYPE, BELONG) "
            "VALUES ('110000000006', '无隶属单位', '3', '10', ?)",
            {belong});
        newPerson();
        dialogs.clear();
        fillValid("110000000006", kId, "离休非缴费人员");
        win->DBLookupComboBox_YBCBRYLB->setValue("在乡二等乙级伤残军人");
        win->Button_SAVEClick();
        ASSERT_EQ(dialogs.errors().size(), 1) << dialogs.texts().join("|").toStdString();
        EXPECT_TRUE(dialogs.errors()[0].contains("没有隶属关系")) << dialogs.errors()[0].toStdString();
        EXPECT_TRUE(dialogs.errors()[0].contains("110000000006"));
        EXPECT_TRUE(dialogs.messages().isEmpty());
        EXPECT_EQ(count("M_PERSON"), 0);
    }
}

}  // namespace
