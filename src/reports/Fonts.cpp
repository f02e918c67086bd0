#include "reports/Fonts.h"

#include <QFontMetricsF>
#include <QImage>
#include <QStringList>

namespace reports {
namespace {

constexpr double kMeasureDpi = 1200.0;

QStringList familiesFor(const QString& family) {
    QStringList families;
    // Liberation Sans has Arial's metrics; it also stands in for the old
    // bitmap sans serif, which has no scalable form here.
    if (family.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0 ||
        family.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0)
        families << QStringLiteral("Liberation Sans");
    families << family << QStringLiteral("WenQuanYi Zen Hei");
    return families;
}

// Measuring on a high-resolution image keeps hinting at screen sizes out of the sizes.
const QPaintDevice* measureDevice() {
    static const QImage image = [] {
        QImage img(1, 1, QImage::Format_ARGB32);
        const int dotsPerMeter = qRound(kMeasureDpi / 0.0254);
        img.setDotsPerMeterX(dotsPerMeter);
        img.setDotsPerMeterY(dotsPerMeter);
        return img;
    }();
    return &image;
}

double pxToMm(double px) {
    return px * 25.4 / kMeasureDpi;
}

}  // namespace

QFont toQFont(const FontSpec& style) {
    QFont font;
    font.setFamilies(familiesFor(style.family));
    font.setPointSizeF(style.pointSize);
    font.setBold(style.bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QSizeF textSizeMm(const FontSpec& style, const QString& text) {
    const QFontMetricsF metrics(toQFont(style), measureDevice());
    return {pxToMm(metrics.horizontalAdvance(text)), pxToMm(metrics.height())};
}

double lineHeightMm(const FontSpec& style) {
    const QFontMetricsF metrics(toQFont(style), measureDevice());
    return pxToMm(metrics.height());
}

double wrappedHeightMm(const FontSpec& style, const QString& text, double widthMm) {
    const QFontMetricsF metrics(toQFont(style), measureDevice());
    const double widthPx = widthMm * kMeasureDpi / 25.4;
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, widthPx, 1e6), Qt::TextWordWrap, text);
    return pxToMm(bounds.height());
}

}  // namespace reports
