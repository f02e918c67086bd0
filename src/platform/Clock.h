#pragma once

#include <QDate>
#include <QString>

namespace platform {

// Today's date; tests set a fixed day (an invalid date returns to the real clock).
QDate today();
void setToday(const QDate& day);

// Today in the user's short date format, as it goes into file names.
QString todayText();

}  // namespace platform
