#pragma once

#include <QString>
#include <optional>

// The payment period is stored as a number of months and shown as a word.
namespace feeperiod {

inline const QString kIrregular = QStringLiteral("不定期");

// Months for "月", "季", "半年", "全年"; nothing for "不定期" (the months are
// typed) or any other word.
std::optional<int> monthsForWord(const QString& word);

// The word for a stored FEEPERIOD text: "1", "3", "6", "12" give their word;
// anything else, empty included, is "不定期".
QString wordForStored(const QString& storedText);

}  // namespace feeperiod
