#pragma once

#include <QComboBox>
#include <QPointer>

#include "store/Dataset.h"

namespace ui {

// A drop-down over a code dataset: it lists the NAME column, its value is a
// NAME. Choosing an item, or setting the value from the program, moves the
// code dataset to the first row with that NAME (raising its after-scroll).
// An empty value, or a NAME not in the list, shows nothing and does not move.
class DBLookupComboBox : public QComboBox {
    Q_OBJECT
  public:
    DBLookupComboBox(store::Dataset* listSource, QWidget* parent = nullptr,
                     const QString& listField = "NAME");

    store::Dataset* listSource() const { return list_; }

    // The value as set or chosen (kept even when not in the list).
    const QString& value() const { return value_; }
    void setValue(const QString& name);
    // The NAME shown; empty when the value is not in the list.
    QString text() const;
    // The code of the choice: the first column of the list's current row,
    // empty unless a listed value is chosen.
    QString code() const;

    // Keys that empty the list (in the registration windows Space and
    // Backspace, or Delete); none unless set.
    void setEmptiedBy(QList<int> keys) { emptyingKeys_ = std::move(keys); }

  Q_SIGNALS:
    // The operator chose an item (click or keys in the popup).
    void chosen(const QString& name);

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void reload();
    int rowOf(const QString& name) const;
    void showValue(bool move);

    QPointer<store::Dataset> list_;
    QString listField_;
    QString value_;
    QStringList names_;
    bool filling_ = false;
    QList<int> emptyingKeys_;
};

}  // namespace ui
