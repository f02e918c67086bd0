#include "employer/FeePeriod.h"

#include <array>
#include <utility>

namespace feeperiod {
namespace {

const std::array<std::pair<const char*, int>, 4> kWords = {{{"月", 1}, {"季", 3}, {"半年", 6}, {"全年", 12}}};

}  // namespace

std::optional<int> monthsForWord(const QString& word) {
    for (const auto& [w, months] : kWords)
        if (word == QString::fromUtf8(w)) return months;
    return std::nullopt;
}

QString wordForStored(const QString& storedText) {
    for (const auto& [w, months] : kWords)
        if (storedText == QString::number(months)) return QString::fromUtf8(w);
    return kIrregular;
}

}  // namespace feeperiod
