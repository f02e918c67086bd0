// Registers of 100,000 and 1,000,000 persons: every command the goals name,
// each beside its goal and beside what plain SQLite needs for the same work,
// measured in the same run (the transfers as interleaved pairs). Not run by
// CI (an hour and gigabytes of disk at 1,000,000).
//   bench_scale [--pairs N] [--office-files N] [--office-pairs N] [PERSONS...]
//   (default 3 pairs, 300 files of 20 persons in 3 pairs; 100000 1000000
//   persons with a tenth as many employers)
#include <sqlite3.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

#include <algorithm>
#include <functional>

#include "Measure.h"
#include "RegisterGenerator.h"
#include "SetBased.h"
#include "TransferFigures.h"
#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/globals/Globals.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/Paths.h"
#include "exchange/TForm_import.h"
#include "exchange/Transfer.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Statement.h"
#include "store/Table.h"
#include "ui/Dialogs.h"
#include "ui/Modal.h"

namespace {

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

void row(const char* what, double value, double floor, double goalRatio) {
    std::printf("  %-46s %9.0f ms   floor %9.0f ms   ratio %5.2f   goal %.1fx  %s\n", what, value, floor,
                value / floor, goalRatio, value / floor <= goalRatio ? "met" : "NOT MET");
}
void figure(const char* what, double value, const char* unit, double goal) {
    std::printf("  %-46s %9.1f %-5s goal < %.0f %s  %s\n", what, value, unit, goal, unit,
                value < goal ? "met" : "NOT MET");
}

// Steps every row of a statement: what plain SQLite needs for a list.
double stepAll(const QString& db, const QString& sql, qint64* rows) {
    store::Connection c;
    c.open(db);
    QElapsedTimer t;
    t.start();
    store::Statement st(c.handle(), sql);
    *rows = 0;
    while (st.step()) {
        for (int i = 0; i < st.columnCount(); ++i) sqlite3_column_text(st.handle(), i);
        ++*rows;
    }
    st.reset();
    return ms(t);
}

void plan(store::Connection& c, const QString& sql) {
    QStringList steps;
    for (const QVariantList& r : c.select("EXPLAIN QUERY PLAN " + sql, {QString("x")}))
        steps.append(r.value(3).toString());
    const bool indexed = !steps.join(' ').contains(QRegularExpression("^SCAN|; SCAN| SCAN M_"));
    std::printf("  %-70.70s  %s  [%s]\n", qPrintable(sql), indexed ? "index" : "NO INDEX",
                qPrintable(steps.join("; ")));
}

// Median of three runs of f, in ms.
template <class F>
double median3(F f) {
    double t[3];
    for (double& v : t) {
        QElapsedTimer e;
        e.start();
        f();
        v = ms(e);
    }
    std::sort(t, t + 3);
    return t[1];
}

struct WindowTimes {
    double start = 0, addPerson = 0, openPerson = 0, openEmployer = 0;
};

// The window commands over the register in db, each the median of three.
WindowTimes windowCommands(const QString& db, int persons) {
    store::setWorkingDatabasePath(db);
    ui::setModalHandler([](QWidget*) { return 0; });
    WindowTimes w;
    w.start = median3([] {
        app::destroyWindows();
        resetGlobals();
        app::prepareWorkingDatabase();
        app::createWindows();
    });
    w.addPerson = median3([] { Form1->N6Click(); });
    // The middle person and employer, as their query lists would hand them over.
    store::Connection c;
    c.open(db);
    const QList<QVariantList> person = c.select(
        "SELECT M_PERSON.PSNSN, M_CORPORATION.SSN, M_CORPORATION.NAME FROM M_PERSON JOIN M_CORPORATION "
        "ON M_PERSON.SSN = M_CORPORATION.SSN WHERE M_PERSON.PSNSN >= ? ORDER BY M_PERSON.PSNSN LIMIT 1",
        {persons / 2});
    if (!person.isEmpty()) {
        const QVariantList p = person.first();
        w.openPerson = median3([&] {
            Form_per_info->ClearScreen();
            Form_per_info->getFieldValues(p[0].toString(), p[1].toString(), p[2].toString());
            Form_per_info->ADOTable_PERSON->edit();
            Form_per_info->ADOTable_DDYLJG->edit();
        });
    }
    const QString number = c.scalar("SELECT SSN FROM M_CORPORATION WHERE CORPSN >= ? ORDER BY CORPSN LIMIT 1",
                                    {qMax(1, persons / 20)})
                               .toString();
    if (copTablesActive == 0) Form_cop_info->activeTables();
    w.openEmployer = median3([&] {
        Form_cop_info->clearScreen();
        Form_cop_info->ADOTable_corporation->open();
        Form_cop_info->locateRecordByBXDJZH(number);
        Form_cop_info->getFieldValues();
        Form_cop_info->ADOTable_corporation->edit();
    });
    app::destroyWindows();
    ui::setModalHandler({});
    return w;
}

struct Options {
    int pairs = 3;          // interleaved pairs per figure
    int officeFiles = 300;  // the receiving office's batch (0: none)
    int officePairs = 3;
};

void runSize(int persons, const Options& options) {
    const int employers = qMax(1, persons / 10);
    std::printf("\n=== %d employers, %d persons, %d institution rows ===\n", employers, persons, persons);
    QTemporaryDir dir;
    bench::Answers dialogs;
    ui::setDialogs(&dialogs);
    QElapsedTimer t;
    t.start();
    const QString db = bench::prepareWorkingDirectory(dir.filePath("a"), employers, persons);
    platform::setToday(QDate(2026, 12, 10));
    std::printf("  register built in %.0f s (%lld MB)\n", ms(t) / 1000, QFileInfo(db).size() >> 20);

    // The transfers, window and veyra-transfer, each beside its floor.
    const QString scratch = dir.filePath("transfer");
    QDir().mkpath(scratch);
    bench::transferFigures(db, scratch, options.pairs);
    if (options.officeFiles > 0)
        bench::receivingOfficeBatch(db, scratch, options.officeFiles, 20, options.officePairs);
    store::setWorkingDatabasePath(db);

    // 查询全部 in both windows against stepping the same rows.
    qint64 rows = 0;
    // 查询全部 beside stepping the same rows, then deleting the middle row of the list.
    const auto queryAll = [&](ui::QueryWindow& w, store::Dataset* list, const QString& floorSql,
                              const std::function<void()>& queryAllClick, const char* what, const char* one) {
        w.show();
        const double floor = stepAll(db, floorSql, &rows);
        const double before = bench::currentMemoryMB();
        QElapsedTimer q;
        q.start();
        queryAllClick();
        QApplication::processEvents();
        const double took = ms(q);
        row(QString("%1 查询全部").arg(what).toUtf8().constData(), took, floor, 1.3);
        figure("  extra memory", bench::currentMemoryMB() - before, "MB", 50);
        list->moveTo(list->recordCount() / 2);
        q.restart();
        w.Button_deleteClick();
        std::printf("  %-46s %9.1f ms  (%s)\n", qPrintable(QString("delete a listed %1").arg(one)), ms(q),
                    qPrintable(w.StatusBar1->text()));
    };
    {
        TForm_cop_query cop;
        queryAll(
            cop, cop.ADOQuery_COP, "SELECT SSN AS 社保登记证编码,NAME AS 单位名称 FROM M_CORPORATION",
            [&] { cop.Button1Click(); }, "employer query", "employer");
    }
    {
        TForm_Person_query person;
        queryAll(
            person, person.ADOQuery_PERSON,
            "SELECT M_PERSON.psnsn as ID, M_PERSON.IDCARD AS 公民身份号码,M_PERSON.NAME AS 姓名 "
            ",M_CORPORATION.SSN "
            "AS 社保登记证编码,M_CORPORATION.NAME AS 单位名称 FROM M_PERSON  INNER JOIN M_CORPORATION  ON "
            "M_PERSON.SSN = M_CORPORATION.SSN order by M_PERSON.psnsn",
            [&] { person.Button_QueryAllClick(); }, "person query", "person");
    }

    // Start to the login window, 人员增加, opening a stored person and employer:
    // beside the same commands over a register of ten persons.
    const QString floorDb = bench::prepareWorkingDirectory(dir.filePath("floor"), 1, 10);
    const WindowTimes floorTimes = windowCommands(floorDb, 10);
    const WindowTimes times = windowCommands(db, persons);
    row("start to the login window", times.start, floorTimes.start, 1.3);
    row("人员增加", times.addPerson, floorTimes.addPerson, 1.3);
    row("opening a stored person", times.openPerson, floorTimes.openPerson, 1.3);
    row("opening a stored employer", times.openEmployer, floorTimes.openEmployer, 1.3);
    std::printf("  (floor: the same command over ten persons; goal: independent of the register)\n");
    store::setWorkingDatabasePath(db);

    // Key searches.
    {
        store::Connection c;
        c.open(db);
        std::printf("  key searches (EXPLAIN QUERY PLAN):\n");
        for (const char* sql : {exchange::kCheckSSNDbl, exchange::kCheckIDcardDbl, exchange::kCheckMedDbl,
                                exchange::kCorpsnBySSN, exchange::kPsnsnByIDcard})
            plan(c, QString::fromLatin1(sql));
        plan(c, "SELECT rowid FROM M_CORPORATION WHERE SSN = ? COLLATE NOCASE");
        plan(c, "SELECT M_PERSON.rowid FROM M_PERSON WHERE M_PERSON.IDCARD=? COLLATE NOCASE");
        plan(c, "SELECT count(*) FROM M_CORPORATION WHERE ORGCODE = ?");
    }
    ui::setDialogs(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    bench::enableUriFilenames();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options;
    QList<int> sizes;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const bool value = i + 1 < args.size();
        if (args[i] == "--pairs" && value)
            options.pairs = qMax(1, args[++i].toInt());
        else if (args[i] == "--office-files" && value)
            options.officeFiles = args[++i].toInt();
        else if (args[i] == "--office-pairs" && value)
            options.officePairs = qMax(1, args[++i].toInt());
        else
            sizes.append(args[i].toInt());
    }
    if (sizes.isEmpty()) sizes = {100000, 1000000};
    for (int n : sizes) runSize(n, options);
    return 0;
}
