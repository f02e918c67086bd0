// Import and export of submission files of 10,000 employers, 100,000 persons
// and 100,000 institution rows: the window's commands and veyra-transfer,
// each beside the same set-based SQL across the file attached read-only, in
// interleaved pairs; the row transfer alone, the file checks and the
// pre-import backup beside what SQLite needs for them.
//   bench_exchange [--pairs N] [employers persons]   (default 3 pairs, 10000 100000)
#include <sqlite3.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

#include "Measure.h"
#include "Pairs.h"
#include "RegisterGenerator.h"
#include "SetBased.h"
#include "TransferFigures.h"
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

void copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    if (!QFile::copy(from, to)) std::abort();
}

}  // namespace

int main(int argc, char** argv) {
    bench::enableUriFilenames();
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    int pairs = 3;
    QList<int> numbers;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--pairs" && i + 1 < args.size())
            pairs = qMax(1, args[++i].toInt());
        else
            numbers.append(args[i].toInt());
    }
    const int employers = numbers.size() == 2 ? numbers[0] : 10000;
    const int persons = numbers.size() == 2 ? numbers[1] : 100000;
    QTemporaryDir dir;
    const QString scratch = dir.filePath("scratch");
    QDir().mkpath(scratch);

    // The register's own transfers: export, import into an empty register,
    // import of a file whose rows are all held.
    QElapsedTimer t;
    t.start();
    const QString db = bench::prepareWorkingDirectory(dir.filePath("a"), employers, persons);
    platform::setToday(QDate(2026, 12, 10));
    std::printf("register: %d employers, %d persons, %d institution rows; built in %.0f ms\n", employers,
                persons, persons, ms(t));
    bench::transferFigures(db, scratch, pairs);

    // A file made before keys were unique, 5% of its keys repeated, into a
    // register that holds another 2.5% of them.
    const QString baseDir = dir.filePath("b"), base = dir.filePath("base.mdb"),
                  source = dir.filePath("source.mdb");
    store::createWorkingDirectory(baseDir);
    const QString work = baseDir + "/" + store::workingDatabaseFileName();
    {
        store::Connection c;
        c.open(work);
        fill(c, employers, persons, false);
    }
    copyFile(work, base);
    store::createTemplateDatabase(source);
    {
        store::Connection c;
        c.open(source);
        c.executeScript(
            "DROP INDEX idx_M_CORPORATION_SSN; DROP INDEX idx_M_PERSON_IDCARD;"
            "CREATE INDEX idx_M_CORPORATION_SSN ON M_CORPORATION (SSN);"
            "CREATE INDEX idx_M_PERSON_IDCARD ON M_PERSON (IDCARD);");
        fill(c, employers, persons, true);
        c.execute("INSERT INTO veyra_meta (key, value) VALUES (?, ?)",
                  {exchange::checksumKey(), exchange::rowsChecksum(c.handle())});
    }
    bench::importFigures("import of a file with 5% repeated keys", source, work, base, scratch, pairs, 1.2);

    // The row transfer alone (its rows checksum included, no file checks, no
    // log file) against the set-based copy alone.
    const QString floorTarget = scratch + "/floor.mdb", target = scratch + "/target.mdb";
    const bench::Pairs transferImport = bench::interleave(
        pairs, [&] { return bench::inProcess([&] { bench::setBasedCopy(floorTarget, source); }); },
        [&] {
            return bench::inProcess([&] {
                store::Connection to;
                to.open(target);
                sqlite3* from = exchange::openLockedDown(source, source);
                Counting observer;
                exchange::Transfer transfer(from, to, observer);
                const QString recorded = exchange::storedChecksum(from);
                transfer.setSourceCheck([&](const QString& rows) {
                    if (rows != recorded) throw store::Error("checksum");
                });
                const bool ok = transfer.run();
                sqlite3_close(from);
                if (!ok) throw std::runtime_error(transfer.errorText().toStdString());
            });
        },
        [&] {
            copyFile(base, floorTarget);
            copyFile(base, target);
        });
    bench::report("row transfer alone: import", transferImport, 1.2);
    const QString tmpl = dir.filePath("a/structure.mdb");
    const bench::Pairs transferExport = bench::interleave(
        pairs, [&] { return bench::inProcess([&] { bench::setBasedCopy(floorTarget, db); }); },
        [&] {
            return bench::inProcess([&] {
                store::Connection from, to;
                from.open(db, store::databasePassword(), store::Connection::Mode::ReadOnly);
                to.open(target);
                Counting observer;
                exchange::Transfer transfer(from.handle(), to, observer);
                transfer.setRecordChecksum(true);
                if (!transfer.run()) throw std::runtime_error(transfer.errorText().toStdString());
            });
        },
        [&] {
            copyFile(tmpl, floorTarget);
            copyFile(tmpl, target);
        });
    bench::report("row transfer alone: export (with its checksum)", transferExport, 1.2);

    {
        // Where the file checks spend their time (one run).
        store::Connection to;
        to.open(work);
        const QString copy = scratch + "/copy.mdb";
        t.restart();
        copyFile(source, copy);
        const double tCopy = ms(t);
        t.restart();
        sqlite3* db = exchange::openLockedDown(copy, copy);
        exchange::checkIntegrity(db, copy);
        const double tIntegrity = ms(t);
        t.restart();
        exchange::checkContent(db, exchange::registerShapes(to), copy, {}, false);
        const double tContent = ms(t);
        const std::clock_t c0 = std::clock();
        exchange::rowsChecksum(db);
        sqlite3_close(db);
        std::printf(
            "  file checks (one run): private copy %.0f ms (%lld bytes), integrity %.0f ms, id/tables %.0f "
            "ms; "
            "the rows checksum, now made as the import reads the rows, alone %.0f ms cpu\n",
            tCopy, qlonglong(QFileInfo(source).size()), tIntegrity, tContent,
            double(std::clock() - c0) * 1000 / CLOCKS_PER_SEC);
    }

    // The backup every import makes first (online backup copy, checks,
    // flush, naming) against the engine's backup and integrity_check alone.
    const QString plain = scratch + "/plain-backup.mdb", backups = scratch + "/backups";
    const bench::Pairs backup = bench::interleave(
        pairs,
        [&] {
            return bench::inProcess([&] {
                sqlite3 *src = nullptr, *dst = nullptr;
                sqlite3_open_v2(QFile::encodeName(db).constData(), &src, SQLITE_OPEN_READONLY, nullptr);
                sqlite3_open(QFile::encodeName(plain).constData(), &dst);
                sqlite3_backup* b = sqlite3_backup_init(dst, "main", src, "main");
                sqlite3_backup_step(b, -1);
                sqlite3_backup_finish(b);
                sqlite3_exec(dst, "PRAGMA integrity_check(1)", nullptr, nullptr, nullptr);
                sqlite3_close(dst);
                sqlite3_close(src);
            });
        },
        [&] {
            return bench::inProcess(
                [&] { store::makeBackup(db, backups, store::BackupReason::Import, [](qint64, qint64) {}); });
        },
        [&] {
            QFile::remove(plain);
            QDir(backups).removeRecursively();
        });
    bench::report("pre-import backup (beside backup + integrity_check)", backup, 1.5);
    return 0;
}
