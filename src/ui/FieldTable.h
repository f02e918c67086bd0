#pragma once

#include <QColor>
#include <QList>
#include <QSize>
#include <QString>
#include <functional>
#include <variant>

#include "ui/DBEdit.h"
#include "ui/DBLookupComboBox.h"

class QGridLayout;
class QPalette;
class QGroupBox;
class QLabel;

namespace ui {

// Blue labels the fields the checks always demand, teal those they demand
// under conditions. Such a label also carries a mark ("*" or "△") and its
// field says so to assistive technology, so colour is not the only sign.
enum class LabelColour { Text, Blue, Teal };

// The described colour on a light palette; on a dark one a colour of the same
// hue, made lighter until it reads against the background at 4.5:1 at least.
QColor labelColour(LabelColour c, const QPalette& palette);
// WCAG contrast ratio of two colours (1 to 21).
double contrastRatio(const QColor& a, const QColor& b);
// The mark before a required label's text, and what its field tells a screen reader.
QString requiredMark(LabelColour c);
QString requiredDescription(LabelColour c);
// The line that explains the marks, for the bottom of a window that uses them.
QString requiredLegend();

// One control of a window page, described once: what it is, what it edits,
// where it sits and how it is labelled. A table of these builds the page.
struct FieldSpec {
    using Target = std::variant<DBEdit**, DBLookupComboBox**, LineEdit**, QLineEdit**, QComboBox**>;
    Target control;
    const char* name;
    const char* column = nullptr;    // the bound column of a DBEdit
    store::Dataset* list = nullptr;  // the list of a DBLookupComboBox
    int row = 0;                     // grid row
    int col = 0;                     // grid column of the label; the control sits right of it
    const char* label = nullptr;     // none: the control takes the cell itself
    LabelColour colour = LabelColour::Text;
    const char* hint = nullptr;
    int chars = 10;               // width in characters
    int span = 1;                 // grid columns the control spans
    int labelSpan = 1;            // grid columns the label spans
    const char* group = nullptr;  // title of the group box holding the field
    const char* block = nullptr;  // a borderless grid of its own holding the field
    // A control of a kind of its own (made here instead of by its type).
    std::function<QWidget*(QWidget* parent)> make = {};
};

// Builds pages from their tables into grid layouts: one label and one control
// per entry. Controls are at least as wide as their characters need, labels
// as their text. A group box or block is a grid of its own spanning the page
// from its first row; its rows count from there, and its last column takes
// the room to spare.
class FieldGrid {
  public:
    // `table` is the dataset the bound fields edit.
    FieldGrid(QWidget* page, store::Dataset* table);

    void build(const QList<FieldSpec>& fields);
    QGridLayout* grid() const { return grid_; }
    QLabel* labelOf(const QWidget* control) const;

  private:
    QWidget* page_;
    store::Dataset* table_;
    QGridLayout* grid_;
    struct Nested {
        QString key;
        int firstRow;
        QGridLayout* grid;
    };
    Nested& nestedFor(const FieldSpec& f);
    QList<Nested> nested_;
    QList<std::pair<const QWidget*, QLabel*>> labels_;
};

// The width a control needs to show `chars` characters (digits, the widest
// common case of the program's codes and numbers) in its current font.
int widthForChars(const QWidget* control, int chars);

}  // namespace ui
