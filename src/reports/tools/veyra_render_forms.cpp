// veyra-render-forms OUTDIR: renders the employer form (sheets one and two)
// and the person form of a sample employer and person to PDF files in OUTDIR,
// to look at the printed result without a printer.
#include "platform/Settings.h"
#include "reports/ReportOutput.h"
#include "reports/TForm_print1.h"
#include "reports/tools/SampleForms.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include <exception>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        err << "usage: veyra-render-forms OUTDIR\n";
        return 2;
    }
    const QString outDir = QDir(args.at(1)).absolutePath();
    if (!QDir().mkpath(outDir)) {
        err << "cannot create " << outDir << "\n";
        return 1;
    }
    try {
        QTemporaryDir work;
        if (!work.isValid()) throw store::Error(QStringLiteral("cannot create a temporary directory"));
        // The sample's dates print in the program's usual form, whatever this user's setting.
        platform::setSettingsFilePath(work.filePath(QStringLiteral("Veyra.ini")));
        platform::setShortDateFormat(QStringLiteral("yyyy-MM-dd"));
        store::createWorkingDirectory(work.path());
        const QString database = QDir(work.path()).filePath(store::workingDatabaseFileName());
        reports::samples::Sample sample;
        {
            store::Connection connection;
            connection.open(database);
            sample = reports::samples::insertSample(connection);
        }
        TForm_print1 module(database);
        reports::PdfOutput pdf(outDir);
        module.setOutput(&pdf);
        const QString employer = QStringLiteral("SSN='%1'").arg(sample.employerSsn);
        pdf.setNextName(QStringLiteral("employer-sheet1"));
        module.printEmployerForm(employer, TForm_print1::Sheets::One);
        pdf.setNextName(QStringLiteral("employer-sheet2"));
        module.printEmployerForm(employer, TForm_print1::Sheets::Two);
        pdf.setNextName(QStringLiteral("person"));
        module.printPersonForm(QStringLiteral("IDCARD='%1'").arg(sample.personIdCard));
        for (const QString& file : pdf.files()) out << file << "\n";
    } catch (const std::exception& e) {
        err << "veyra-render-forms: " << QString::fromUtf8(e.what()) << "\n";
        return 1;
    }
    return 0;
}
