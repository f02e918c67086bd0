#include "ui/KeyPreview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace ui {

// The one application-wide filter: key presses reach the window's preview
// before the focused control sees them.
class KeyDispatcher : public QObject {
  public:
    // Made with the first preview; it lives as long as the application.
    static KeyDispatcher* instance() {
        if (!one_) {
            one_ = new KeyDispatcher(qApp);
            qApp->installEventFilter(one_);
        }
        return one_;
    }
    static KeyDispatcher* existing() { return one_; }
    void add(QWidget* window, KeyPreview* preview) { previews_.insert(window, preview); }
    void remove(QWidget* window, KeyPreview* preview) {
        if (previews_.value(window) == preview) previews_.remove(window);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride && type != QEvent::Show)
            return false;
        if (!watched->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(watched);
        KeyPreview* p = previews_.value(w->window());
        return p && p->preview(w, event);
    }

  private:
    using QObject::QObject;
    static inline QPointer<KeyDispatcher> one_;
    QHash<QWidget*, KeyPreview*> previews_;
};

KeyPreview::KeyPreview(QWidget* window, QAbstractButton* cancelButton)
    : QObject(window), window_(window), cancel_(cancelButton) {
    KeyDispatcher::instance()->add(window_, this);
    disarmDefaultButtons();
}

KeyPreview::~KeyPreview() {
    if (KeyDispatcher* d = KeyDispatcher::existing()) d->remove(window_, this);
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

bool KeyPreview::preview(QWidget* w, QEvent* event) {
    if (event->type() == QEvent::Show && w == window_) disarmDefaultButtons();
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    if (w->window() != window_ || !window_->isEnabled()) return false;
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
