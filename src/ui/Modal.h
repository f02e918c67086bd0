#pragma once

#include <functional>

class QWidget;

namespace ui {

// Shows a window modally and returns when it closes (QDialog::exec for a
// dialog). Tests replace the handler to record the window or run a script
// instead of blocking.
int showModal(QWidget* window);

using ModalHandler = std::function<int(QWidget*)>;
// Installs a handler; an empty one restores the real modal show.
void setModalHandler(ModalHandler handler);

}  // namespace ui
