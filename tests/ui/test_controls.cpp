#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QRegularExpressionValidator>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "store/Connection.h"
#include "store/Error.h"
#include "store/Query.h"
#include "store/Table.h"
#include "support/TestSupport.h"
#include "ui/DBEdit.h"
#include "ui/DBGrid.h"
#include "ui/DBLookupComboBox.h"

using namespace testing_support;

namespace {

class ControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        c.open(w.database());
        window.resize(400, 300);
        layout = new QVBoxLayout(&window);
    }
    void showWindow() {
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    WorkDir w;
    store::Connection c;
    QWidget window;
    QVBoxLayout* layout;
};

TEST_F(ControlsTest, TextFieldTakesAtMostItsColumnWidthInCharacters) {
    store::Table t(&c, "M_CORPORATION");
    t.open();
    t.insert();
    auto* ssn = new ui::DBEdit(&t, "SSN", &window);
    auto* name = new ui::DBEdit(&t, "SHORTNAME", &window);  // text(20)
    layout->addWidget(ssn);
    layout->addWidget(name);
    showWindow();
    ssn->setFocus();
    QTest::keyClicks(ssn, "1100000000019999");
    EXPECT_EQ(ssn->text(), "110000000001");
    name->setFocus();
    typeText(name, QString(25, QChar(0x5355)));
    EXPECT_EQ(name->text().size(), 20);
    ssn->setFocus();  // leaving the field writes it
    EXPECT_EQ(t.value("SHORTNAME").toString(), QString(20, QChar(0x5355)));
    t.post();
    EXPECT_EQ(c.scalar("SELECT SSN FROM M_CORPORATION").toString(), "110000000001");
}

TEST_F(ControlsTest, DateFieldTakesDigitsOnlyAndIsBlankMaskedWhenEmpty) {
    store::Table t(&c, "M_CORPORATION");
    t.open();
    t.insert();
    auto* date = new ui::DBEdit(&t, "APPROVEDATE", &window);
    auto* other = new ui::DBEdit(&t, "NAME", &window);
    layout->addWidget(date);
    layout->addWidget(other);
    showWindow();
    EXPECT_EQ(date->text(), "    -  -  ");
    date->setFocus();
    date->home(false);
    QTest::keyClicks(date, "2a0b04x0506");
    EXPECT_EQ(date->text(), "2004-05-06");
    other->setFocus();
    EXPECT_EQ(t.value("APPROVEDATE").toString(), "2004-05-06");
    t.setValue("APPROVEDATE", QVariant());
    EXPECT_EQ(date->text(), "    -  -  ");
}

TEST_F(ControlsTest, NumberFieldTakesDigitsOnly) {
    store::Table t(&c, "M_CORPORATION");
    t.open();
    t.insert();
    auto* n = new ui::DBEdit(&t, "INCOLICENSEUSEFULLIFE", &window);
    layout->addWidget(n);
    showWindow();
    n->setFocus();
    QTest::keyClicks(n, "1x2y");
    EXPECT_EQ(n->text(), "12");
}

TEST_F(ControlsTest, NumberFieldKeepsOneValidatorAcrossReopens) {
    store::Table t(&c, "M_CORPORATION");
    t.open();
    auto* n = new ui::DBEdit(&t, "INCOLICENSEUSEFULLIFE", &window);
    layout->addWidget(n);
    const QValidator* v = n->validator();
    ASSERT_NE(v, nullptr);
    for (int i = 0; i < 3; ++i) {
        t.close();
        t.open();
    }
    EXPECT_EQ(n->validator(), v);
    EXPECT_EQ(n->findChildren<QRegularExpressionValidator*>().size(), 1);
    t.insert();
    showWindow();
    n->setFocus();
    QTest::keyClicks(n, "3z4");
    EXPECT_EQ(n->text(), "34");
}

TEST_F(ControlsTest, LookupListIsEmptiedOnlyByTheKeysItWasGiven) {
    store::Query sex(&c);
    sex.runQuery("select * from D_SEX");
    auto* spaceOrBack = new ui::DBLookupComboBox(&sex, &window);
    spaceOrBack->setEmptiedBy({Qt::Key_Space, Qt::Key_Backspace});
    auto* del = new ui::DBLookupComboBox(&sex, &window);
    del->setEmptiedBy({Qt::Key_Delete});
    auto* none = new ui::DBLookupComboBox(&sex, &window);
    for (QWidget* l :
         {static_cast<QWidget*>(spaceOrBack), static_cast<QWidget*>(del), static_cast<QWidget*>(none)})
        layout->addWidget(l);
    showWindow();
    struct Case {
        ui::DBLookupComboBox* list;
        Qt::Key key;
        bool empties;
    } cases[] = {
        {spaceOrBack, Qt::Key_Space, true},   {spaceOrBack, Qt::Key_Backspace, true},
        {spaceOrBack, Qt::Key_Delete, false}, {del, Qt::Key_Delete, true},
        {del, Qt::Key_Backspace, false},      {none, Qt::Key_Backspace, false},
        {none, Qt::Key_Delete, false},
    };
    int i = 0;
    for (const Case& k : cases) {
        ++i;
        k.list->setValue("女");
        k.list->setFocus();
        QTest::keyClick(k.list, k.key);
        if (k.list->view()->isVisible()) k.list->hidePopup();
        EXPECT_EQ(k.list->value().isEmpty(), k.empties) << i;
        EXPECT_EQ(k.list->text().isEmpty(), k.empties) << i;
    }
}

TEST_F(ControlsTest, LookupListShowsNamesAndMovesItsDatasetOnlyForListedNames) {
    store::Query sex(&c);
    sex.runQuery("select * from D_SEX");
    ASSERT_GE(sex.recordCount(), 2);
    ui::DBLookupComboBox list(&sex, &window);
    QSignalSpy scroll(&sex, &store::Dataset::afterScroll);
    list.setValue("女");
    EXPECT_EQ(list.text(), "女");
    EXPECT_EQ(sex.value("NAME").toString(), "女");
    EXPECT_EQ(scroll.count(), 1);
    const QString code = list.code();
    EXPECT_FALSE(code.isEmpty());
    const int row = sex.recNo();
    list.setValue("不在表里");
    EXPECT_EQ(list.text(), "");
    EXPECT_EQ(list.code(), "");
    EXPECT_EQ(sex.recNo(), row);
    list.setValue("");
    EXPECT_EQ(list.text(), "");
    EXPECT_EQ(sex.recNo(), row);
    EXPECT_EQ(scroll.count(), 1);

    // An empty code table gives an empty list.
    store::Query none(&c);
    none.runQuery("select * from D_SEX where code = ?", {"none"});
    ui::DBLookupComboBox empty(&none, &window);
    EXPECT_EQ(empty.count(), 0);
    empty.setValue("男");
    EXPECT_EQ(empty.text(), "");
}

TEST_F(ControlsTest, LookupListKeysChooseOnceAndRepeatedNamesStandForTheirFirstRow) {
    // A repeated NAME: the list's key is the name, so both items mean the first row.
    store::Query list(&c);
    list.runQuery("SELECT CODE, NAME FROM D_SEX UNION ALL SELECT 'x', '男' ORDER BY 1");
    ASSERT_EQ(list.recordCount(), 5);  // 0 1 2 9 x
    auto* combo = new ui::DBLookupComboBox(&list, &window);
    layout->addWidget(combo);
    showWindow();
    combo->setFocus();
    QSignalSpy scroll(&list, &store::Dataset::afterScroll);
    QSignalSpy chosen(combo, &ui::DBLookupComboBox::chosen);
    struct Case {
        Qt::Key key;
        const char* name;
        const char* code;
    } cases[] = {
        {Qt::Key_Down, "未知的性别", "0"}, {Qt::Key_Down, "男", "1"},         {Qt::Key_Down, "女", "2"},
        {Qt::Key_End, "男", "1"},  // the last item repeats 男: its first row
        {Qt::Key_Down, "女", "2"},         {Qt::Key_Home, "未知的性别", "0"},
    };
    int moves = 0;
    for (const Case& k : cases) {
        QTest::keyClick(combo, k.key);
        ++moves;
        EXPECT_EQ(combo->value(), k.name) << moves;
        EXPECT_EQ(combo->text(), k.name) << moves;
        EXPECT_EQ(combo->code(), k.code) << moves;
        EXPECT_EQ(scroll.count(), moves) << moves;  // one after-scroll per choice
        EXPECT_EQ(chosen.count(), moves) << moves;
    }
}

TEST_F(ControlsTest, OperatorMovesThatFailAreShownNotThrown) {
    RecordingDialogs d;
    c.execute("INSERT INTO M_UserManager (USER_ID, PASSWORD) VALUES ('bob', 'pw')");
    store::Table users(&c, "M_UserManager");
    users.open();
    auto* grid = new ui::DBGrid(&users, {{"USER_ID", "登录名", 0}}, &window);
    layout->addWidget(grid);
    store::Query sex(&c);
    sex.runQuery("select * from D_SEX");
    auto* combo = new ui::DBLookupComboBox(&sex, &window);
    layout->addWidget(combo);
    showWindow();

    // Another row chosen in the grid posts the changed one; the database refuses it.
    users.last();
    users.insert();
    users.setValue("USER_ID", "new");
    c.execute(
        "CREATE TRIGGER refuse BEFORE INSERT ON M_UserManager BEGIN SELECT RAISE(ABORT, 'refused'); END");
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QCoreApplication::processEvents();
    ASSERT_EQ(d.errors().size(), 1);
    EXPECT_TRUE(d.errors()[0].contains("refused"));
    EXPECT_EQ(users.state(), store::Dataset::State::Insert);  // still in the fields
    EXPECT_EQ(users.value("USER_ID").toString(), "new");
    // The grid went back to the row being inserted, a row of its own below the two stored ones.
    EXPECT_EQ(grid->currentIndex().row(), grid->datasetModel()->currentModelRow());
    EXPECT_EQ(grid->currentIndex().row(), 2);

    // A failing after-scroll of the list's dataset ends the choice in the error box.
    QObject::connect(&sex, &store::Dataset::afterScroll, [] { throw store::Error("scroll failed"); });
    QSignalSpy chosen(combo, &ui::DBLookupComboBox::chosen);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(d.errors().size(), 2);
    EXPECT_EQ(d.errors()[1], "scroll failed");
    EXPECT_EQ(chosen.count(), 0);
}

TEST_F(ControlsTest, GridRowIsTheDatasetsCurrentRowAndSelectionIsSeparate) {
    for (const char* ssn : {"110000000001", "110000000002", "110000000003"})
        c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {ssn, ssn});
    store::Query q(&c);
    q.runQuery("SELECT SSN, NAME FROM M_CORPORATION ORDER BY SSN");
    ui::DBGrid grid(&q, {{"SSN", "编码", 0}, {"NAME", "名称", 0}}, &window);
    layout->addWidget(&grid);
    showWindow();
    EXPECT_EQ(grid.model()->rowCount(), 3);
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "编码");
    q.locate("SSN", "110000000003");
    EXPECT_EQ(grid.currentIndex().row(), 2);
    grid.selectionModel()->select(grid.model()->index(0, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(grid.selectedRows(), (QList<int>{0, 2}));
    grid.setCurrentIndex(grid.model()->index(1, 0));
    EXPECT_EQ(q.value("SSN").toString(), "110000000002");
}

}  // namespace
