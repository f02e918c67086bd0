#include "ui/Placement.h"

#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace ui {
namespace {

bool frameKnown(const QWidget* w) {
    return w->frameGeometry().size() != w->size();
}

void apply(QWidget* w, QSize outer, Sizing sizing) {
    // Never larger than the desktop it is shown on.
    if (const QScreen* s = w->screen()) outer = outer.boundedTo(s->availableGeometry().size());
    const QSize client = outer - (w->frameGeometry().size() - w->size());
    if (sizing == Sizing::Fixed)
        w->setFixedSize(client);
    else
        w->resize(client);
    centreOnScreen(w);
}

// Waits for the window manager's frame (it arrives with a move or resize of
// the window) and places the window once more. Gives up after a while, for
// a window manager that draws no frame.
class FrameWatch : public QObject {
  public:
    FrameWatch(QWidget* w, QSize outer, Sizing sizing) : QObject(w), w_(w), outer_(outer), sizing_(sizing) {
        w->installEventFilter(this);
        QTimer::singleShot(3000, this, [this] { finish(); });
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == w_ && (e->type() == QEvent::Move || e->type() == QEvent::Resize) && frameKnown(w_)) {
            finish();
            apply(w_, outer_, sizing_);
        }
        return false;
    }

  private:
    void finish() {
        w_->removeEventFilter(this);
        deleteLater();
    }
    QWidget* w_;
    QSize outer_;
    Sizing sizing_;
};

}  // namespace

void placeWithOuterSize(QWidget* window, QSize outer, Sizing sizing) {
    apply(window, outer, sizing);
    if (!frameKnown(window)) new FrameWatch(window, outer, sizing);
}

void centreOnScreen(QWidget* window) {
    if (QScreen* s = window->screen())
        window->move(s->availableGeometry().center() - window->frameGeometry().center() + window->pos());
}

}  // namespace ui
