#include "ui/Modal.h"

#include <QDialog>
#include <QEventLoop>
#include <QWidget>

namespace ui {
namespace {
ModalHandler& handler() {
    static ModalHandler h;
    return h;
}
}  // namespace

void setModalHandler(ModalHandler h) {
    handler() = std::move(h);
}

int showModal(QWidget* window) {
    if (handler()) return handler()(window);
    if (auto* dialog = qobject_cast<QDialog*>(window)) return dialog->exec();
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    while (window->isVisible()) loop.processEvents(QEventLoop::WaitForMoreEvents);
    return 0;
}

}  // namespace ui
