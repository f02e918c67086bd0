#pragma once

#include "reports/LaidOutDocument.h"

#include <QList>
#include <QString>

#include <cmath>

// Finding laid-out items by where the form puts them: millimetres within a band.
namespace page_queries {

inline const reports::PlacedBand* band(const reports::LaidOutPage& page, const QString& name) {
    for (const reports::PlacedBand& b : page.bands)
        if (b.name == name) return &b;
    return nullptr;
}

inline bool near(double a, double b) {
    return std::abs(a - b) < 0.01;
}

// The text item whose box starts at (x, y) of the band.
inline const reports::PlacedItem* textAt(const reports::LaidOutPage& page, const QString& bandName, double x,
                                         double y) {
    const reports::PlacedBand* b = band(page, bandName);
    if (!b) return nullptr;
    for (const reports::PlacedItem& item : page.items)
        if (item.band == bandName && item.kind != reports::ItemKind::Line &&
            near(item.rect.left(), b->rect.left() + x) && near(item.rect.top(), b->rect.top() + y))
            return &item;
    return nullptr;
}

// The field of a column, wherever it is.
inline const reports::PlacedItem* fieldOf(const reports::LaidOutPage& page, const QString& column,
                                          const QString& rowSet = {}) {
    for (const reports::PlacedItem& item : page.items)
        if (item.kind == reports::ItemKind::Field && item.column == column &&
            (rowSet.isEmpty() || item.rowSet == rowSet))
            return &item;
    return nullptr;
}

// A line of the band from (x1, y1) to (x2, y2), band coordinates.
inline const reports::PlacedItem* lineAt(const reports::LaidOutPage& page, const QString& bandName, double x1,
                                         double y1, double x2, double y2) {
    const reports::PlacedBand* b = band(page, bandName);
    if (!b) return nullptr;
    const QPointF o = b->rect.topLeft();
    for (const reports::PlacedItem& item : page.items)
        if (item.band == bandName && item.kind == reports::ItemKind::Line &&
            near(item.line.x1(), o.x() + x1) && near(item.line.y1(), o.y() + y1) &&
            near(item.line.x2(), o.x() + x2) && near(item.line.y2(), o.y() + y2))
            return &item;
    return nullptr;
}

inline int count(const reports::LaidOutPage& page, const QString& bandName, reports::ItemKind kind) {
    int n = 0;
    for (const reports::PlacedItem& item : page.items)
        if (item.band == bandName && item.kind == kind) ++n;
    return n;
}

}  // namespace page_queries
