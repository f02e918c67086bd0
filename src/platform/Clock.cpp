#include "platform/Clock.h"

#include "platform/Settings.h"

namespace platform {
namespace {
QDate& fixedDay() {
    static QDate day;
    return day;
}
}  // namespace

QDate today() { return fixedDay().isValid() ? fixedDay() : QDate::currentDate(); }

void setToday(const QDate& day) { fixedDay() = day; }

QString todayText() { return today().toString(shortDateFormat()); }

}  // namespace platform
