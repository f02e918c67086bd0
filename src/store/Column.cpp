#include "store/Column.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include "platform/Settings.h"
#include "store/Error.h"

namespace store {

int characterCount(const QString& text) {
    int n = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate()) ++i;
        ++n;
    }
    return n;
}

Column columnFromDeclaration(const QString& name, const QString& declaredType, bool primaryKey) {
    Column c;
    c.name = name;
    c.declaredType = declaredType;
    const QString t = declaredType.trimmed().toUpper();
    static const QRegularExpression args(R"(\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?\))");
    const auto m = args.match(t);
    if (t.startsWith("INTEGER") && primaryKey) {
        c.kind = Column::Kind::Serial;
    } else if (t.startsWith("INT")) {
        c.kind = Column::Kind::Integer;
    } else if (t.startsWith("DECIMAL") || t.startsWith("NUMERIC")) {
        c.kind = Column::Kind::Decimal;
        if (m.hasMatch()) {
            c.width = m.captured(1).toInt();
            c.scale = m.captured(2).toInt();
        }
    } else if (t.startsWith("DATE")) {
        c.kind = Column::Kind::Date;
    } else if (t.startsWith("REAL") || t.startsWith("DOUBLE") || t.startsWith("FLOAT")) {
        c.kind = Column::Kind::Real;
    } else if (t.contains("CHAR") || t.startsWith("TEXT") || t.startsWith("CLOB")) {
        c.kind = Column::Kind::Text;
        if (m.hasMatch()) c.width = m.captured(1).toInt();
    }
    return c;
}

namespace {
QDate parseDate(const QString& text) {
    QDate d = QDate::fromString(text, "yyyy-MM-dd");
    if (!d.isValid()) d = QDate::fromString(text, platform::shortDateFormat());
    return d;
}

bool isBlankDateText(const QString& s) {
    for (QChar ch : s)
        if (ch != ' ' && ch != '-' && ch != '_' && ch != '/' && ch != '.') return false;
    return true;
}
}  // namespace

QVariant convertForColumn(const Column& column, const QVariant& value) {
    if (value.isNull() || !value.isValid()) return {};
    const bool isText = value.typeId() == QMetaType::QString;
    if (isText && value.toString().isEmpty()) return {};
    switch (column.kind) {
        case Column::Kind::Text:
        case Column::Kind::Other:
            return value.typeId() == QMetaType::QDate ? QVariant(value.toDate().toString("yyyy-MM-dd"))
                                                      : value;
        case Column::Kind::Integer:
        case Column::Kind::Serial: {
            if (!isText) return value;
            bool ok = false;
            const qlonglong n = value.toString().trimmed().toLongLong(&ok);
            if (!ok) throw Error(QString("“%1”不是有效的整数值").arg(value.toString()));
            return n;
        }
        case Column::Kind::Decimal:
        case Column::Kind::Real: {
            if (!isText) return value;
            bool ok = false;
            const QString s = value.toString().trimmed();
            if (column.scale == 0 && column.kind == Column::Kind::Decimal) {
                const qlonglong n = s.toLongLong(&ok);
                if (ok) return n;
            }
            const double d = s.toDouble(&ok);
            if (!ok) throw Error(QString("“%1”不是有效的数值").arg(value.toString()));
            return d;
        }
        case Column::Kind::Date: {
            if (value.typeId() == QMetaType::QDate) {
                if (!value.toDate().isValid()) return {};
                return value.toDate().toString("yyyy-MM-dd");
            }
            if (value.typeId() == QMetaType::QDateTime)
                return value.toDateTime().date().toString("yyyy-MM-dd");
            const QString s = value.toString();
            if (isBlankDateText(s)) return {};
            const QDate d = parseDate(s.trimmed());
            if (!d.isValid()) throw Error(QString("“%1”不是有效的日期").arg(s));
            return d.toString("yyyy-MM-dd");
        }
    }
    return value;
}

QString displayText(const Column& column, const QVariant& value) {
    if (value.isNull() || !value.isValid()) return {};
    if (column.kind == Column::Kind::Date || value.typeId() == QMetaType::QDate) {
        const QDate d = value.typeId() == QMetaType::QDate ? value.toDate() : parseDate(value.toString());
        if (d.isValid()) return d.toString(platform::shortDateFormat());
    }
    return value.toString();
}

}  // namespace store
