#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace platform {

// Today's date; tests set a fixed day (an invalid date returns to the real clock).
QDate today();
void setToday(const QDate& day);

// The date and time; tests set a fixed moment (an invalid one returns to the
// real clock). A fixed day set with setToday keeps the time of day running.
QDateTime now();
void setNow(const QDateTime& moment);

// Today in the user's short date format, as it goes into file names: a
// path separator in it ("/" or "\\") becomes "-".
QString todayText();

}  // namespace platform
