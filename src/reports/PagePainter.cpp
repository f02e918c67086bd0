#include "reports/PagePainter.h"

#include "reports/Fonts.h"
#include "reports/Layout.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace reports {
namespace {

QRectF scaled(const QRectF& mm, double pxPerMm) {
    return {mm.x() * pxPerMm, mm.y() * pxPerMm, mm.width() * pxPerMm, mm.height() * pxPerMm};
}

void paintText(QPainter& painter, const PlacedItem& item, double pxPerMm) {
    if (item.text.isEmpty()) return;
    QFont font = toQFont(item.font);
    // Point sizes are resolved at the device's dpi; rescale to our mm scale.
    const double dpi = painter.device() ? painter.device()->logicalDpiY() : 72.0;
    font.setPointSizeF(item.font.pointSize * pxPerMm * 25.4 / dpi);
    painter.setFont(font);
    painter.setPen(Qt::black);
    int flags = Qt::AlignTop | (item.align == Align::Centre ? Qt::AlignHCenter : Qt::AlignLeft);
    if (item.wordWrap) flags |= Qt::TextWordWrap;
    const QRectF box = scaled(item.rect, pxPerMm);
    painter.save();
    if (item.clip) {
        // Cut off at the sides of the cell only: CJK glyphs from the fallback
        // font may reach a little above or below the stand-in's line.
        const double slack = box.height() * 0.5;
        painter.setClipRect(box.adjusted(0, -slack, 0, slack), Qt::IntersectClip);
    }
    if (item.lines.isEmpty()) {
        painter.drawText(box, flags | Qt::TextDontClip, item.text);
    } else {
        // Fitted lines, one below the other. Widths were measured at print
        // resolution; where a device's hinting makes a line wider, it is
        // narrowed to the box rather than cut at its edge.
        const double lineHeight = lineHeightMm(item.font) * pxPerMm;
        const QFontMetricsF metrics(font, painter.device());
        for (int i = 0; i < item.lines.size(); ++i) {
            const QString& line = item.lines.at(i);
            const QRectF lineBox(box.left(), box.top() + i * lineHeight, box.width(), lineHeight);
            const double width = metrics.horizontalAdvance(line);
            if (width > lineBox.width() && width > 0) {
                painter.save();
                painter.translate(lineBox.left(), 0);
                painter.scale(lineBox.width() / width, 1);
                painter.drawText(QRectF(0, lineBox.top(), width, lineHeight), flags | Qt::TextDontClip, line);
                painter.restore();
            } else {
                painter.drawText(lineBox, flags | Qt::TextDontClip, line);
            }
        }
    }
    painter.restore();
}

void paintLine(QPainter& painter, const PlacedItem& item, double pxPerMm) {
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, item.penWidth * kPenUnitMm * pxPerMm));
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    const QLineF& l = item.line;
    painter.drawLine(QLineF(l.p1() * pxPerMm, l.p2() * pxPerMm));
}

}  // namespace

void paintPage(QPainter& painter, const LaidOutPage& page, double pxPerMm) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const PlacedItem& item : page.items) {
        if (item.kind == ItemKind::Line)
            paintLine(painter, item, pxPerMm);
        else
            paintText(painter, item, pxPerMm);
    }
    painter.restore();
}

QList<int> pageRange(const LaidOutDocument& document, int fromPage, int toPage) {
    const int count = int(document.pages.size());
    const int first = std::max(fromPage, 1);
    const int last = toPage <= 0 ? count : std::min(toPage, count);
    QList<int> pages;
    for (int n = first; n <= last; ++n) pages.append(n - 1);
    return pages;
}

void paintPages(const LaidOutDocument& document, QPagedPaintDevice& device, const QList<int>& pages,
                const std::function<void(int, int)>& progress) {
    QPageLayout layout(QPageSize(document.page.paper), document.page.orientation, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
    // The forms place everything from the paper's edge; the device adds no margins.
    layout.setMode(QPageLayout::FullPageMode);
    device.setPageLayout(layout);

    QPainter painter;
    if (!painter.begin(&device)) throw ReportError(QStringLiteral("无法开始打印"));
    const double pxPerMm = device.logicalDpiX() / 25.4;
    const int total = int(pages.size());
    for (int i = 0; i < total; ++i) {
        if (i > 0) device.newPage();
        paintPage(painter, document.pages.at(pages.at(i)), pxPerMm);
        if (progress) progress(i + 1, total);
    }
    painter.end();
}

void paintDocument(const LaidOutDocument& document, QPagedPaintDevice& device, int fromPage, int toPage,
                   const std::function<void(int, int)>& progress) {
    paintPages(document, device, pageRange(document, fromPage, toPage), progress);
}

void writePdf(const LaidOutDocument& document, const QString& path) {
    {
        QPdfWriter writer(path);
        writer.setTitle(document.title);
        writer.setCreator(QStringLiteral("Veyra"));
        writer.setResolution(1200);
        paintDocument(document, writer);
    }
    if (!QFile::exists(path) || QFile(path).size() == 0)
        throw ReportError(QStringLiteral("无法写入文件 %1").arg(path));
}

}  // namespace reports
