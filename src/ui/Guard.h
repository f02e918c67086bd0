#pragma once

#include <functional>

class QWidget;

namespace ui {

// Runs one command; an error it raises is shown in the standard error box
// with its own text and ends the command. Returns false when it failed.
bool guarded(QWidget* parent, const std::function<void()>& command);

}  // namespace ui
