#include "person/IdCardCheck.h"

#include <array>

namespace idcard {
namespace {

constexpr std::array<int, 17> kWeights = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
const QString kCheckCharacters = QStringLiteral("10x98765432");
const QDate kEarliest(1850, 1, 1);
const QDate kLatest(2050, 1, 1);

// ASCII digits only: a full-width digit is not a digit of an ID number.
bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

QString asciiLower(const QString& s) {
    QString out = s;
    for (QChar& c : out)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + ('a' - 'A'));
    return out;
}

// Reads yyyy, MM, dd from the given positions (0-based); invalid unless all
// eight are digits and name a real day.
QDate readDate(const QString& year, const QString& month, const QString& day) {
    const QString all = year + month + day;
    for (QChar c : all)
        if (!isDigit(c)) return {};
    return QDate(year.toInt(), month.toInt(), day.toInt());
}

bool inBounds(const QDate& d) {
    return d.isValid() && d >= kEarliest && d <= kLatest;
}

QString notDigitText(int position, QChar c) {
    return QStringLiteral("身份证号码第%1位“%2”不是数字，请核对").arg(position).arg(c);
}

// Steps shared by both variants for an 18-character number once the date
// passed: weighted sum and check character.
void checkCharacter(const QString& lower, IdCardResult& r) {
    for (int i = 0; i < 17; ++i) {
        if (!isDigit(lower[i])) {
            // Reported as an error; birth date and sex, taken before, stay.
            r.ok = false;
            r.message.clear();
            r.errorText = notDigitText(i + 1, lower[i]);
            return;
        }
    }
    const QString expected = expectedCheckCharacter(lower.left(17));
    if (lower.mid(17, 1) == expected) {
        r.ok = true;
    } else {
        r.ok = false;
        r.message = kWrongCheckPrefix + expected;
    }
}

}  // namespace

QString expectedCheckCharacter(const QString& first17) {
    if (first17.size() != 17) return {};
    int sum = 0;
    for (int i = 0; i < 17; ++i) {
        if (!isDigit(first17[i])) return {};
        sum += (first17[i].unicode() - '0') * kWeights[i];
    }
    return kCheckCharacters.mid(sum % 11, 1);
}

IdCardResult checkPersonIdCard(const QString& number) {
    IdCardResult r;
    const QString id = asciiLower(number);
    if (id.size() != 18) {
        r.message = kNeed18;
        return r;
    }
    const QDate birth = readDate(id.mid(6, 4), id.mid(10, 2), id.mid(12, 2));
    if (!inBounds(birth)) {
        r.message = kWrongNumber;
        return r;
    }
    r.birth = birth;
    const QChar sexDigit = id[16];
    if (!isDigit(sexDigit)) {
        r.message = kWrongNumber;
        return r;
    }
    r.sexName = (sexDigit.unicode() - '0') % 2 == 1 ? QStringLiteral("男") : QStringLiteral("女");
    checkCharacter(id, r);
    return r;
}

IdCardResult checkEmployerIdCard(const QString& number) {
    IdCardResult r;
    const QString id = asciiLower(number);
    if (id.size() == 15) {
        // No check character; the other characters are not examined.
        const QDate d = readDate(QStringLiteral("19") + id.mid(6, 2), id.mid(8, 2), id.mid(10, 2));
        r.ok = inBounds(d);
        if (!r.ok) r.message = kWrongNumber;
        return r;
    }
    if (id.size() == 18) {
        const QDate d = readDate(id.mid(6, 4), id.mid(10, 2), id.mid(12, 2));
        if (!inBounds(d)) {
            r.message = kWrongNumber;
            return r;
        }
        checkCharacter(id, r);
        return r;
    }
    if (id.isEmpty()) {
        r.ok = true;
        return r;
    }
    r.message = kNeed15Or18;
    return r;
}

}  // namespace idcard
