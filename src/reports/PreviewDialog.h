#pragma once

#include "reports/LaidOutDocument.h"

#include <QDialog>
#include <QWidget>

class QLabel;
class QPushButton;
class QScrollArea;

namespace reports {

// One page of a document on screen, white paper on the dialog's background.
class PageView : public QWidget {
    Q_OBJECT
  public:
    explicit PageView(const LaidOutDocument& document, QWidget* parent = nullptr);
    void setPage(int index);
    int page() const { return page_; }
    void setScale(double pxPerMm);
    double scale() const { return pxPerMm_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const LaidOutDocument& document_;
    int page_ = 0;
    double pxPerMm_ = 3.0;
};

// The print preview: pages the operator can turn, print through the print
// dialog (printer, copies, page range) and close.
class PreviewDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PreviewDialog(const LaidOutDocument& document, QWidget* parent = nullptr);

    int pageCount() const { return int(document_.pages.size()); }
    int currentPage() const;  // 0-based
    const LaidOutDocument& document() const { return document_; }
    PageView* pageView() const { return view_; }

  public Q_SLOTS:
    void showPage(int index);
    void firstPage() { showPage(0); }
    void priorPage() { showPage(currentPage() - 1); }
    void nextPage() { showPage(currentPage() + 1); }
    void lastPage() { showPage(pageCount() - 1); }
    void zoomIn();
    void zoomOut();
    void fitPage();
    // "打印": the print dialog, then the chosen pages and copies to the chosen printer.
    void Button_printClick();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void updateScale();
    void updateControls();

    LaidOutDocument document_;
    PageView* view_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QPushButton* firstButton_ = nullptr;
    QPushButton* priorButton_ = nullptr;
    QPushButton* nextButton_ = nullptr;
    QPushButton* lastButton_ = nullptr;
    double zoom_ = 0;  // px per mm; 0 = the whole page fits
};

// Shows the preview modally; returns when it is closed.
void showPreview(PreviewDialog& dialog);

}  // namespace reports
