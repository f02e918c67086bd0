// The three printed forms as laid out for the sample employer and person:
// bands at their heights, labels, fields and rules at their places.
#include "PageQueries.h"
#include "ReportsTestPrinters.h"
#include "reports/FormLayouts.h"
#include "reports/PagePainter.h"
#include "reports/TForm_print1.h"
#include "reports/tools/SampleForms.h"
#include "store/Connection.h"
#include "support/CaseName.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QProcess>
#include <QStandardPaths>

using namespace reports;
using namespace page_queries;

namespace {

enum Form { Sheet1, Sheet2, Person };

const char* formName(Form form) {
    switch (form) {
        case Sheet1:
            return "Sheet1";
        case Sheet2:
            return "Sheet2";
        case Person:
            break;
    }
    return "Person";
}

// The three forms of the sample, laid out once for all tests here.
class Forms : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        work = new testing_support::WorkDir;
        store::Connection db;
        db.open(work->database());
        sample = samples::insertSample(db);
        TForm_print1 module;
        CapturingOutput output;
        module.setOutput(&output);
        module.printEmployerForm(QStringLiteral("SSN='%1'").arg(sample.employerSsn),
                                 TForm_print1::Sheets::Both);
        module.printPersonForm(QStringLiteral("IDCARD='%1'").arg(sample.personIdCard));
        for (const auto& job : output.jobs) docs.append(job.document);
    }
    static void TearDownTestSuite() {
        docs.clear();
        delete work;
        work = nullptr;
    }
    static const LaidOutPage& page(Form form) { return docs.at(form).pages.at(0); }

    static testing_support::WorkDir* work;
    static samples::Sample sample;
    static QList<LaidOutDocument> docs;
};

testing_support::WorkDir* Forms::work = nullptr;
samples::Sample Forms::sample;
QList<LaidOutDocument> Forms::docs;

TEST_F(Forms, EachFormIsOneA4PortraitPageWithTenMillimetreMargins) {
    ASSERT_EQ(docs.size(), 3);
    for (const LaidOutDocument& doc : docs) {
        EXPECT_EQ(doc.pages.size(), 1) << doc.title.toStdString();
        EXPECT_EQ(doc.page.paperSizeMm(), QSizeF(210, 297));
        EXPECT_EQ(doc.page.margins, QMarginsF(10, 10, 10, 10));
    }
}

struct BandCase {
    Form form;
    const char* band;
    double top;
    double height;
};

void PrintTo(const BandCase& c, std::ostream* os) {
    *os << c.band;
}

class FormBands : public Forms, public ::testing::WithParamInterface<BandCase> {};

TEST_P(FormBands, BandSitsAtItsPlaceWithItsHeight) {
    const BandCase& c = GetParam();
    const PlacedBand* b = band(page(c.form), QString::fromUtf8(c.band));
    ASSERT_NE(b, nullptr) << c.band;
    EXPECT_NEAR(b->rect.left(), 10, 1e-9);
    EXPECT_NEAR(b->rect.width(), 190, 1e-9);
    EXPECT_NEAR(b->rect.top(), c.top, 1e-9) << c.band;
    EXPECT_NEAR(b->rect.height(), c.height, 1e-9) << c.band;
}

INSTANTIATE_TEST_SUITE_P(
    Heights, FormBands,
    ::testing::Values(
        // The header at the top margin, the detail directly below, the footer
        // ending at the bottom margin (297 - 10).
        BandCase{Sheet1, "PageHeaderBand1", 10, 26.2}, BandCase{Sheet1, "DetailBand1", 36.2, 220.1},
        BandCase{Sheet2, "TitleBand1", 10, 26.2}, BandCase{Sheet2, "DetailBand2", 36.2, 201.1},
        BandCase{Sheet2, "PageFooterBand2", 287 - 44.5, 44.5},
        BandCase{Person, "ColumnHeaderBand1", 10, 28.3}, BandCase{Person, "DetailBand3", 38.3, 222.0},
        BandCase{Person, "PageFooterBand1", 287 - 26.2, 26.2}),
    testing_support::CaseName());

TEST_F(Forms, PersonFormBandsFitBetweenTheMargins) {
    // 28.3 + 222.0 + 26.2 = 276.5 of the 277 mm: the detail ends above the footer.
    const PlacedBand* detail = band(page(Person), QStringLiteral("DetailBand3"));
    const PlacedBand* footer = band(page(Person), QStringLiteral("PageFooterBand1"));
    ASSERT_TRUE(detail && footer);
    EXPECT_NEAR(footer->rect.top() - detail->rect.bottom(), 0.5, 1e-9);
    EXPECT_EQ(page(Sheet1).bands.size(), 2);  // sheet one has no footer
}

struct TextCase {
    Form form;
    const char* band;
    double y;
    double x;
    const char* text;    // what prints there: a label, or the sample's value of a field
    const char* column;  // nullptr for a label
    double pointSize;
    bool bold;
    const char* family;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << formName(c.form) << " " << c.band << " y" << c.y << " x" << c.x;
}

class FormTexts : public Forms, public ::testing::WithParamInterface<TextCase> {};

TEST_P(FormTexts, TextPrintsAtItsPlace) {
    const TextCase& c = GetParam();
    const PlacedItem* item = textAt(page(c.form), QString::fromUtf8(c.band), c.x, c.y);
    ASSERT_NE(item, nullptr) << c.text;
    EXPECT_EQ(item->text, QString::fromUtf8(c.text));
    EXPECT_EQ(item->kind, c.column ? ItemKind::Field : ItemKind::Label) << c.text;
    if (c.column) {
        EXPECT_EQ(item->column, QString::fromUtf8(c.column));
    }
    EXPECT_EQ(item->font.pointSize, c.pointSize) << c.text;
    EXPECT_EQ(item->font.bold, c.bold) << c.text;
    EXPECT_EQ(item->font.family, QString::fromUtf8(c.family)) << c.text;
}

constexpr const char* A = "Arial";
constexpr const char* MS = "MS Sans Serif";

INSTANTIATE_TEST_SUITE_P(
    SpotChecks, FormTexts,
    ::testing::Values(
        // Sheet one.
        TextCase{Sheet1, "PageHeaderBand1", 2.1, 65.6, "社会保险登记表（表一）", nullptr, 16, true, A},
        TextCase{Sheet1, "PageHeaderBand1", 19.1, 46.6, "110101000001", "SSN", 10, false, A},
        TextCase{Sheet1, "DetailBand1", 3.7, 31.8, "北京市东城区示例机械制造有限公司", "NAME", 10, false, A},
        TextCase{Sheet1, "DetailBand1", 12.7, 146.1, "100013", "ZIP", 10, false, MS},
        TextCase{Sheet1, "DetailBand1", 25.4, 55.0, "企业法人营业执照", "工商登记执照种类", 10, false, MS},
        TextCase{Sheet1, "DetailBand1", 61.4, 55.0, "20", "工商登记有效期限", 10, false, MS},
        TextCase{Sheet1, "DetailBand1", 61.4, 84.7, "年", nullptr, 10, false, MS},
        TextCase{Sheet1, "DetailBand1", 116.4, 4.2, "人或负责", nullptr, 10, false, A},
        TextCase{Sheet1, "DetailBand1", 118.5, 57.1, "11010119600101001X", "法定代表人公民身份号码", 10,
                 false, MS},
        TextCase{Sheet1, "DetailBand1", 201.1, 88.9, "10&", "缴费开户银行行号", 10, false, MS},
        TextCase{Sheet1, "DetailBand1", 211.7, 40.2, "0200001234567890123", "缴费银行基本帐号", 10, false,
                 MS},
        // Sheet two.
        TextCase{Sheet2, "TitleBand1", 20.6, 0.0, "社会保险登记证编码：", nullptr, 10, false, A},
        TextCase{Sheet2, "TitleBand1", 21.2, 42.3, "110101000001", "SSN", 10, false, A},
        TextCase{Sheet2, "DetailBand2", 4.2, 33.9, "北京市东城区示例机械制造有限公司", "NAME", 8, false, A},
        TextCase{Sheet2, "DetailBand2", 38.9, 120.7, "北京市东城区社会保险事业管理中心", "社保登记机构", 8,
                 false, A},
        TextCase{Sheet2, "DetailBand2", 63.0, 6.3, "中关村科技园区投资企业标识", nullptr, 10, false, A},
        TextCase{Sheet2, "DetailBand2", 109.8, 72.0, "110101000099", "SUPERIORSSN", 10, false, A},
        TextCase{Sheet2, "DetailBand2", 122.5, 72.0, "10199999-1", "ORGCODE", 10, false, A},
        TextCase{Sheet2, "DetailBand2", 145.3, 52.9, "东城区", "所属行政区名称", 10, false, A},
        TextCase{Sheet2, "PageFooterBand2", 2.1, 129.1, "单位经办人（盖章）：", nullptr, 10, false, A},
        TextCase{Sheet2, "PageFooterBand2", 29.6, 84.7, "年    月    日", nullptr, 10, false, A},
        // Person form.
        TextCase{Person, "ColumnHeaderBand1", 2.1, 61.4, "参加社会保险人员情况登记表", nullptr, 16, true, A},
        TextCase{Person, "ColumnHeaderBand1", 21.2, 44.5, "110101000001", "SSN", 10, false, A},
        TextCase{Person, "DetailBand3", 4.2, 114.6, "110101193003070012", "IDCARD", 10, false, A},
        TextCase{Person, "DetailBand3", 14.8, 84.7, "1930-03-07", "BIRTH", 10, false, A},
        TextCase{Person, "DetailBand3", 25.7, 116.4, "上年月平均工资", nullptr, 9, false, A},
        TextCase{Person, "DetailBand3", 25.7, 28.0, "退休人员", "缴费人员类别", 8, false, A},
        TextCase{Person, "DetailBand3", 59.3, 135.5, "高级技师（国家职业资格一级）", "工人技术等级", 10,
                 false, A},
        TextCase{Person, "DetailBand3", 113.8, 167.7, "13900000000", "LINKMANTEL", 10, false, A},
        TextCase{Person, "DetailBand3", 124.9, 40.2, "东城一院", "定点医疗机构1", 10, false, A},
        TextCase{Person, "DetailBand3", 167.2, 40.2, "", "定点医疗机构5", 10, false, A},
        TextCase{Person, "DetailBand3", 202.7, 1.6, "异地医院邮政编码", nullptr, 10, false, A},
        TextCase{Person, "PageFooterBand1", 12.7, 52.9, "本人或委托人签字（盖章）：________________", nullptr,
                 10, false, A},
        TextCase{Person, "PageFooterBand1", 12.7, 152.4, "      年    月    日", nullptr, 10, false, A}),
    testing_support::CaseName());

struct LineCase {
    Form form;
    const char* band;
    double x1, y1, x2, y2;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << formName(c.form) << " " << c.band << " " << c.x1 << " " << c.y1 << " to " << c.x2 << " " << c.y2;
}

class FormLines : public Forms, public ::testing::WithParamInterface<LineCase> {};

TEST_P(FormLines, RuleIsDrawnWithPenTwo) {
    const LineCase& c = GetParam();
    const PlacedItem* line = lineAt(page(c.form), QString::fromUtf8(c.band), c.x1, c.y1, c.x2, c.y2);
    ASSERT_NE(line, nullptr) << c.band << " " << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
    EXPECT_EQ(line->penWidth, 2);
}

INSTANTIATE_TEST_SUITE_P(SpotChecks, FormLines,
                         ::testing::Values(
                             // The frame closes each detail band ...
                             LineCase{Sheet1, "DetailBand1", 0, 0, 190, 0},
                             LineCase{Sheet1, "DetailBand1", 190, 0, 190, 220.1},
                             LineCase{Sheet2, "DetailBand2", 0, 201.1, 190, 201.1},
                             LineCase{Person, "DetailBand3", 0, 0, 0, 222.0},
                             // ... and the grid rules divide it.
                             LineCase{Sheet1, "DetailBand1", 0, 10.1, 190, 10.1},
                             LineCase{Sheet1, "DetailBand1", 30.2, 161.4, 190, 161.4},
                             LineCase{Sheet1, "DetailBand1", 131.8, 0, 131.8, 21.4},
                             LineCase{Sheet1, "DetailBand1", 116.9, 196.6, 116.9, 208.0},
                             LineCase{Sheet2, "DetailBand2", 0, 189.2, 190, 189.2},
                             LineCase{Sheet2, "DetailBand2", 144.5, 0.5, 144.5, 11.1},
                             LineCase{Sheet2, "DetailBand2", 70.4, 105.8, 70.4, 129.1},
                             LineCase{Sheet2, "DetailBand2", 49.2, 129.6, 49.2, 200.8},
                             LineCase{Person, "DetailBand3", 0, 22.0, 163.5, 22.0},
                             LineCase{Person, "DetailBand3", 0, 209.6, 136.8, 209.6},
                             LineCase{Person, "DetailBand3", 142.1, 27.5, 159.3, 27.5},
                             LineCase{Person, "DetailBand3", 103.7, 203.5, 129.4, 203.5},
                             LineCase{Person, "DetailBand3", 163.5, 0.3, 163.5, 44.2},
                             LineCase{Person, "DetailBand3", 87.6, 176.5, 87.6, 187.3}),
                         testing_support::CaseName());

TEST_F(Forms, EveryRuleOfTheGridIsThere) {
    // Frame (4) + horizontal + vertical rules of each detail band.
    EXPECT_EQ(count(page(Sheet1), QStringLiteral("DetailBand1"), ItemKind::Line), 4 + 18 + 4);
    EXPECT_EQ(count(page(Sheet2), QStringLiteral("DetailBand2"), ItemKind::Line), 4 + 16 + 9);
    EXPECT_EQ(count(page(Person), QStringLiteral("DetailBand3"), ItemKind::Line), 4 + 25 + 21);
    for (const LaidOutPage* p : {&page(Sheet1), &page(Sheet2), &page(Person)})
        for (const PlacedBand& b : p->bands)
            if (b.kind != BandKind::Detail) {
                EXPECT_EQ(count(*p, b.name, ItemKind::Line), 0) << b.name.toStdString();
            }
}

struct CellCase {
    Form form;
    const char* column;
    double right;  // the rule or neighbour where the field's cell ends, band x
    const char* name;
};

void PrintTo(const CellCase& c, std::ostream* os) {
    *os << formName(c.form) << " " << c.name;
}

class FormCells : public Forms, public ::testing::WithParamInterface<CellCase> {};

TEST_P(FormCells, FieldIsCutAtTheEndOfItsCell) {
    const CellCase& c = GetParam();
    const PlacedItem* item = fieldOf(page(c.form), QString::fromUtf8(c.column));
    ASSERT_NE(item, nullptr) << c.column;
    EXPECT_TRUE(item->clip);
    // 0.3 mm short of the rule keeps a cut value off its pen.
    EXPECT_NEAR(item->rect.right(), 10 + c.right - 0.3, 1e-9) << c.column;
}

INSTANTIATE_TEST_SUITE_P(
    Cells, FormCells,
    ::testing::Values(CellCase{Sheet1, "NAME", 131.8, "name"},                     // name | telephone rule
                      CellCase{Sheet1, "工商登记有效期限", 84.7, "licence_term"},  // up to "年"
                      CellCase{Sheet1, "缴费开户银行名称", 88.9, "bank_name"},     // bank name | bank number
                      CellCase{Sheet1, "缴费银行户名", 190, "account_name"},       // the band's edge
                      CellCase{Sheet2, "社保登记机构", 190, "agency"},
                      CellCase{Sheet2, "经济类型", 87.3, "economic_type"},
                      CellCase{Person, "IDCARD", 163.5, "idcard"},  // the photo column
                      CellCase{Person, "TEL", 74.6, "tel"},         // the contact person cell
                      CellCase{Person, "ZIP", 190, "zip"}),
    testing_support::CaseName());

TEST_F(Forms, ThePdfCarriesTheTitlesAndValuesAsText) {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    // The stand-in fonts the forms are printed with (packages fonts-wqy-zenhei, fonts-liberation2).
    const QStringList families = QFontDatabase::families();
    ASSERT_TRUE(families.contains(QStringLiteral("WenQuanYi Zen Hei"))) << "install fonts-wqy-zenhei";
    ASSERT_TRUE(families.contains(QStringLiteral("Liberation Sans"))) << "install fonts-liberation2";
    for (const Form form : {Sheet1, Sheet2, Person}) {
        const QString path = work->file(QStringLiteral("form%1.pdf").arg(int(form)));
        writePdf(docs.at(form), path);
        QProcess process;
        process.start(pdftotext,
                      {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
        ASSERT_TRUE(process.waitForFinished(30000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        EXPECT_TRUE(text.contains(docs.at(form).title)) << text.toStdString();
        EXPECT_TRUE(text.contains(sample.employerSsn)) << text.toStdString();
        if (form == Person) {
            EXPECT_TRUE(text.contains(QStringLiteral("张德明"))) << text.toStdString();
        }
    }
}

}  // namespace
