#include "ui/DBEdit.h"

#include <QDate>
#include <QFocusEvent>
#include <QRegularExpressionValidator>

#include "store/Error.h"
#include "store/ErrorText.h"
#include "ui/Dialogs.h"

namespace ui {

DBEdit::DBEdit(store::Dataset* dataset, const QString& field, QWidget* parent)
    : LineEdit(parent), dataset_(dataset), field_(field) {
    connect(this, &QLineEdit::textEdited, this, &DBEdit::typed);
    connect(dataset, &store::Dataset::afterOpen, this, &DBEdit::bindColumn);
    connect(dataset, &store::Dataset::currentChanged, this, [this] {
        if (!dirty_) showValue();
    });
    connect(dataset, &store::Dataset::stateChanged, this, [this] {
        // Post, cancel or a new row: whatever was typed has been taken or dropped.
        if (!dataset_->isEditing()) {
            dirty_ = false;
            showValue();
        }
    });
    connect(dataset, &store::Dataset::aboutToPost, this, &DBEdit::updateRecord);
    if (dataset->isOpen()) bindColumn();
}

void DBEdit::bindColumn() {
    const int i = dataset_->fieldIndex(field_);
    if (i < 0) return;
    const store::Column& c = dataset_->columns()[i];
    isDate_ = c.isDate();
    if (isDate_) {
        setInputMask("9999-09-09;_");
    } else if (c.isText() && c.width > 0) {
        setMaxLength(c.width);
    } else if (c.isNumeric()) {
        static const QRegularExpression number("[-+]?[0-9]*(\\.[0-9]*)?");
        static const QRegularExpression whole("[-+]?[0-9]*");
        const bool fraction = c.kind == store::Column::Kind::Real || c.scale > 0;
        // One validator for the field's life: the dataset reopens often.
        if (!numeric_) numeric_ = new QRegularExpressionValidator(this);
        numeric_->setRegularExpression(fraction ? number : whole);
        setValidator(numeric_);
    }
    showValue();
}

QString DBEdit::text() const {
    if (!inputMask().isEmpty()) {
        QString t = displayText();
        t.replace('_', ' ');
        return t;
    }
    return QLineEdit::text();
}

void DBEdit::showValue() {
    if (!dataset_) return;
    showing_ = true;
    QString t;
    if (dataset_->isOpen() && dataset_->fieldIndex(field_) >= 0) {
        const QVariant v = dataset_->value(field_);
        if (isDate_ && !v.isNull()) {
            const QDate d = QDate::fromString(v.toString(), "yyyy-MM-dd");
            t = d.isValid() ? d.toString("yyyy-MM-dd") : v.toString();
        } else {
            t = dataset_->text(field_);
        }
    }
    if (QLineEdit::text() != t || !inputMask().isEmpty()) setTextUncut(t);
    showing_ = false;
}

void DBEdit::typed() {
    if (showing_ || !dataset_ || !dataset_->isOpen()) return;
    if (!dataset_->isEditing()) dataset_->edit();
    dirty_ = true;
}

void DBEdit::updateRecord() {
    if (!dirty_ || !dataset_ || !dataset_->isEditing()) return;
    const QString t = text();
    dataset_->setValue(field_, isDate_ && t.trimmed() == "-  -" ? QString() : t);
    dirty_ = false;
}

void DBEdit::setFieldText(const QString& t) {
    // A value set by the program is never cut short: one too long for the
    // column is refused by the store when posted.
    if (!dataset_ || !dataset_->isOpen()) {
        setTextUncut(t);
        return;
    }
    if (!dataset_->isEditing()) dataset_->edit();
    showing_ = true;
    setTextUncut(t);
    showing_ = false;
    dirty_ = true;
    updateRecord();
}

void updateRecords(QWidget* window) {
    for (DBEdit* e : window->findChildren<DBEdit*>()) e->updateRecord();
}

void DBEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // A popup or a message box taking the focus is not leaving the field.
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
    try {
        updateRecord();
    } catch (const store::Error& err) {
        dialogs().error(this, store::errorText(err));
        setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace ui
