#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>

#include "store/Connection.h"
#include "store/Error.h"
#include "store/Query.h"
#include "store/Table.h"
#include "support/TestSupport.h"

using store::Dataset;
using testing_support::WorkDir;

namespace {

class DatasetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        c.open(w.database());
        for (const char* ssn : {"110000000001", "110000000002", "110000000003"})
            c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {ssn, QString("单位") + ssn});
    }
    WorkDir w;
    store::Connection c;
};

TEST_F(DatasetTest, PostAssignsSerialAndCancelDropsNewRow) {
    store::Table t(&c, "M_CORPORATION");
    t.open();
    ASSERT_EQ(t.recordCount(), 3);
    t.insert();
    EXPECT_TRUE(t.value("CORPSN").isNull());  // serial only at post
    EXPECT_FALSE(t.modified());
    t.setValue("SSN", "110000000004");
    EXPECT_TRUE(t.modified());
    t.post();
    EXPECT_FALSE(t.modified());
    EXPECT_EQ(t.value("CORPSN").toInt(), 4);
    EXPECT_EQ(t.recordCount(), 4);

    t.insert();
    t.setValue("SSN", "110000000005");
    t.cancel();
    EXPECT_EQ(t.recordCount(), 4);
    EXPECT_EQ(t.value("SSN").toString(), "110000000004");
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 4);
    // Cancel while browsing changes nothing.
    t.cancel();
    EXPECT_EQ(t.state(), Dataset::State::Browse);
    EXPECT_EQ(t.value("SSN").toString(), "110000000004");
}

TEST_F(DatasetTest, FailedPostKeepsTheRowPending) {
    store::Table t(&c, "M_CORPORATION");
    t.open();
    t.insert();
    t.setValue("SSN", "110000000001");  // taken
    EXPECT_THROW(t.post(), store::Error);
    EXPECT_EQ(t.state(), Dataset::State::Insert);
    EXPECT_EQ(t.value("SSN").toString(), "110000000001");
    t.setValue("SSN", "110000000009");
    t.post();
    EXPECT_EQ(t.recordCount(), 4);
}

TEST_F(DatasetTest, LocateAndLookupFoundAndNotFound) {
    store::Table t(&c, "m_corporation");  // names match without regard to case
    t.open();
    t.last();
    EXPECT_TRUE(t.locate("ssn", "110000000002"));
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_FALSE(t.locate("SSN", "11000000000"));  // whole value only
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_EQ(t.lookup("SSN", "110000000003", "NAME").toString(), "单位110000000003");
    EXPECT_EQ(t.recNo(), 1);  // lookup does not move
    EXPECT_TRUE(t.lookup("SSN", "999", "NAME").isNull());
    EXPECT_FALSE(t.locate("CORPSN", "abc"));
}

TEST_F(DatasetTest, AfterScrollExactlyWhereItIsRaised) {
    store::Table t(&c, "M_CORPORATION");
    QSignalSpy spy(&t, &Dataset::afterScroll);
    t.open();
    EXPECT_EQ(spy.count(), 1);  // opened with rows
    t.next();
    t.last();
    t.first();
    EXPECT_EQ(spy.count(), 4);
    t.locate("SSN", "110000000003");
    EXPECT_EQ(spy.count(), 5);
    t.locate("SSN", "nope");
    t.lookup("SSN", "110000000001", "NAME");
    t.insert();
    t.cancel();
    t.close();
    EXPECT_EQ(spy.count(), 5);  // failed locate, lookup, insert, cancel, close raise nothing

    store::Query empty(&c);
    QSignalSpy none(&empty, &Dataset::afterScroll);
    empty.runQuery("SELECT * FROM M_CORPORATION WHERE SSN = ?", {"none"});
    EXPECT_EQ(none.count(), 0);  // opened without rows
}

TEST_F(DatasetTest, AfterScrollAndModifiedStepByStep) {
    store::Table t(&c, "M_CORPORATION");
    QSignalSpy spy(&t, &Dataset::afterScroll);
    struct Step {
        const char* what;
        std::function<void()> run;
        int scrolls;  // after-scroll raised by the step
        bool modified;
    } steps[] = {
        {"open with rows", [&] { t.open(); }, 1, false},
        {"edit", [&] { t.edit(); }, 0, false},
        {"set field", [&] { t.setValue("NAME", "改"); }, 0, true},
        {"cancel", [&] { t.cancel(); }, 0, false},
        {"cancel while browsing", [&] { t.cancel(); }, 0, false},
        {"last", [&] { t.last(); }, 1, false},
        {"next at the end", [&] { t.next(); }, 0, false},
        {"insert", [&] { t.insert(); }, 0, false},
        {"set field", [&] { t.setValue("SSN", "110000000004"); }, 0, true},
        {"post", [&] { t.post(); }, 0, false},
        {"edit again", [&] { t.edit(); }, 0, false},
        {"refresh", [&] { t.refresh(); }, 0, false},
        {"first", [&] { t.first(); }, 1, false},
        {"delete", [&] { t.remove(); }, 0, false},
        {"requery", [&] { t.requery(); }, 1, false},
        {"close", [&] { t.close(); }, 0, false},
    };
    int expected = 0;
    for (const Step& s : steps) {
        s.run();
        expected += s.scrolls;
        EXPECT_EQ(spy.count(), expected) << s.what;
        EXPECT_EQ(t.modified(), s.modified) << s.what;
    }
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 3);  // one posted, one deleted
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION WHERE NAME = '改'").toInt(), 0);  // cancelled
}

TEST_F(DatasetTest, RefreshSeesOtherConnectionsRowsAndKeepsPosition) {
    store::Table t(&c, "M_CORPORATION");
    t.open();
    t.locate("SSN", "110000000002");
    store::Connection other;
    other.open(w.database());
    other.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)", {"110000000007", "新"});
    other.execute("DELETE FROM M_CORPORATION WHERE SSN = ?", {"110000000001"});
    EXPECT_EQ(t.recordCount(), 3);
    t.refresh();
    EXPECT_EQ(t.recordCount(), 3);
    EXPECT_EQ(t.value("SSN").toString(), "110000000002");
    t.requery();
    EXPECT_EQ(t.value("SSN").toString(), "110000000002");  // first row after requery
}

// A table opens knowing its first row and learns the others as it is moved
// to them; whatever it learns when, the same row stays current and every
// index is the row's place among all rows.
TEST_F(DatasetTest, RowsLearntLateKeepTheCurrentRowAndTheSnapshot) {
    c.execute(
        "INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000004', '单位4'), ('110000000005', '单位5')");
    store::Table t(&c, "M_CORPORATION");
    t.open();
    ASSERT_TRUE(t.locate("SSN", "110000000004"));
    // A lookup of a row before the current one learns it without moving.
    EXPECT_EQ(t.lookup("SSN", "110000000002", "NAME").toString(), "单位110000000002");
    EXPECT_EQ(t.value("SSN").toString(), "110000000004");
    // Stored elsewhere after the open: not a row of this snapshot, until requeried.
    store::Connection other;
    other.open(w.database());
    other.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000006', '外')");
    EXPECT_FALSE(t.locate("SSN", "110000000006"));
    EXPECT_EQ(t.value("SSN").toString(), "110000000004");
    // A new row stored here is one, and cancelling the next insert goes back to it.
    t.insert();
    t.setValue("SSN", "110000000007");
    t.post();
    t.insert();
    t.cancel();
    EXPECT_EQ(t.value("SSN").toString(), "110000000007");
    ASSERT_TRUE(t.locate("SSN", "110000000004"));
    EXPECT_EQ(t.recNo(), 3);
    EXPECT_EQ(t.recordCount(), 6);
    EXPECT_EQ(t.value("SSN").toString(), "110000000004");
    t.last();
    EXPECT_EQ(t.value("SSN").toString(), "110000000007");
    t.requery();
    EXPECT_EQ(t.recordCount(), 7);
    EXPECT_TRUE(t.locate("SSN", "110000000006"));

    // A stored row found by its id, with the whole keyset still unread; a gone one is not.
    store::Table u(&c, "M_CORPORATION");
    u.open();
    const qint64 id = c.scalar("SELECT rowid FROM M_CORPORATION WHERE SSN = '110000000005'").toLongLong();
    ASSERT_TRUE(u.locateRowId(id));
    EXPECT_EQ(u.currentRowId(), id);
    EXPECT_EQ(u.value("NAME").toString(), "单位5");
    EXPECT_FALSE(u.locateRowId(id + 100));
    EXPECT_EQ(u.currentRowId(), id);
    // Deleted elsewhere after it was visited: it keeps its place, as a row of the snapshot.
    other.execute("DELETE FROM M_CORPORATION WHERE SSN = '110000000005'");
    EXPECT_EQ(u.recordCount(), 7);
    EXPECT_EQ(u.recNo(), 4);
    u.next();
    EXPECT_EQ(u.value("SSN").toString(), "110000000006");
}

TEST_F(DatasetTest, ValuesWithQuotesAreStoredAsTyped) {
    const QString name = "O'Brien \"甲\" '); DROP TABLE M_CORPORATION; --";
    store::Table t(&c, "M_CORPORATION");
    t.open();
    t.insert();
    t.setValue("SSN", "110000000008");
    t.setValue("NAME", name);
    t.post();
    store::Query q(&c);
    q.runQuery("SELECT NAME FROM M_CORPORATION WHERE NAME = ?", {name});
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.value("NAME").toString(), name);
    EXPECT_TRUE(t.locate("NAME", name));
}

TEST_F(DatasetTest, DeleteMovesToFollowingRowAndGuardCanRefuse) {
    store::Table t(&c, "M_CORPORATION");
    t.open();
    t.locate("SSN", "110000000002");
    ASSERT_TRUE(t.remove());
    EXPECT_EQ(t.value("SSN").toString(), "110000000003");
    t.beforeDelete = [] { return false; };
    EXPECT_FALSE(t.remove());
    EXPECT_EQ(t.recordCount(), 2);
}

TEST_F(DatasetTest, EditChangesOnlyAssignedColumnsAndConversionsFailClearly) {
    store::Table t(&c, "M_CORPORATION");
    t.open();
    t.edit();
    t.setValue("INCOLICENSEDATE", "2004-05-06");
    t.setValue("INCOLICENSEUSEFULLIFE", "12");
    EXPECT_THROW(t.setValue("INCOLICENSEUSEFULLIFE", "abc"), store::Error);
    EXPECT_THROW(t.setValue("APPROVEDATE", "2004-02-30"), store::Error);
    t.setValue("APPROVEDATE", "    -  -  ");  // an empty date field
    t.post();
    EXPECT_EQ(c.scalar("SELECT INCOLICENSEDATE FROM M_CORPORATION WHERE CORPSN = 1").toString(),
              "2004-05-06");
    EXPECT_EQ(c.scalar("SELECT INCOLICENSEUSEFULLIFE FROM M_CORPORATION WHERE CORPSN = 1").toInt(), 12);
    EXPECT_TRUE(c.scalar("SELECT APPROVEDATE FROM M_CORPORATION WHERE CORPSN = 1").isNull());
    EXPECT_EQ(t.text("INCOLICENSEDATE"), "2004-05-06");
}

TEST_F(DatasetTest, StoredQueryFilterIsBoundAndCaseInsensitive) {
    store::StoredQuery q(&c, "cop_print1");
    for (const QString& f : {QString("SSN='110000000002'"), QString("ssn = '110000000002'")}) {
        q.setFilter(f);
        q.setFiltered(true);
        q.requery();
        ASSERT_EQ(q.recordCount(), 1) << f.toStdString();
        EXPECT_EQ(q.value("SSN").toString(), "110000000002");
    }
    q.setFilter("SSN='x' OR '1'='1'");  // the whole text between the outer quotes is the value
    q.requery();
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_THROW(q.setFilter("SSN LIKE '%'"), store::Error);
    q.setFilter("nosuchcolumn='1'");
    EXPECT_THROW(q.requery(), store::Error);
}

}  // namespace
