#pragma once

#include <QSize>

class QWidget;

namespace ui {

// Gives a shown window the outer size (frame included) and centres it on its
// screen. The frame is known only once the window is shown, so call it then.
void placeWithOuterSize(QWidget* window, QSize outer);

}  // namespace ui
