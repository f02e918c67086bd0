// Import and export of a large submission file: the row transfer against a
// set-based SQL copy doing the same work across an attached file.
//   bench_exchange [employers persons]   (default 10000 100000)
#include <sqlite3.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

#include "Measure.h"
#include "SetBased.h"
#include "exchange/RowsChecksum.h"
#include "exchange/SubmissionFile.h"
#include "exchange/TForm_import.h"
#include "exchange/Transfer.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Statement.h"
#include "ui/Dialogs.h"

namespace {

class Quiet : public ui::Dialogs {
  public:
    void message(QWidget*, const QString& t) override { shown << t; }
    bool confirm(QWidget*, const QString&) override { return false; }
    void error(QWidget*, const QString& t) override { shown << t; }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    void beep() override {}
    QStringList shown;
};

class Counting : public exchange::TransferObserver {
  public:
    void tableStarted(exchange::Register, int) override {}
    void rowReached(exchange::Register, int) override {}
    void tableFinished(exchange::Register, int) override {}
    void logLines(qsizetype n) override { lines += n; }
    qsizetype lines = 0;
};

QString ssn(int i) {
    return QString("11%1").arg(i, 10, 10, QChar('0'));
}
QString idcard(int i) {
    return QString("110101%1").arg(i, 12, 10, QChar('0'));
}

// Rows of employer i, person i and its institution row; every 40th key of the
// source repeats the one before (2.5%), and the target already holds another
// 2.5% of the keys.
void fill(store::Connection& c, int employers, int persons, bool source) {
    store::Statement e(c.handle(),
                       "INSERT INTO M_CORPORATION (SSN, NAME, SHORTNAME, ADDRESS, TEL, OPERATOR, "
                       "OPERATEDATE, FEEPERIOD) VALUES (?, ?, ?, ?, ?, 'admin', '2024-05-06', 1)");
    store::Statement p(c.handle(),
                       "INSERT INTO M_PERSON (CORPSN, IDCARD, NAME, SEX, BIRTH, ADDRESS, TEL, SSN, "
                       "FEEPSNTYPE, MEDPSNTYPE) VALUES (?, ?, ?, '1', '1940-01-01', ?, ?, ?, '14', '27')");
    store::Statement h(c.handle(),
                       "INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, HOSP_1, HOSP_2, HOSP_3, IDCARD) "
                       "VALUES (?, '00000001', '00000002', '00000003', ?)");
    c.beginTransaction();
    auto keep = [source](int i) { return source ? true : i % 40 == 7; };
    for (int i = 0; i < employers; ++i) {
        if (!keep(i)) continue;
        const int k = source && i % 40 == 39 ? i - 1 : i;
        e.exec({ssn(k), QString("某某市第%1机械制造有限公司").arg(i), QString("单位%1").arg(i),
                QString("某某区某某路%1号").arg(i), QString("010-6%1").arg(i, 7, 10, QChar('0'))});
    }
    for (int i = 0; i < persons; ++i) {
        if (!keep(i)) continue;
        const int k = source && i % 40 == 39 ? i - 1 : i;
        int employer = i / (persons / employers);
        if (employer % 40 == 39) --employer;  // that key is a repeat in the source
        p.exec({employer + 1, idcard(k), QString("人员%1").arg(i), QString("某某小区%1号楼").arg(i),
                QString("139%1").arg(i, 8, 10, QChar('0')), ssn(employer)});
        h.exec({i + 1, idcard(k)});
    }
    c.commit();
}

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

qint64 count(const QString& path, const char* table) {
    store::Connection c;
    c.open(path, store::databasePassword(), store::Connection::Mode::ReadOnly);
    return c.scalar(QString("SELECT count(*) FROM %1").arg(table)).toLongLong();
}

void copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    if (!QFile::copy(from, to)) std::abort();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int employers = argc > 2 ? atoi(argv[1]) : 10000;
    const int persons = argc > 2 ? atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    platform::setSettingsFilePath(dir.filePath("Veyra.ini"));
    platform::setShortDateFormat("yyyy-MM-dd");
    platform::writeSetting("DataDir", dir.filePath("orvanta"));
    platform::setToday(QDate(2026, 12, 10));
    Quiet dialogs;
    ui::setDialogs(&dialogs);

    const QString base = dir.filePath("base.mdb"), source = dir.filePath("source.mdb");
    const QString tmpl = dir.filePath("structure.mdb");
    QElapsedTimer t;
    t.start();
    store::createWorkingDatabase(base);
    store::createTemplateDatabase(tmpl);
    store::createTemplateDatabase(source);
    {
        store::Connection c;
        c.open(base);
        fill(c, employers, persons, false);
    }
    {
        store::Connection c;
        c.open(source);
        // An older file: keys repeat within it.
        c.executeScript(
            "DROP INDEX idx_M_CORPORATION_SSN; DROP INDEX idx_M_PERSON_IDCARD;"
            "CREATE INDEX idx_M_CORPORATION_SSN ON M_CORPORATION (SSN);"
            "CREATE INDEX idx_M_PERSON_IDCARD ON M_PERSON (IDCARD);");
        fill(c, employers, persons, true);
        c.execute("INSERT INTO veyra_meta (key, value) VALUES (?, ?)",
                  {exchange::checksumKey(), exchange::rowsChecksum(c.handle())});
    }
    std::printf("source: %d employers, %d persons, %d institution rows (5%% duplicate keys); setup %.0f ms\n",
                employers, persons, persons, ms(t));

    // Import: set-based copy, the transfer alone, the gate, the whole window command.
    const QString work1 = dir.filePath("set/Enterprise.mdb"), work2 = dir.filePath("transfer/Enterprise.mdb");
    const QString work3 = dir.filePath("window/Enterprise.mdb");
    for (const QString& w : {work1, work2, work3}) {
        QDir().mkpath(QFileInfo(w).absolutePath());
        copyFile(base, w);
    }
    const double setImport = bench::setBasedCopy(work1, source);

    double gate = 0, transferImport = 0;
    {
        store::Connection target;
        target.open(work2);
        exchange::SubmissionFile file;
        t.restart();
        file.open(source, exchange::registerShapes(target));
        gate = ms(t);
        Counting observer;
        exchange::Transfer transfer(file.handle(), target, observer);
        t.restart();
        if (!transfer.run()) std::printf("transfer failed: %s\n", qPrintable(transfer.errorText()));
        transferImport = ms(t);
    }
    // One import through the window, with its time, peak memory and longest stall.
    struct WindowRun {
        double ms = 0, peakMB = 0;
        qint64 stall = 0;
    };
    bench::StallWatch watch;
    const auto importThroughWindow = [&](const char* what) {
        WindowRun run;
        store::setWorkingDatabasePath(work3);
        TForm_import form;
        form.show();
        form.Edit_fromfile->setText(source);
        bench::resetPeakMemory();
        watch.start();
        t.restart();
        form.Button1Click();
        run.ms = ms(t);
        run.stall = watch.stop();
        run.peakMB = bench::peakMemoryMB();
        if (dialogs.shown != QStringList{"操作完毕！"})
            std::printf("window: %s\n", qPrintable(dialogs.shown.join(" / ")));
        dialogs.shown.clear();
        std::printf("window log area after the %s: %lld lines\n", what, qlonglong(form.logLines().size()));
        return run;
    };
    const WindowRun imported = importThroughWindow("import");
    const double windowImport = imported.ms, importPeak = imported.peakMB;
    const qint64 importStall = imported.stall;
    for (const char* table : {"M_CORPORATION", "M_PERSON", "M_PSNAPPOINTEDHOSPITAL"})
        if (count(work1, table) != count(work2, table) || count(work2, table) != count(work3, table))
            std::printf("row counts differ in %s\n", table);
    std::printf("import rows after: %lld employers, %lld persons, %lld institution rows\n",
                count(work2, "M_CORPORATION"), count(work2, "M_PERSON"),
                count(work2, "M_PSNAPPOINTEDHOSPITAL"));
    {
        // Where the file checks spend their time.
        store::Connection target;
        target.open(work2);
        const QString copy = dir.filePath("copy.mdb");
        t.restart();
        copyFile(source, copy);
        const double tCopy = ms(t);
        t.restart();
        sqlite3* db = exchange::openLockedDown(copy, copy);
        exchange::checkIntegrity(db, copy);
        const double tIntegrity = ms(t);
        t.restart();
        exchange::checkContent(db, exchange::registerShapes(target), copy);
        const double tContent = ms(t);
        const std::clock_t c0 = std::clock();
        exchange::rowsChecksum(db);
        std::printf("rows checksum alone: %.0f ms cpu\n", double(std::clock() - c0) * 1000 / CLOCKS_PER_SEC);
        sqlite3_close(db);
        std::printf(
            "file checks: private copy %.0f ms (%lld bytes), integrity %.0f ms, id/tables/checksum %.0f ms\n",
            tCopy, qlonglong(QFileInfo(source).size()), tIntegrity, tContent);
    }
    std::printf("import  set-based copy        %8.0f ms\n", setImport);
    std::printf("import  transfer              %8.0f ms   ratio %.2f\n", transferImport,
                transferImport / setImport);
    std::printf("import  file checks (copy, header, integrity, checksum) %8.0f ms\n", gate);
    std::printf("import  whole window command  %8.0f ms   peak memory %.0f MB, longest stall %lld ms\n",
                windowImport, importPeak, importStall);

    // The same file again: every row is already held.
    const double setDuplicates = bench::setBasedCopy(work1, source);
    const WindowRun duplicates = importThroughWindow("all-duplicates import");
    const double windowDuplicates = duplicates.ms, duplicatesPeak = duplicates.peakMB;
    const qint64 duplicatesStall = duplicates.stall;
    std::printf("all-duplicates import  set-based   %8.0f ms\n", setDuplicates);
    std::printf(
        "all-duplicates import  window      %8.0f ms   ratio %.2f (goal 3)   peak memory %.0f MB (goal 300), "
        "longest stall %lld ms (goal 250)\n",
        windowDuplicates, windowDuplicates / setDuplicates, duplicatesPeak, duplicatesStall);

    // Export of the imported register into a fresh template copy.
    const QString out1 = dir.filePath("out-set.mdb"), out2 = dir.filePath("out-transfer.mdb");
    copyFile(tmpl, out1);
    copyFile(tmpl, out2);
    const double setExport = bench::setBasedCopy(out1, work2);
    double transferExport = 0;
    {
        store::Connection from, to;
        from.open(work2, store::databasePassword(), store::Connection::Mode::ReadOnly);
        to.open(out2);
        Counting observer;
        exchange::Transfer transfer(from.handle(), to, observer);
        transfer.setRecordChecksum(true);
        t.restart();
        if (!transfer.run()) std::printf("export failed: %s\n", qPrintable(transfer.errorText()));
        transferExport = ms(t);
    }
    double windowExport = 0, exportPeak = 0;
    qint64 exportStall = 0;
    {
        store::setWorkingDatabasePath(work3);
        copyFile(tmpl, dir.filePath("window/structure.mdb"));
        TForm_import form;
        form.show();
        bench::resetPeakMemory();
        watch.start();
        t.restart();
        form.Button4Click();
        windowExport = ms(t);
        exportStall = watch.stop();
        exportPeak = bench::peakMemoryMB();
        if (dialogs.shown != QStringList{"操作完毕！"})
            std::printf("window: %s\n", qPrintable(dialogs.shown.join(" / ")));
    }
    std::printf("export  set-based copy        %8.0f ms\n", setExport);
    std::printf("export  transfer (+checksum)  %8.0f ms   ratio %.2f\n", transferExport,
                transferExport / setExport);
    std::printf("export  whole window command  %8.0f ms   peak memory %.0f MB, longest stall %lld ms\n",
                windowExport, exportPeak, exportStall);

    // The backup every import makes first (online backup copy, checks,
    // flush, rename) against the engine's backup and integrity_check alone.
    {
        const QString plain = dir.filePath("plain-backup.mdb");
        t.restart();
        sqlite3 *src = nullptr, *dst = nullptr;
        sqlite3_open_v2(QFile::encodeName(work3).constData(), &src, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_open(QFile::encodeName(plain).constData(), &dst);
        sqlite3_backup* b = sqlite3_backup_init(dst, "main", src, "main");
        sqlite3_backup_step(b, -1);
        sqlite3_backup_finish(b);
        sqlite3_exec(dst, "PRAGMA integrity_check(1)", nullptr, nullptr, nullptr);
        sqlite3_close(dst);
        sqlite3_close(src);
        const double floor = ms(t);
        t.restart();
        store::makeBackup(work3, dir.filePath("backups"), store::BackupReason::Import, [](qint64, qint64) {});
        const double backup = ms(t);
        std::printf(
            "backup  of the working database (%lld bytes)  %8.0f ms   plain backup + integrity_check %8.0f ms"
            "   ratio %.2f (goal 1.5)\n",
            qlonglong(QFileInfo(work3).size()), backup, floor, backup / floor);
    }
    ui::setDialogs(nullptr);
    return 0;
}
