#pragma once

#include "reports/ReportDefinition.h"

#include <QFont>
#include <QSizeF>
#include <QString>

namespace reports {

// The Qt font for a form font: the metric-compatible stand-in first, the
// named family next (where it is installed), then the CJK family for the
// Chinese text that the stand-ins lack.
QFont toQFont(const FontSpec& style);

// Size of one line of text in millimetres (height is the font's line height).
QSizeF textSizeMm(const FontSpec& style, const QString& text);
double lineHeightMm(const FontSpec& style);
// Height of the text wrapped at widthMm.
double wrappedHeightMm(const FontSpec& style, const QString& text, double widthMm);

}  // namespace reports
