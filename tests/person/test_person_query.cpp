// Person query window: the search order, the list, opening, the delete of both rows, printing and keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "app/globals/Globals.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "reports/ReportOutput.h"
#include "reports/TForm_print1.h"
#include "store/Connection.h"
#include "store/Error.h"
#include "support/TestSupport.h"

// Readable QString values in failure messages (found beside QString, in the global namespace).
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

QString countLine(int n) {
    return "显示条目：" + QString::number(n) + " 条";
}
const QString kQueryFirst = "请先查询";
const QString kNothingFound = "没有查到符合条件的记录";

// Print jobs kept in order; the job for one chosen ID number fails.
class FailingOutput : public reports::CapturingOutput {
  public:
    QString failFor;
    void print(const reports::LaidOutDocument& d) override {
        if (!failFor.isEmpty() && idOf(d) == failFor) throw store::Error("printer jammed");
        CapturingOutput::print(d);
    }
    static QString idOf(const reports::LaidOutDocument& d) {
        for (const reports::LaidOutPage& p : d.pages)
            for (const reports::PlacedItem& i : p.items)
                if (i.kind == reports::ItemKind::Field &&
                    i.column.compare("IDCARD", Qt::CaseInsensitive) == 0)
                    return i.text;
        return {};
    }
    QStringList printed() const {
        QStringList out;
        for (const Job& j : jobs) out << idOf(j.document);
        return out;
    }
};

// Ids of the fixture persons, by serial.
const char* const kZhangSan = "110101194001010011";
const char* const kLiSi = "110101194001010022";
const char* const kXiaoMing = "11010119400101003X";
const char* const kOld = "110101400101005";  // a 15-character number
const char* const kOrphan = "110101194001010044";

class PersonQueryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(work.database());
        db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000001','北京机床厂')");
        db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000002','上海纺织厂')");
        addPerson(kZhangSan, "张三", "110000000001");    // 1
        addPerson(kLiSi, "李四", "110000000001");        // 2
        addPerson(kXiaoMing, "张小明", "110000000002");  // 3
        addPerson(kOrphan, "张孤", "999999999999");      // 4: no such employer
        addPerson(kOld, "王五", "110000000002");         // 5
        w = std::make_unique<TForm_Person_query>();
        Form_Person_query = w.get();
    }
    void TearDown() override {
        Form_Person_query = nullptr;
        Form_per_info = nullptr;
        Form_print1 = nullptr;
    }
    void addPerson(const QString& id, const QString& name, const QString& ssn) {
        db.execute("INSERT INTO M_PERSON (IDCARD, NAME, SSN) VALUES (?,?,?)", {id, name, ssn});
        const qint64 serial = db.lastInsertRowId();
        db.execute("INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, IDCARD, HOSP_1) VALUES (?,?,'01010001')",
                   {serial, id});
    }
    QList<int> listedSerials() const {
        QList<int> out;
        if (!w->ADOQuery_PERSON->isOpen()) return out;
        for (int r = 0; r < w->ADOQuery_PERSON->recordCount(); ++r)
            out << w->ADOQuery_PERSON->valueAt(r, 0).toInt();
        return out;
    }
    int countFromOutside(const QString& sql) {
        store::Connection other;
        other.open(work.database());
        return other.scalar(sql).toInt();
    }
    void search(const QString& ssn, const QString& id, const QString& name) {
        w->Edit_BXDJZBM->setText(ssn);
        w->Edit_SFZHM->setText(id);
        w->Edit_Name->setText(name);
        w->Button_queryClick();
    }
    void selectRows(std::initializer_list<int> rows) {
        w->DBGrid1->clearSelection();
        for (int r : rows)
            w->DBGrid1->selectionModel()->select(w->DBGrid1->model()->index(r, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    testing_support::ModalRecorder modal;
    store::Connection db;
    std::unique_ptr<TForm_Person_query> w;
};

TEST_F(PersonQueryTest, TheFirstFilledFieldDecidesTheSearch) {
    struct Case {
        const char* ssn;
        const char* id;
        const char* name;
        QList<int> expected;
        const char* why;
    } cases[] = {
        {"", "", "", {}, "all fields empty: no list"},
        {"110000000002", kZhangSan, "李", {1}, "the ID number comes first"},
        {"110000000002", "", "李", {3, 5}, "then the registration number"},
        {"", "", "张", {1, 3}, "a name character anywhere, by serial; a person without employer never"},
        {"999999999999", "", "", {}, "an employer that is not stored lists nobody"},
        {"", kOld, "", {5}, "a 15-character number"},
        {"", " 110101400101005 ", "", {}, "blanks around an ID find nothing"},
        {"110000000001", "   ", "", {1, 2}, "a field holding only blanks counts as empty"},
        {"", "", " 张", {}, "the name is used as typed"},
        {"", "11010119400101003x", "", {3}, "letter case of the check character does not matter"},
        {"", kOrphan, "", {}, "found only through a stored employer"},
        {"", "x' OR '1'='1", "", {}, "a quote is only a character"},
    };
    for (const Case& c : cases) {
        search(c.ssn, c.id, c.name);
        EXPECT_EQ(listedSerials(), c.expected) << c.why;
        EXPECT_EQ(w->StatusBar1->text(), countLine(int(c.expected.size()))) << c.why;
        EXPECT_EQ(w->ADOQuery_PERSON->isOpen(), c.ssn[0] || c.name[0] || QString(c.id).trimmed().size())
            << c.why;
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(PersonQueryTest, QueryAllListsEveryPersonWithAStoredEmployer) {
    w->Button_QueryAllClick();
    EXPECT_EQ(listedSerials(), (QList<int>{1, 2, 3, 5}));
    EXPECT_EQ(w->StatusBar1->text(), countLine(4));
    const QStringList headers = {"ID", "公民身份号码", "姓名", "社保登记证编码", "单位名称"};
    for (int i = 0; i < headers.size(); ++i)
        EXPECT_EQ(w->DBGrid1->model()->headerData(i, Qt::Horizontal).toString(), headers[i]);
    EXPECT_EQ(w->DBGrid1->model()->index(2, 4).data().toString(), "上海纺织厂");
}

TEST_F(PersonQueryTest, CommandsWithoutRowsAnswerQueryFirst) {
    const std::pair<const char*, void (TForm_Person_query::*)()> commands[] = {
        {"编辑", &TForm_Person_query::DBGrid1DblClick},
        {"删除", &TForm_Person_query::Button_deleteClick},
        {"选择打印", &TForm_Person_query::Button_printClick},
        {"全部打印", &TForm_Person_query::Button1Click},
    };
    for (const auto& [name, command] : commands) {
        for (bool queried : {false, true}) {
            dialogs.clear();
            w->ADOQuery_PERSON->close();
            if (queried) search("", "", "没有的名字");
            (w.get()->*command)();
            // A search that found nothing says so; it was no missing search.
            EXPECT_EQ(dialogs.texts(), QStringList{queried ? kNothingFound : kQueryFirst})
                << name << (queried ? " after a search" : "");
        }
    }
    EXPECT_TRUE(modal.windows.isEmpty());
}

TEST_F(PersonQueryTest, DeleteRemovesThePersonAndTheInstitutionRowTogether) {
    w->Button_QueryAllClick();
    ASSERT_TRUE(w->ADOQuery_PERSON->locate("ID", 2));
    dialogs.answer(false);
    w->Button_deleteClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"删除后将不能恢复，您确定要删除吗?\r\r删除选 Yes,否则选 No"});
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_PERSON"), 5);

    dialogs.answer(true);
    w->Button_deleteClick();
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_PERSON WHERE PSNSN=2"), 0);
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_PSNAPPOINTEDHOSPITAL WHERE PSNSN=2"), 0);
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_PSNAPPOINTEDHOSPITAL"), 4);
    EXPECT_EQ(listedSerials(), (QList<int>{1, 3, 5}));
    EXPECT_EQ(w->StatusBar1->text(), countLine(3));
    EXPECT_FALSE(w->ADOConnection1.inTransaction());
}

TEST_F(PersonQueryTest, AFailedDeleteKeepsBothRowsAndSaysNothing) {
    db.execute(
        "CREATE TRIGGER refuse_hos_delete BEFORE DELETE ON M_PSNAPPOINTEDHOSPITAL "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    w->Button_QueryAllClick();
    dialogs.answer(true);
    w->Button_deleteClick();
    EXPECT_EQ(dialogs.texts().size(), 1);  // the question only
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_PERSON WHERE PSNSN=1"), 1);
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_PSNAPPOINTEDHOSPITAL WHERE PSNSN=1"), 1);
    EXPECT_FALSE(w->ADOConnection1.inTransaction());
    EXPECT_EQ(w->StatusBar1->text(), countLine(4));
}

TEST_F(PersonQueryTest, DeleteRemovesTheCurrentRowWhateverSingleRowIsSelected) {
    struct Case {
        QList<int> selected;
        int current;  // serial of the current row, the one deleted
        const char* why;
    } cases[] = {
        {{}, 3, "nothing selected"},
        {{0}, 2, "one other row selected"},
    };
    for (const Case& c : cases) {
        w->Button_QueryAllClick();
        ASSERT_TRUE(w->ADOQuery_PERSON->locate("ID", c.current)) << c.why;
        w->DBGrid1->clearSelection();
        for (int r : c.selected)
            w->DBGrid1->selectionModel()->select(w->DBGrid1->model()->index(r, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
        dialogs.answer(true);
        w->Button_deleteClick();
        EXPECT_EQ(countFromOutside(QString("SELECT count(*) FROM M_PERSON WHERE PSNSN=%1").arg(c.current)), 0)
            << c.why;
        EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_PERSON WHERE PSNSN=1"), 1) << c.why;
    }
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_PERSON"), 3);
}

TEST_F(PersonQueryTest, DeleteWithTwoRowsSelectedIsRefused) {
    w->Button_QueryAllClick();
    selectRows({0, 1});
    w->Button_deleteClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"只能选择一条信息进行删除"});
    EXPECT_EQ(countFromOutside("SELECT count(*) FROM M_PERSON"), 5);
}

TEST_F(PersonQueryTest, OpensTheCurrentPersonInThePersonWindow) {
    TForm_per_info info;
    Form_per_info = &info;
    w->Button_QueryAllClick();
    ASSERT_TRUE(w->ADOQuery_PERSON->locate("ID", 3));
    perInfoMode = 1;
    w->Button2->click();
    ASSERT_EQ(modal.windows, QList<QWidget*>{&info});
    EXPECT_EQ(perInfoMode, 2);
    EXPECT_EQ(info.ADOTable_PERSON->state(), store::Dataset::State::Edit);
    EXPECT_EQ(info.ADOTable_PERSON->value("IDCARD").toString(), kXiaoMing);
    EXPECT_EQ(info.ADOTable_DDYLJG->state(), store::Dataset::State::Edit);
    EXPECT_EQ(info.ADOTable_DDYLJG->value("PSNSN").toInt(), 3);
    EXPECT_EQ(info.Edit_DWMC->text(), "上海纺织厂");

    // A person gone since the list was read: nothing opens, nothing is said.
    modal.windows.clear();
    dialogs.clear();
    db.execute("DELETE FROM M_PERSON WHERE PSNSN=1");
    ASSERT_TRUE(w->ADOQuery_PERSON->locate("ID", 1));
    w->DBGrid1DblClick();
    EXPECT_TRUE(modal.windows.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(PersonQueryTest, APersonWithoutInstitutionRowIsOpenedAfterTheNotice) {
    TForm_per_info info;
    Form_per_info = &info;
    db.execute("DELETE FROM M_PSNAPPOINTEDHOSPITAL WHERE PSNSN=2");
    w->Button_QueryAllClick();
    ASSERT_TRUE(w->ADOQuery_PERSON->locate("ID", 2));
    w->DBGrid1DblClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"未找到该参保人的定点医疗机构信息"});
    ASSERT_EQ(modal.windows, QList<QWidget*>{&info});
    EXPECT_EQ(perInfoMode, 2);
    EXPECT_EQ(info.ADOTable_PERSON->value("IDCARD").toString(), kLiSi);
    EXPECT_TRUE(info.ADOTable_DDYLJG->isEditing());
    EXPECT_TRUE(info.ADOTable_DDYLJG->value("HOSP_1").isNull());  // nobody else's institutions
}

TEST_F(PersonQueryTest, ADoubleClickAnywhereInTheGridIsTheEditCommand) {
    TForm_per_info info;
    Form_per_info = &info;
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QWidget* area = w->DBGrid1->viewport();
    struct Case {
        const char* list;  // "none", "empty" or "all"
        int clickedRow;    // -1: below the rows
        QStringList texts;
        const char* opened;  // ID number shown in the person window, null: none
    } cases[] = {
        {"none", -1, {kQueryFirst}, nullptr},
        {"empty", -1, {kNothingFound}, nullptr},
        {"all", 0, {}, kZhangSan},   // the row clicked
        {"all", -1, {}, kXiaoMing},  // the current row
    };
    for (const Case& c : cases) {
        const QString list = c.list;
        w->ADOQuery_PERSON->close();
        if (list == "empty") search("", "", "没有的名字");
        if (list == "all") {
            w->Button_QueryAllClick();
            ASSERT_TRUE(w->ADOQuery_PERSON->locate("ID", 3));
        }
        dialogs.clear();
        modal.windows.clear();
        const QPoint at = c.clickedRow < 0
                              ? QPoint(20, area->height() - 5)
                              : w->DBGrid1->visualRect(w->DBGrid1->model()->index(c.clickedRow, 0)).center();
        ASSERT_FALSE(c.clickedRow < 0 && w->DBGrid1->indexAt(at).isValid()) << c.list;
        // As the operator's mouse does it: the first click, then the second one as a double click.
        QTest::mouseClick(area, Qt::LeftButton, {}, at);
        QTest::mouseDClick(area, Qt::LeftButton, {}, at);
        EXPECT_EQ(dialogs.texts(), c.texts) << c.list << " " << c.clickedRow;
        if (!c.opened) {
            EXPECT_TRUE(modal.windows.isEmpty()) << c.list;
        } else {
            EXPECT_EQ(modal.windows, QList<QWidget*>{&info}) << c.list << " " << c.clickedRow;
            EXPECT_EQ(info.ADOTable_PERSON->value("IDCARD").toString(), c.opened);
        }
    }
    w->hide();
}

class PersonQueryPrintTest : public PersonQueryTest {
  protected:
    void SetUp() override {
        PersonQueryTest::SetUp();
        module = std::make_unique<TForm_print1>();
        module->setOutput(&output);
        Form_print1 = module.get();
        w->Button_QueryAllClick();
    }
    std::unique_ptr<TForm_print1> module;
    FailingOutput output;
};

TEST_F(PersonQueryPrintTest, PrintsEachSelectedPersonAndGoesOnAfterAFailure) {
    selectRows({0, 2, 3});
    output.failFor = kXiaoMing;
    w->Button_printClick();
    EXPECT_EQ(output.printed(), (QStringList{kZhangSan, kOld}));
    EXPECT_EQ(dialogs.texts(), QStringList{"打印程序意外失败，请重试"});
    // One command: without a default printer the operator chooses once.
    for (const reports::CapturingOutput::Job& j : output.jobs) EXPECT_EQ(j.batch, 1);
}

TEST_F(PersonQueryPrintTest, PrintsEveryListedPersonAndGoesOnAfterAFailure) {
    output.failFor = kZhangSan;
    w->Button1Click();
    EXPECT_EQ(output.printed(), (QStringList{kLiSi, kXiaoMing, kOld}));
    EXPECT_EQ(dialogs.texts(), QStringList{"程序意外失败，请重试"});
    for (const reports::CapturingOutput::Job& j : output.jobs) {
        EXPECT_EQ(j.document.title, module->QuickRep3().title);
        EXPECT_EQ(j.batch, 1);  // one command
    }
}

TEST_F(PersonQueryPrintTest, NothingSelectedPrintsNothing) {
    // Right after the list is read nothing is selected, though a row is current.
    ASSERT_GE(w->DBGrid1->currentIndex().row(), 0);
    w->Button_printClick();
    EXPECT_TRUE(output.jobs.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(PersonQueryTest, EnterFollowsTheTabOrderAndEachShowingStartsClean) {
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QList<QWidget*> order = {w->Edit_BXDJZBM, w->Edit_SFZHM, w->Edit_Name};
    for (int i = 0; i + 1 < order.size(); ++i) {
        EXPECT_EQ(QApplication::focusWidget(), order[i]);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    // Enter in the last search field searches, and the focus stays for the next search.
    ASSERT_EQ(QApplication::focusWidget(), w->Edit_Name);
    testing_support::typeText(w->Edit_Name, "张");
    QTest::keyClick(w->Edit_Name, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_Name);
    ASSERT_TRUE(w->ADOQuery_PERSON->isOpen());
    EXPECT_GT(w->ADOQuery_PERSON->recordCount(), 0);
    EXPECT_EQ(w->StatusBar1->text(), countLine(w->ADOQuery_PERSON->recordCount()));
    w->Edit_Name->clear();
    QTest::keyClick(w->Edit_Name, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->Button_query);
    // Tab goes the whole round, and Shift+Tab the same way back.
    const QList<QWidget*> round = {w->Button_query, w->Button_QueryAll, w->Button_delete, w->Button2,
                                   w->Button_close, w->Button_print,    w->Button1,       w->DBGrid1};
    for (int i = 0; i + 1 < round.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), round[i + 1]) << "after " << i;
    }
    for (int i = round.size() - 1; i > 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), round[i - 1]) << "back from " << i;
    }
    ASSERT_EQ(QApplication::focusWidget(), w->Button_query);
    QTest::keyClick(w->Button_query, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->Button_QueryAll);
    QTest::keyClick(w->Button_QueryAll, Qt::Key_Return);
    EXPECT_EQ(w->StatusBar1->text(), countLine(4));

    w->Edit_Name->setText("张");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->ADOQuery_PERSON->isOpen());
    EXPECT_EQ(w->frameGeometry().size(), QSize(696, 480));  // the outer size, frame included

    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(w->Edit_Name->text(), "");
    EXPECT_EQ(w->StatusBar1->text(), "");
    EXPECT_EQ(w->DBGrid1->model()->rowCount(), 0);
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_BXDJZBM);
}

}  // namespace

TEST_F(PersonQueryTest, SearchesAndTheEmployerJoinIgnoreLetterCase) {
    db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('ab0000000003','字母单位')");
    addPerson("110101194001010055", "孙七", "AB0000000003");  // 6
    search("", "11010119400101003x", "");
    EXPECT_EQ(listedSerials(), QList<int>{3});
    for (const char* typed : {"ab0000000003", "AB0000000003"}) {
        search(typed, "", "");
        EXPECT_EQ(listedSerials(), QList<int>{6}) << typed;
    }
    w->Button_QueryAllClick();
    EXPECT_TRUE(listedSerials().contains(6));
}

TEST_F(PersonQueryPrintTest, ThePrintViewsAreFilteredWithoutRegardToLetterCase) {
    module->printPersonForm("IDCARD='11010119400101003x'");
    EXPECT_EQ(output.printed(), QStringList{kXiaoMing});
}
