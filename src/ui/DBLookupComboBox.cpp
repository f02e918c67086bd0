#include "ui/DBLookupComboBox.h"

#include <QKeyEvent>

#include "ui/Guard.h"

namespace ui {

DBLookupComboBox::DBLookupComboBox(store::Dataset* listSource, QWidget* parent, const QString& listField)
    : QComboBox(parent), list_(listSource), listField_(listField) {
    setEditable(false);
    setMaxVisibleItems(20);
    connect(listSource, &store::Dataset::rowsReset, this, &DBLookupComboBox::reload);
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (filling_ || index < 0 || index >= names_.size()) return;
        value_ = names_[index];
        // The key is the NAME: a repeated name stands for its first row.
        const int row = rowOf(value_);
        if (row != index) showValue(false);
        // The operator's choice runs the list's after-scroll: a failure there is shown, not thrown.
        if (list_ && list_->isOpen() && !guarded(this, [&] { list_->moveTo(row); })) return;
        Q_EMIT chosen(value_);
    });
    reload();
}

int DBLookupComboBox::rowOf(const QString& name) const {
    return name.isEmpty() ? -1 : int(names_.indexOf(name));
}

void DBLookupComboBox::reload() {
    filling_ = true;
    names_.clear();
    clear();
    if (list_ && list_->isOpen()) {
        const int col = list_->fieldIndex(listField_);
        const int n = list_->recordCount();
        for (int r = 0; r < n; ++r) names_.append(col >= 0 ? list_->valueAt(r, col).toString() : QString());
        addItems(names_);
    }
    setCurrentIndex(-1);
    filling_ = false;
    // The value stays; the new list shows it when it holds it.
    showValue(true);
}

void DBLookupComboBox::showValue(bool move) {
    filling_ = true;
    const int row = rowOf(value_);
    setCurrentIndex(row);
    filling_ = false;
    if (move && row >= 0 && list_ && list_->isOpen()) list_->moveTo(row);
}

void DBLookupComboBox::setValue(const QString& name) {
    value_ = name;
    showValue(true);
}

QString DBLookupComboBox::text() const {
    return currentIndex() >= 0 ? names_.value(currentIndex()) : QString();
}

QString DBLookupComboBox::code() const {
    if (value_.isEmpty() || text().isEmpty() || !list_ || !list_->isOpen() || list_->recNo() < 0) return {};
    return list_->value(0).toString();
}

void DBLookupComboBox::keyPressEvent(QKeyEvent* e) {
    if (emptyingKeys_.contains(e->key())) {
        setValue(QString());
        e->accept();
        return;
    }
    // Arrow keys and typed letters that change the item raise activated
    // themselves (QComboBox does), which counts as a choice: once.
    QComboBox::keyPressEvent(e);
}

}  // namespace ui
