#pragma once

#include <QSize>

class QWidget;

namespace ui {

enum class Sizing { Resizable, Fixed };

// Gives a shown window the outer size (frame included) and centres it on its
// screen. Call it from the first show. Under a window manager the frame is
// known only a few events after the show; the window is placed again as soon
// as it is, and only then.
void placeWithOuterSize(QWidget* window, QSize outer, Sizing sizing = Sizing::Resizable);

// Centres a window, frame included, on the available area of its screen.
// Before the window is shown it has no frame yet and its own rectangle is
// centred.
void centreOnScreen(QWidget* window);

}  // namespace ui
