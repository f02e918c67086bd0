#pragma once

#include <QString>
#include <QVariant>

namespace reports {

// The text a column prints: text as it is; a date in the short date form,
// followed by the time only when it carries a time of day; null prints nothing.
// A date column that arrives as ISO text is read as a date first.
QString displayText(const QVariant& value, bool dateColumn, const QString& shortDateFormat);

}  // namespace reports
