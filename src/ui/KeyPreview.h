#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include <QAbstractButton>
class QWidget;

namespace ui {

// The window sees key presses before its controls: Enter moves the focus on
// like Tab (Shift+Enter back) and presses a focused button; Esc presses the
// window's cancel button; F1 runs the window's save. Buttons lose their
// autoDefault so Enter never presses a default button behind our back.
// One application-wide filter serves every window's preview: it hands each
// event to the preview of the window the event is for.
class KeyPreview : public QObject {
    Q_OBJECT
  public:
    KeyPreview(QWidget* window, QAbstractButton* cancelButton = nullptr);
    ~KeyPreview() override;

    void setCancelButton(QAbstractButton* b) { cancel_ = b; }
    void setF1Handler(std::function<void()> f) { f1_ = std::move(f); }
    // Runs before the standard handling; returning true swallows the key.
    void setKeyHandler(std::function<bool(QWidget* target, int key, Qt::KeyboardModifiers)> h) {
        keyHandler_ = std::move(h);
    }
    // Makes every push button of the window non-default (again, for buttons added later).
    void disarmDefaultButtons();

  private:
    friend class KeyDispatcher;
    // An event for a widget of this window; true swallows it.
    bool preview(QWidget* target, QEvent* event);

    QWidget* window_;
    QPointer<QAbstractButton> cancel_;
    std::function<void()> f1_;
    std::function<bool(QWidget*, int, Qt::KeyboardModifiers)> keyHandler_;
};

// Moves the focus from the window's focus widget to the next (or previous)
// control in tab order, as Tab does.
void focusNextControl(QWidget* window, bool forward = true);

}  // namespace ui
