#pragma once

#include "reports/ReportDefinition.h"

#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>

// The laid-out pages: every item at its place on the paper, in millimetres
// from the paper's top-left corner, with its text already read from the rows.
// Printer, preview and PDF paint exactly this; tests read it.
namespace reports {

struct PlacedBand {
    QString name;
    BandKind kind = BandKind::Detail;
    QRectF rect;
};

struct PlacedItem {
    ItemKind kind = ItemKind::Label;
    QRectF rect;  // text box; for a line its bounding box (zero width or height)
    QLineF line;  // lines only
    QString text;
    FontSpec font;
    Align align = Align::Left;
    bool wordWrap = false;
    // A fixed-width text box cuts off what does not fit in it.
    bool clip = false;
    double penWidth = 0;
    QString rowSet;  // fields: where the text came from
    QString column;
    QString band;  // name of the band the item belongs to
};

struct LaidOutPage {
    QList<PlacedBand> bands;
    QList<PlacedItem> items;
};

struct LaidOutDocument {
    QString title;
    PageSetup page;
    QList<LaidOutPage> pages;
};

}  // namespace reports
