#include "reports/FitText.h"

#include "reports/Fonts.h"

#include <QTextBoundaryFinder>

#include <cmath>

namespace reports {
namespace {

// Rounding in the measurement must not turn a fit into a miss.
constexpr double kSlack = 1e-6;

class Measure {
  public:
    Measure(FontSpec font, double pointSize) : font_(std::move(font)) { font_.pointSize = pointSize; }
    double width(const QString& s) const { return textSizeMm(font_, s).width(); }
    double lineHeight() const { return lineHeightMm(font_); }

  private:
    FontSpec font_;
};

QList<qsizetype> boundaries(QTextBoundaryFinder::BoundaryType type, const QString& text) {
    QList<qsizetype> at;
    QTextBoundaryFinder finder(type, text);
    for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary()) at.append(p);
    return at;
}

// The longest prefix of text from `from` that fits, ending at one of `ends`;
// `from` when none does.
qsizetype longestFit(const Measure& m, const QString& text, qsizetype from, const QList<qsizetype>& ends,
                     double widthMm, const QString& suffix = {}) {
    qsizetype best = from;
    // Widths grow with the prefix, so a binary search over the boundaries would do;
    // values are short, and a linear walk keeps it obvious.
    for (qsizetype end : ends) {
        if (end <= from) continue;
        if (m.width(text.mid(from, end - from).trimmed() + suffix) > widthMm + kSlack) break;
        best = end;
    }
    return best;
}

struct Breaks {
    explicit Breaks(const QString& text)
        : lines(boundaries(QTextBoundaryFinder::Line, text)),
          clusters(boundaries(QTextBoundaryFinder::Grapheme, text)) {}
    QList<qsizetype> lines;     // where a line may break
    QList<qsizetype> clusters;  // between characters
};

// End of the line that starts at `from`: the last break opportunity that
// fits, else (a long number) the last character that fits; `from` when not
// even one character fits.
qsizetype lineEnd(const Measure& m, const QString& text, qsizetype from, const Breaks& b, double widthMm) {
    const qsizetype end = longestFit(m, text, from, b.lines, widthMm);
    return end > from ? end : longestFit(m, text, from, b.clusters, widthMm);
}

qsizetype skipSpaces(const QString& text, qsizetype from) {
    while (from < text.size() && text.at(from).isSpace()) ++from;
    return from;
}

// Breaks text into at most maxLines lines of widthMm; false when it does not all fit.
bool breakLines(const Measure& m, const QString& text, const Breaks& b, double widthMm, int maxLines,
                QStringList* lines) {
    lines->clear();
    for (qsizetype from = 0; from < text.size();) {
        if (lines->size() == maxLines) return false;
        const qsizetype end = lineEnd(m, text, from, b, widthMm);
        if (end == from) return false;
        lines->append(text.mid(from, end - from).trimmed());
        from = skipSpaces(text, end);
    }
    return true;
}

}  // namespace

FittedText fitText(const FontSpec& font, const QString& text, double widthMm, double heightMm) {
    FittedText fitted;
    fitted.pointSize = font.pointSize;
    if (text.isEmpty()) return fitted;
    const double smallest = std::min(kMinPointSize, font.pointSize);
    QList<double> sizes;
    for (double pt = font.pointSize; pt >= smallest - kSlack; pt -= kPointStep) sizes.append(pt);

    // One line, as large as it fits.
    for (double pt : sizes) {
        if (Measure(font, pt).width(text) <= widthMm + kSlack) {
            fitted.pointSize = pt;
            fitted.lines = QStringList{text};
            return fitted;
        }
    }
    // More lines where the cell is tall enough.
    const Breaks breaks(text);
    for (double pt : sizes) {
        const Measure m(font, pt);
        const int maxLines = int(std::floor((heightMm + kSlack) / m.lineHeight()));
        if (maxLines < 2) continue;
        if (breakLines(m, text, breaks, widthMm, maxLines, &fitted.lines)) {
            fitted.pointSize = pt;
            return fitted;
        }
    }
    // Cut: the lines the room holds at the smallest size, the last one
    // shortened by whole characters to leave room for the mark.
    const Measure m(font, smallest);
    const int maxLines = std::max(1, int(std::floor((heightMm + kSlack) / m.lineHeight())));
    fitted.pointSize = smallest;
    fitted.cut = true;
    fitted.lines.clear();
    qsizetype from = 0;
    while (fitted.lines.size() + 1 < maxLines) {
        const qsizetype end = lineEnd(m, text, from, breaks, widthMm);
        if (end == from) break;
        fitted.lines.append(text.mid(from, end - from).trimmed());
        from = skipSpaces(text, end);
    }
    const qsizetype end = longestFit(m, text, from, breaks.clusters, widthMm, kCutMark);
    fitted.lines.append(text.mid(from, end - from).trimmed() + kCutMark);
    return fitted;
}

}  // namespace reports
