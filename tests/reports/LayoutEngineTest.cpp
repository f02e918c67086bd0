// The banded layout over in-memory rows: where bands and items land, when
// pages break, and that walking the rows raises the row set's notification.
#include "reports/Layout.h"
#include "reports/RowSource.h"
#include "support/CaseName.h"

#include "ReportsTestPrinters.h"

#include <gtest/gtest.h>

#include <QDate>

using namespace reports;

namespace {

constexpr double kEps = 1e-6;

Band band(const QString& name, BandKind kind, double height, QList<ReportItem> items = {}, int frame = 0) {
    Band b;
    b.name = name;
    b.kind = kind;
    b.height = height;
    b.items = std::move(items);
    b.frame = frame;
    return b;
}

// A report over "rows" with a header showing the current row's ID, a detail
// band of the given height showing ID and the other row set's NAME, and a footer.
ReportDefinition report(double detailHeight, bool newPageEachRow = false) {
    ReportDefinition r;
    r.name = QStringLiteral("Test");
    r.title = QStringLiteral("测试");
    r.rowSet = QStringLiteral("rows");
    r.pageHeader = band(QStringLiteral("Header"), BandKind::PageHeader, 20,
                        {ReportItem::label(0, 2, QStringLiteral("编号：")),
                         ReportItem::field(40, 2, QStringLiteral("rows"), QStringLiteral("ID"))});
    r.detail = band(QStringLiteral("Detail"), BandKind::Detail, detailHeight,
                    {ReportItem::field(5, 3, QStringLiteral("rows"), QStringLiteral("ID")),
                     ReportItem::field(60, 3, QStringLiteral("other"), QStringLiteral("NAME")),
                     ReportItem::hline(10, 0, 190)},
                    FrameAll);
    r.detail->newPageBeforeEachRow = newPageEachRow;
    r.pageFooter = band(QStringLiteral("Footer"), BandKind::PageFooter, 30,
                        {ReportItem::label(2, 2, QStringLiteral("经办人"))});
    return r;
}

QList<QVariantList> ids(int n) {
    QList<QVariantList> rows;
    for (int i = 1; i <= n; ++i) rows.append({QStringLiteral("R%1").arg(i)});
    return rows;
}

QStringList texts(const LaidOutPage& page, const QString& band, const QString& column) {
    QStringList found;
    for (const PlacedItem& item : page.items)
        if (item.band == band && item.column == column) found << item.text;
    return found;
}

const PlacedBand* findBand(const LaidOutPage& page, BandKind kind) {
    for (const PlacedBand& b : page.bands)
        if (b.kind == kind) return &b;
    return nullptr;
}

class LayoutEngine : public ::testing::Test {
  protected:
    LaidOutDocument lay(const ReportDefinition& r, int rows) {
        MemoryRowSource main({QStringLiteral("ID")}, ids(rows));
        MemoryRowSource other({QStringLiteral("NAME")}, {{QStringLiteral("甲")}});
        return layoutReport(r, {{QStringLiteral("rows"), &main}, {QStringLiteral("other"), &other}});
    }
};

TEST_F(LayoutEngine, BandsStackFromTheTopMarginAndTheFooterEndsAtTheBottomMargin) {
    const LaidOutDocument doc = lay(report(100), 1);
    ASSERT_EQ(doc.pages.size(), 1);
    const LaidOutPage& page = doc.pages.first();
    const PlacedBand* header = findBand(page, BandKind::PageHeader);
    const PlacedBand* detail = findBand(page, BandKind::Detail);
    const PlacedBand* footer = findBand(page, BandKind::PageFooter);
    ASSERT_TRUE(header && detail && footer);
    EXPECT_EQ(header->rect, QRectF(10, 10, 190, 20));
    EXPECT_EQ(detail->rect, QRectF(10, 30, 190, 100));
    EXPECT_NEAR(footer->rect.bottom(), 287, kEps);
    EXPECT_NEAR(footer->rect.top(), 257, kEps);
    EXPECT_EQ(doc.title, QStringLiteral("测试"));
}

TEST_F(LayoutEngine, ItemsSitAtTheirBandOffsetsAndFramesCloseTheBand) {
    const LaidOutPage page = lay(report(100), 1).pages.first();
    const auto field = std::find_if(page.items.begin(), page.items.end(), [](const PlacedItem& i) {
        return i.band == QLatin1String("Detail") && i.column == QLatin1String("ID");
    });
    ASSERT_NE(field, page.items.end());
    EXPECT_NEAR(field->rect.left(), 15, kEps);
    EXPECT_NEAR(field->rect.top(), 33, kEps);
    EXPECT_EQ(field->text, QStringLiteral("R1"));
    EXPECT_GT(field->rect.height(), 3.0);  // one line of 10 pt text

    QList<QLineF> lines;
    for (const PlacedItem& i : page.items)
        if (i.band == QLatin1String("Detail") && i.kind == ItemKind::Line) lines << i.line;
    // The rule at y 10 within the band, then the four sides of the frame.
    EXPECT_TRUE(lines.contains(QLineF(10, 40, 200, 40)));
    EXPECT_TRUE(lines.contains(QLineF(10, 30, 200, 30)));
    EXPECT_TRUE(lines.contains(QLineF(10, 130, 200, 130)));
    EXPECT_TRUE(lines.contains(QLineF(10, 30, 10, 130)));
    EXPECT_TRUE(lines.contains(QLineF(200, 30, 200, 130)));
}

struct PagingCase {
    const char* name;
    double detailHeight;
    bool newPageEachRow;
    int rows;
    QList<QStringList> expected;  // detail IDs per page
};

void PrintTo(const PagingCase& c, std::ostream* os) {
    *os << c.name;
}

class LayoutPaging : public LayoutEngine, public ::testing::WithParamInterface<PagingCase> {};

TEST_P(LayoutPaging, BreaksPagesWhereTheDetailDoesNotFit) {
    const PagingCase& c = GetParam();
    const LaidOutDocument doc = lay(report(c.detailHeight, c.newPageEachRow), c.rows);
    ASSERT_EQ(doc.pages.size(), c.expected.size()) << c.name;
    for (int p = 0; p < doc.pages.size(); ++p) {
        const LaidOutPage& page = doc.pages.at(p);
        EXPECT_EQ(texts(page, QStringLiteral("Detail"), QStringLiteral("ID")), c.expected.at(p)) << c.name;
        // Every page has its header, showing the row it starts with, and its footer.
        ASSERT_NE(findBand(page, BandKind::PageHeader), nullptr);
        ASSERT_NE(findBand(page, BandKind::PageFooter), nullptr);
        const QStringList header = texts(page, QStringLiteral("Header"), QStringLiteral("ID"));
        EXPECT_EQ(header, QStringList{c.expected.at(p).value(0)}) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LayoutPaging,
                         ::testing::Values(
                             // 277 mm between the margins less 20 header and 30 footer leave 227 for details.
                             PagingCase{"two fit", 113.5, false, 3, {{"R1", "R2"}, {"R3"}}},
                             PagingCase{"exact fit", 227.0, false, 2, {{"R1"}, {"R2"}}},
                             PagingCase{"one per page", 120, false, 2, {{"R1"}, {"R2"}}},
                             // A new page before each row, without an empty page before the first.
                             PagingCase{"forced", 10, true, 3, {{"R1"}, {"R2"}, {"R3"}}},
                             // No rows: one page with header (blank) and footer, no detail.
                             PagingCase{"empty", 10, false, 0, {{}}}),
                         testing_support::CaseName());

TEST_F(LayoutEngine, EmptyRowSetGivesOnePageWithoutDetail) {
    const LaidOutDocument doc = lay(report(50), 0);
    ASSERT_EQ(doc.pages.size(), 1);
    EXPECT_EQ(findBand(doc.pages.first(), BandKind::Detail), nullptr);
    EXPECT_EQ(texts(doc.pages.first(), QStringLiteral("Header"), QStringLiteral("ID")), QStringList{""});
    EXPECT_EQ(texts(doc.pages.first(), QStringLiteral("Footer"), QString()), QStringList{"经办人"});
}

TEST_F(LayoutEngine, WalkingTheRowsRunsTheAfterScrollHandlerBeforeEachRowPrints) {
    // The handler points the second row set at a value of the current row, as
    // the second-level company lookup does.
    MemoryRowSource main({QStringLiteral("ID"), QStringLiteral("PARENT")},
                         {{QStringLiteral("R1"), QStringLiteral("甲")},
                          {QStringLiteral("R2"), QVariant()},
                          {QStringLiteral("R3"), QStringLiteral("丙")}});
    QStringList arrivals;
    std::unique_ptr<MemoryRowSource> other;
    main.afterScroll = [&] {
        arrivals << main.value(QStringLiteral("ID")).toString();
        const QVariant parent = main.value(QStringLiteral("PARENT"));
        QList<QVariantList> rows;
        if (!parent.isNull()) rows.append({parent});
        other = std::make_unique<MemoryRowSource>(QStringList{QStringLiteral("NAME")}, rows);
        other->first();
    };
    other = std::make_unique<MemoryRowSource>(QStringList{QStringLiteral("NAME")}, QList<QVariantList>{});
    // The layout looks the row set up by name on every read, so a replaced source is seen.
    struct Forward : RowSource {
        std::unique_ptr<MemoryRowSource>* target;
        void first() override { (*target)->first(); }
        void next() override { (*target)->next(); }
        bool eof() const override { return (*target)->eof(); }
        bool hasColumn(const QString& c) const override { return (*target)->hasColumn(c); }
        QVariant value(const QString& c) const override { return (*target)->value(c); }
        bool isDateColumn(const QString& c) const override { return (*target)->isDateColumn(c); }
    } forward;
    forward.target = &other;

    const LaidOutDocument doc = layoutReport(
        report(60, true), {{QStringLiteral("rows"), &main}, {QStringLiteral("other"), &forward}});
    EXPECT_EQ(arrivals, (QStringList{"R1", "R2", "R3"}));
    ASSERT_EQ(doc.pages.size(), 3);
    EXPECT_EQ(texts(doc.pages[0], QStringLiteral("Detail"), QStringLiteral("NAME")), QStringList{"甲"});
    EXPECT_EQ(texts(doc.pages[1], QStringLiteral("Detail"), QStringLiteral("NAME")), QStringList{""});
    EXPECT_EQ(texts(doc.pages[2], QStringLiteral("Detail"), QStringLiteral("NAME")), QStringList{"丙"});
}

TEST_F(LayoutEngine, MissingRowSetOrColumnFailsBeforeAnyRowIsRead) {
    MemoryRowSource main({QStringLiteral("ID")}, ids(2));
    int arrivals = 0;
    main.afterScroll = [&] { ++arrivals; };
    MemoryRowSource wrong({QStringLiteral("CODE")}, {});
    EXPECT_THROW(layoutReport(report(50), {{QStringLiteral("rows"), &main}}), ReportError);
    EXPECT_THROW(
        layoutReport(report(50), {{QStringLiteral("rows"), &main}, {QStringLiteral("other"), &wrong}}),
        ReportError);
    EXPECT_EQ(arrivals, 0);
}

TEST_F(LayoutEngine, FixedWidthTextIsCutToItsBoxAndFittedTextTakesItsOwnWidth) {
    ReportDefinition r = report(50);
    ReportItem fixed = ReportItem::field(5, 20, QStringLiteral("rows"), QStringLiteral("ID"));
    fixed.width = 12;
    ReportItem box = ReportItem::label(0, 30, QStringLiteral("工  商"));
    box.width = 13;
    box.height = 6.6;
    box.align = Align::Centre;
    r.detail->items = {fixed, box, ReportItem::label(50, 30, QStringLiteral("很长的标签文字"))};
    MemoryRowSource main({QStringLiteral("ID")}, {{QStringLiteral("一个比格子长得多的值")}});
    const LaidOutPage page = layoutReport(r, {{QStringLiteral("rows"), &main}}).pages.first();
    QList<PlacedItem> detailTexts;
    for (const PlacedItem& item : page.items)
        if (item.band == QLatin1String("Detail") && item.kind != ItemKind::Line) detailTexts << item;
    ASSERT_EQ(detailTexts.size(), 3);
    const auto in = [&](int i) { return detailTexts.at(i); };
    EXPECT_EQ(in(0).text, QStringLiteral("一个比格子长得多的值"));  // the value is kept whole ...
    EXPECT_DOUBLE_EQ(in(0).rect.width(), 12);                       // ... and cut to its box
    EXPECT_TRUE(in(0).clip);
    EXPECT_EQ(in(1).rect, QRectF(10, 60, 13, 6.6));  // detail starts at 30 mm
    EXPECT_EQ(in(1).align, Align::Centre);
    EXPECT_FALSE(in(2).clip);
    // Seven 10 pt CJK characters are about 7 × 3.5 mm wide.
    EXPECT_NEAR(in(2).rect.width(), 7 * 3.53, 1.5);
}

TEST(LayoutDates, DateColumnsPrintInTheGivenShortDateForm) {
    ReportDefinition r;
    r.rowSet = QStringLiteral("rows");
    Band detail = band(QStringLiteral("Detail"), BandKind::Detail, 10,
                       {ReportItem::field(0, 0, QStringLiteral("rows"), QStringLiteral("BIRTH")),
                        ReportItem::field(50, 0, QStringLiteral("rows"), QStringLiteral("CODE"))});
    r.detail = detail;
    MemoryRowSource rows({QStringLiteral("BIRTH"), QStringLiteral("CODE")},
                         {{QStringLiteral("1930-03-07"), QStringLiteral("1930-03-07")}},
                         {QStringLiteral("birth")});
    LayoutOptions options;
    options.shortDateFormat = QStringLiteral("yyyy/MM/dd");
    const LaidOutPage page = layoutReport(r, {{QStringLiteral("rows"), &rows}}, options).pages.first();
    EXPECT_EQ(page.items.at(0).text, QStringLiteral("1930/03/07"));
    EXPECT_EQ(page.items.at(1).text, QStringLiteral("1930-03-07"));
}

}  // namespace
