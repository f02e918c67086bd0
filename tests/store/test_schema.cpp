#include <gtest/gtest.h>

#include "store/Connection.h"
#include "store/Error.h"
#include "store/Query.h"
#include "support/TestSupport.h"

using testing_support::WorkDir;

namespace {

QStringList columnNames(store::Connection& c, const QString& table) {
    QStringList names;
    for (const store::Column& col : c.tableColumns(table)) names.append(col.name);
    return names;
}

TEST(Schema, RegisterTablesHaveTheirColumnsInOrder) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    const QStringList corp = columnNames(c, "M_CORPORATION");
    ASSERT_EQ(corp.size(), 67);
    EXPECT_EQ(corp.mid(0, 8).join(','), "CORPSN,SSN,FEEAREACODE,PAYAREA,SUPERIORCORP,FEETYPE,FEECORP,NAME");
    EXPECT_EQ(corp[31], "FEEBANK");
    EXPECT_EQ(corp[37], "ORGCODE");
    EXPECT_EQ(corp[48], "FEEPERIOD");
    EXPECT_EQ(corp[58], "SRETFLAG");
    EXPECT_EQ(corp[63], "ZGCCORP");
    EXPECT_EQ(corp[66], "SUPERIORSSN");
    const QStringList person = columnNames(c, "M_PERSON");
    ASSERT_EQ(person.size(), 42);
    EXPECT_EQ(person.mid(0, 6).join(','), "PSNSN,CORPSN,IDCARD,NAME,SEX,BIRTH");
    EXPECT_EQ(person[25], "FEEPSNTYPE");
    EXPECT_EQ(person[32], "PSNSRETFEETYPE");
    EXPECT_EQ(person[41], "SSN");
    const QStringList hosp = columnNames(c, "M_PSNAPPOINTEDHOSPITAL");
    ASSERT_EQ(hosp.size(), 9);
    EXPECT_EQ(hosp.mid(0, 6).join(','), "PSNSN,HOSP_1,HOSP_2,HOSP_3,HOSP_4,HOSP_5");
    EXPECT_EQ(hosp[8], "IDCARD");
    EXPECT_EQ(columnNames(c, "M_UserManager").join(','), "USER_ID,USER_NAME,PASSWORD,duty");
    // The export template holds the same four tables, empty, and no code tables.
    store::Connection t;
    t.open(w.templateFile());
    EXPECT_EQ(columnNames(t, "M_CORPORATION"), corp);
    EXPECT_EQ(columnNames(t, "M_PERSON"), person);
    EXPECT_EQ(t.scalar("SELECT count(*) FROM M_UserManager").toInt(), 0);
    EXPECT_THROW(t.tableColumns("D_SEX"), store::Error);
}

TEST(Schema, TheDatabaseRefusesTooLongOrWrongTypedValues) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    struct Case {
        const char* what;
        const char* sql;
        QVariantList params;
        bool accepted;
    } cases[] = {
        {"12 characters", "INSERT INTO M_CORPORATION (SSN) VALUES (?)", {"110000000001"}, true},
        {"13 characters", "INSERT INTO M_CORPORATION (SSN) VALUES (?)", {"1100000000012"}, false},
        // widths count characters, not UTF-8 bytes
        {"20 Chinese characters",
         "INSERT INTO M_PERSON (IDCARD, NAME) VALUES ('1', ?)",
         {QString(20, QChar(0x5f20))},
         true},
        {"21 Chinese characters",
         "INSERT INTO M_PERSON (IDCARD, NAME) VALUES ('2', ?)",
         {QString(21, QChar(0x5f20))},
         false},
        {"text in integer", "INSERT INTO M_CORPORATION (SSN, FEEPERIOD) VALUES ('a', ?)", {"monthly"}, false},
        {"digits in integer", "INSERT INTO M_CORPORATION (SSN, FEEPERIOD) VALUES ('b', ?)", {"12"}, true},
        {"impossible date",
         "INSERT INTO M_CORPORATION (SSN, APPROVEDATE) VALUES ('c', ?)",
         {"2004-02-30"},
         false},
        {"date", "INSERT INTO M_CORPORATION (SSN, APPROVEDATE) VALUES ('d', ?)", {"2004-02-29"}, true},
        {"password of 7",
         "INSERT INTO M_UserManager (USER_ID, PASSWORD) VALUES ('x', ?)",
         {"1234567"},
         false},
        {"duplicate ID number", "INSERT INTO M_PERSON (IDCARD) VALUES (?)", {"1"}, false},
    };
    for (const Case& k : cases) {
        bool ok = true;
        try {
            c.execute(k.sql, k.params);
        } catch (const store::Error&) {
            ok = false;
        }
        EXPECT_EQ(ok, k.accepted) << k.what;
    }
}

TEST(Schema, PrintViewsGiveOneRowPerRecordWithSecondLevelAt67) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    c.execute(
        "INSERT INTO M_CORPORATION (SSN, NAME, SUPERIORSSN) VALUES ('110000000001', '甲', '110000000002')");
    c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000002', '乙')");
    c.execute(
        "INSERT INTO M_PERSON (IDCARD, NAME, SSN) VALUES ('110101194901010011', '张三', '110000000001')");
    store::StoredQuery q(&c, "cop_print1");
    q.open();
    ASSERT_EQ(q.recordCount(), 2);
    ASSERT_GE(q.fieldCount(), 67);
    EXPECT_EQ(q.columns()[66].name, "SUPERIORSSN");
    EXPECT_EQ(q.value(66).toString(), "110000000002");
    for (const char* col :
         {"组织机构代码", "经济类型", "社保登记机构", "缴费开户银行名称", "单位类型", "隶属关系"})
        EXPECT_GE(q.fieldIndex(col), 0) << col;
    store::StoredQuery p(&c, "person_print");
    p.open();
    ASSERT_EQ(p.recordCount(), 1);
    for (const char* col :
         {"性别", "定点医疗机构1", "定点医疗机构5", "医疗参保人员类别", "婚姻状况", "IDCARD"})
        EXPECT_GE(p.fieldIndex(col), 0) << col;
}

}  // namespace
