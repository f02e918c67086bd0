#pragma once

#include "reports/ReportDefinition.h"

#include <span>

// The forms are written as tables, one line per text or rule, read from the
// paper form: y and x in millimetres within the band.
namespace reports::forms {

enum class Face { Arial, MsSans };

struct TextRow {
    double y;
    double x;
    bool field;           // false: a fixed label
    const char* content;  // label text or column name (UTF-8)
    double pointSize = 10;
    Face face = Face::Arial;
    bool bold = false;
    double boxWidth = 0;  // > 0: centred in a box of this size
    double boxHeight = 0;
    const char* rowSet = nullptr;  // field of another row set than the report's
};

constexpr TextRow label(double y, double x, const char* text, double pt = 10, Face face = Face::Arial) {
    return {y, x, false, text, pt, face};
}
constexpr TextRow field(double y, double x, const char* column, double pt = 10, Face face = Face::Arial) {
    return {y, x, true, column, pt, face};
}
constexpr TextRow title(double y, double x, const char* text) {
    return {y, x, false, text, 16, Face::Arial, true};
}
constexpr TextRow centred(double y, double x, const char* text, double width, double height) {
    return {y, x, false, text, 10, Face::Arial, false, width, height};
}
constexpr TextRow otherField(double y, double x, const char* rowSet, const char* column) {
    return {y, x, true, column, 10, Face::Arial, false, 0, 0, rowSet};
}

struct HLineRow {
    double y, x1, x2;
};
struct VLineRow {
    double x, y1, y2;
};

inline constexpr double kBandWidth = 190.0;
inline constexpr double kPen = 2;

// A band from its tables. Fields get a fixed width: the room from their x to
// the next rule or text to their right on the same line (or the band's right
// edge), and the room below them to the next rule, so that a value too long
// for its cell is fitted into the cell (smaller, on more lines, or cut with a
// mark) instead of running over the grid or the next cell.
Band makeBand(const QString& name, BandKind kind, double height, int frame, const QString& rowSet,
              std::span<const TextRow> texts, std::span<const HLineRow> hlines = {},
              std::span<const VLineRow> vlines = {});

}  // namespace reports::forms
