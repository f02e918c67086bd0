#pragma once

#include <QString>
#include <QVariant>

namespace store {

struct Column {
    enum class Kind { Text, Integer, Decimal, Date, Serial, Real, Other };
    QString name;
    QString declaredType;
    Kind kind = Kind::Other;
    int width = 0;  // characters for text columns, digits for decimals; 0 = unlimited
    int scale = 0;

    bool isText() const { return kind == Kind::Text; }
    bool isDate() const { return kind == Kind::Date; }
    bool isNumeric() const {
        return kind == Kind::Integer || kind == Kind::Decimal || kind == Kind::Serial || kind == Kind::Real;
    }
};

// Characters (code points) in text, as a column's width and the engine's
// length() count them; a lone surrogate counts as one.
int characterCount(const QString& text);

// Parses a declared SQL type ("VARCHAR(12)", "DECIMAL(10,0)", "DATE", ...).
Column columnFromDeclaration(const QString& name, const QString& declaredType, bool primaryKey);

// Turns a value given by a window into what the column stores: empty text
// becomes null, numbers and dates are converted; throws Error when the value
// cannot be converted ("abc" into an integer column, 2004-02-30 into a date).
QVariant convertForColumn(const Column& column, const QVariant& value);

// The text a field shows: dates in the short date form, null as empty.
QString displayText(const Column& column, const QVariant& value);

}  // namespace store
