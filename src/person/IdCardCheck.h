#pragma once

#include <QDate>
#include <QString>

// Citizen ID number check (GB 11643, ISO 7064 MOD 11-2), free of widgets so
// the windows and the tests share it.
namespace idcard {

struct IdCardResult {
    // Accepted or rejected.
    bool ok = false;
    // The message box to show (empty: none, e.g. an empty employer number).
    QString message;
    // Set when a character outside the birth date is not a digit: the caller
    // fills birth and sex (found before), then shows it in the standard error
    // box, ends its command and stores nothing.
    QString errorText;
    // Person variant only: the birth date once the date passed, and "男" or
    // "女" once character 17 passed; kept even when a later step rejects.
    QDate birth;
    QString sexName;

    bool rejected() const { return !ok; }
    bool failed() const { return !errorText.isEmpty(); }
};

// Expected check character for the first 17 characters (digits only):
// one of "10x98765432". Empty when a character is not a digit.
QString expectedCheckCharacter(const QString& first17);

// The person's own number: 18 characters; gives birth date and sex.
IdCardResult checkPersonIdCard(const QString& number);

// The legal representative's number: 15, 18 characters or empty; fills nothing.
IdCardResult checkEmployerIdCard(const QString& number);

// The messages, as shown to the operator.
inline const QString kNeed18 = QStringLiteral("请输入18位身份证号码");
inline const QString kWrongNumber = QStringLiteral("身份证号码输入有误，请核对");
inline const QString kWrongCheckPrefix =
    QStringLiteral("身份证号码输入有误，根据公民身份号码前17位，最后一位校验码应该为");
inline const QString kNeed15Or18 = QStringLiteral("请输入15位或18位法定代表人身份证号码，可为空");

}  // namespace idcard
