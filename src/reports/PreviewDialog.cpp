#include "reports/PreviewDialog.h"

#include "reports/PagePainter.h"
#include "reports/Printing.h"
#include "ui/Modal.h"
#include "ui/ScreenFit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace reports {
namespace {

constexpr double kPaperGapMm = 4.0;  // grey border around the paper

QPushButton* makeButton(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

}  // namespace

PageView::PageView(const LaidOutDocument& document, QWidget* parent) : QWidget(parent), document_(document) {
    setObjectName(QStringLiteral("PageView"));
}

void PageView::setPage(int index) {
    page_ = index;
    update();
}

void PageView::setScale(double pxPerMm) {
    pxPerMm_ = pxPerMm;
    const QSizeF paper = document_.page.paperSizeMm();
    setFixedSize(qCeil((paper.width() + 2 * kPaperGapMm) * pxPerMm),
                 qCeil((paper.height() + 2 * kPaperGapMm) * pxPerMm));
    update();
}

void PageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    if (page_ < 0 || page_ >= document_.pages.size()) return;
    const QSizeF paper = document_.page.paperSizeMm();
    const double gap = kPaperGapMm * pxPerMm_;
    painter.translate(gap, gap);
    painter.fillRect(QRectF(0, 0, paper.width() * pxPerMm_, paper.height() * pxPerMm_), Qt::white);
    paintPage(painter, document_.pages.at(page_), pxPerMm_);
}

PreviewDialog::PreviewDialog(const LaidOutDocument& document, QWidget* parent)
    : QDialog(parent), document_(document) {
    setObjectName(QStringLiteral("PreviewDialog"));
    setWindowTitle(QStringLiteral("打印预览 - %1").arg(document_.title));

    auto* bar = new QHBoxLayout;
    firstButton_ = makeButton(QStringLiteral("首页"), QStringLiteral("Button_first"), this);
    priorButton_ = makeButton(QStringLiteral("上一页"), QStringLiteral("Button_prior"), this);
    nextButton_ = makeButton(QStringLiteral("下一页"), QStringLiteral("Button_next"), this);
    lastButton_ = makeButton(QStringLiteral("末页"), QStringLiteral("Button_last"), this);
    auto* zoomInButton = makeButton(QStringLiteral("放大"), QStringLiteral("Button_zoomIn"), this);
    auto* zoomOutButton = makeButton(QStringLiteral("缩小"), QStringLiteral("Button_zoomOut"), this);
    auto* fitButton = makeButton(QStringLiteral("整页"), QStringLiteral("Button_fit"), this);
    auto* printButton = makeButton(QStringLiteral("打印"), QStringLiteral("Button_print"), this);
    auto* closeButton = makeButton(QStringLiteral("关闭"), QStringLiteral("Button_close"), this);
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("Label_page"));
    for (QWidget* w : {static_cast<QWidget*>(firstButton_), static_cast<QWidget*>(priorButton_),
                       static_cast<QWidget*>(pageLabel_), static_cast<QWidget*>(nextButton_),
                       static_cast<QWidget*>(lastButton_), static_cast<QWidget*>(zoomInButton),
                       static_cast<QWidget*>(zoomOutButton), static_cast<QWidget*>(fitButton)})
        bar->addWidget(w);
    bar->addStretch();
    bar->addWidget(printButton);
    bar->addWidget(closeButton);

    view_ = new PageView(document_, this);
    scroll_ = new QScrollArea(this);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(view_);
    scroll_->setBackgroundRole(QPalette::Mid);
    scroll_->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(scroll_, 1);

    connect(firstButton_, &QPushButton::clicked, this, &PreviewDialog::firstPage);
    connect(priorButton_, &QPushButton::clicked, this, &PreviewDialog::priorPage);
    connect(nextButton_, &QPushButton::clicked, this, &PreviewDialog::nextPage);
    connect(lastButton_, &QPushButton::clicked, this, &PreviewDialog::lastPage);
    connect(zoomInButton, &QPushButton::clicked, this, &PreviewDialog::zoomIn);
    connect(zoomOutButton, &QPushButton::clicked, this, &PreviewDialog::zoomOut);
    connect(fitButton, &QPushButton::clicked, this, &PreviewDialog::fitPage);
    connect(printButton, &QPushButton::clicked, this, &PreviewDialog::Button_printClick);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    // A narrow screen squeezes the buttons to their captions; the window stays on the screen.
    ui::letButtonsNarrowToCaptions(this);
    const QScreen* screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(QSize(std::min(available.width(), 900), available.height() * 9 / 10)
               .boundedTo(ui::roomOnScreen(this)));
    ui::keepOnScreen(this);
    showPage(0);
    updateScale();
}

int PreviewDialog::currentPage() const {
    return view_->page();
}

void PreviewDialog::showPage(int index) {
    if (pageCount() == 0) return;
    view_->setPage(std::clamp(index, 0, pageCount() - 1));
    updateControls();
}

void PreviewDialog::zoomIn() {
    zoom_ = std::min(view_->scale() * 1.25, 20.0);
    updateScale();
}

void PreviewDialog::zoomOut() {
    zoom_ = std::max(view_->scale() / 1.25, 0.5);
    updateScale();
}

void PreviewDialog::fitPage() {
    zoom_ = 0;
    updateScale();
}

void PreviewDialog::Button_printClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(document_.title);
    printer.setCopyCount(1);
    printer.setFromTo(1, pageCount());
    if (!runPrintDialog(printer, pageCount(), this)) return;
    printDocument(document_, printer, this);
}

// The whole page keeps fitting while the window is resized.
bool PreviewDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize && zoom_ == 0) updateScale();
    return QDialog::eventFilter(watched, event);
}

void PreviewDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_PageDown:
            nextPage();
            return;
        case Qt::Key_PageUp:
            priorPage();
            return;
        case Qt::Key_Home:
            firstPage();
            return;
        case Qt::Key_End:
            lastPage();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void PreviewDialog::updateScale() {
    double scale = zoom_;
    if (scale <= 0) {
        const QSizeF paper = document_.page.paperSizeMm();
        const QSize room = scroll_->viewport()->size();
        scale = std::min((room.width() - 2) / (paper.width() + 2 * kPaperGapMm),
                         (room.height() - 2) / (paper.height() + 2 * kPaperGapMm));
        scale = std::max(scale, 0.5);
    }
    view_->setScale(scale);
}

void PreviewDialog::updateControls() {
    const int page = currentPage();
    pageLabel_->setText(QStringLiteral("第 %1 页 / 共 %2 页").arg(page + 1).arg(pageCount()));
    firstButton_->setEnabled(page > 0);
    priorButton_->setEnabled(page > 0);
    nextButton_->setEnabled(page + 1 < pageCount());
    lastButton_->setEnabled(page + 1 < pageCount());
}

void showPreview(PreviewDialog& dialog) {
    ui::showModal(&dialog);
}

}  // namespace reports
