#include "reports/Layout.h"

#include "platform/Settings.h"
#include "reports/DisplayText.h"
#include "reports/FitText.h"
#include "reports/Fonts.h"

#include <algorithm>

namespace reports {
namespace {

// Band heights are given to a tenth of a millimetre; do not break a page on rounding.
constexpr double kFitTolerance = 0.01;

class Layouter {
  public:
    Layouter(const ReportDefinition& report, const RowSources& sources, const LayoutOptions& options)
        : report_(report), sources_(sources), dateFormat_(options.shortDateFormat) {
        if (dateFormat_.isEmpty()) dateFormat_ = platform::shortDateFormat();
        doc_.title = report.title;
        doc_.page = report.page;
    }

    LaidOutDocument run() {
        checkBindings();
        RowSource* rows = source(report_.rowSet);
        rows->first();
        startPage();
        if (report_.detail) {
            const Band& detail = *report_.detail;
            while (!rows->eof()) {
                const bool full = cursor_ + detail.height > detailLimit() + kFitTolerance;
                if (detailOnPage_ && (detail.newPageBeforeEachRow || full)) {
                    finishPage();
                    startPage();
                }
                placeBand(detail, cursor_);
                cursor_ += detail.height;
                detailOnPage_ = true;
                rows->next();
            }
        }
        finishPage();
        return std::move(doc_);
    }

  private:
    RowSource* source(const QString& name) const {
        RowSource* found = sources_.value(name);
        if (!found) throw ReportError(QStringLiteral("报表 %1 没有数据集 %2").arg(report_.name, name));
        return found;
    }

    // Fails before any page is made when a field names what is not there.
    void checkBindings() const {
        source(report_.rowSet);
        for (const auto* band : {&report_.pageHeader, &report_.detail, &report_.pageFooter}) {
            if (!*band) continue;
            for (const ReportItem& item : (*band)->items) {
                if (item.kind != ItemKind::Field) continue;
                if (!source(item.rowSet)->hasColumn(item.column))
                    throw ReportError(QStringLiteral("数据集 %1 没有字段 %2").arg(item.rowSet, item.column));
            }
        }
    }

    double detailLimit() const {
        return report_.page.contentBottom() - (report_.pageFooter ? report_.pageFooter->height : 0.0);
    }

    void startPage() {
        doc_.pages.append(LaidOutPage());
        cursor_ = report_.page.contentTop();
        detailOnPage_ = false;
        if (report_.pageHeader) {
            placeBand(*report_.pageHeader, cursor_);
            cursor_ += report_.pageHeader->height;
        }
    }

    void finishPage() {
        if (report_.pageFooter)
            placeBand(*report_.pageFooter, report_.page.contentBottom() - report_.pageFooter->height);
    }

    void placeBand(const Band& band, double top) {
        LaidOutPage& page = doc_.pages.last();
        const QRectF rect(report_.page.contentLeft(), top, report_.page.contentWidth(), band.height);
        page.bands.append({band.name, band.kind, rect});
        const auto frameLine = [&](const QPointF& a, const QPointF& b) {
            PlacedItem line;
            line.kind = ItemKind::Line;
            line.line = QLineF(a, b);
            line.rect = QRectF(a, b).normalized();
            line.penWidth = band.framePenWidth;
            line.band = band.name;
            page.items.append(line);
        };
        if (band.frame & FrameTop) frameLine(rect.topLeft(), rect.topRight());
        if (band.frame & FrameBottom) frameLine(rect.bottomLeft(), rect.bottomRight());
        if (band.frame & FrameLeft) frameLine(rect.topLeft(), rect.bottomLeft());
        if (band.frame & FrameRight) frameLine(rect.topRight(), rect.bottomRight());
        for (const ReportItem& item : band.items) page.items.append(place(item, band, rect.topLeft()));
    }

    PlacedItem place(const ReportItem& item, const Band& band, const QPointF& origin) const {
        PlacedItem placed;
        placed.kind = item.kind;
        placed.band = band.name;
        const QPointF topLeft = origin + QPointF(item.x, item.y);
        if (item.kind == ItemKind::Line) {
            placed.line = QLineF(topLeft, topLeft + QPointF(item.width, item.height));
            placed.rect = QRectF(placed.line.p1(), placed.line.p2()).normalized();
            placed.penWidth = item.penWidth;
            return placed;
        }
        if (item.kind == ItemKind::Field) {
            const RowSource* rows = source(item.rowSet);
            placed.rowSet = item.rowSet;
            placed.column = item.column;
            placed.text = displayText(rows->value(item.column), rows->isDateColumn(item.column), dateFormat_);
        } else {
            placed.text = item.text;
        }
        placed.font = item.font;
        placed.align = item.align;
        placed.wordWrap = item.wordWrap;
        placed.clip = item.width > 0;
        if (placed.clip && !item.wordWrap) {
            // Smaller, then on more lines, and only then cut with a mark:
            // never through a glyph, never over the next cell.
            const double room = item.height > 0       ? item.height
                                : item.cellHeight > 0 ? item.cellHeight
                                                      : lineHeightMm(item.font);
            const FittedText fitted = fitText(item.font, placed.text, item.width, room);
            placed.font.pointSize = fitted.pointSize;
            placed.lines = fitted.lines;
            placed.cut = fitted.cut;
            const double height =
                item.height > 0 ? item.height
                                : std::max<qsizetype>(1, fitted.lines.size()) * lineHeightMm(placed.font);
            placed.rect = QRectF(topLeft, QSizeF(item.width, height));
            return placed;
        }
        const double width = item.width > 0 ? item.width : textSizeMm(item.font, placed.text).width();
        double height = item.height;
        if (height <= 0)
            height = item.wordWrap && item.width > 0
                         ? std::max(lineHeightMm(item.font), wrappedHeightMm(item.font, placed.text, width))
                         : lineHeightMm(item.font);
        placed.rect = QRectF(topLeft, QSizeF(width, height));
        return placed;
    }

    const ReportDefinition& report_;
    const RowSources& sources_;
    QString dateFormat_;
    LaidOutDocument doc_;
    double cursor_ = 0;
    bool detailOnPage_ = false;
};

}  // namespace

LaidOutDocument layoutReport(const ReportDefinition& report, const RowSources& sources,
                             const LayoutOptions& options) {
    return Layouter(report, sources, options).run();
}

}  // namespace reports
