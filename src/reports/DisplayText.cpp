#include "reports/DisplayText.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace reports {
namespace {

QString dateTimeText(const QDateTime& value, const QString& shortDateFormat) {
    QString text = value.date().toString(shortDateFormat);
    if (value.time().isValid() && value.time() != QTime(0, 0))
        text += QLatin1Char(' ') + value.time().toString(QStringLiteral("HH:mm:ss"));
    return text;
}

}  // namespace

QString displayText(const QVariant& value, bool dateColumn, const QString& shortDateFormat) {
    if (!value.isValid() || value.isNull()) return {};
    switch (value.typeId()) {
        case QMetaType::QDate:
            return value.toDate().toString(shortDateFormat);
        case QMetaType::QDateTime:
            return dateTimeText(value.toDateTime(), shortDateFormat);
        default:
            break;
    }
    const QString text = value.toString();
    if (dateColumn && !text.isEmpty()) {
        const QString trimmed = text.trimmed();
        // A stamp first: a plain date parse would take the date and drop the time.
        QDateTime stamp = QDateTime::fromString(trimmed, Qt::ISODate);
        if (!stamp.isValid()) stamp = QDateTime::fromString(trimmed, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!stamp.isValid()) {
            const QDate date = QDate::fromString(trimmed, QStringLiteral("yyyy-MM-dd"));
            if (date.isValid()) return date.toString(shortDateFormat);
        }
        if (stamp.isValid()) return dateTimeText(stamp, shortDateFormat);
    }
    return text;
}

}  // namespace reports
