#pragma once

#include <functional>

class QWidget;

namespace ui {

// Runs one command; an error it raises is shown in the standard error box
// (in the operator's words, see errorText) and ends the command. Returns
// false when it failed.
bool guarded(QWidget* parent, const std::function<void()>& command);

}  // namespace ui
