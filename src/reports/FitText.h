#pragma once

#include "reports/ReportDefinition.h"

#include <QString>
#include <QStringList>

namespace reports {

// The smallest size a value is printed in: 6 pt digits and CJK glyphs are
// still read without effort on a laser print (about 2.1 mm per CJK glyph,
// the size of the fine print on official forms); below it strokes of
// complex characters run together.
inline constexpr double kMinPointSize = 6.0;
// Each step down from the form's size.
inline constexpr double kPointStep = 0.5;
// Ends a value that had to be cut.
inline const QString kCutMark = QStringLiteral("…");

struct FittedText {
    double pointSize = 0;
    QStringList lines;  // as printed, top to bottom
    bool cut = false;   // the last line was shortened and ends with kCutMark
};

// Fits text into a box widthMm wide with heightMm of room below its top:
// first one line in the form's size or smaller, step by step down to
// kMinPointSize; then as many lines as the room holds, largest size first;
// only then cut at a character (grapheme) boundary, marked with kCutMark,
// at the smallest size. Lines break where line breaking allows (between CJK
// characters, at spaces), else between characters.
FittedText fitText(const FontSpec& font, const QString& text, double widthMm, double heightMm);

}  // namespace reports
