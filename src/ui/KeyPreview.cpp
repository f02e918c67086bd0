#include "ui/KeyPreview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace ui {

KeyPreview::KeyPreview(QWidget* window, QAbstractButton* cancelButton)
    : QObject(window), window_(window), cancel_(cancelButton) {
    qApp->installEventFilter(this);
    disarmDefaultButtons();
}

void KeyPreview::disarmDefaultButtons() {
    for (QPushButton* b : window_->findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
}

void focusNextControl(QWidget* window, bool forward) {
    QWidget* from = window->focusWidget();
    if (!from) from = window;
    // A synthetic Tab takes Qt's own tab-order walk, including 0x0 buttons.
    QKeyEvent tab(QEvent::KeyPress, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                  forward ? Qt::NoModifier : Qt::ShiftModifier);
    QApplication::sendEvent(from, &tab);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched == window_) disarmDefaultButtons();
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != window_ || !window_->isEnabled()) return false;
    auto* ke = static_cast<QKeyEvent*>(event);
    const int key = ke->key();
    if (event->type() == QEvent::ShortcutOverride) {
        // Keep Enter/Esc/F1 away from shortcuts and default buttons.
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_F1) {
            ke->accept();
            return false;
        }
        return false;
    }
    if (keyHandler_ && keyHandler_(w, key, ke->modifiers())) return true;
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                if (b->isEnabled()) b->click();
                return true;
            }
            focusNextControl(window_, !(ke->modifiers() & Qt::ShiftModifier));
            return true;
        }
        case Qt::Key_Escape:
            if (cancel_ && cancel_->isEnabled()) cancel_->click();
            return true;
        case Qt::Key_F1:
            if (f1_) {
                f1_();
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace ui
