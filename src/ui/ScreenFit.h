#pragma once

#include <QScrollArea>
#include <QSize>

namespace ui {

// The fields of a window, in a scroll area that shows neither frame nor
// scroll bars while the window has room for them all. When the window would
// not fit on its screen the fields scroll and what lies outside them (the
// buttons) stays in view; the focused control is kept in view.
class FieldsArea : public QScrollArea {
    Q_OBJECT
  public:
    FieldsArea(QWidget* fields, QWidget* parent);
};

// Gives a fixed-size window of fields and a footer its described client
// size, or more where its layout needs more (a larger font), but never more
// than the available area of its screen can show with the window manager's
// frame: the fields area then scrolls. Done again when the frame becomes
// known, the font or style changes, or the window moves to another screen.
void fitToScreen(QWidget* window, QSize described, FieldsArea* fields, QWidget* footer);

// A resizable window kept on its screen: no larger than the room there, and
// moved onto the desktop when it lies partly off it (at its first showing,
// and again when the window manager's frame becomes known).
void keepOnScreen(QWidget* window);

// Lets a layout squeeze the push buttons under `parent` below the style's
// customary width, never below their captions, so a row of them fits a
// narrow screen.
void letButtonsNarrowToCaptions(QWidget* parent);

// The client size a window may take on its screen: the available area less
// the window manager's frame (the window's own once known, else a guess).
QSize roomOnScreen(const QWidget* window);

}  // namespace ui
