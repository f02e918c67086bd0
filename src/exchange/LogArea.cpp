#include "exchange/LogArea.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "exchange/TransferLog.h"

namespace {
constexpr int kMargin = 2;
}  // namespace

LogArea::LogArea(exchange::TransferLog& log, QWidget* parent) : QAbstractScrollArea(parent), log_(log) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    shown_ = log_.size();
    updateScrollBars();
}

int LogArea::lineHeight() const {
    return qMax(1, fontMetrics().lineSpacing());
}

int LogArea::visibleLines() const {
    return qMax(1, (viewport()->height() - 2 * kMargin) / lineHeight());
}

qsizetype LogArea::firstVisibleLine() const {
    return verticalScrollBar()->value();
}

void LogArea::updateScrollBars() {
    QScrollBar* v = verticalScrollBar();
    const int page = visibleLines();
    v->setPageStep(page);
    v->setRange(0, int(qMax<qsizetype>(0, shown_ - page)));
    // The widest line bounds the horizontal range: the longest line in
    // characters at the width of a CJK character, which no character here exceeds.
    QScrollBar* h = horizontalScrollBar();
    const int charWidth =
        qMax(fontMetrics().horizontalAdvance(QChar(0x4E2D)), fontMetrics().averageCharWidth());
    const qint64 widest = qint64(log_.longest()) * charWidth + 2 * kMargin;
    h->setPageStep(viewport()->width());
    h->setSingleStep(charWidth);
    h->setRange(0, int(qBound<qint64>(0, widest - viewport()->width(), qint64(INT_MAX / 2))));
}

bool LogArea::atEnd() const {
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void LogArea::showAppended() {
    QScrollBar* bar = verticalScrollBar();
    const bool wasAtEnd = atEnd();
    const qsizetype now = log_.size();
    if (now == shown_) return;
    if (now < shown_) anchor_ = current_ = -1;
    shown_ = now;
    updateScrollBars();
    if (wasAtEnd) bar->setValue(bar->maximum());
    viewport()->update();
}

void LogArea::clear() {
    shown_ = log_.size();
    anchor_ = current_ = -1;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

QString LogArea::toPlainText() const {
    return log_.lines(0, shown_).join('\n');
}

QString LogArea::selectedText() const {
    if (anchor_ < 0) return {};
    const qsizetype from = qMin(anchor_, current_), to = qMax(anchor_, current_);
    return log_.lines(from, to - from + 1).join('\n');
}

void LogArea::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int h = lineHeight();
    const qsizetype first = firstVisibleLine();
    // One line more than fits whole, for the part-line at the bottom.
    const QStringList lines = log_.lines(first, qMin<qsizetype>(visibleLines() + 1, shown_ - first));
    const int x = kMargin - horizontalScrollBar()->value();
    const int ascent = fontMetrics().ascent();
    const qsizetype selFrom = anchor_ < 0 ? -1 : qMin(anchor_, current_);
    const qsizetype selTo = anchor_ < 0 ? -2 : qMax(anchor_, current_);
    const QPalette& pal = palette();
    for (int i = 0; i < lines.size(); ++i) {
        const qsizetype line = first + i;
        const int top = kMargin + i * h;
        const bool selected = line >= selFrom && line <= selTo;
        if (selected) {
            const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
            p.fillRect(QRect(0, top, viewport()->width(), h), pal.brush(group, QPalette::Highlight));
            p.setPen(pal.color(group, QPalette::HighlightedText));
        } else {
            p.setPen(pal.color(QPalette::Text));
        }
        p.drawText(x, top + ascent, lines[i]);
        if (line == current_ && hasFocus()) {
            QPen dotted(pal.color(QPalette::Text), 1, Qt::DotLine);
            p.setPen(dotted);
            p.drawRect(QRect(0, top, viewport()->width() - 1, h - 1));
        }
    }
}

void LogArea::resizeEvent(QResizeEvent* event) {
    const bool wasAtEnd = atEnd();
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    if (wasAtEnd) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogArea::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) updateScrollBars();
}

qsizetype LogArea::lineAt(int y) const {
    // Above the first line (a drag past the top) is the line before it.
    const qsizetype line =
        y < kMargin ? firstVisibleLine() - 1 : firstVisibleLine() + (y - kMargin) / lineHeight();
    return qBound<qsizetype>(0, line, shown_ - 1);
}

void LogArea::moveCurrent(qsizetype line, bool extend) {
    if (shown_ == 0) return;
    line = qBound<qsizetype>(0, line, shown_ - 1);
    current_ = line;
    if (!extend || anchor_ < 0) anchor_ = line;
    // Keep the current line on screen.
    QScrollBar* bar = verticalScrollBar();
    const qsizetype first = bar->value();
    const qsizetype page = visibleLines();
    if (line < first)
        bar->setValue(int(line));
    else if (line >= first + page)
        bar->setValue(int(line - page + 1));
    viewport()->update();
}

void LogArea::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (anchor_ >= 0) QApplication::clipboard()->setText(selectedText());
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        if (shown_ == 0) return;
        anchor_ = 0;
        current_ = shown_ - 1;
        viewport()->update();
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const qsizetype at = current_ < 0 ? firstVisibleLine() : current_;
    const qsizetype page = visibleLines();
    switch (event->key()) {
        case Qt::Key_Up:
            moveCurrent(current_ < 0 ? at : at - 1, extend);
            return;
        case Qt::Key_Down:
            moveCurrent(current_ < 0 ? at : at + 1, extend);
            return;
        case Qt::Key_PageUp:
            moveCurrent(at - page, extend);
            return;
        case Qt::Key_PageDown:
            moveCurrent(at + page, extend);
            return;
        case Qt::Key_Home:
            moveCurrent(0, extend);
            return;
        case Qt::Key_End:
            moveCurrent(shown_ - 1, extend);
            return;
        case Qt::Key_Left:
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
            return;
        case Qt::Key_Right:
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            return;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void LogArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || shown_ == 0) return QAbstractScrollArea::mousePressEvent(event);
    moveCurrent(lineAt(int(event->position().y())), event->modifiers() & Qt::ShiftModifier);
}

void LogArea::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || anchor_ < 0)
        return QAbstractScrollArea::mouseMoveEvent(event);
    moveCurrent(lineAt(int(event->position().y())), true);
}
