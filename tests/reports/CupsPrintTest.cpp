// Printing through a real print server: CUPS with a queue "PDF" that files
// its jobs as PDF files, as the default printer (tests/reports/cups_setup.sh
// starts a private one; CUPS_SERVER points at it). Skips, saying so, where no
// such server runs.
#include "ReportsTestPrinters.h"
#include "reports/FormLayouts.h"
#include "reports/Printing.h"
#include "reports/TForm_print1.h"
#include "reports/tools/SampleForms.h"
#include "store/Connection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>

namespace {

constexpr char kNoPrinterChild[] = "VEYRA_NO_PRINTER_CHILD";

QString pdfDirectory() {
    const QString configured = qEnvironmentVariable("VEYRA_CUPS_PDF_DIR");
    return configured.isEmpty() ? QDir::home().filePath(QStringLiteral("PDF")) : configured;
}

// The PDF queue names its files as cups-pdf does: "<title>-job_<id>.pdf".
int jobId(const QString& fileName) {
    static const QRegularExpression id(QStringLiteral("job_(\\d+)"));
    const auto m = id.match(fileName);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The title is written as its UTF-8 bytes in octal ("347_244_276_…"), cut
// to a length; this reads back what survived.
QString titleFromFileName(const QString& fileName) {
    QByteArray bytes;
    for (const QString& part : fileName.section(QStringLiteral("-job_"), 0, 0).split(QLatin1Char('_'))) {
        bool ok = false;
        const int value = part.toInt(&ok, 8);
        if (!ok || part.size() != 3 || value > 255) break;
        bytes.append(char(value));
    }
    // Drop a character cut in the middle.
    QString text = QString::fromUtf8(bytes);
    while (text.endsWith(QChar::ReplacementCharacter)) text.chop(1);
    return text;
}

// Where the print server keeps the documents of its jobs.
QString spoolDirectory() {
    const QString configured = qEnvironmentVariable("VEYRA_CUPS_SPOOL_DIR");
    return configured.isEmpty() ? QStringLiteral("/var/spool/cups") : configured;
}

QStringList pdfFiles() {
    return QDir(pdfDirectory()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
}

QString pdfText(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Why this machine cannot run the test, or empty.
QString whyNoPrintServer() {
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return QStringLiteral(
            "no default printer (no print server running; see tests/reports/cups_setup.sh)");
    if (printer.printerName() != QLatin1String("PDF"))
        return QStringLiteral("the default printer is %1, not the PDF queue").arg(printer.printerName());
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return QStringLiteral("pdftotext (poppler-utils) is not installed");
    return {};
}

TEST(CupsPrint, BothEmployerSheetsAreTwoJobsSheetOneFirst) {
    if (qEnvironmentVariableIsSet(kNoPrinterChild)) GTEST_SKIP() << "child run for the no-printer case";
    const QString why = whyNoPrintServer();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    reports::samples::Sample sample;
    {
        store::Connection db;
        db.open(work.database());
        sample = reports::samples::insertSample(db);
    }
    const QStringList before = pdfFiles();
    int lastJob = 0;
    for (const QString& f : before) lastJob = std::max(lastJob, jobId(f));

    TForm_print1 module;
    module.printEmployerForm(QStringLiteral("SSN='%1'").arg(sample.employerSsn), TForm_print1::Sheets::Both);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // The jobs were handed over; the queue writes them a moment later.
    QStringList fresh;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 90000) {
        fresh.clear();
        for (const QString& f : pdfFiles())
            if (!before.contains(f) && jobId(f) > lastJob) fresh << f;
        if (fresh.size() >= 2) break;
        QThread::msleep(250);
    }
    ASSERT_EQ(fresh.size(), 2) << "new files in " << pdfDirectory().toStdString() << ": "
                               << fresh.join(QStringLiteral(", ")).toStdString();
    std::sort(fresh.begin(), fresh.end(),
              [](const QString& a, const QString& b) { return jobId(a) < jobId(b); });
    const QString titles[] = {reports::forms::kSheet1Title, reports::forms::kSheet2Title};
    for (int i = 0; i < 2; ++i) {
        const QString name = fresh.at(i);
        const QString fromName = titleFromFileName(name);
        EXPECT_GE(fromName.size(), 5) << name.toStdString();
        EXPECT_TRUE(titles[i].startsWith(fromName))
            << name.toStdString() << " is not " << titles[i].toStdString();
        // cups-pdf distils the job through PostScript, which keeps the glyphs
        // but may lose their text; then read the document as the print server
        // received it (kept in its spool while the job is remembered).
        QString text = pdfText(QDir(pdfDirectory()).filePath(name));
        if (!text.contains(titles[i]))
            text = pdfText(
                QStringLiteral("%1/d%2-001").arg(spoolDirectory()).arg(jobId(name), 5, 10, QLatin1Char('0')));
        EXPECT_TRUE(text.contains(titles[i])) << name.toStdString() << ": " << text.toStdString();
        EXPECT_FALSE(text.contains(titles[1 - i])) << name.toStdString();
        EXPECT_TRUE(text.contains(sample.employerSsn)) << name.toStdString();
    }
}

const QString kNoPrinter = QStringLiteral(
    "没有设置默认打印机，不能直接打印。\r请在接下来的打印对话框中选择打印机，或者打印成 PDF 文件。");

// Without a default printer "打印" says so and offers the print dialog (here
// answered by a script: a PDF file, or cancelled), once for all the jobs of
// a command; the later jobs of the command get files of their own beside
// the first.
void expectPrintingSaysSoAndOffersTheDialog() {
    ASSERT_TRUE(QPrinterInfo::defaultPrinter().isNull());
    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    testing_support::ModalRecorder modal;
    reports::samples::Sample sample;
    {
        store::Connection db;
        db.open(work.database());
        sample = reports::samples::insertSample(db);
    }
    QString chooseFile;  // empty: the dialog is cancelled
    int offered = 0;
    modal.script = [&](QWidget* w) {
        auto* dialog = qobject_cast<QPrintDialog*>(w);
        if (!dialog) return int(QDialog::Rejected);
        ++offered;
        if (chooseFile.isEmpty()) return int(QDialog::Rejected);
        dialog->printer()->setOutputFileName(chooseFile);
        return int(QDialog::Accepted);
    };
    TForm_print1 module;
    const QString person = QStringLiteral("IDCARD='%1'").arg(sample.personIdCard);
    const QString employer = QStringLiteral("SSN='%1'").arg(sample.employerSsn);
    const QDir out(work.file(QStringLiteral("out")));
    QDir().mkpath(out.path());
    auto pdfs = [&] { return out.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name); };

    // One job: said, offered, written.
    chooseFile = out.filePath(QStringLiteral("个人.pdf"));
    module.printPersonForm(person);
    EXPECT_EQ(dialogs.texts(), QStringList{kNoPrinter});
    EXPECT_EQ(offered, 1);
    EXPECT_EQ(pdfs(), QStringList{QStringLiteral("个人.pdf")});
    EXPECT_TRUE(pdfText(out.filePath(QStringLiteral("个人.pdf"))).contains(reports::forms::kPersonTitle));

    // Both sheets are one command: said and offered once, two files, and where they went.
    dialogs.clear();
    offered = 0;
    chooseFile = out.filePath(QStringLiteral("单位.pdf"));
    module.printEmployerForm(employer, TForm_print1::Sheets::Both);
    EXPECT_EQ(offered, 1);
    ASSERT_EQ(dialogs.texts().size(), 2);
    EXPECT_EQ(dialogs.texts()[0], kNoPrinter);
    EXPECT_TRUE(dialogs.texts()[1].contains(out.filePath(QStringLiteral("单位-2.pdf"))))
        << dialogs.texts()[1].toStdString();
    EXPECT_TRUE(pdfText(out.filePath(QStringLiteral("单位.pdf"))).contains(reports::forms::kSheet1Title));
    EXPECT_TRUE(pdfText(out.filePath(QStringLiteral("单位-2.pdf"))).contains(reports::forms::kSheet2Title));

    // Cancelled: nothing printed, and the command's other jobs ask no more.
    dialogs.clear();
    offered = 0;
    chooseFile.clear();
    const QStringList before = pdfs();
    {
        const TForm_print1::Batch command(&module);
        module.printEmployerForm(employer, TForm_print1::Sheets::Both);
        module.printPersonForm(person);
    }
    EXPECT_EQ(offered, 1);
    EXPECT_EQ(dialogs.texts(), QStringList{kNoPrinter});
    EXPECT_EQ(pdfs(), before);

    reports::LaidOutDocument empty;
    empty.pages.append(reports::LaidOutPage());
    EXPECT_FALSE(reports::printToDefaultPrinter(empty));
}

TEST(NoPrinter, PrintingSaysSoAndOffersThePrintDialog) {
    if (QPrinterInfo::defaultPrinter().isNull()) {
        expectPrintingSaysSoAndOffersTheDialog();
        return;
    }
    if (qEnvironmentVariableIsSet(kNoPrinterChild)) {
        ADD_FAILURE() << "a printer is still found with the print server out of reach";
        return;
    }
    // Jobs of earlier tests may still be on their way into the PDF directory;
    // let the queue drain so the child's before/after comparison is fair.
    QElapsedTimer drain;
    drain.start();
    while (drain.elapsed() < 60000) {
        QProcess lpstat;
        lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o")});
        if (!lpstat.waitForFinished(10000) || lpstat.readAllStandardOutput().trimmed().isEmpty()) break;
        QThread::msleep(200);
    }
    // The queue may still be writing a finished job: wait until the directory stays still.
    QStringList seen = pdfFiles();
    for (int still = 0; still < 10 && drain.elapsed() < 90000;) {
        QThread::msleep(300);
        const QStringList now = pdfFiles();
        still = now == seen ? still + 1 : 0;
        seen = now;
    }
    // A printer is set up here: run this case again in a process that cannot
    // reach the print server (the client library reads CUPS_SERVER once).
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kNoPrinterChild), QStringLiteral("1"));
    env.insert(QStringLiteral("CUPS_SERVER"), QStringLiteral("127.0.0.1:9"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=NoPrinter.PrintingSaysSoAndOffersThePrintDialog")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString log = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("[  PASSED  ] 1 test"))) << log.toStdString();
}

}  // namespace
