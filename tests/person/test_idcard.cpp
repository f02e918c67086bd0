#include <gtest/gtest.h>

#include "person/IdCardCheck.h"
#include "support/CaseName.h"

using namespace idcard;

namespace {

enum class Outcome { Accepted, Message, ErrorBox };

struct PersonCase {
    const char* why;
    const char* number;
    Outcome outcome;
    QString message;    // expected message box (Message outcome)
    const char* birth;  // expected birth date, "" for none
    const char* sex;    // expected sex name, "" for none
};

void PrintTo(const PersonCase& c, std::ostream* os) {
    *os << c.why;
}

const QString kWrongCheckX = kWrongCheckPrefix + "x";

class PersonIdCard : public testing::TestWithParam<PersonCase> {};

TEST_P(PersonIdCard, GivesResult) {
    const PersonCase& c = GetParam();
    const IdCardResult r = checkPersonIdCard(QString::fromUtf8(c.number));
    EXPECT_EQ(r.ok, c.outcome == Outcome::Accepted);
    EXPECT_EQ(r.message, c.outcome == Outcome::Message ? c.message : QString());
    EXPECT_EQ(r.failed(), c.outcome == Outcome::ErrorBox);
    EXPECT_EQ(r.birth, QDate::fromString(QString::fromUtf8(c.birth), "yyyy-MM-dd"));
    EXPECT_EQ(r.sexName, QString::fromUtf8(c.sex));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PersonIdCard,
    testing::Values(
        // The standard's own examples.
        PersonCase{"example with check value 10, upper X",
                   "11010519491231002X",
                   Outcome::Accepted,
                   {},
                   "1949-12-31",
                   "女"},
        PersonCase{
            "check value 10, lower x", "11010519491231002x", Outcome::Accepted, {}, "1949-12-31", "女"},
        PersonCase{
            "example with digit check", "440524188001010014", Outcome::Accepted, {}, "1880-01-01", "男"},
        // Check character wrong: the expected one is shown, lower-case x for 10.
        PersonCase{"check 10 expected, digit typed", "110105194912310021", Outcome::Message, kWrongCheckX,
                   "1949-12-31", "女"},
        PersonCase{"digit expected, X typed", "44052418800101001X", Outcome::Message, kWrongCheckPrefix + "4",
                   "1880-01-01", "男"},
        // Length.
        PersonCase{"17 characters", "11010519491231002", Outcome::Message, kNeed18, "", ""},
        PersonCase{"19 characters", "11010519491231002X1", Outcome::Message, kNeed18, "", ""},
        PersonCase{"empty", "", Outcome::Message, kNeed18, "", ""},
        PersonCase{"15 characters are not enough for a person", "110105491231002", Outcome::Message, kNeed18,
                   "", ""},
        // Date bounds are inclusive.
        PersonCase{"born 1850-01-01", "11010518500101003x", Outcome::Accepted, {}, "1850-01-01", "男"},
        PersonCase{"born 2050-01-01", "110105205001010043", Outcome::Accepted, {}, "2050-01-01", "女"},
        PersonCase{"born 1849-12-31", "110105184912310039", Outcome::Message, kWrongNumber, "", ""},
        PersonCase{"born 2050-01-02", "110105205001020030", Outcome::Message, kWrongNumber, "", ""},
        // Calendar.
        PersonCase{"30 February", "110105194902300039", Outcome::Message, kWrongNumber, "", ""},
        PersonCase{
            "29 February of a leap year", "11010520000229003x", Outcome::Accepted, {}, "2000-02-29", "男"},
        PersonCase{"29 February 1900 (no leap year)", "110105190002290033", Outcome::Message, kWrongNumber,
                   "", ""},
        PersonCase{"letter inside the date", "1101051949a231002X", Outcome::Message, kWrongNumber, "", ""},
        // Sex digit.
        PersonCase{"character 17 is 3", "110105198001010032", Outcome::Accepted, {}, "1980-01-01", "男"},
        PersonCase{"character 17 is 4", "110105198001010040", Outcome::Accepted, {}, "1980-01-01", "女"},
        PersonCase{"character 17 not a digit keeps the birth date", "1101051980010101a0", Outcome::Message,
                   kWrongNumber, "1980-01-01", ""},
        // A non-digit outside the date is not a message of the check but an error;
        // birth date and sex (found before the digits are summed) are given all the same.
        PersonCase{"letter in character 1", "a10105198001010120", Outcome::ErrorBox, {}, "1980-01-01", "女"},
        PersonCase{"letter in character 15", "11010519800101a130", Outcome::ErrorBox, {}, "1980-01-01", "男"},
        PersonCase{"full-width digit in character 16",
                   "11010519800101０120",
                   Outcome::ErrorBox,
                   {},
                   "1980-01-01",
                   "女"}),
    testing_support::CaseName());

struct EmployerCase {
    const char* why;
    const char* number;
    Outcome outcome;
    QString message;
};

void PrintTo(const EmployerCase& c, std::ostream* os) {
    *os << c.why;
}

class EmployerIdCard : public testing::TestWithParam<EmployerCase> {};

TEST_P(EmployerIdCard, GivesResultAndFillsNothing) {
    const EmployerCase& c = GetParam();
    const IdCardResult r = checkEmployerIdCard(QString::fromUtf8(c.number));
    EXPECT_EQ(r.ok, c.outcome == Outcome::Accepted);
    EXPECT_EQ(r.message, c.outcome == Outcome::Message ? c.message : QString());
    EXPECT_EQ(r.failed(), c.outcome == Outcome::ErrorBox);
    EXPECT_FALSE(r.birth.isValid());
    EXPECT_TRUE(r.sexName.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmployerIdCard,
    testing::Values(
        EmployerCase{"empty is accepted silently", "", Outcome::Accepted, {}},
        EmployerCase{"15 characters with a valid date", "110105491231002", Outcome::Accepted, {}},
        EmployerCase{"15 characters: only the date is examined", "abcdef491231xyz", Outcome::Accepted, {}},
        EmployerCase{"15 characters, 30 February", "110105490230002", Outcome::Message, kWrongNumber},
        EmployerCase{"15 characters, month 13", "110105491331002", Outcome::Message, kWrongNumber},
        EmployerCase{"16 characters", "1101054912310021", Outcome::Message, kNeed15Or18},
        EmployerCase{"17 characters", "11010519491231002", Outcome::Message, kNeed15Or18},
        EmployerCase{"one blank", " ", Outcome::Message, kNeed15Or18},
        EmployerCase{"18 characters, example", "11010519491231002X", Outcome::Accepted, {}},
        EmployerCase{"18 characters, lower x", "11010519491231002x", Outcome::Accepted, {}},
        EmployerCase{"18 characters, wrong check", "110105194912310021", Outcome::Message, kWrongCheckX},
        EmployerCase{"18 characters, born 2050-01-02", "110105205001020030", Outcome::Message, kWrongNumber},
        EmployerCase{"18 characters, born 1850-01-01", "11010518500101003X", Outcome::Accepted, {}},
        // The employer variant does not test character 17 on its own.
        EmployerCase{"18 characters, letter in character 17", "1101051980010101a0", Outcome::ErrorBox, {}},
        EmployerCase{"18 characters, letter in character 2", "1b0105198001010120", Outcome::ErrorBox, {}}),
    testing_support::CaseName());

TEST(IdCardCheck, WeightsAreTwoToTheEighteenMinusIModEleven) {
    // A single 1 in position i gives remainder 2^(18-i) mod 11.
    const QString checks = "10x98765432";
    for (int i = 1; i <= 17; ++i) {
        QString s(17, '0');
        s[i - 1] = '1';
        int w = 1;
        for (int k = 0; k < 18 - i; ++k) w = w * 2 % 11;
        EXPECT_EQ(expectedCheckCharacter(s), checks.mid(w, 1)) << "position " << i;
    }
    EXPECT_EQ(expectedCheckCharacter("00000000000000000"), "1");
    EXPECT_EQ(expectedCheckCharacter("0000000000000000a"), QString());
}

TEST(IdCardCheck, ErrorTextNamesThePosition) {
    const IdCardResult r = checkPersonIdCard("11010519800101a120");
    EXPECT_TRUE(r.errorText.contains("15")) << r.errorText.toStdString();
    EXPECT_TRUE(r.message.isEmpty());
}

}  // namespace
