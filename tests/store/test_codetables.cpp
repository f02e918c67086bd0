#include <gtest/gtest.h>

#include "store/Connection.h"
#include "support/TestSupport.h"

using testing_support::WorkDir;

namespace {

// The codes and names the program's rules compare must exist with these pairings.
TEST(CodeTables, FixedCodesAndNamesExistWithTheirPairing) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    struct Case {
        const char* table;
        const char* code;
        const char* name;
    } cases[] = {
        {"D_CORPSRETFLAG", "1", "享受"},
        {"D_CORPSRETFLAG", "1", "不享受"},
        {"D_CORPSRETFEETYPE", "1", nullptr},
        {"D_CORPSRETFEETYPE", "2", nullptr},
        {"D_CORPSRETFEETYPE", "3", nullptr},
        {"D_CorpType", nullptr, "企业"},
        {"D_CorpType", "30", nullptr},
        {"D_BELONG", "4", nullptr},
        {"D_BELONG", "5", nullptr},
        {"D_DELEGATECORPTYPE", nullptr, "不具备法人和非法人条件的单位"},
        {"D_feeType", "2", "独立"},
        {"D_FEEPERIOD", nullptr, "月"},
        {"D_FEEPERIOD", nullptr, "季"},
        {"D_FEEPERIOD", nullptr, "半年"},
        {"D_FEEPERIOD", nullptr, "全年"},
        {"D_FEEPERIOD", nullptr, "不定期"},
        {"D_feeMethod", nullptr, "银行托收"},
        {"D_ISZGC", nullptr, "否"},
        {"D_FeePsnType", "14", "离休人员"},
        {"D_FeePsnType", "17", "离休非缴费人员"},
        {"D_PsnSRetFeeType", "1", "财政拨款"},
        {"D_PSNSRETFEETYPE", "2", "单位缴费"},
        {"D_MedPsnType", "27", nullptr},
        {"D_MedPsnType", "31", nullptr},
        {"D_MedPsnType", "49", nullptr},
        {"D_RetireType", "1", nullptr},
        {"D_RetireType", nullptr, "无"},
        {"D_SEX", nullptr, "男"},
        {"D_SEX", nullptr, "女"},
        {"D_SpecDuty", "1", nullptr},  // loaded from a file named otherwise ("#table" line)
    };
    for (const Case& k : cases) {
        QString sql = QString("SELECT count(*) FROM %1 WHERE 1=1").arg(k.table);
        QVariantList p;
        if (k.code) {
            sql += " AND CODE = ?";
            p << k.code;
        }
        if (k.name) {
            sql += " AND NAME = ?";
            p << k.name;
        }
        EXPECT_GE(c.scalar(sql, p).toInt(), 1)
            << k.table << " " << (k.code ? k.code : "") << " " << (k.name ? k.name : "");
    }
    // Exactly one of 27, 31, 49 is the disabled veteran.
    EXPECT_EQ(c.scalar("SELECT count(*) FROM D_MedPsnType WHERE CODE IN ('27','31','49') AND NAME = ?",
                       {"在乡二等乙级伤残军人"})
                  .toInt(),
              1);
    // Affiliation codes are whole numbers.
    EXPECT_EQ(
        c.scalar("SELECT count(*) FROM D_BELONG WHERE CAST(CAST(CODE AS INTEGER) AS TEXT) <> CODE").toInt(),
        0);
}

TEST(CodeTables, DependentCodesFollowTheirRules) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    // Bank codes shorter than 6 characters end in "&"; a typed 123 is looked up as 123&.
    EXPECT_EQ(c.scalar("SELECT count(*) FROM D_DEPUTYBANKNAME WHERE length(CODE) < 6 AND CODE NOT LIKE '%&'")
                  .toInt(),
              0);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM D_DEPUTYBANKNAME WHERE CODE = '123&'").toInt(), 1);
    // Every industry code starts with the code of an industry nature, and each nature has codes.
    EXPECT_EQ(c.scalar("SELECT count(*) FROM D_tradecode t WHERE NOT EXISTS "
                       "(SELECT 1 FROM D_TradeProperty p WHERE p.CODE = mid(t.CODE, 1, 2))")
                  .toInt(),
              0);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM D_TradeProperty p WHERE NOT EXISTS "
                       "(SELECT 1 FROM D_tradecode t WHERE mid(t.CODE, 1, 2) = p.CODE)")
                  .toInt(),
              0);
    // One registration authority per fee area, with the same code.
    EXPECT_EQ(c.scalar("SELECT count(*) FROM D_feeArea a WHERE NOT EXISTS "
                       "(SELECT 1 FROM d_regorg r WHERE r.CODE = a.CODE)")
                  .toInt(),
              0);
    EXPECT_GE(c.scalar("SELECT count(*) FROM d_hos WHERE length(CODE) = 8 AND SHORT_NAME <> ''").toInt(), 20);
}

}  // namespace
