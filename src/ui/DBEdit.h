#pragma once

#include <QPointer>

#include "store/Dataset.h"
#include "ui/LineEdit.h"

class QRegularExpressionValidator;

namespace ui {

// A text field bound to one column of a dataset's current row. A text
// column limits typing to its width in characters (code points, as the
// store counts them); a stored value always shows whole; a date column brings
// the mask "9999-09-09" whose empty text is "    -  -  "; a number column
// takes digits and a sign only. Typing starts edit on the dataset; the text
// goes into the column when the field loses the focus or the row is posted.
class DBEdit : public LineEdit {
    Q_OBJECT
  public:
    DBEdit(store::Dataset* dataset, const QString& field, QWidget* parent = nullptr);

    store::Dataset* dataset() const { return dataset_; }
    const QString& field() const { return field_; }

    // The field's text as the rules compare it: a masked date keeps its
    // blanks ("    -  -  " when empty). Hides QLineEdit::text on purpose.
    QString text() const;
    // Sets the text from the program and writes it into the column.
    void setFieldText(const QString& text);
    // Writes pending typed text into the column (throws store::Error when
    // the text cannot be converted).
    void updateRecord();

  protected:
    void focusOutEvent(QFocusEvent* e) override;

  private:
    void bindColumn();
    void showValue();
    void typed();

    QPointer<store::Dataset> dataset_;
    QString field_;
    bool dirty_ = false;
    bool showing_ = false;
    bool isDate_ = false;
    QRegularExpressionValidator* numeric_ = nullptr;
};

// Writes the pending typed text of every bound field of a window into its
// row, so a question about unsaved data also sees the field being typed in.
void updateRecords(QWidget* window);

}  // namespace ui
