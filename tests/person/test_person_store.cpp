// The window driven with keys: the institution slots, F1, "新增", closing,
// and the store of both rows in one transaction.
#include "PersonFixture.h"

#include <functional>

namespace {

QWidget* fw() {
    return QApplication::focusWidget();
}

// Types text as key presses (QTest::keyClicks only sends Latin-1).
void typeText(const QString& text) {
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, fw(), Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QStringList slotCodes(TForm_per_info* w) {
    QStringList s;
    for (ui::DBEdit* e : w->DBEdit_DDYLJG) s.append(e->text());
    return s;
}

TEST_F(PersonWindowTest, WindowAndControls) {
    show();
    EXPECT_EQ(win->windowTitle(), "个人信息查询编辑");
    EXPECT_EQ(win->size(), QSize(685, 464));
    EXPECT_FALSE(win->Panel_hos->isVisible());
    EXPECT_EQ(focusName(), "Edit_SHBXDJZBM");
    for (QWidget* w :
         {static_cast<QWidget*>(win->DBLookupComboBox_SEX), static_cast<QWidget*>(win->DBEdit_CSRQ),
          static_cast<QWidget*>(win->DBEdit_JKKH), static_cast<QWidget*>(win->DBLookupComboBox_GRZHGLZT),
          static_cast<QWidget*>(win->DBLookupComboBox_GWYXSBS),
          static_cast<QWidget*>(win->DBLookupComboBox_GWYJFFS), static_cast<QWidget*>(win->Edit_HOSNAME[2]),
          static_cast<QWidget*>(win->DBLookupComboBox_XZZW)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(win->DBLookupComboBox_GRCDJFFS->isVisible());
    EXPECT_FALSE(win->ADOQuery_GRZHGLZT->isOpen());
    EXPECT_EQ(win->DBEdit_NAME->maxLength(), 20);
    EXPECT_EQ(win->DBEdit_HKSZQXJX->maxLength(), 80);
    EXPECT_EQ(win->Edit_SHBXDJZBM->maxLength(), 12);
    EXPECT_EQ(win->DBEdit_CJGZRQ->text(), "    -  -  ");

    const QList<QPair<const char*, QColor>> labels = {{"Label_Edit_SHBXDJZBM", Qt::blue},
                                                      {"Label_DBEdit_DDYLJG1", Qt::blue},
                                                      {"Label_DBLookupComboBox_LXJFFS", Qt::blue},
                                                      {"Label_DBLookupComboBox_XZZW", QColor("#008080")},
                                                      {"Label_DBEdit_LTXRQ", QColor("#008080")},
                                                      {"Label_DBLookupComboBox_LTXRYLB", QColor("#008080")},
                                                      {"Label_DBEdit_CSD", Qt::black},
                                                      {"Label_DBEdit_DDYLJG2", Qt::black}};
    for (const auto& [name, colour] : labels) {
        auto* l = win->findChild<QLabel*>(name);
        ASSERT_TRUE(l) << name;
        EXPECT_EQ(l->palette().color(QPalette::WindowText), colour) << name;
    }
}

TEST_F(PersonWindowTest, HintsOfTheFields) {
    const QString date = "输入格式2001 01 01", space = "按空格键可以使本栏为空",
                  slot = "请输入定点医疗机构代码";
    const QList<QPair<const char*, QString>> hints = {{"DBEdit_CSRQ", date},
                                                      {"DBEdit_CJGZRQ", date},
                                                      {"DBEdit_LTXRQ", date},
                                                      {"DBLookupComboBox_HYZK", space},
                                                      {"DBLookupComboBox_HKXZ", space},
                                                      {"DBLookupComboBox_GRSF", space},
                                                      {"DBLookupComboBox_XZZW", space},
                                                      {"DBLookupComboBox_ZYJSZC", space},
                                                      {"DBLookupComboBox_GRJSDJ", space},
                                                      {"DBLookupComboBox_LTXRYLB", space},
                                                      {"DBEdit_DDYLJG1", slot},
                                                      {"DBEdit_DDYLJG2", slot},
                                                      {"DBEdit_DDYLJG3", slot},
                                                      {"DBEdit_DDYLJG4", ""},
                                                      {"DBEdit_DDYLJG5", slot},
                                                      {"DBLookupComboBox_NATION", ""},
                                                      {"DBEdit_NAME", ""}};
    for (const auto& [name, hint] : hints) {
        auto* w = win->findChild<QWidget*>(name);
        ASSERT_TRUE(w) << name;
        EXPECT_EQ(w->toolTip(), hint) << name;
    }
}

// No label or field covers another (the search panel lies over the slots on purpose).
TEST_F(PersonWindowTest, ControlsDoNotOverlap) {
    show();
    // The fields lie in their panel, the buttons in theirs below it.
    for (QWidget* panel : {win->Panel_fields, win->Panel_buttons}) {
        QList<QWidget*> placed;
        for (QWidget* w : panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (w->isVisible() && w != win->Panel_hos) placed.append(w);
        ASSERT_GT(placed.size(), panel == win->Panel_fields ? 40 : 4);
        for (int i = 0; i < placed.size(); ++i) {
            EXPECT_TRUE(panel->rect().contains(placed[i]->geometry()))
                << placed[i]->objectName().toStdString();
            for (int j = i + 1; j < placed.size(); ++j)
                EXPECT_FALSE(placed[i]->geometry().intersects(placed[j]->geometry()))
                    << placed[i]->objectName().toStdString() << " and "
                    << placed[j]->objectName().toStdString();
        }
    }
    EXPECT_TRUE(win->rect().contains(
        QRect(win->Panel_buttons->mapTo(win.get(), QPoint()), win->Panel_buttons->size())));
    EXPECT_FALSE(
        QRect(win->Panel_buttons->mapTo(win.get(), QPoint()), win->Panel_buttons->size())
            .intersects(QRect(win->Panel_fields->mapTo(win.get(), QPoint()), win->Panel_fields->size())));
}

TEST_F(PersonWindowTest, TabOrderPassesOverDisabledControls) {
    show();
    win->Edit_SHBXDJZBM->setText("110000000002");  // type 30: the post is enabled
    win->Edit_SHBXDJZBM->setFocus();
    const QStringList first = {"Edit_SHBXDJZBM",
                               "DBEdit_NAME",
                               "DBEdit_GMSFZ",
                               "DBLookupComboBox_NATION",
                               "DBLookupComboBox_JFRYLB",
                               "DBLookupComboBox_YBCBRYLB",
                               "DBEdit_CSD",
                               "DBLookupComboBox_HYZK",
                               "DBLookupComboBox_HKXZ",
                               "DBLookupComboBox_WHCD",
                               "DBLookupComboBox_GRSF",
                               "DBEdit_CJGZRQ",
                               "DBLookupComboBox_XZZW",
                               "DBLookupComboBox_ZYJSZC",
                               "DBLookupComboBox_GRJSDJ",
                               "DBEdit_LTXRQ",
                               "DBLookupComboBox_LTXRYLB",
                               "DBEdit_HKSZQXJX",
                               "DBEdit_HKSZD",
                               "DBEdit_XJZDDZ",
                               "DBEdit_JZDYZBM",
                               "DBEdit_CBRDH",
                               "DBEdit_LXRXM",
                               "DBEdit_LXRDH"};
    QStringList seen;
    for (int i = 0; i < first.size(); ++i) {
        seen.append(focusName());
        QTest::keyClick(fw(), Qt::Key_Tab);
    }
    EXPECT_EQ(seen, first);
    // The next stop is slot 1, which hands the focus to the search panel.
    EXPECT_EQ(focusName(), "Edit_hosinput");
    EXPECT_EQ(win->hosSlot(), 1);

    win->Panel_hos->hide();
    win->DBLookupComboBox_LXJFFS->setFocus();
    seen.clear();
    for (int i = 0; i < 7; ++i) {
        seen.append(focusName());
        QTest::keyClick(fw(), Qt::Key_Tab);
    }
    EXPECT_EQ(seen, (QStringList{"DBLookupComboBox_LXJFFS", "Button_SAVE", "Button_print", "Button_Insert",
                                 "Button_close", "Edit_DWMC", "Button_preview"}));
}

TEST_F(PersonWindowTest, KeysThatEmptyOrRefuse) {
    show();
    win->DBLookupComboBox_HYZK->setValue("已婚");
    win->DBLookupComboBox_HYZK->setFocus();
    QTest::keyClick(fw(), Qt::Key_Space);
    EXPECT_TRUE(win->DBLookupComboBox_HYZK->text().isEmpty());
    win->DBLookupComboBox_GRJSDJ->setValue("技师（国家职业资格二级）");
    win->DBLookupComboBox_GRJSDJ->setFocus();
    QTest::keyClick(fw(), Qt::Key_Backspace);
    EXPECT_TRUE(win->DBLookupComboBox_GRJSDJ->value().isEmpty());

    win->DBEdit_JZDYZBM->setFocus();
    QTest::keyClicks(fw(), "10a0 1");
    EXPECT_EQ(win->DBEdit_JZDYZBM->text(), "1001");
    int beeps = 0;
    for (const auto& s : dialogs.shown) beeps += s.kind == testing_support::Shown::Beep;
    EXPECT_EQ(beeps, 2);
    QTest::keyClick(fw(), Qt::Key_Backspace);
    EXPECT_EQ(win->DBEdit_JZDYZBM->text(), "100");
}

TEST_F(PersonWindowTest, SearchTextIsBoundNotSpliced) {
    struct Case {
        QString text;
        QStringList codes;
    };
    const QList<Case> cases = {
        {"东城", {"01010001", "01010002", "01020001", "01040001", "01040002"}},  // names containing it
        {"0501", {"05010001", "05010002"}},                                      // a code prefix
        {"1000", {}},  // inside a code, but not its beginning
        {"'", {}},
        {"\"", {}},
        {"东城' or '1'='1", {}},
        // A "like" search: "%" and "_" typed by the operator are wildcards.
        {"东城%医院", {"01010001", "01010002", "01020001"}},
        {"0_01000_",
         {"01010001", "01010002", "02010001", "03010001", "04010001", "05010001", "05010002", "06010001",
          "07010001", "08010001", "08010002", "09010001", "00010001", "00010002", "00010003"}},
    };
    for (const Case& c : cases) {
        win->findHos(c.text);
        EXPECT_EQ(codes(win->ADOQuery_HOS), c.codes) << c.text.toStdString();
    }
    const int all = db.scalar("SELECT count(*) FROM d_hos").toInt();
    for (const QString& wildcard : {QStringLiteral("%"), QStringLiteral("_")}) {
        win->findHos(wildcard);
        EXPECT_EQ(win->ADOQuery_HOS->recordCount(), all) << wildcard.toStdString();
    }
    win->findHos("");
    EXPECT_FALSE(win->ADOQuery_HOS->isOpen());
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(win->getHosName("02030001"), "西城妇幼");
    EXPECT_EQ(win->getHosName("0203000'"), "");
    EXPECT_EQ(win->getHosName(""), "");
}

TEST_F(PersonWindowTest, SlotChainDrivenWithKeys) {
    show();
    win->Edit_SHBXDJZBM->setText("110000000003");
    win->DBEdit_LXRDH->setFocus();
    QTest::keyClick(fw(), Qt::Key_Tab);
    ASSERT_EQ(focusName(), "Edit_hosinput");
    EXPECT_TRUE(win->Panel_hos->isVisible());
    EXPECT_EQ(win->Panel_hos->pos(), win->DBEdit_DDYLJG[0]->pos());
    EXPECT_EQ(win->ADOQuery_HOS->recordCount(), 0);

    // Slot 1: part of a name, Down, Enter.
    typeText("东城二");
    EXPECT_EQ(codes(win->ADOQuery_HOS), QStringList{"01010002"});
    QTest::keyClick(fw(), Qt::Key_Down);
    EXPECT_EQ(focusName(), "DBGrid1");
    QTest::keyClick(fw(), Qt::Key_Return);
    EXPECT_EQ(win->Edit_HOSNAME[0]->text(), "东城二院");
    EXPECT_EQ(win->hosSlot(), 2);
    EXPECT_EQ(win->Panel_hos->pos(), win->DBEdit_DDYLJG[1]->pos());
    EXPECT_EQ(focusName(), "Edit_hosinput");
    EXPECT_TRUE(win->Edit_hosinput->text().isEmpty());

    // Slot 2: Enter into the grid, Tab out of it takes the row.
    typeText("西城妇幼");
    QTest::keyClick(fw(), Qt::Key_Return);
    EXPECT_EQ(focusName(), "DBGrid1");
    QTest::keyClick(fw(), Qt::Key_Tab);
    EXPECT_EQ(win->hosSlot(), 3);

    // Slot 3: a code prefix, the second row.
    QTest::keyClicks(fw(), "0501");
    QTest::keyClick(fw(), Qt::Key_Down);
    QTest::keyClick(fw(), Qt::Key_Down);
    QTest::keyClick(fw(), Qt::Key_Return);
    typeText("月坛");
    QTest::keyClick(fw(), Qt::Key_Down);
    QTest::keyClick(fw(), Qt::Key_Return);
    // Slot 5 ends the chain.
    typeText("劲松");
    QTest::keyClick(fw(), Qt::Key_Down);
    QTest::keyClick(fw(), Qt::Key_Return);
    EXPECT_EQ(slotCodes(win.get()),
              (QStringList{"01010002", "02030001", "05010002", "02040001", "05040001"}));
    EXPECT_EQ(win->Edit_HOSNAME[4]->text(), "劲松社区");
    EXPECT_FALSE(win->Panel_hos->isVisible());
    EXPECT_EQ(focusName(), "DBLookupComboBox_LXJFFS");
    // The slots went into the institution row.
    EXPECT_EQ(win->ADOTable_DDYLJG->value("HOSP_3").toString(), "05010002");
    EXPECT_TRUE(win->ADOTable_DDYLJG->modified());

    // Back in slot 3: its code is the search; an empty search ends the chain there.
    win->DBEdit_DDYLJG[2]->setFocus();
    EXPECT_EQ(win->Edit_hosinput->text(), "05010002");
    EXPECT_EQ(codes(win->ADOQuery_HOS), QStringList{"05010002"});
    QTest::keyClick(fw(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(fw(), Qt::Key_Backspace);
    EXPECT_EQ(win->ADOQuery_HOS->recordCount(), 0);
    QTest::keyClick(fw(), Qt::Key_Return);
    QTest::keyClick(fw(), Qt::Key_Return);
    EXPECT_EQ(slotCodes(win.get()), (QStringList{"01010002", "02030001", "", "02040001", "05040001"}));
    EXPECT_TRUE(win->Edit_HOSNAME[2]->text().isEmpty());
    EXPECT_EQ(win->Edit_HOSNAME[3]->text(), "月坛社区");
    EXPECT_FALSE(win->Panel_hos->isVisible());
    EXPECT_EQ(focusName(), "DBLookupComboBox_LXJFFS");
    EXPECT_TRUE(win->ADOTable_DDYLJG->value("HOSP_3").isNull());
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join("|").toStdString();
}

// Esc anywhere in the search panel closes the panel only: no question, the
// window and what was typed stay, the slot keeps its code, no row is taken.
TEST_F(PersonWindowTest, EscInTheInstitutionPanelClosesThePanelOnly) {
    show();
    win->DBEdit_NAME->setFocus();
    QTest::keyClicks(fw(), "Wang Wu");
    win->DBEdit_DDYLJG[0]->setFieldText("01010001");
    const struct {
        const char* where;
        std::function<void()> reach;
    } places[] = {
        {"search text", [] {}},
        {"grid", [this] { QTest::keyClick(fw(), Qt::Key_Down); }},
        {"关闭 of the panel", [this] { win->Button1->setFocus(); }},
    };
    for (const auto& p : places) {
        SCOPED_TRACE(p.where);
        win->DBEdit_DDYLJG[0]->setFocus();
        ASSERT_TRUE(win->Panel_hos->isVisible());
        win->Edit_hosinput->selectAll();  // the slot's code is the search: typed over
        typeText("西城");
        ASSERT_GT(win->ADOQuery_HOS->recordCount(), 0);
        p.reach();
        QTest::keyClick(fw(), Qt::Key_Escape);
        EXPECT_FALSE(win->Panel_hos->isVisible());
        EXPECT_TRUE(win->isVisible());
        EXPECT_EQ(focusName(), "DBLookupComboBox_LXJFFS");
        EXPECT_EQ(slotCodes(win.get()), (QStringList{"01010001", "", "", "", ""}));
        EXPECT_EQ(win->Edit_HOSNAME[1]->text(), "");
        EXPECT_EQ(win->DBEdit_NAME->text(), "Wang Wu");
    }
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join("|").toStdString();
    // Esc outside the panel is the window's 关闭 again, with its question.
    dialogs.answer(false);
    QTest::keyClick(fw(), Qt::Key_Escape);
    EXPECT_EQ(dialogs.texts(), QStringList{"数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No"});
    EXPECT_FALSE(win->isVisible());
}

TEST_F(PersonWindowTest, DoubleClickInAnEmptyInstitutionGridEndsTheChain) {
    show();
    win->Edit_SHBXDJZBM->setText("110000000003");
    win->DBEdit_DDYLJG[0]->setFieldText("01010001");
    win->DBEdit_DDYLJG[1]->setFieldText("02030001");
    win->DBEdit_DDYLJG[2]->setFieldText("05010002");
    win->DBEdit_DDYLJG[1]->setFocus();
    ASSERT_TRUE(win->Panel_hos->isVisible());
    win->Edit_hosinput->clear();  // the search emptied: the grid holds no row
    ASSERT_EQ(win->ADOQuery_HOS->recordCount(), 0);
    QTest::mouseDClick(win->DBGrid1->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_FALSE(win->Panel_hos->isVisible());
    EXPECT_EQ(focusName(), "DBLookupComboBox_LXJFFS");
    EXPECT_EQ(slotCodes(win.get()), (QStringList{"01010001", "", "05010002", "", ""}));
    EXPECT_TRUE(win->Edit_HOSNAME[1]->text().isEmpty());
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join("|").toStdString();
}

TEST_F(PersonWindowTest, F1FromTheInstitutionGridLeavesThePanelClosed) {
    show();
    fillValid();
    win->DBEdit_CBRDH->setFieldText("");  // test 20 refuses, focus on the phone
    win->DBEdit_DDYLJG[1]->setFocus();
    typeText("西城妇幼");
    QTest::keyClick(fw(), Qt::Key_Down);
    ASSERT_EQ(focusName(), "DBGrid1");
    QTest::keyClick(fw(), Qt::Key_F1);
    EXPECT_EQ(dialogs.messages(), QStringList{"请输入参保人电话"});
    EXPECT_EQ(focusName(), "DBEdit_CBRDH");
    EXPECT_FALSE(win->Panel_hos->isVisible());
    // Leaving the grid took its row, as a click on 保存 would.
    EXPECT_EQ(slotCodes(win.get())[1], "02030001");
    EXPECT_EQ(count("M_PERSON"), 0);

    // The same key once the phone is there stores the person; the panel stays closed.
    dialogs.clear();
    win->DBEdit_CBRDH->setFieldText("65001234");
    win->DBEdit_DDYLJG[2]->setFocus();
    typeText("月坛");
    QTest::keyClick(fw(), Qt::Key_Down);
    QTest::keyClick(fw(), Qt::Key_F1);
    EXPECT_EQ(dialogs.texts(), QStringList{"保存数据成功"});
    EXPECT_FALSE(win->Panel_hos->isVisible());
    EXPECT_EQ(focusName(), "Button_Insert");
    EXPECT_EQ(db.scalar("SELECT HOSP_3 FROM M_PSNAPPOINTEDHOSPITAL").toString(), "02040001");
}

TEST_F(PersonWindowTest, CompletePersonStoredWithF1) {
    show();
    fillValid();
    win->DBEdit_CSD->setFieldText("北京");
    win->DBLookupComboBox_HYZK->setValue("已婚");
    win->DBLookupComboBox_HKXZ->setValue("本市城镇");
    win->DBLookupComboBox_GRSF->setValue("国家公务员");
    win->DBEdit_CJGZRQ->setFieldText("1945-10-01");
    win->DBLookupComboBox_ZYJSZC->setValue("正高级");
    win->DBLookupComboBox_GRJSDJ->setValue("技师（国家职业资格二级）");
    win->DBEdit_HKSZQXJX->setFieldText("和平里街道");
    win->DBEdit_HKSZD->setFieldText("东城区");
    win->DBEdit_LXRXM->setFieldText("张小三");
    win->DBEdit_LXRDH->setFieldText("13900000000");
    win->DBEdit_DDYLJG[1]->setFieldText("02030001");
    win->DBEdit_DDYLJG[4]->setFieldText("05040001");
    win->DBEdit_NAME->setFocus();
    QTest::keyClick(fw(), Qt::Key_End);
    QTest::keyClicks(fw(), "X");  // typed, still in the field when F1 comes
    QTest::keyClick(fw(), Qt::Key_F1);
    ASSERT_EQ(dialogs.texts(), QStringList{"保存数据成功"});
    EXPECT_EQ(perInfoMode, 2);
    EXPECT_EQ(focusName(), "Button_Insert");
    EXPECT_EQ(win->ADOTable_PERSON->state(), store::Dataset::State::Edit);
    EXPECT_EQ(win->ADOTable_DDYLJG->state(), store::Dataset::State::Edit);

    const QHash<QString, QVariant> expected = {{"PSNSN", 1},
                                               {"CORPSN", 3},
                                               {"IDCARD", kId},
                                               {"NAME", "张三X"},
                                               {"SEX", "1"},
                                               {"BIRTH", "1949-12-31"},
                                               {"NATION", "01"},
                                               {"HOMEPLACE", "北京"},
                                               {"MARRIAGE", "20"},
                                               {"RESIDENTTYPE", "1"},
                                               {"EDUCATION", "10"},
                                               {"PSNSTATUS", "11"},
                                               {"WORKDATE", "1945-10-01"},
                                               {"SPECDUTY", "1"},
                                               {"TECHLEVEL", "2"},
                                               {"RETIREDATE", "1990-01-01"},
                                               {"RETIRETYPE", "1"},
                                               {"RESIDENT", "和平里街道"},
                                               {"RESIDENTADDR", "东城区"},
                                               {"ADDRESS", "东城区和平里1号"},
                                               {"ZIP", "100010"},
                                               {"TEL", "65001234"},
                                               {"LINKMAN", "张小三"},
                                               {"LINKMANTEL", "13900000000"},
                                               {"FEEPSNTYPE", "14"},
                                               {"MEDPSNTYPE", "27"},
                                               {"PSNSRETFEETYPE", "2"},
                                               {"SSN", "110000000003"}};
    QStringList names;
    const auto rows = db.select("SELECT * FROM M_PERSON", {}, &names);
    ASSERT_EQ(rows.size(), 1);
    ASSERT_EQ(names.size(), 42);
    for (int i = 0; i < names.size(); ++i) {
        const QVariant want = expected.value(names[i]);  // every column not listed stays empty
        if (want.isNull())
            EXPECT_TRUE(rows[0][i].isNull()) << names[i].toStdString();
        else
            EXPECT_EQ(rows[0][i].toString(), want.toString()) << names[i].toStdString();
    }
    EXPECT_EQ(db.select("SELECT * FROM M_PSNAPPOINTEDHOSPITAL"),
              (QList<QVariantList>{{1, "01010001", "02030001", QVariant(), QVariant(), "05040001", QVariant(),
                                    QVariant(), kId}}));
}

TEST_F(PersonWindowTest, NewAfterStoreKeepsTheEmployer) {
    show();
    fillValid();
    win->DBLookupComboBox_HYZK->setValue("已婚");
    win->Button_SAVEClick();
    ASSERT_EQ(dialogs.texts(), QStringList{"保存数据成功"});
    QTest::keyClick(fw(), Qt::Key_Return);  // Enter on the focused "新增"
    EXPECT_EQ(win->Edit_SHBXDJZBM->text(), "110000000003");
    EXPECT_EQ(win->Edit_DWMC->text(), "混合单位");
    for (ui::DBLookupComboBox* c : win->findChildren<ui::DBLookupComboBox*>())
        EXPECT_TRUE(c->text().isEmpty()) << c->objectName().toStdString();
    for (QLineEdit* e : win->Edit_HOSNAME) EXPECT_TRUE(e->text().isEmpty());
    EXPECT_TRUE(win->DBEdit_NAME->text().isEmpty());
    EXPECT_TRUE(win->DBEdit_DDYLJG[0]->text().isEmpty());
    EXPECT_EQ(win->ADOTable_PERSON->state(), store::Dataset::State::Insert);
    EXPECT_EQ(perInfoMode, 1);
    EXPECT_EQ(focusName(), "Edit_SHBXDJZBM");

    // A second person under the same employer.
    dialogs.clear();
    fillValid("110000000003", kId2);
    win->DBEdit_DDYLJG[0]->setFieldText("02010001");
    win->Button_SAVEClick();
    ASSERT_EQ(dialogs.texts(), QStringList{"保存数据成功"});
    EXPECT_EQ(db.select("SELECT PSNSN, CORPSN, IDCARD, SSN FROM M_PERSON ORDER BY PSNSN"),
              (QList<QVariantList>{{1, 3, kId, "110000000003"}, {2, 3, kId2, "110000000003"}}));
    EXPECT_EQ(db.select("SELECT PSNSN, HOSP_1, IDCARD FROM M_PSNAPPOINTEDHOSPITAL ORDER BY rowid"),
              (QList<QVariantList>{{1, "01010001", kId}, {2, "02010001", kId2}}));

    // Stored again in mode 2: the same rows change, none is added.
    win->DBEdit_CBRDH->setFieldText("88886666");
    win->Button_SAVEClick();
    EXPECT_EQ(count("M_PERSON"), 2);
    EXPECT_EQ(count("M_PSNAPPOINTEDHOSPITAL"), 2);
    EXPECT_EQ(db.scalar("SELECT TEL FROM M_PERSON WHERE PSNSN = 2").toString(), "88886666");
}

TEST_F(PersonWindowTest, FailedInstitutionRowStoresNeitherRow) {
    fillValid();
    win->ADOConnection1.execute(
        "CREATE TEMP TRIGGER refuse_hos BEFORE INSERT ON M_PSNAPPOINTEDHOSPITAL BEGIN SELECT RAISE(ABORT, "
        "'institution row refused'); END");
    win->Button_SAVEClick();
    EXPECT_EQ(dialogs.errors(), QStringList{"institution row refused"});
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(count("M_PERSON"), 0);
    EXPECT_EQ(count("M_PSNAPPOINTEDHOSPITAL"), 0);
    // The window stays as it was: a new person, still to be stored.
    EXPECT_FALSE(win->ADOConnection1.inTransaction());
    EXPECT_EQ(win->ADOTable_PERSON->state(), store::Dataset::State::Insert);
    EXPECT_EQ(win->ADOTable_DDYLJG->state(), store::Dataset::State::Insert);
    EXPECT_EQ(win->DBEdit_NAME->text(), "张三");
    EXPECT_EQ(win->DBEdit_DDYLJG[0]->text(), "01010001");
    EXPECT_EQ(win->ADOTable_PERSON->recordCount(), 0);
    EXPECT_EQ(perInfoMode, 1);

    win->ADOConnection1.execute("DROP TRIGGER refuse_hos");
    dialogs.clear();
    win->Button_SAVEClick();
    ASSERT_EQ(dialogs.texts(), QStringList{"保存数据成功"});
    EXPECT_EQ(
        db.select(
            "SELECT p.NAME, h.HOSP_1 FROM M_PERSON p JOIN M_PSNAPPOINTEDHOSPITAL h ON h.PSNSN = p.PSNSN"),
        (QList<QVariantList>{{"张三", "01010001"}}));

    // A stored person whose change is refused on the institution row keeps its stored values.
    win->ADOConnection1.execute(
        "CREATE TEMP TRIGGER refuse_hos BEFORE UPDATE ON M_PSNAPPOINTEDHOSPITAL BEGIN SELECT RAISE(ABORT, "
        "'institution row refused'); END");
    dialogs.clear();
    win->DBEdit_NAME->setFieldText("张三丰");
    win->DBEdit_DDYLJG[1]->setFieldText("02010001");
    win->Button_SAVEClick();
    EXPECT_EQ(dialogs.errors(), QStringList{"institution row refused"});
    EXPECT_EQ(db.scalar("SELECT NAME FROM M_PERSON").toString(), "张三");
    EXPECT_EQ(win->ADOTable_PERSON->state(), store::Dataset::State::Edit);
    EXPECT_EQ(win->DBEdit_NAME->text(), "张三丰");
    EXPECT_EQ(win->DBEdit_DDYLJG[1]->text(), "02010001");
    win->ADOConnection1.execute("DROP TRIGGER refuse_hos");
    win->Button_SAVEClick();
    EXPECT_EQ(
        db.select(
            "SELECT p.NAME, h.HOSP_2 FROM M_PERSON p JOIN M_PSNAPPOINTEDHOSPITAL h ON h.PSNSN = p.PSNSN"),
        (QList<QVariantList>{{"张三丰", "02010001"}}));
}

TEST_F(PersonWindowTest, ClosingAsksOnlyForTypedChanges) {
    show();
    win->DBLookupComboBox_NATION->setValue("汉族");
    QTest::keyClick(fw(), Qt::Key_Escape);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_FALSE(win->isVisible());

    newPerson();
    show();
    win->DBEdit_NAME->setFocus();
    QTest::keyClicks(fw(), "Li");
    // Yes, but the check refuses: the window stays.
    dialogs.answer(true);
    QTest::keyClick(fw(), Qt::Key_Escape);
    EXPECT_EQ(dialogs.texts(), (QStringList{"数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No",
                                            "请正确输入社保登记证号码"}));
    EXPECT_TRUE(win->isVisible());
    // No: the changes are dropped and the window closes.
    dialogs.clear();
    dialogs.answer(false);
    win->Button_closeClick();
    EXPECT_EQ(dialogs.texts().size(), 1);
    EXPECT_FALSE(win->isVisible());
    EXPECT_FALSE(win->ADOTable_PERSON->isEditing());
    EXPECT_EQ(count("M_PERSON"), 0);
}

TEST_F(PersonWindowTest, PrintingWithoutReportModuleIsAnError) {
    ASSERT_EQ(Form_print1, nullptr);
    win->Button_printClick();
    win->Button_previewClick();
    EXPECT_EQ(dialogs.errors().size(), 2);
}

}  // namespace
