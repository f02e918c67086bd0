#include "reports/DisplayText.h"

#include "ReportsTestPrinters.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>

namespace {

struct DisplayCase {
    const char* name;
    QVariant value;
    bool dateColumn;
    QString format;
    QString expected;
};

void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << c.name;
}

class DisplayTextTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayTextTest, PrintsTheColumnsText) {
    const DisplayCase& c = GetParam();
    EXPECT_EQ(reports::displayText(c.value, c.dateColumn, c.format), c.expected) << c.name;
}

const QString iso = QStringLiteral("yyyy-MM-dd");

INSTANTIATE_TEST_SUITE_P(
    Values, DisplayTextTest,
    ::testing::Values(
        // Null and missing values print nothing, whatever the column.
        DisplayCase{"null text", QVariant(QMetaType(QMetaType::QString)), false, iso, ""},
        DisplayCase{"null date", QVariant(QMetaType(QMetaType::QDate)), true, iso, ""},
        DisplayCase{"invalid", QVariant(), true, iso, ""},
        // Text as it is, spaces included.
        DisplayCase{"text", QStringLiteral(" 北京 示例 "), false, iso, " 北京 示例 "},
        DisplayCase{"number", 20, false, iso, "20"},
        // Dates in the short date form, the user's form followed.
        DisplayCase{"date", QDate(1998, 6, 15), true, iso, "1998-06-15"},
        DisplayCase{"date other form", QDate(1998, 6, 15), true, QStringLiteral("yyyy/MM/dd"), "1998/06/15"},
        DisplayCase{"date as ISO text", QStringLiteral("1998-06-05"), true, QStringLiteral("yyyy/M/d"),
                    "1998/6/5"},
        // The time only when the value carries a time of day.
        DisplayCase{"midnight stamp", QDateTime(QDate(2004, 2, 29), QTime(0, 0)), true, iso, "2004-02-29"},
        DisplayCase{"stamp with time", QDateTime(QDate(2004, 2, 29), QTime(9, 5, 7)), true, iso,
                    "2004-02-29 09:05:07"},
        DisplayCase{"stamp as text", QStringLiteral("2004-02-29 09:05:07"), true, iso, "2004-02-29 09:05:07"},
        // A text column that looks like a date is not reformatted; nor is a date column that is not a date.
        DisplayCase{"date-like text", QStringLiteral("1998-06-05"), false, QStringLiteral("yyyy/M/d"),
                    "1998-06-05"},
        DisplayCase{"broken date text", QStringLiteral("1998-13-45"), true, iso, "1998-13-45"}),
    testing_support::CaseName());

}  // namespace
