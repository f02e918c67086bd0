#include "reports/ReportOutput.h"

#include "reports/PagePainter.h"
#include "reports/PreviewDialog.h"
#include "reports/Printing.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QScopeGuard>

#include "ui/Dialogs.h"

namespace reports {

namespace {
// The next free name beside the first file of a command: "x.pdf", "x-2.pdf", "x-3.pdf"…
QString nextFileBeside(const QString& first) {
    const QFileInfo f(first);
    const QString base = f.dir().filePath(f.completeBaseName());
    const QString suffix = f.suffix().isEmpty() ? QString() : "." + f.suffix();
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1-%2%3").arg(base).arg(n).arg(suffix);
        if (!QFileInfo::exists(candidate)) return candidate;
    }
}
}  // namespace

DeviceOutput::DeviceOutput() = default;
DeviceOutput::~DeviceOutput() = default;

void DeviceOutput::endBatch() {
    if (--depth_ > 0) return;
    depth_ = 0;
    // Where the pages of a command went, when they went to more than one file.
    if (files_.size() > 1)
        ui::dialogs().message(QApplication::activeWindow(),
                              QStringLiteral("已打印到以下文件：\r") + files_.join(QLatin1Char('\r')));
    declined_ = false;
    chosen_.reset();
    files_.clear();
}

void DeviceOutput::print(const LaidOutDocument& document) {
    if (printToDefaultPrinter(document)) return;
    // A job by itself is a command of its own.
    beginBatch();
    const auto done = qScopeGuard([this] { endBatch(); });
    if (declined_) return;
    QWidget* parent = QApplication::activeWindow();
    if (!chosen_) {
        ui::dialogs().message(parent,
                              QStringLiteral("没有设置默认打印机，不能直接打印。\r"
                                             "请在接下来的打印对话框中选择打印机，或者打印成 PDF 文件。"));
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setDocName(document.title);
        if (!runPrintDialog(*printer, int(document.pages.size()), parent)) {
            declined_ = true;
            return;
        }
        chosen_ = std::move(printer);
    } else {
        // The command's later jobs: the same printer, every page, a file of their own.
        chosen_->setDocName(document.title);
        chosen_->setPrintRange(QPrinter::AllPages);
        if (!chosen_->outputFileName().isEmpty()) chosen_->setOutputFileName(nextFileBeside(files_.first()));
    }
    printDocument(document, *chosen_, parent);
    if (!chosen_->outputFileName().isEmpty()) files_.append(chosen_->outputFileName());
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
