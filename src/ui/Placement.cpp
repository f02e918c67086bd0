#include "ui/Placement.h"

#include <QScreen>
#include <QWidget>

namespace ui {

void placeWithOuterSize(QWidget* window, QSize outer) {
    window->resize(outer - (window->frameGeometry().size() - window->size()));
    if (QScreen* s = window->screen())
        window->move(s->availableGeometry().center() - window->frameGeometry().center() + window->pos());
}

}  // namespace ui
