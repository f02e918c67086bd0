// The transfer's key tests under the key rule, and files of format 1 (made by
// the release before it, kept in tests/fixtures/format1) in the data
// exchange window.
#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "ExchangeFixtures.h"
#include "ImportWindowTest.h"
#include "exchange/TForm_import.h"
#include "exchange/Transfer.h"
#include "platform/Clock.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Format.h"
#include "support/TestSupport.h"

using namespace fixtures;
using testing_support::copyFixture;

namespace {

TEST(TransferKeys, DuplicateTestsAndSerialLookupsIgnoreLetterCase) {
    testing_support::WorkDir w;
    store::Connection c;
    c.open(w.database());
    addEmployer(c, "ab0000000001", "单位");
    addPerson(c, "ab0000000001", "11010519300101011x", "人");
    addInstitution(c, "11010519300101011x", "00010001");
    struct Case {
        const char* what;
        const char* sql;
        const char* stored;
        const char* other;
    } cases[] = {
        {"employer duplicate", exchange::kCheckSSNDbl, "ab0000000001", "AB0000000001"},
        {"person duplicate", exchange::kCheckIDcardDbl, "11010519300101011x", "11010519300101011X"},
        {"institution duplicate", exchange::kCheckMedDbl, "11010519300101011x", "11010519300101011X"},
        {"employer serial", exchange::kCorpsnBySSN, "ab0000000001", "AB0000000001"},
        {"person serial", exchange::kPsnsnByIDcard, "11010519300101011x", "11010519300101011X"},
    };
    for (const Case& k : cases) {
        for (const char* key : {k.stored, k.other}) {
            EXPECT_TRUE(exchange::countsAny(c, k.sql, QString::fromLatin1(key))) << k.what << " " << key;
            EXPECT_EQ(c.select(QString::fromLatin1(k.sql), {QString::fromLatin1(key)}).size(), 1) << k.what;
        }
        EXPECT_FALSE(exchange::countsAny(c, k.sql, "cd0000000001")) << k.what;
    }
}

class Format1Exchange : public ImportWindowTest<> {};

// A submission file of format 1 is read as it stands; its keys meet the
// upgraded register's rule: numbers in other letter case are duplicates, and a
// person's employer is found in any letter case.
TEST_F(Format1Exchange, Format1SubmissionImportsIntoAnUpgradedRegister) {
    const QString target = copyFixture("format1/Enterprise.mdb", work.path(), "Enterprise.mdb");
    const QString file = copyFixture("format1/submission.mdb", work.path(), "in/2026-12-01.mdb");
    const QByteArray fileBefore = bytesOf(file);
    form->Edit_tofile->setText(target);
    form->Edit_fromfile->setText(file);
    form->Button1Click();
    // The upgrade of the register says what it found, all three kinds, before the import's end.
    ASSERT_EQ(dialogs.texts().size(), 2);
    for (const char* twin :
         {"ab0000000001、AB0000000001", "11010519300101011x、11010519300101011X", "ab000001-1、AB000001-1"})
        EXPECT_TRUE(dialogs.texts().first().contains(QString::fromUtf8(twin))) << twin;
    EXPECT_EQ(dialogs.texts().last(), "操作完毕！");
    const QStringList log = form->logLines();
    EXPECT_TRUE(log.contains("本条企业信息重复，其社保登记证号码为：CD0000000001"));
    EXPECT_TRUE(log.contains("本条个人信息重复，其身份证号码为：11010519310101015x"));
    EXPECT_TRUE(log.contains("本条个人定点医疗机构信息重复，其人员身份证号码为：11010519310101015x"));
    const int at = int(log.indexOf("单位信息导入统计"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(log.mid(at, 9),
              QStringList({"单位信息导入统计", "总数 ：2 条", "成功 ：1 条", "失败 ：1 条", "",
                           "个人信息导入统计", "总数 ：3 条", "成功 ：2 条", "失败 ：1 条"}));
    // The submission file is never written, not even upgraded.
    EXPECT_EQ(bytesOf(file), fileBefore);

    store::Connection c;
    c.open(target);
    EXPECT_EQ(store::fileFormat(c), 2);
    EXPECT_EQ(c.select("SELECT CORPSN, SSN FROM M_CORPORATION WHERE CORPSN > 4 ORDER BY CORPSN"),
              (QList<QVariantList>{{6LL, "220000000001"}}));
    // 周七's employer "CD0000000001" is the register's "cd0000000001" (CORPSN 4).
    EXPECT_EQ(c.select("SELECT PSNSN, CORPSN, IDCARD FROM M_PERSON WHERE PSNSN > 5 ORDER BY PSNSN"),
              (QList<QVariantList>{{7LL, 6LL, "11010519320101019X"}, {8LL, 4LL, "11010519330101012x"}}));
    EXPECT_EQ(c.select("SELECT PSNSN, IDCARD FROM M_PSNAPPOINTEDHOSPITAL WHERE PSNSN > 5 ORDER BY rowid"),
              (QList<QVariantList>{{7LL, "11010519320101019X"}, {8LL, "11010519330101012x"}}));
}

TEST_F(Format1Exchange, ExportUpgradesAFormat1TemplateAndWritesTheCurrentFormat) {
    const QString tmpl = copyFixture("format1/structure.mdb", work.path(), "structure.mdb");
    {
        store::Connection c;
        c.open(work.database());
        addEmployer(c, "ab0000000001", "单位");
    }
    form->Button4Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    store::Connection t, e;
    t.open(tmpl);
    EXPECT_EQ(store::fileFormat(t), 2);
    e.open(work.file("orvanta/2026-12-10.mdb"));
    EXPECT_EQ(store::fileFormat(e), 2);
    EXPECT_EQ(e.scalar("SELECT count(*) FROM M_CORPORATION WHERE SSN = 'AB0000000001'").toInt(), 1);
}

TEST_F(Format1Exchange, ASubmissionFileOfANewerFormatIsRefusedInWords) {
    const QString file = work.file("in/new.mdb");
    newSubmission(file);
    {
        store::Connection c;
        c.open(file);
        c.execute("UPDATE veyra_meta SET value = '3' WHERE key = 'format'");
    }
    form->Edit_fromfile->setText(file);
    form->Button1Click();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts()[0].contains("较新版本的程序")) << dialogs.texts()[0].toStdString();
    store::Connection c;
    c.open(work.database());
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 0);
}

}  // namespace
