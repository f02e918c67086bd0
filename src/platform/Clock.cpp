#include "platform/Clock.h"

#include "platform/Settings.h"

namespace platform {
namespace {
QDate& fixedDay() {
    static QDate day;
    return day;
}
QDateTime& fixedMoment() {
    static QDateTime moment;
    return moment;
}
}  // namespace

QDate today() {
    if (fixedDay().isValid()) return fixedDay();
    return fixedMoment().isValid() ? fixedMoment().date() : QDate::currentDate();
}

QDateTime now() {
    if (fixedMoment().isValid()) return fixedMoment();
    if (fixedDay().isValid()) return QDateTime(fixedDay(), QTime::currentTime());
    return QDateTime::currentDateTime();
}

void setNow(const QDateTime& moment) {
    fixedMoment() = moment;
}

void setToday(const QDate& day) {
    fixedDay() = day;
}

QString todayText() {
    return today().toString(shortDateFormat());
}

}  // namespace platform
