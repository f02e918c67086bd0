// TForm_print1 over a fresh working database: filters, the four entry points,
// the second-level company lookup and the jobs they hand to the output.
#include "PageQueries.h"
#include "ReportsTestPrinters.h"
#include "platform/Settings.h"
#include "reports/FormLayouts.h"
#include "reports/TForm_print1.h"
#include "reports/tools/SampleForms.h"
#include "store/Connection.h"
#include "store/Error.h"
#include "support/CaseName.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace reports;
using namespace page_queries;
using Sheets = TForm_print1::Sheets;

namespace {

class PrintModule : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(work.database());
        sample = samples::insertSample(db);
        module = std::make_unique<TForm_print1>();
        module->setOutput(&output);
    }

    QString employerFilter(const QString& ssn) const { return QStringLiteral("SSN='%1'").arg(ssn); }
    const LaidOutDocument& job(int i) const { return output.jobs.at(i).document; }
    static QString text(const LaidOutPage& page, const QString& column, const QString& rowSet = {}) {
        const PlacedItem* item = fieldOf(page, column, rowSet);
        return item ? item->text : QStringLiteral("<no field %1>").arg(column);
    }

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    store::Connection db;
    samples::Sample sample;
    CapturingOutput output;
    std::unique_ptr<TForm_print1> module;
};

TEST_F(PrintModule, BothSheetsAreTwoPrintJobsSheetOneFirstWithTheSameNumber) {
    module->printEmployerForm(employerFilter(sample.employerSsn), Sheets::Both);
    ASSERT_EQ(output.jobs.size(), 2);
    EXPECT_EQ(output.jobs[0].kind, CapturingOutput::Kind::Print);
    EXPECT_EQ(output.jobs[1].kind, CapturingOutput::Kind::Print);
    EXPECT_EQ(job(0).title, QStringLiteral("社会保险登记表（表一）"));
    EXPECT_EQ(job(1).title, QStringLiteral("社会保险补充登记表（表二）"));
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(job(i).pages.size(), 1);
        EXPECT_EQ(text(job(i).pages[0], QStringLiteral("SSN")), sample.employerSsn);
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(PrintModule, OneSheetIsOneJob) {
    module->printEmployerForm(employerFilter(sample.employerSsn), Sheets::Two);
    ASSERT_EQ(output.jobs.size(), 1);
    EXPECT_EQ(job(0).title, forms::kSheet2Title);
    module->printEmployerForm(employerFilter(sample.employerSsn), Sheets::One);
    ASSERT_EQ(output.jobs.size(), 2);
    EXPECT_EQ(job(1).title, forms::kSheet1Title);
}

struct FilterCase {
    const char* name;
    QString filter;
    bool person;
};

void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.name;
}

class PrintModuleFilters : public PrintModule, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(PrintModuleFilters, FilterTextsOfTheCallersFindTheirRow) {
    const FilterCase& c = GetParam();
    const QString filter = c.filter.arg(c.person ? sample.personIdCard : sample.employerSsn);
    if (c.person)
        module->printPersonForm(filter);
    else
        module->printEmployerForm(filter, Sheets::One);
    ASSERT_EQ(output.jobs.size(), 1);
    ASSERT_EQ(job(0).pages.size(), 1);
    const LaidOutPage& page = job(0).pages[0];
    EXPECT_EQ(text(page, c.person ? QStringLiteral("IDCARD") : QStringLiteral("SSN")),
              c.person ? sample.personIdCard : sample.employerSsn);
}

INSTANTIATE_TEST_SUITE_P(Callers, PrintModuleFilters,
                         ::testing::Values(
                             // The registration windows' form and the query windows' form.
                             FilterCase{"employer_window", QStringLiteral("SSN='%1'"), false},
                             FilterCase{"employer_query", QStringLiteral("ssn = '%1'"), false},
                             FilterCase{"person_window", QStringLiteral("IDCARD='%1'"), true},
                             FilterCase{"person_query", QStringLiteral("idcard = '%1'"), true}),
                         testing_support::CaseName());

TEST_F(PrintModule, SheetTwoShowsTheSecondLevelCompanyOfEachEmployer) {
    // Three employers: one under the sample's parent, one naming an unknown
    // number, one with none.
    QVariantMap unknown = samples::employer(QStringLiteral("110101000002"), QStringLiteral("999999999999"));
    QVariantMap none = samples::employer(QStringLiteral("110101000003"));
    samples::insertEmployer(db, unknown);
    samples::insertEmployer(db, none);

    struct Expect {
        QString ssn, superior, orgCode, name;
    };
    const QList<Expect> cases = {
        {sample.employerSsn, sample.secondLevelSsn, QStringLiteral("10199999-1"),
         QStringLiteral("北京示例机械集团总公司")},
        {QStringLiteral("110101000002"), QStringLiteral("999999999999"), QString(), QString()},
        {QStringLiteral("110101000003"), QString(), QString(), QString()},
    };
    for (const Expect& e : cases) {
        output.jobs.clear();
        module->printEmployerForm(employerFilter(e.ssn), Sheets::Two);
        ASSERT_EQ(output.jobs.size(), 1);
        const LaidOutPage& page = job(0).pages.at(0);
        EXPECT_EQ(text(page, QStringLiteral("SUPERIORSSN")), e.superior) << e.ssn.toStdString();
        EXPECT_EQ(text(page, QStringLiteral("ORGCODE"), forms::kSecondLevelRows), e.orgCode)
            << e.ssn.toStdString();
        EXPECT_EQ(text(page, QStringLiteral("NAME"), forms::kSecondLevelRows), e.name) << e.ssn.toStdString();
        // The rest of the sheet is complete.
        EXPECT_EQ(text(page, QStringLiteral("NAME"), forms::kEmployerRows),
                  QStringLiteral("北京市东城区示例机械制造有限公司"));
        EXPECT_EQ(count(page, QStringLiteral("DetailBand2"), ItemKind::Line), 16 + 9 + 4);
    }
}

TEST_F(PrintModule, PreviewOfSheetTwoLooksUpThePreviewedEmployersCompany) {
    // Sheet one printed for the parent (no second-level company) just before.
    module->printEmployerForm(employerFilter(sample.secondLevelSsn), Sheets::One);
    module->previewEmployerForm(employerFilter(sample.employerSsn), Sheets::Two);
    ASSERT_EQ(output.jobs.size(), 2);
    EXPECT_EQ(output.jobs[1].kind, CapturingOutput::Kind::Preview);
    EXPECT_EQ(job(1).title, forms::kSheet2Title);
    EXPECT_EQ(text(job(1).pages.at(0), QStringLiteral("ORGCODE"), forms::kSecondLevelRows),
              QStringLiteral("10199999-1"));
}

TEST_F(PrintModule, EveryRowOfAWalkGetsItsOwnSecondLevelCompany) {
    // A filter matching two employers: each page carries its own lookup.
    QVariantMap other = samples::employer(QStringLiteral("110101000004"), QStringLiteral("110101000001"));
    other["ZIP"] = QStringLiteral("100099");
    QVariantMap second = samples::employer(QStringLiteral("110101000005"), QStringLiteral("110101000099"));
    second["ZIP"] = QStringLiteral("100099");
    samples::insertEmployer(db, other);
    samples::insertEmployer(db, second);
    int arrivals = 0;
    QObject::connect(&module->ADOStoredProc1, &store::Dataset::afterScroll, [&] { ++arrivals; });

    module->printEmployerForm(QStringLiteral("ZIP='100099'"), Sheets::Both);
    ASSERT_EQ(output.jobs.size(), 2);
    for (const CapturingOutput::Job& j : output.jobs)
        ASSERT_EQ(j.document.pages.size(), 2) << j.document.title.toStdString();
    const LaidOutDocument& sheet2 = job(1);
    EXPECT_EQ(text(sheet2.pages[0], QStringLiteral("NAME"), forms::kSecondLevelRows),
              QStringLiteral("北京市东城区示例机械制造有限公司"));
    EXPECT_EQ(text(sheet2.pages[1], QStringLiteral("NAME"), forms::kSecondLevelRows),
              QStringLiteral("北京示例机械集团总公司"));
    // Each sheet walks the rows again from the first: open + 2 walks of 2 rows.
    EXPECT_EQ(arrivals, 1 + 2 + 2);
}

TEST_F(PrintModule, AFilterMatchingNoRowGivesOnePageWithHeaderAndFooterOnly) {
    module->printEmployerForm(employerFilter(QStringLiteral("000000000000")), Sheets::Both);
    module->printPersonForm(QStringLiteral("IDCARD='000000000000000000'"));
    ASSERT_EQ(output.jobs.size(), 3);
    const struct {
        const char* header;
        const char* footer;  // nullptr: the form has none
    } bands[] = {{"PageHeaderBand1", nullptr},
                 {"TitleBand1", "PageFooterBand2"},
                 {"ColumnHeaderBand1", "PageFooterBand1"}};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(job(i).pages.size(), 1) << i;
        const LaidOutPage& page = job(i).pages[0];
        EXPECT_NE(band(page, QString::fromUtf8(bands[i].header)), nullptr) << i;
        EXPECT_EQ(page.bands.size(), bands[i].footer ? 2 : 1) << i;
        if (bands[i].footer) {
            EXPECT_NE(band(page, QString::fromUtf8(bands[i].footer)), nullptr) << i;
        }
        EXPECT_EQ(text(page, QStringLiteral("SSN")), QString()) << i;
        // The header still carries its title and label.
        EXPECT_EQ(count(page, QString::fromUtf8(bands[i].header), ItemKind::Label), 2) << i;
    }
}

TEST_F(PrintModule, FilterValuesAreBoundSoQuotesAreJustCharacters) {
    // A stored number with quotes of both kinds, as a second-level number too.
    const QString odd = QStringLiteral("11'01\"00 or");
    QVariantMap parent = samples::employer(odd);
    parent["ORGCODE"] = QStringLiteral("Q-1");
    samples::insertEmployer(db, parent);
    samples::insertEmployer(db, samples::employer(QStringLiteral("110101000006"), odd));

    module->printEmployerForm(QStringLiteral("SSN='%1'").arg(odd), Sheets::One);
    module->printEmployerForm(employerFilter(QStringLiteral("110101000006")), Sheets::Two);
    module->printEmployerForm(QStringLiteral("SSN='' OR ''=''"), Sheets::One);
    ASSERT_EQ(output.jobs.size(), 3);
    EXPECT_EQ(text(job(0).pages.at(0), QStringLiteral("SSN")), odd);
    EXPECT_EQ(text(job(1).pages.at(0), QStringLiteral("ORGCODE"), forms::kSecondLevelRows),
              QStringLiteral("Q-1"));
    // The whole text after the first quote is the value: no employer has it.
    EXPECT_EQ(job(2).pages.size(), 1);
    EXPECT_EQ(band(job(2).pages.at(0), QStringLiteral("DetailBand1")), nullptr);
}

TEST_F(PrintModule, ErrorsGoBackToTheCallerAndNothingIsPrinted) {
    // Not a test of a column, a column the saved query lacks, a saved query
    // without the second-level column.
    EXPECT_THROW(module->printEmployerForm(QStringLiteral("SSN LIKE '1%'"), Sheets::Both), store::Error);
    EXPECT_THROW(module->printPersonForm(QStringLiteral("NOSUCH='1'")), store::Error);
    db.execute(QStringLiteral("DROP VIEW cop_print1"));
    db.execute(QStringLiteral("CREATE VIEW cop_print1 AS SELECT SSN, NAME FROM M_CORPORATION"));
    // A fresh module: the view changed under another connection.
    module = std::make_unique<TForm_print1>();
    module->setOutput(&output);
    EXPECT_THROW(module->printEmployerForm(employerFilter(sample.employerSsn), Sheets::Both), store::Error);
    EXPECT_TRUE(output.jobs.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(PrintModule, DatesFollowTheUsersShortDateForm) {
    platform::setShortDateFormat(QStringLiteral("yyyy/MM/dd"));
    module->printEmployerForm(employerFilter(sample.employerSsn), Sheets::Both);
    module->printPersonForm(QStringLiteral("IDCARD='%1'").arg(sample.personIdCard));
    ASSERT_EQ(output.jobs.size(), 3);
    EXPECT_EQ(text(job(0).pages[0], QStringLiteral("工商登记发照日期")), QStringLiteral("1998/06/15"));
    EXPECT_EQ(text(job(0).pages[0], QStringLiteral("批准日期")), QStringLiteral("1998/05/20"));
    EXPECT_EQ(text(job(1).pages[0], QStringLiteral("登记证发证日期")), QStringLiteral("1999/01/08"));
    EXPECT_EQ(text(job(2).pages[0], QStringLiteral("BIRTH")), QStringLiteral("1930/03/07"));
    EXPECT_EQ(text(job(2).pages[0], QStringLiteral("RETIREDATE")), QStringLiteral("1990/03/07"));
}

TEST_F(PrintModule, PersonFormPrintsMissingInstitutionsAsBlankRows) {
    module->previewPersonForm(QStringLiteral("IDCARD='%1'").arg(sample.personIdCard));
    ASSERT_EQ(output.jobs.size(), 1);
    EXPECT_EQ(output.jobs[0].kind, CapturingOutput::Kind::Preview);
    const LaidOutPage& page = job(0).pages.at(0);
    const QStringList expected = {QStringLiteral("东城一院"), QStringLiteral("东城二院"), "", "", ""};
    for (int slot = 1; slot <= 5; ++slot)
        EXPECT_EQ(text(page, QStringLiteral("定点医疗机构%1").arg(slot)), expected.at(slot - 1)) << slot;
    int labels = 0;
    for (const PlacedItem& item : page.items)
        if (item.kind == ItemKind::Label && item.text.startsWith(QStringLiteral("定点医疗机构 "))) ++labels;
    EXPECT_EQ(labels, 5);
    // Coded attributes print their names.
    EXPECT_EQ(text(page, QStringLiteral("性别")), QStringLiteral("男"));
    EXPECT_EQ(text(page, QStringLiteral("民族")), QStringLiteral("汉族"));
}

TEST_F(PrintModule, EachPersonFillsOnePage) {
    samples::insertPerson(db, samples::person(QStringLiteral("110101193003070039"), sample.employerSsn));
    module->printPersonForm(QStringLiteral("SSN='%1'").arg(sample.employerSsn));
    ASSERT_EQ(output.jobs.size(), 1);
    ASSERT_EQ(job(0).pages.size(), 2);
    EXPECT_EQ(text(job(0).pages[0], QStringLiteral("IDCARD")), sample.personIdCard);
    EXPECT_EQ(text(job(0).pages[1], QStringLiteral("IDCARD")), QStringLiteral("110101193003070039"));
}

}  // namespace
