#include "ui/ExitNotifier.h"

#include <QApplication>
#include <QWidget>

namespace ui {

ExitNotifier::ExitNotifier(QWidget* window) : QObject(window), window_(window) {
    connect(qApp, &QApplication::focusChanged, this, &ExitNotifier::focusChanged);
}

void ExitNotifier::onExit(QWidget* control, std::function<void()> handler) {
    handlers_.insert(control, std::move(handler));
    connect(control, &QObject::destroyed, this, [this, control] { handlers_.remove(control); });
}

void ExitNotifier::focusChanged(QWidget* old, QWidget* now) {
    if (suspended_ || !old || !now || old == now) return;
    if (old->window() != window_ || now->window() != window_) return;
    auto it = handlers_.find(old);
    if (it != handlers_.end()) {
        auto h = *it;  // the handler may register or remove handlers
        h();
    }
}

}  // namespace ui
