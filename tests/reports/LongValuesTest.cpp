// The three forms with values as long as their columns allow: every value
// fits its cell (smaller, on two lines, or cut with a mark), no glyph is cut,
// nothing runs into the next item, and every position stays where it was.
#include "PageQueries.h"
#include "ReportsTestPrinters.h"
#include "reports/FitText.h"
#include "reports/Fonts.h"
#include "reports/TForm_print1.h"
#include "reports/tools/SampleForms.h"
#include "store/Connection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace reports;
using namespace page_queries;

namespace {

enum Form { Sheet1, Sheet2, Person };

QList<LaidOutDocument> printForms(const QString& database, const QString& ssn, const QString& idCard) {
    TForm_print1 module;
    CapturingOutput output;
    module.setOutput(&output);
    module.printEmployerForm(QStringLiteral("SSN='%1'").arg(ssn), TForm_print1::Sheets::Both);
    module.printPersonForm(QStringLiteral("IDCARD='%1'").arg(idCard));
    QList<LaidOutDocument> docs;
    for (const auto& job : output.jobs) docs.append(job.document);
    (void)database;
    return docs;
}

QString repeat(const QString& s, int characters) {
    QString out;
    while (out.size() < characters) out += s;
    return out.left(characters);
}

class LongValues : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        work = new testing_support::WorkDir;
        store::Connection db;
        db.open(work->database());
        const samples::Sample sample = samples::insertSample(db);
        normal = printForms(work->database(), sample.employerSsn, sample.personIdCard);

        QVariantMap e = samples::employer(kSsn, sample.secondLevelSsn);
        e["NAME"] = repeat("北京市东城区示例机械制造有限责任公司第二分公司", 80);
        e["ADDRESS"] = repeat("北京市东城区和平里东街十八号院三号楼", 50);
        e["FEEBANK"] = "1021&";  // 中国工商银行北京市分行营业部, beside its number
        e["FEEBANKACCNAME"] = repeat("北京市东城区示例机械制造有限责任公司", 50);
        e["FEEBANKACCOUNT"] = repeat("0200001234567890123", 40);
        e["TEL"] = "010-64210000-8888";
        e["FEEMANAGERDEPT"] = repeat("人力资源部社会保险科", 50);
        e["SHORTNAME"] = repeat("示例机械", 20);
        e["URL"] = "www.example-machinery-manufacturing.com.cn";  // 42 of 50
        e["EMAIL"] = "social-insurance.office@example-machinery.com.cn";
        samples::insertEmployer(db, e);
        QVariantMap p = samples::person(kId, kSsn);
        p["LINKMANTEL"] = "010-64210000";
        p["EDUCATION"] = "40";  // 中等专业学校或中等技术学校, the longest name
        p["NAME"] = repeat("阿不都热依木·买买提", 10);
        p["ADDRESS"] = repeat("北京市东城区和平里七区五号楼二单元", 50);
        p["RESIDENTADDR"] = repeat("北京市东城区和平里七区五号楼二单元", 50);
        p["LINKMAN"] = repeat("张小明", 20);
        p["TEL"] = "010-64210000-1234";
        p["HOMEPLACE"] = repeat("新疆维吾尔自治区伊犁哈萨克自治州", 40);
        samples::insertPerson(db, p, {QStringLiteral("01010001"), QStringLiteral("01010002")});
        long_ = printForms(work->database(), kSsn, kId);
    }
    static void TearDownTestSuite() {
        normal.clear();
        long_.clear();
        delete work;
        work = nullptr;
    }
    static const LaidOutPage& page(const QList<LaidOutDocument>& docs, Form f) {
        return docs.at(f).pages.at(0);
    }

    static inline const QString kSsn = QStringLiteral("110101000002");
    static inline const QString kId = QStringLiteral("110101193003070020");
    static testing_support::WorkDir* work;
    static QList<LaidOutDocument> normal;
    static QList<LaidOutDocument> long_;
};

testing_support::WorkDir* LongValues::work = nullptr;
QList<LaidOutDocument> LongValues::normal;
QList<LaidOutDocument> LongValues::long_;

bool crosses(const PlacedItem& rule, const QRectF& box) {
    constexpr double e = 0.01;
    const QLineF& l = rule.line;
    if (l.y1() == l.y2())
        return l.y1() > box.top() + e && l.y1() < box.bottom() - e &&
               std::min(l.x1(), l.x2()) < box.right() - e && std::max(l.x1(), l.x2()) > box.left() + e;
    return l.x1() > box.left() + e && l.x1() < box.right() - e &&
           std::min(l.y1(), l.y2()) < box.bottom() - e && std::max(l.y1(), l.y2()) > box.top() + e;
}

TEST_F(LongValues, EveryItemKeepsItsPlace) {
    for (Form f : {Sheet1, Sheet2, Person}) {
        const LaidOutPage& before = page(normal, f);
        const LaidOutPage& after = page(long_, f);
        ASSERT_EQ(after.items.size(), before.items.size());
        EXPECT_EQ(after.bands.size(), before.bands.size());
        for (int i = 0; i < before.bands.size(); ++i) {
            EXPECT_EQ(after.bands[i].rect, before.bands[i].rect);
        }
        // Items come in the order of the form's tables: compare them one by one.
        for (int i = 0; i < before.items.size(); ++i) {
            const PlacedItem& b = before.items[i];
            const PlacedItem& a = after.items[i];
            const std::string name = (b.column + b.text).toStdString();
            EXPECT_EQ(a.kind, b.kind) << name;
            EXPECT_EQ(a.column, b.column) << name;
            if (b.kind == ItemKind::Label) {
                EXPECT_EQ(a.text, b.text);
            }
            EXPECT_TRUE(near(a.rect.left(), b.rect.left()) && near(a.rect.top(), b.rect.top())) << name;
            if (b.kind == ItemKind::Line || b.clip) {
                EXPECT_TRUE(near(a.rect.width(), b.rect.width())) << name;
            }
            if (b.kind == ItemKind::Line) {
                EXPECT_EQ(a.line, b.line) << name;
            }
        }
    }
}

TEST_F(LongValues, EveryValueFitsItsCellAndNothingOverlaps) {
    int smaller = 0, twoLines = 0;
    for (Form f : {Sheet1, Sheet2, Person}) {
        const LaidOutPage& p = page(long_, f);
        for (const PlacedItem& item : p.items) {
            if (item.kind != ItemKind::Field) continue;
            const std::string name = item.column.toStdString();
            EXPECT_GE(item.font.pointSize, kMinPointSize) << name;
            // No glyph cut: every printed line is narrower than its box.
            for (const QString& line : item.lines)
                EXPECT_LE(textSizeMm(item.font, line).width(), item.rect.width() + 1e-6) << name;
            // The whole value, unless marked as cut.
            QString printed = item.lines.join(QString()).remove(QLatin1Char(' '));
            if (item.cut) {
                ASSERT_TRUE(printed.endsWith(kCutMark)) << name;
                printed.chop(kCutMark.size());
                EXPECT_TRUE(QString(item.text).remove(QLatin1Char(' ')).startsWith(printed)) << name;
            } else if (!item.text.isEmpty()) {
                EXPECT_EQ(printed, QString(item.text).remove(QLatin1Char(' '))) << name;
            }
            smaller += item.font.pointSize < 8;
            twoLines += item.lines.size() > 1;
            // Its box crosses no rule and overlaps no other text.
            for (const PlacedItem& other : p.items) {
                if (&other == &item) continue;
                if (other.kind == ItemKind::Line) {
                    EXPECT_FALSE(crosses(other, item.rect))
                        << name << " crosses a rule at " << other.line.x1() << "," << other.line.y1();
                } else if (!other.text.isEmpty() || other.kind == ItemKind::Label) {
                    EXPECT_FALSE(item.rect.intersects(other.rect))
                        << name << " overlaps " << other.column.toStdString() << other.text.toStdString();
                }
            }
        }
    }
    EXPECT_GT(smaller, 0);
    EXPECT_GT(twoLines, 0);
}

TEST_F(LongValues, TheValuesThatWereCutBeforePrintWhole) {
    const LaidOutPage& person = page(long_, Person);
    const PlacedItem* tel = fieldOf(person, "LINKMANTEL");
    ASSERT_NE(tel, nullptr);
    EXPECT_EQ(tel->lines, QStringList{"010-64210000"});  // the last 0 too
    EXPECT_LT(tel->font.pointSize, 10);
    EXPECT_FALSE(tel->cut);

    const PlacedItem* education = fieldOf(person, "文化程度");
    ASSERT_NE(education, nullptr);
    EXPECT_EQ(education->lines.join(QString()), "中等专业学校或中等技术学校");
    EXPECT_FALSE(education->cut);

    const LaidOutPage& sheet1 = page(long_, Sheet1);
    const PlacedItem* holder = fieldOf(sheet1, "缴费银行户名");
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->text.size(), 50);
    EXPECT_FALSE(holder->cut) << "all 50 characters of 户名";
    EXPECT_EQ(holder->lines.join(QString()), holder->text);

    const PlacedItem* bank = fieldOf(sheet1, "缴费开户银行名称");
    const PlacedItem* number = fieldOf(sheet1, "缴费开户银行行号");
    ASSERT_TRUE(bank && number);
    EXPECT_EQ(bank->lines.join(QString()), "中国工商银行北京市分行营业部");
    EXPECT_EQ(number->lines, QStringList{"1021&"});
    EXPECT_LT(bank->rect.right(), number->rect.left());
}

}  // namespace
