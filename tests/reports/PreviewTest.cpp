// The preview window: paging, and printing through the print dialog with the
// chosen page range and copies (the dialog itself answered by a script).
#include "ReportsTestPrinters.h"
#include "reports/Layout.h"
#include "reports/PreviewDialog.h"
#include "reports/ReportOutput.h"
#include "support/CaseName.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace reports;

namespace {

// A document of n pages, each page saying its number.
LaidOutDocument pages(int n) {
    LaidOutDocument doc;
    doc.title = QStringLiteral("预览测试");
    for (int i = 1; i <= n; ++i) {
        PlacedItem item;
        item.text = QStringLiteral("第%1页").arg(i);
        item.rect = QRectF(20, 20, 40, 5);
        LaidOutPage page;
        page.items.append(item);
        doc.pages.append(page);
    }
    return doc;
}

int pdfPageCount(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return int(QString::fromLatin1(file.readAll()).count(page));
}

void click(QWidget* window, const char* name) {
    auto* button = window->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

QString pageLabel(QWidget* window) {
    auto* label = window->findChild<QLabel*>(QStringLiteral("Label_page"));
    return label ? label->text() : QString();
}

TEST(Preview, ShowsModallyAndTurnsPagesWithinTheDocument) {
    testing_support::ModalRecorder modal;
    QStringList seen;
    modal.script = [&](QWidget* w) {
        auto* preview = qobject_cast<PreviewDialog*>(w);
        if (!preview) return 0;
        seen << pageLabel(w);
        click(w, "Button_prior");  // already on the first page
        seen << pageLabel(w);
        click(w, "Button_next");
        seen << pageLabel(w);
        click(w, "Button_last");
        seen << pageLabel(w);
        click(w, "Button_next");  // already on the last page
        seen << pageLabel(w);
        click(w, "Button_first");
        seen << pageLabel(w);
        EXPECT_FALSE(w->findChild<QPushButton*>(QStringLiteral("Button_prior"))->isEnabled());
        click(w, "Button_close");
        return int(QDialog::Accepted);
    };
    DeviceOutput().preview(pages(3));
    ASSERT_EQ(modal.windows.size(), 1);
    EXPECT_EQ(seen, (QStringList{"第 1 页 / 共 3 页", "第 1 页 / 共 3 页", "第 2 页 / 共 3 页",
                                 "第 3 页 / 共 3 页", "第 3 页 / 共 3 页", "第 1 页 / 共 3 页"}));
}

struct PrintCase {
    const char* name;
    bool accept;
    int from, to;  // 0, 0: all pages
    int copies;
    int expectedPages;  // -1: nothing written
};

void PrintTo(const PrintCase& c, std::ostream* os) {
    *os << c.name;
}

class PreviewPrint : public ::testing::TestWithParam<PrintCase> {};

TEST_P(PreviewPrint, PrintsTheChosenPagesAndCopies) {
    const PrintCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    testing_support::ModalRecorder modal;
    int dialogs = 0;
    modal.script = [&](QWidget* w) {
        if (qobject_cast<PreviewDialog*>(w)) {
            click(w, "Button_print");
            return int(QDialog::Accepted);
        }
        auto* dialog = qobject_cast<QPrintDialog*>(w);
        EXPECT_NE(dialog, nullptr);
        if (!dialog) return 0;
        ++dialogs;
        QPrinter* printer = dialog->printer();
        EXPECT_EQ(printer->docName(), QStringLiteral("预览测试"));
        EXPECT_EQ(dialog->minPage(), 1);
        EXPECT_EQ(dialog->maxPage(), 4);
        if (!c.accept) return int(QDialog::Rejected);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        if (c.from > 0) {
            printer->setPrintRange(QPrinter::PageRange);
            printer->setFromTo(c.from, c.to);
        }
        printer->setCopyCount(c.copies);
        return int(QDialog::Accepted);
    };
    DeviceOutput().preview(pages(4));
    EXPECT_EQ(dialogs, 1);
    if (c.expectedPages < 0)
        EXPECT_FALSE(QFile::exists(path));
    else
        EXPECT_EQ(pdfPageCount(path), c.expectedPages);
}

INSTANTIATE_TEST_SUITE_P(Cases, PreviewPrint,
                         ::testing::Values(PrintCase{"all", true, 0, 0, 1, 4},
                                           PrintCase{"range", true, 2, 3, 1, 2},
                                           // A PDF file cannot make copies itself: the pages repeat.
                                           PrintCase{"copies", true, 2, 3, 2, 4},
                                           PrintCase{"cancelled", false, 0, 0, 1, -1}),
                         testing_support::CaseName());

TEST(PdfOutput, WritesOneFilePerJob) {
    QTemporaryDir dir;
    PdfOutput pdf(dir.path());
    pdf.print(pages(2));
    pdf.setNextName(QStringLiteral("named"));
    pdf.preview(pages(1));
    ASSERT_EQ(pdf.files().size(), 2);
    EXPECT_EQ(pdf.files()[0], dir.filePath(QStringLiteral("01 预览测试.pdf")));
    EXPECT_EQ(pdf.files()[1], dir.filePath(QStringLiteral("named.pdf")));
    EXPECT_EQ(pdfPageCount(pdf.files()[0]), 2);
    EXPECT_EQ(pdfPageCount(pdf.files()[1]), 1);
}

TEST(PdfOutput, AnUnwritablePlaceIsAnError) {
    PdfOutput pdf(QStringLiteral("/nonexistent/dir"));
    EXPECT_THROW(pdf.print(pages(1)), ReportError);
}

}  // namespace
