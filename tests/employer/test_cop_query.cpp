// Employer query window: listing, the count line, opening, deleting, printing and keys.
#include "employer/TForm_cop_info.h"
#include "test_cop_query_fixture.h"

using testing_support::Shown;

namespace {
const QString kQueryFirst = "请先查询";
const QString kNothingFound = "没有查到符合条件的记录";
QString countLine(int n) {
    return "显示条目：" + QString::number(n) + " 条";
}
}  // namespace

TEST_F(CopQueryTest, QueryByNumberOrNameListsAndCounts) {
    struct Case {
        const char* number;
        const char* name;
        QStringList expected;
        const char* why;
    } cases[] = {
        {"", "", {}, "both fields empty list nothing"},
        {"110000000001", "", {"110000000001"}, "the number alone"},
        {"110000000003", "机床", {"110000000001", "110000000002", "110000000003"}, "the number or the name"},
        {"", "机床", {"110000000001", "110000000002"}, "the name anywhere in the employer's name"},
        {"", "  机床 ", {"110000000001", "110000000002"}, "the name is trimmed"},
        {"", "   ", {}, "a blank name counts as empty, and the empty number finds nothing"},
        {"11000000000 ", "", {}, "the number is taken as typed"},
        {"AB0000000004", "", {"ab0000000004"}, "letter case does not matter"},
        {"999999999999", "纺织", {"110000000003"}, "an unknown number with a name still finds the name"},
        {"x' OR '1'='1", "", {}, "a quote in the number is only a character"},
    };
    for (const Case& c : cases) {
        w->Edit_BXDJZBM->setText(c.number);
        w->Edit_DWMC->setText(c.name);
        w->Button_queryClick();
        QStringList got = listed();
        got.sort();
        EXPECT_EQ(got, c.expected) << c.why;
        EXPECT_EQ(w->StatusBar1->text(), countLine(int(c.expected.size()))) << c.why;
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());

    listAll();
    EXPECT_EQ(listed().size(), 4);
    EXPECT_EQ(w->StatusBar1->text(), countLine(4));
    EXPECT_EQ(w->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), "社保登记证编码");
    EXPECT_EQ(w->DBGrid1->model()->headerData(1, Qt::Horizontal).toString(), "单位名称");
}

TEST_F(CopQueryTest, CommandsWithoutRowsAnswerQueryFirst) {
    Form_print1 = nullptr;
    const std::pair<const char*, void (TForm_cop_query::*)()> commands[] = {
        {"编辑", &TForm_cop_query::DBGrid1DblClick},
        {"删除", &TForm_cop_query::Button_deleteClick},
        {"修改社保登记证号", &TForm_cop_query::Button2Click},
        {"选择打印", &TForm_cop_query::Button_printClick},
        {"全部打印", &TForm_cop_query::Button_printallClick},
    };
    for (const auto& [name, command] : commands) {
        // No list at all, then a list that found nothing.
        for (bool queried : {false, true}) {
            dialogs.clear();
            w->ADOQuery_COP->close();
            if (queried) w->Button_queryClick();
            (w.get()->*command)();
            // A query that found nothing says so; it was no missing query.
            EXPECT_EQ(dialogs.texts(), QStringList{queried ? kNothingFound : kQueryFirst})
                << name << (queried ? " after a query" : "");
        }
    }
    EXPECT_TRUE(modal.windows.isEmpty());
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION"), 4);
}

TEST_F(CopQueryTest, DeletingAnEmployerWithPersonsIsRefusedWithTheirCount) {
    listAll();
    ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "110000000001"));
    w->Button_deleteClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"对不起，此条单位信息不能删除。\r\r其下已经有2条职工信息。\r"
                                           "如果确定想删除，请首先删除其所有职工信息。"});
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION WHERE SSN='110000000001'"), 1);
    EXPECT_EQ(w->StatusBar1->text(), countLine(4));
}

TEST_F(CopQueryTest, DeletingAnEmployerWithoutPersonsAsksAndRemovesOnYes) {
    listAll();
    ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "110000000002"));
    const int row = w->ADOQuery_COP->recNo();
    const QString following = w->ADOQuery_COP->valueAt(row + 1, 0).toString();

    dialogs.answer(false);
    w->Button_deleteClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"删除后将不能恢复，您确定要删除吗?\r\r删除选 Yes,否则选 No"});
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION"), 4);

    dialogs.answer(true);
    w->Button_deleteClick();
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION WHERE SSN='110000000002'"), 0);
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION"), 3);
    EXPECT_EQ(listed().size(), 3);
    EXPECT_EQ(w->StatusBar1->text(), countLine(3));
    EXPECT_EQ(w->ADOQuery_COP->value(0).toString(), following);  // the following row becomes current
}

TEST_F(CopQueryTest, AnEmployerWithoutNumberCanBeDeletedToo) {
    db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (NULL, '无号单位')");
    db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (NULL, '另一无号单位')");
    listAll();
    ASSERT_TRUE(w->ADOQuery_COP->locate("单位名称", "无号单位"));
    dialogs.answer(true);
    w->Button_deleteClick();
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION WHERE NAME='无号单位'"), 0);
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION"), 5);  // only that row
    EXPECT_EQ(w->StatusBar1->text(), countLine(5));
}

TEST_F(CopQueryTest, DeleteWithTwoRowsSelectedIsRefused) {
    listAll();
    selectRows({1, 2});
    w->Button_deleteClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"只能选择一条信息进行删除"});
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION"), 4);
}

TEST_F(CopQueryTest, DeleteConcernsTheCurrentRowWhateverSingleRowIsSelected) {
    struct Case {
        QList<int> selected;
        const char* why;
    } cases[] = {
        {{}, "nothing selected"},
        {{0}, "one other row selected"},
    };
    for (const Case& c : cases) {
        listAll();
        ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "110000000002")) << c.why;
        w->DBGrid1->clearSelection();
        for (int r : c.selected)
            w->DBGrid1->selectionModel()->select(w->DBGrid1->model()->index(r, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ASSERT_EQ(w->ADOQuery_COP->value(0).toString(), "110000000002") << c.why;
        dialogs.answer(true);
        w->Button_deleteClick();
        EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION WHERE SSN='110000000002'"), 0)
            << c.why;
        EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_CORPORATION"), 3) << c.why;
        addEmployer("110000000002", "北京第二机床厂");
    }
}

TEST_F(CopQueryTest, ADoubleClickAnywhereInTheGridIsTheEditCommand) {
    TForm_cop_info info;
    Form_cop_info = &info;
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QWidget* area = w->DBGrid1->viewport();
    const QPoint belowTheRows(20, area->height() - 5);
    struct Case {
        const char* list;  // "none", "empty" or "all"
        int clickedRow;    // -1: below the rows
        QStringList texts;
        QString opened;  // registration number shown in the employer window, empty: none
    } cases[] = {
        {"none", -1, {kQueryFirst}, {}},
        {"empty", -1, {kNothingFound}, {}},
        {"all", 1, {}, "110000000002"},   // the row clicked
        {"all", -1, {}, "110000000003"},  // the current row
    };
    for (const Case& c : cases) {
        const QString list = c.list;
        w->ADOQuery_COP->close();
        if (list == "empty") w->Button_queryClick();
        if (list == "all") {
            listAll();
            ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "110000000003"));
        }
        dialogs.clear();
        modal.windows.clear();
        const QPoint at = c.clickedRow < 0
                              ? belowTheRows
                              : w->DBGrid1->visualRect(w->DBGrid1->model()->index(c.clickedRow, 0)).center();
        ASSERT_FALSE(c.clickedRow < 0 && w->DBGrid1->indexAt(at).isValid()) << c.list;
        // As the operator's mouse does it: the first click, then the second one as a double click.
        QTest::mouseClick(area, Qt::LeftButton, {}, at);
        QTest::mouseDClick(area, Qt::LeftButton, {}, at);
        EXPECT_EQ(dialogs.texts(), c.texts) << c.list << " " << c.clickedRow;
        if (c.opened.isEmpty()) {
            EXPECT_TRUE(modal.windows.isEmpty()) << c.list;
        } else {
            EXPECT_EQ(modal.windows, QList<QWidget*>{&info}) << c.list << " " << c.clickedRow;
            EXPECT_EQ(info.ADOTable_corporation->value("SSN").toString(), c.opened);
            info.ADOTable_corporation->cancel();
        }
    }
    w->hide();
    Form_cop_info = nullptr;
}

TEST_F(CopQueryTest, OpensTheCurrentEmployerInTheEmployerWindowForCorrection) {
    TForm_cop_info info;
    Form_cop_info = &info;
    listAll();
    ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "110000000003"));
    copInfoMode = 1;
    w->Button_EDIT->click();
    ASSERT_EQ(modal.windows, QList<QWidget*>{&info});
    EXPECT_EQ(copInfoMode, 2);
    EXPECT_EQ(copTablesActive, 1);
    EXPECT_EQ(info.ADOTable_corporation->state(), store::Dataset::State::Edit);
    EXPECT_EQ(info.ADOTable_corporation->value("SSN").toString(), "110000000003");
    EXPECT_EQ(info.PageControl1->currentWidget(), info.TabSheet1);
    EXPECT_TRUE(dialogs.shown.isEmpty());
    Form_cop_info = nullptr;
}

TEST_F(CopQueryTest, AFailureWhileOpeningAnEmployerIsSilent) {
    TForm_cop_info info;
    Form_cop_info = &info;
    listAll();
    ASSERT_TRUE(w->ADOQuery_COP->locate("社保登记证编码", "110000000003"));
    // Gone since the list was read: the window must not open on another employer.
    db.execute("DELETE FROM M_CORPORATION WHERE SSN='110000000003'");
    w->DBGrid1DblClick();
    EXPECT_TRUE(modal.windows.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(listed().size(), 4);  // the list stays as it was
    Form_cop_info = nullptr;
}

class CopQueryPrintTest : public CopQueryTest {
  protected:
    void SetUp() override {
        CopQueryTest::SetUp();
        module = std::make_unique<TForm_print1>();
        module->setOutput(&output);
        Form_print1 = module.get();
        listAll();
        for (int r = 0; r < w->ADOQuery_COP->recordCount(); ++r)
            order << w->ADOQuery_COP->valueAt(r, 0).toString();
    }
    QStringList bothSheets(const QStringList& numbers) {
        QStringList out;
        for (const QString& n : numbers)
            out << n + " " + module->QuickRep1().title << n + " " + module->QuickRep2().title;
        return out;
    }
    std::unique_ptr<TForm_print1> module;
    FailingOutput output;
    QStringList order;  // registration numbers in list order
};

TEST_F(CopQueryPrintTest, PrintsBothSheetsOfEachSelectedRowAndGoesOnAfterAFailure) {
    selectRows({0, 2, 3});
    output.failFor = order[2];
    w->Button_printClick();
    EXPECT_EQ(output.printed(), bothSheets({order[0], order[3]}));
    EXPECT_EQ(dialogs.texts(), QStringList{"程序意外失败，请重试"});
    // One command: without a default printer the operator chooses once.
    for (const reports::CapturingOutput::Job& j : output.jobs) EXPECT_EQ(j.batch, 1);
}

TEST_F(CopQueryPrintTest, PrintsEveryListedRowAndGoesOnAfterAFailure) {
    selectRows({1});
    output.failFor = order[0];
    w->Button_printallClick();
    EXPECT_EQ(output.printed(), bothSheets({order[1], order[2], order[3]}));
    EXPECT_EQ(dialogs.texts(), QStringList{"打印程序意外失败，请重试"});
    for (const reports::CapturingOutput::Job& j : output.jobs) EXPECT_EQ(j.batch, 1);
}

TEST_F(CopQueryPrintTest, NothingSelectedPrintsNothing) {
    // Right after the list is read nothing is selected, though a row is current.
    ASSERT_GE(w->DBGrid1->currentIndex().row(), 0);
    w->Button_printClick();
    EXPECT_TRUE(output.jobs.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(CopQueryTest, KeysMoveOnPressButtonsAndEscCloses) {
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_BXDJZBM);
    QTest::keyClick(w->Edit_BXDJZBM, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_DWMC);
    // Enter in the last search field searches, and the focus stays for the next search.
    QTest::keyClicks(w->Edit_DWMC, "no such name");
    QTest::keyClick(w->Edit_DWMC, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_DWMC);
    EXPECT_EQ(w->StatusBar1->text(), countLine(0));
    EXPECT_TRUE(w->ADOQuery_COP->isOpen());
    w->Edit_DWMC->clear();
    QTest::keyClick(w->Edit_DWMC, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->Button_query);
    QTest::keyClick(w->Button_query, Qt::Key_Return);  // Enter on a button presses it
    EXPECT_EQ(QApplication::focusWidget(), w->Button_query);
    EXPECT_EQ(w->StatusBar1->text(), countLine(0));
    QTest::keyClick(w->Button_query, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->Button1);
    QTest::keyClick(w->Button1, Qt::Key_Return);
    EXPECT_EQ(w->StatusBar1->text(), countLine(4));
    EXPECT_EQ(w->DBGrid1->model()->rowCount(), 4);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->ADOQuery_COP->isOpen());
    EXPECT_EQ(w->frameGeometry().size(), QSize(699, 465));  // the outer size, frame included

    // The next showing starts clean.
    w->Edit_DWMC->setText("机床");
    w->show();
    EXPECT_EQ(w->Edit_DWMC->text(), "");
    EXPECT_EQ(w->StatusBar1->text(), "");
    EXPECT_EQ(w->DBGrid1->model()->rowCount(), 0);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}
