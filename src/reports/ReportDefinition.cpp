#include "reports/ReportDefinition.h"

namespace reports {

ReportItem ReportItem::label(double x, double y, const QString& text, const FontSpec& font) {
    ReportItem item;
    item.kind = ItemKind::Label;
    item.x = x;
    item.y = y;
    item.text = text;
    item.font = font;
    return item;
}

ReportItem ReportItem::field(double x, double y, const QString& rowSet, const QString& column,
                             const FontSpec& font) {
    ReportItem item;
    item.kind = ItemKind::Field;
    item.x = x;
    item.y = y;
    item.rowSet = rowSet;
    item.column = column;
    item.font = font;
    return item;
}

ReportItem ReportItem::hline(double y, double x1, double x2, double penWidth) {
    ReportItem item;
    item.kind = ItemKind::Line;
    item.x = x1;
    item.y = y;
    item.width = x2 - x1;
    item.penWidth = penWidth;
    return item;
}

ReportItem ReportItem::vline(double x, double y1, double y2, double penWidth) {
    ReportItem item;
    item.kind = ItemKind::Line;
    item.x = x;
    item.y = y1;
    item.height = y2 - y1;
    item.penWidth = penWidth;
    return item;
}

QSizeF PageSetup::paperSizeMm() const {
    const QSizeF portrait = QPageSize::size(paper, QPageSize::Millimeter);
    return orientation == QPageLayout::Portrait ? portrait : portrait.transposed();
}

}  // namespace reports
