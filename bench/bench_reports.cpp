// Time to lay out and paint one page of each printed form: layout alone, layout
// and painting on a 300 dpi page image, layout and writing a PDF page, and the
// whole print-module path (filter, query, after-scroll lookup, layout) over a
// working database. Prints the median and the slowest of the runs.
#include "platform/Settings.h"
#include "reports/FormLayouts.h"
#include "reports/Layout.h"
#include "reports/PagePainter.h"
#include "reports/ReportOutput.h"
#include "reports/TForm_print1.h"
#include "reports/tools/SampleForms.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace reports;

namespace {

// Rows holding a value for every column a report prints, one row per row set.
struct SampleRows {
    explicit SampleRows(const ReportDefinition& report) {
        QHash<QString, QStringList> columns;
        for (const auto* band : {&report.pageHeader, &report.detail, &report.pageFooter})
            if (*band)
                for (const ReportItem& item : (*band)->items)
                    if (item.kind == ItemKind::Field) columns[item.rowSet] << item.column;
        for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
            QVariantList row;
            for (const QString& c : it.value()) row << QStringLiteral("示例值 %1 1234567890").arg(c);
            owned.push_back(std::make_unique<MemoryRowSource>(it.value(), QList<QVariantList>{row}));
            sources.insert(it.key(), owned.back().get());
        }
    }
    std::vector<std::unique_ptr<MemoryRowSource>> owned;
    RowSources sources;
};

void measure(const char* name, int runs, const std::function<void()>& work) {
    work();  // warm-up: fonts loaded, caches filled
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.2f ms   max %7.2f ms   (%d runs)\n", name, ms[ms.size() / 2], ms.back(),
                runs);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    const struct {
        const char* name;
        ReportDefinition report;
    } forms[] = {{"sheet one", forms::employerSheet1()},
                 {"sheet two", forms::employerSheet2()},
                 {"person form", forms::personForm()}};

    for (const auto& form : forms) {
        SampleRows rows(form.report);
        const QByteArray label = QByteArray(form.name);
        measure((label + ": layout").constData(), runs, [&] { layoutReport(form.report, rows.sources); });
        QImage image(2480, 3508, QImage::Format_RGB32);  // A4 at 300 dpi
        measure((label + ": layout + paint 300 dpi image").constData(), runs, [&] {
            const LaidOutDocument doc = layoutReport(form.report, rows.sources);
            image.fill(Qt::white);
            QPainter painter(&image);
            paintPage(painter, doc.pages.at(0), 300 / 25.4);
        });
        measure((label + ": layout + PDF page").constData(), runs, [&] {
            const LaidOutDocument doc = layoutReport(form.report, rows.sources);
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer(&buffer);
            paintDocument(doc, writer);
        });
    }

    QTemporaryDir dir;
    platform::setSettingsFilePath(dir.filePath(QStringLiteral("Veyra.ini")));
    platform::setShortDateFormat(QStringLiteral("yyyy-MM-dd"));
    store::createWorkingDirectory(dir.path());
    const QString database = dir.filePath(store::workingDatabaseFileName());
    samples::Sample sample;
    {
        store::Connection db;
        db.open(database);
        sample = samples::insertSample(db);
    }
    TForm_print1 module(database);
    CapturingOutput output;
    module.setOutput(&output);
    const QString employer = QStringLiteral("SSN='%1'").arg(sample.employerSsn);
    measure("printEmployerForm both sheets (to capture)", runs, [&] {
        output.jobs.clear();
        module.printEmployerForm(employer, TForm_print1::Sheets::Both);
    });
    const QString person = QStringLiteral("IDCARD='%1'").arg(sample.personIdCard);
    measure("printPersonForm (to capture)", runs, [&] {
        output.jobs.clear();
        module.printPersonForm(person);
    });
    return 0;
}
