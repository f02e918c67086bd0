#include "reports/LayoutTables.h"

#include "reports/Fonts.h"

#include <algorithm>
#include <cmath>

namespace reports::forms {
namespace {

// A one-line text sits about this deep below its y; used to find what shares its line.
constexpr double kLineMid = 2.0;
constexpr double kLineDepth = 4.0;
// Keeps a cut-off value clear of the rule's pen.
constexpr double kRuleGap = 0.3;

FontSpec fontOf(const TextRow& row) {
    FontSpec font;
    font.family = row.face == Face::MsSans ? QStringLiteral("MS Sans Serif") : QStringLiteral("Arial");
    font.pointSize = row.pointSize;
    font.bold = row.bold;
    return font;
}

double roomRightOf(const TextRow& row, std::span<const TextRow> texts, std::span<const VLineRow> vlines) {
    const double mid = row.y + kLineMid;
    double limit = kBandWidth;
    for (const VLineRow& v : vlines)
        if (v.x > row.x + 0.05 && v.y1 <= mid && mid <= v.y2) limit = std::min(limit, v.x);
    for (const TextRow& other : texts)
        if (other.x > row.x + 0.05 && std::abs(other.y - row.y) < kLineDepth)
            limit = std::min(limit, other.x);
    return limit - row.x - kRuleGap;
}

// Width a text takes on its line: a field its cell, a boxed label its box,
// any other label its own text.
double spanOf(const TextRow& row, std::span<const TextRow> texts, std::span<const VLineRow> vlines) {
    if (row.field) return roomRightOf(row, texts, vlines);
    if (row.boxWidth > 0) return row.boxWidth;
    return textSizeMm(fontOf(row), QString::fromUtf8(row.content)).width();
}

// Room below a field's top for further lines: down to the next rule under
// its cell, a rule that starts inside the cell, the next text below that
// shares its width, or the band's bottom.
double roomBelow(const TextRow& row, double width, double bandHeight, std::span<const TextRow> texts,
                 std::span<const HLineRow> hlines, std::span<const VLineRow> vlines) {
    const double left = row.x, right = row.x + width;
    double limit = bandHeight;
    for (const HLineRow& h : hlines)
        if (h.y > row.y + 0.05 && h.x1 < right && h.x2 > left) limit = std::min(limit, h.y);
    for (const VLineRow& v : vlines)
        if (v.y1 > row.y + 0.05 && v.x > left && v.x < right) limit = std::min(limit, v.y1);
    for (const TextRow& other : texts) {
        if (&other == &row || other.y <= row.y + 0.05) continue;
        const double otherRight = other.x + spanOf(other, texts, vlines);
        if (other.x < right && otherRight > left) limit = std::min(limit, other.y);
    }
    return limit - row.y - kRuleGap;
}

}  // namespace

Band makeBand(const QString& name, BandKind kind, double height, int frame, const QString& rowSet,
              std::span<const TextRow> texts, std::span<const HLineRow> hlines,
              std::span<const VLineRow> vlines) {
    Band band;
    band.name = name;
    band.kind = kind;
    band.height = height;
    band.frame = frame;
    band.framePenWidth = kPen;
    for (const TextRow& row : texts) {
        ReportItem item;
        if (row.field) {
            item = ReportItem::field(row.x, row.y, row.rowSet ? QString::fromUtf8(row.rowSet) : rowSet,
                                     QString::fromUtf8(row.content), fontOf(row));
            item.width = roomRightOf(row, texts, vlines);
            item.cellHeight = roomBelow(row, item.width, height, texts, hlines, vlines);
        } else {
            item = ReportItem::label(row.x, row.y, QString::fromUtf8(row.content), fontOf(row));
            if (row.boxWidth > 0) {
                item.width = row.boxWidth;
                item.height = row.boxHeight;
                item.align = Align::Centre;
            }
        }
        band.items.append(item);
    }
    for (const HLineRow& h : hlines) band.items.append(ReportItem::hline(h.y, h.x1, h.x2, kPen));
    for (const VLineRow& v : vlines) band.items.append(ReportItem::vline(v.x, v.y1, v.y2, kPen));
    return band;
}

}  // namespace reports::forms
