#pragma once

#include <QLineEdit>
#include <QPointer>

#include "store/Column.h"

namespace ui {

// A line edit whose length limit counts characters (code points), as the
// columns' widths do. QLineEdit's own limit counts UTF-16 units: it takes
// fewer characters than the column holds when some lie outside the BMP,
// and cuts a typed or pasted surrogate pair in half, which the store then
// cannot keep. Here an insertion that does not fit is shortened by whole
// characters (grapheme clusters) from its end, whatever way it came in
// (keys, paste, drop, input method).
//
// maxLength/setMaxLength/setValidator hide QLineEdit's on purpose: call them
// through this type (a validator set through QLineEdit* would drop the limit).
class LineEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit LineEdit(QWidget* parent = nullptr);
    explicit LineEdit(const QString& text, QWidget* parent = nullptr);

    // The limit in characters; 0 or less: none (maxLength() then reports
    // QLineEdit's default).
    void setMaxLength(int characters);
    int maxLength() const;
    // Checked after the limit has been applied.
    void setValidator(const QValidator* validator);
    const QValidator* validator() const;

  protected:
    // Shows a text given by the program whole, even when it is longer than
    // the limit (a stored value is never cut on the way to the screen).
    void setTextUncut(const QString& text);

  private:
    class Limit;
    Limit* limit_;
};

}  // namespace ui
