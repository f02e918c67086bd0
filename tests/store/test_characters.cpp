// The store keeps every character as given and counts characters as the
// fields do: code points, whatever their UTF-16 or UTF-8 length.
#include <gtest/gtest.h>

#include "store/Column.h"
#include "store/Connection.h"
#include "store/Error.h"
#include "store/Table.h"
#include "support/TestSupport.h"

namespace {

struct CharCase {
    const char* what;
    const char* utf8;
    int characters;
};

class StoreCharacters : public ::testing::TestWithParam<CharCase> {
  protected:
    void SetUp() override { c.open(w.database()); }
    testing_support::WorkDir w;
    store::Connection c;
};

TEST_P(StoreCharacters, ValueComesBackAsGivenAndBothCountsAgree) {
    const CharCase& p = GetParam();
    const QString one = QString::fromUtf8(p.utf8);
    ASSERT_EQ(store::characterCount(one), p.characters) << p.what;
    // Filled to the width of SHORTNAME (20): accepted; one more: refused.
    QString full;
    while (store::characterCount(full) + p.characters <= 20) full += one;
    const int n = store::characterCount(full);
    c.execute("INSERT INTO M_CORPORATION (SSN, SHORTNAME) VALUES ('110000000001', ?)", {full});
    EXPECT_EQ(c.scalar("SELECT SHORTNAME FROM M_CORPORATION").toString(), full) << p.what;
    EXPECT_EQ(c.scalar("SELECT length(SHORTNAME) FROM M_CORPORATION").toInt(), n) << p.what;
    if (n + p.characters > 20) {
        EXPECT_THROW(c.execute("UPDATE M_CORPORATION SET SHORTNAME = ?", {full + one}), store::Error)
            << p.what;
    }
    // mid() counts as length() does.
    const QString mixed = "a" + one + "b";
    EXPECT_EQ(c.scalar("SELECT mid(?, 2, ?)", {mixed, p.characters}).toString(), one) << p.what;
    EXPECT_EQ(c.scalar("SELECT mid(?, ?)", {mixed, 2 + p.characters}).toString(), "b") << p.what;
}

INSTANTIATE_TEST_SUITE_P(Table, StoreCharacters,
                         ::testing::Values(CharCase{"ascii", "A", 1}, CharCase{"gbk chinese", "保", 1},
                                           CharCase{"latin", "Ø", 1},
                                           CharCase{"emoji", "\xF0\x9F\x98\x80", 1},
                                           CharCase{"cjk extension b", "\xF0\xA0\x80\x80", 1},
                                           // Two code points, one cluster: both count.
                                           CharCase{"combining", "e\xCC\x81", 2}),
                         [](const auto& info) {
                             std::string n = info.param.what;
                             for (char& ch : n)
                                 if (ch == ' ') ch = '_';
                             return n;
                         });

TEST(StoreCharacters, HalfAPairIsRefusedAndNothingElseIsStored) {
    testing_support::WorkDir w;
    store::Connection c;
    c.open(w.database());
    store::Table t(&c, "M_CORPORATION");
    t.open();
    t.insert();
    t.setValue("SSN", "110000000001");
    t.setValue("SHORTNAME", QStringLiteral("单位") + QChar(0xD83D));  // the first half of an emoji
    EXPECT_THROW(t.post(), store::Error);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 0);  // no "单位?"
    // Inside a transaction the refusal ends it, as any failed statement does.
    c.beginTransaction();
    c.execute("INSERT INTO M_CORPORATION (SSN) VALUES ('110000000002')");
    EXPECT_THROW(c.execute("UPDATE M_CORPORATION SET NAME = ?", {QString(QChar(0xDC00))}), store::Error);
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 0);
}

}  // namespace
