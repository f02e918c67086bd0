// A list over a large register keeps the keys of its rows and reads a row
// only when it is shown.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "store/Connection.h"
#include "store/Error.h"
#include "store/KeyedQuery.h"
#include "support/TestSupport.h"

using testing_support::WorkDir;

namespace {

// Counts the rows the list's row statement reads: it names every row it reads
// through readName(NAME).
void readName(sqlite3_context* ctx, int, sqlite3_value** argv) {
    ++*static_cast<int*>(sqlite3_user_data(ctx));
    sqlite3_result_value(ctx, argv[0]);
}

class KeyedQueryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        c.open(w.database());
        sqlite3_create_function(c.handle(), "readName", 1, SQLITE_UTF8, &rowsRead, readName, nullptr,
                                nullptr);
        c.execute(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
            "INSERT INTO M_CORPORATION (SSN, NAME) SELECT printf('11%010d', i), '单位' || i FROM n");
        // Every employer's persons: two each, by the employer's number.
        c.execute(
            "INSERT INTO M_PERSON (IDCARD, NAME, SSN) SELECT printf('110101%012d', CORPSN * 2 + k), "
            "'人员' || (CORPSN * 2 + k), SSN FROM M_CORPORATION, (SELECT 0 AS k UNION ALL SELECT 1)");
    }
    void openEmployers(store::KeyedQuery& q) {
        q.runQuery(
            "SELECT CORPSN FROM M_CORPORATION WHERE CORPSN > ? ORDER BY SSN DESC",
            "SELECT SSN AS 社保登记证编码, readName(NAME) AS 单位名称 FROM M_CORPORATION WHERE CORPSN = ?", 1,
            {0});
    }
    WorkDir w;
    store::Connection c;
    int rowsRead = 0;
};

TEST_F(KeyedQueryTest, KeepsTheKeysAndReadsARowWhenItIsShown) {
    store::KeyedQuery q(&c);
    openEmployers(q);
    EXPECT_EQ(q.recordCount(), 2000);
    // Opening read the keys only.
    EXPECT_EQ(rowsRead, 0);
    EXPECT_EQ(q.value("社保登记证编码").toString(), "110000002000");  // in the key query's order
    EXPECT_EQ(rowsRead, 1);
    EXPECT_EQ(q.valueAt(1500, 1).toString(), "单位500");
    EXPECT_EQ(rowsRead, 2);
    EXPECT_EQ(q.valueAt(1500, 1).toString(), "单位500");  // kept while it is shown
    EXPECT_EQ(rowsRead, 2);
    EXPECT_TRUE(q.valueAt(2000, 0).isNull());
    EXPECT_EQ(q.columns().size(), 2);
    EXPECT_EQ(q.columns()[1].name, "单位名称");
    EXPECT_EQ(rowsRead, 2);
}

TEST_F(KeyedQueryTest, RowsOfSeveralKeysReadByAllOfThem) {
    store::KeyedQuery q(&c);
    q.runQuery(
        "SELECT p.PSNSN, c.CORPSN FROM M_PERSON p JOIN M_CORPORATION c ON c.SSN = p.SSN WHERE c.CORPSN <= 3 "
        "ORDER BY p.PSNSN",
        "SELECT p.NAME, c.NAME FROM M_PERSON p, M_CORPORATION c WHERE p.PSNSN = ?1 AND c.CORPSN = ?2", 2);
    ASSERT_EQ(q.recordCount(), 6);
    q.last();
    EXPECT_EQ(q.value(0).toString(), "人员7");
    EXPECT_EQ(q.value(1).toString(), "单位3");
    // A key query whose columns are not the keys is refused with a clear text.
    store::KeyedQuery wrong(&c);
    EXPECT_THROW(wrong.runQuery("SELECT PSNSN, SSN, NAME FROM M_PERSON",
                                "SELECT NAME FROM M_PERSON WHERE PSNSN = ?", 2),
                 store::Error);
}

TEST_F(KeyedQueryTest, RowsChangedOrDeletedUnderTheListAndRemovedFromIt) {
    store::KeyedQuery q(&c);
    openEmployers(q);
    store::Connection other;
    other.open(w.database());
    other.execute("UPDATE M_CORPORATION SET NAME = '改名' WHERE SSN = '110000001999'");
    other.execute("DELETE FROM M_CORPORATION WHERE SSN = '110000001998'");
    // Not read yet: the change shows; the deleted row shows empty, in its place.
    EXPECT_EQ(q.valueAt(1, 1).toString(), "改名");
    EXPECT_TRUE(q.valueAt(2, 0).isNull());
    EXPECT_TRUE(q.valueAt(2, 1).isNull());
    EXPECT_EQ(q.recordCount(), 2000);
    // Read again, the list drops it and stays on its row.
    q.moveTo(3);
    q.refresh();
    EXPECT_EQ(q.recordCount(), 1999);
    EXPECT_EQ(q.value(0).toString(), "110000001997");

    // remove() drops the current row from the list only (the window deletes
    // the stored rows itself) and reads no list again.
    rowsRead = 0;
    ASSERT_TRUE(q.remove());
    EXPECT_EQ(q.recordCount(), 1998);
    EXPECT_EQ(q.value(0).toString(), "110000001996");
    EXPECT_EQ(rowsRead, 1);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION WHERE SSN = '110000001997'").toInt(), 1);
    q.last();
    ASSERT_TRUE(q.remove());
    EXPECT_EQ(q.value(0).toString(), "110000000002");  // the last row is the one before
}

}  // namespace
