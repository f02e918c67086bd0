#include "ui/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWindow>

#include "ui/Placement.h"

namespace ui {

FieldsArea::FieldsArea(QWidget* fields, QWidget* parent) : QScrollArea(parent) {
    setObjectName("FieldsArea");
    setFrameShape(QFrame::NoFrame);
    // The window's tab order runs through the fields, never through the area.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setWidget(fields);
    viewport()->setAutoFillBackground(false);
    fields->setAutoFillBackground(false);
    // A control the program or the Enter key focuses comes into view too.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now->isVisible() && widget() && widget()->isAncestorOf(now))
            ensureWidgetVisible(now, 4, 4);
    });
}

namespace {

QMargins frameOf(const QWidget* w) {
    const QRect frame = w->frameGeometry(), client = w->geometry();
    if (frame != client)
        return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                        frame.right() - client.right(), frame.bottom() - client.bottom());
    if (w->isVisible()) return {};  // shown without a frame (offscreen, or a window manager without one)
    // Not shown yet: a title bar and thin borders, as most window managers draw them.
    const int title = w->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
    return QMargins(4, title, 4, 4);
}

class Fit : public QObject {
  public:
    Fit(QWidget* window, QSize described, FieldsArea* fields, QWidget* footer)
        : QObject(window), window_(window), described_(described), fields_(fields), footer_(footer) {
        window->installEventFilter(this);
        apply();
    }

    void apply() {
        if (!fields_ || !fields_->widget() || !footer_) return;
        const QSize inside = fields_->widget()->minimumSizeHint();
        const QSize below(footer_->minimumSizeHint().width(), footer_->sizeHint().height());
        const QSize need(std::max(inside.width(), below.width()), inside.height() + below.height());
        const QSize room = roomOnScreen(window_);
        QSize size = described_.expandedTo(need).boundedTo(room);
        // A scroll bar, where one is needed, takes room across the other way.
        const int bar = window_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, fields_);
        if (size.height() < need.height()) size.setWidth(std::min(room.width(), size.width() + bar));
        if (size.width() < need.width()) size.setHeight(std::min(room.height(), size.height() + bar));
        if (window_->minimumSize() == size && window_->maximumSize() == size) return;
        window_->setFixedSize(size);
        if (window_->isVisible()) centreOnScreen(window_);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != window_) return false;
        switch (e->type()) {
            case QEvent::Show:
                if (!screenWatched_ && window_->windowHandle()) {
                    screenWatched_ = true;
                    connect(window_->windowHandle(), &QWindow::screenChanged, this, [this] { apply(); });
                }
                framed_ = window_->frameGeometry() != window_->geometry();
                apply();
                break;
            case QEvent::Move:
            case QEvent::Resize:
                // The window manager's frame arrives some events after the show.
                if (!framed_ && window_->isVisible() && window_->frameGeometry() != window_->geometry()) {
                    framed_ = true;
                    apply();
                }
                break;
            case QEvent::FontChange:
            case QEvent::StyleChange:
                apply();
                break;
            default:
                break;
        }
        return false;
    }

  private:
    QWidget* window_;
    QSize described_;
    QPointer<FieldsArea> fields_;
    QPointer<QWidget> footer_;
    bool framed_ = false;
    bool screenWatched_ = false;
};

// A resizable window: shrunk to the room on its screen and moved onto the desktop.
class Keep : public QObject {
  public:
    explicit Keep(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != window_) return false;
        if (e->type() == QEvent::Show) {
            framed_ = window_->frameGeometry() != window_->geometry();
            apply();
        } else if ((e->type() == QEvent::Move || e->type() == QEvent::Resize) && !framed_ &&
                   window_->isVisible() && window_->frameGeometry() != window_->geometry()) {
            framed_ = true;
            apply();
        }
        return false;
    }

  private:
    void apply() {
        const QSize room = roomOnScreen(window_);
        if (window_->width() > room.width() || window_->height() > room.height())
            window_->resize(window_->size().boundedTo(room).expandedTo(window_->minimumSize()));
        const QScreen* s = window_->screen();
        if (s && !s->availableGeometry().contains(window_->frameGeometry())) centreOnScreen(window_);
    }
    QWidget* window_;
    bool framed_ = false;
};

}  // namespace

void keepOnScreen(QWidget* window) {
    new Keep(window);
}

void letButtonsNarrowToCaptions(QWidget* parent) {
    for (QPushButton* b : parent->findChildren<QPushButton*>()) {
        const int margins = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) +
                            b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 2 * margins);
    }
}

QSize roomOnScreen(const QWidget* window) {
    const QScreen* s = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!s) return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QMargins frame = frameOf(window);
    return s->availableGeometry().size() - QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
}

void fitToScreen(QWidget* window, QSize described, FieldsArea* fields, QWidget* footer) {
    new Fit(window, described, fields, footer);
}

}  // namespace ui
