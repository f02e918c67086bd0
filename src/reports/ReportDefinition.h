#pragma once

#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QSizeF>
#include <QString>

#include <optional>

// What a report looks like before any row is read: page setup, bands and the
// items inside them, all in millimetres.
namespace reports {

// Pen widths count screen pixels of 1/96 inch, the unit forms are drawn in.
inline constexpr double kPenUnitMm = 25.4 / 96.0;

struct FontSpec {
    // The family as the form names it; fonts.cpp maps it to installed stand-ins.
    QString family = QStringLiteral("Arial");
    double pointSize = 10.0;
    bool bold = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

enum class Align { Left, Centre };

enum class ItemKind { Label, Field, Line };

struct ReportItem {
    ItemKind kind = ItemKind::Label;
    // Top-left corner within the band (a line's start point).
    double x = 0;
    double y = 0;
    // Text: 0 = fitted to the text. Line: its extent (a horizontal line has height 0).
    double width = 0;
    // Text: 0 = one line of the font.
    double height = 0;
    // Text of a fixed width without a fixed height: the room below its top
    // (to the next rule) that a value too long for one line may take up in
    // further lines. 0 = one line of the font.
    double cellHeight = 0;
    QString text;    // label text
    QString rowSet;  // field: named row set, which need not be the report's own
    QString column;  // field: column shown
    FontSpec font;
    Align align = Align::Left;
    bool wordWrap = false;
    double penWidth = 2;

    static ReportItem label(double x, double y, const QString& text, const FontSpec& font = {});
    static ReportItem field(double x, double y, const QString& rowSet, const QString& column,
                            const FontSpec& font = {});
    static ReportItem hline(double y, double x1, double x2, double penWidth = 2);
    static ReportItem vline(double x, double y1, double y2, double penWidth = 2);
};

enum class BandKind { PageHeader, Detail, PageFooter };

enum FrameSide { FrameNone = 0, FrameTop = 1, FrameBottom = 2, FrameLeft = 4, FrameRight = 8, FrameAll = 15 };

struct Band {
    QString name;
    BandKind kind = BandKind::Detail;
    double height = 0;
    int frame = FrameNone;  // FrameSide flags
    double framePenWidth = 2;
    // Detail only: each row starts on a fresh page (a page just begun takes it as it is).
    bool newPageBeforeEachRow = false;
    QList<ReportItem> items;
};

struct PageSetup {
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins{10, 10, 10, 10};  // left, top, right, bottom

    QSizeF paperSizeMm() const;
    // The printable area between the margins, in paper coordinates.
    double contentLeft() const { return margins.left(); }
    double contentTop() const { return margins.top(); }
    double contentWidth() const { return paperSizeMm().width() - margins.left() - margins.right(); }
    double contentBottom() const { return paperSizeMm().height() - margins.bottom(); }
};

struct ReportDefinition {
    QString name;   // e.g. QuickRep1
    QString title;  // the print job's name
    PageSetup page;
    QString rowSet;  // the row set walked for the detail band
    std::optional<Band> pageHeader;
    std::optional<Band> detail;
    std::optional<Band> pageFooter;
};

}  // namespace reports
