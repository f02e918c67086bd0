#pragma once

#include "reports/ReportDefinition.h"

#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

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
    // A fixed-width text box: the text is fitted into it (font.pointSize is
    // the size chosen, lines what prints), and the painter keeps it inside.
    bool clip = false;
    QStringList lines;  // empty: text, on one line
    bool cut = false;   // the value did not fit whole: the last line ends with the cut mark
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
