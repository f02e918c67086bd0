// The code tables' file reader: RFC 4180 records and the "#table" first line.
#include <gtest/gtest.h>

#include "store/Csv.h"
#include "store/Error.h"
#include "support/CaseName.h"

namespace {

using Records = QList<QStringList>;

struct CsvCase {
    const char* name;
    QString text;
    Records expected;
};

void PrintTo(const CsvCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvRecords : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvRecords, ReadsTheFieldsAsWritten) {
    const CsvCase& c = GetParam();
    EXPECT_EQ(store::parseCsv(c.text), c.expected);
}

const QString kBom = QString(QChar(0xFEFF));

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvRecords,
    ::testing::Values(
        CsvCase{"plain LF", "CODE,NAME\n01,男\n", {{"CODE", "NAME"}, {"01", "男"}}},
        CsvCase{"CR LF", "CODE,NAME\r\n01,男\r\n02,女\r\n", {{"CODE", "NAME"}, {"01", "男"}, {"02", "女"}}},
        CsvCase{"lone CR ends a record", "a,b\rc,d", {{"a", "b"}, {"c", "d"}}},
        CsvCase{"no newline at the end", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
        CsvCase{"byte order mark skipped", kBom + "CODE,NAME\n1,甲\n", {{"CODE", "NAME"}, {"1", "甲"}}},
        CsvCase{"empty fields kept", ",\na,,c\n,b,\n", {{"", ""}, {"a", "", "c"}, {"", "b", ""}}},
        CsvCase{"empty lines are no records", "a,b\n\n\r\nc,d\n\n", {{"a", "b"}, {"c", "d"}}},
        CsvCase{"quoted comma", "1,\"北京,东城\"\n", {{"1", "北京,东城"}}},
        CsvCase{"doubled quote", "1,\"他说\"\"好\"\"\"\n", {{"1", "他说\"好\""}}},
        CsvCase{"quoted newlines", "1,\"一\n二\r\n三\"\n2,x\n", {{"1", "一\n二\r\n三"}, {"2", "x"}}},
        CsvCase{"quoted empty field", "\"\",b\n", {{"", "b"}}},
        CsvCase{"quote inside an unquoted field", "a\"b,c\n", {{"a\"b", "c"}}},
        CsvCase{"leading zeros and spaces kept", "00010001, x \n", {{"00010001", " x "}}},
        CsvCase{"empty text", "", {}}),
    testing_support::CaseName());

TEST(Csv, AQuoteLeftOpenIsAnErrorNotSwallowedRows) {
    // Without the check the second row would vanish into the first one's name.
    EXPECT_THROW(store::parseCsv("CODE,NAME\n1,\"甲\n2,乙\n"), store::Error);
    EXPECT_THROW(store::parseCsv("\""), store::Error);
}

struct TableCase {
    const char* name;
    const char* fileName;
    QString text;
    const char* table;
    QStringList columns;
    Records rows;
};

void PrintTo(const TableCase& c, std::ostream* os) {
    *os << c.name;
}

class CodeTableFile : public ::testing::TestWithParam<TableCase> {};

TEST_P(CodeTableFile, NamesItsTableAndSplitsHeaderFromRows) {
    const TableCase& c = GetParam();
    const store::CodeTableCsv file = store::parseCodeTableCsv(c.fileName, c.text);
    EXPECT_EQ(file.table, c.table);
    EXPECT_EQ(file.columns, c.columns);
    EXPECT_EQ(file.rows, c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CodeTableFile,
    ::testing::Values(
        TableCase{
            "named by the file", "D_SEX.csv", "CODE,NAME\n1,男\n", "D_SEX", {"CODE", "NAME"}, {{"1", "男"}}},
        TableCase{"named by the first line",
                  "professional_titles.csv",
                  "#table D_SpecDuty\nCODE,NAME\n1,教授\n",
                  "D_SpecDuty",
                  {"CODE", "NAME"},
                  {{"1", "教授"}}},
        TableCase{"first line with CR LF",
                  "t.csv",
                  "#table D_X \r\nCODE,NAME\r\n1,a\r\n",
                  "D_X",
                  {"CODE", "NAME"},
                  {{"1", "a"}}},
        TableCase{"byte order mark before the first line",
                  "t.csv",
                  kBom + "#table D_Y\nCODE,NAME\n1,a\n",
                  "D_Y",
                  {"CODE", "NAME"},
                  {{"1", "a"}}},
        TableCase{"header only", "D_E.csv", "CODE,NAME\n", "D_E", {"CODE", "NAME"}, {}},
        TableCase{"empty file", "D_E.csv", "", "D_E", {}, {}},
        TableCase{"first line only", "t.csv", "#table D_Z", "D_Z", {}, {}}),
    testing_support::CaseName());

TEST(CodeTableFile, ARowWithAnotherFieldCountNamesFileAndLine) {
    struct Case {
        QString text;
        QString message;
    } cases[] = {
        {"CODE,NAME\n1,a\n2,b,c\n", "D_T.csv 第3行的字段数不对"},
        {"#table D_U\nCODE,NAME\n1\n", "D_T.csv 第3行的字段数不对"},
        {"CODE,NAME\n1,a,\n", "D_T.csv 第2行的字段数不对"},  // a trailing comma is one field more
    };
    for (const Case& c : cases) {
        try {
            store::parseCodeTableCsv("D_T.csv", c.text);
            ADD_FAILURE() << c.text.toStdString();
        } catch (const store::Error& e) {
            EXPECT_EQ(e.text(), c.message);
        }
    }
    try {
        store::parseCodeTableCsv("D_T.csv", "CODE,NAME\n1,\"a\n");
        ADD_FAILURE() << "open quote";
    } catch (const store::Error& e) {
        EXPECT_TRUE(e.text().startsWith("D_T.csv")) << e.text().toStdString();
    }
}

}  // namespace
