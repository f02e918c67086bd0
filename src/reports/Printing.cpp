#include "reports/Printing.h"

#include "reports/PagePainter.h"
#include "ui/Modal.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>

namespace reports {

bool printToDefaultPrinter(const LaidOutDocument& document) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return false;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(document.title);
    printer.setCopyCount(1);
    printer.setPrintRange(QPrinter::AllPages);
    printDocument(document, printer);
    return true;
}

void printDocument(const LaidOutDocument& document, QPrinter& printer, QWidget* parent) {
    QList<int> pages;
    if (printer.printRange() == QPrinter::PageRange)
        pages = pageRange(document, printer.fromPage(), printer.toPage());
    else
        pages = pageRange(document, 1, 0);
    // A printer that cannot make copies itself (a PDF file) gets the pages again.
    if (!printer.supportsMultipleCopies()) {
        const QList<int> once = pages;
        for (int copy = 1; copy < printer.copyCount(); ++copy) pages += once;
    }
    if (pages.isEmpty()) return;

    QProgressDialog progress(QStringLiteral("正在打印“%1”……").arg(document.title), QString(), 0,
                             int(pages.size()), parent);
    progress.setWindowTitle(QStringLiteral("打印"));
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.show();
    QApplication::processEvents();
    paintPages(document, printer, pages, [&progress](int done, int) {
        progress.setValue(done);
        QApplication::processEvents();
    });
    progress.close();
}

bool runPrintDialog(QPrinter& printer, int pageCount, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintToFile |
                      QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, pageCount);
    dialog.setFromTo(1, pageCount);
    return ui::showModal(&dialog) == QDialog::Accepted;
}

}  // namespace reports
