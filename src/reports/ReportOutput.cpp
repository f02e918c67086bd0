#include "reports/ReportOutput.h"

#include "reports/PagePainter.h"
#include "reports/PreviewDialog.h"
#include "reports/Printing.h"

#include <QDir>

namespace reports {

void DeviceOutput::print(const LaidOutDocument& document) {
    printToDefaultPrinter(document);
}

void DeviceOutput::preview(const LaidOutDocument& document) {
    PreviewDialog dialog(document);
    showPreview(dialog);
}

void PdfOutput::print(const LaidOutDocument& document) {
    QString name = nextName_;
    nextName_.clear();
    if (name.isEmpty())
        name = QStringLiteral("%1 %2").arg(files_.size() + 1, 2, 10, QLatin1Char('0')).arg(document.title);
    const QString path = QDir(directory_).filePath(name + QStringLiteral(".pdf"));
    writePdf(document, path);
    files_.append(path);
}

}  // namespace reports
