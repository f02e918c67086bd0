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
    // A format such as yyyy/MM/dd would make folders of the file name.
    QString text = today().toString(shortDateFormat());
    text.replace('/', '-').replace('\\', '-');
    return text;
}

}  // namespace platform
