// Startup (the ten windows with their open datasets) and the person tables'
// requery of "人员增加", over 10,000 employers and 100,000 persons.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>

#include "RegisterGenerator.h"
#include "app/Startup.h"
#include "app/globals/Globals.h"
#include "person/TForm_per_info.h"
#include "platform/Settings.h"
#include "store/DatabaseFactory.h"
#include "store/Table.h"

namespace {
long residentKb() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int employers = argc > 2 ? std::atoi(argv[1]) : 10000;
    const int persons = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    QElapsedTimer t;
    t.start();
    bench::prepareWorkingDirectory(dir.path(), employers, persons);
    std::printf("generated %d employers, %d persons in %.2f s\n", employers, persons, t.elapsed() / 1000.0);

    const long rss0 = residentKb();
    t.restart();
    app::createWindows();
    const double startup = t.nsecsElapsed() / 1e6;
    const long rss1 = residentKb();

    double best = 1e9;
    long extra = 0;
    for (int i = 0; i < 5; ++i) {
        const long before = residentKb();
        t.restart();
        // What 人员增加 does to the person tables.
        Form_per_info->ADOTable_PERSON->close();
        Form_per_info->ADOTable_DDYLJG->close();
        Form_per_info->ADOTable_PERSON->open();
        Form_per_info->ADOTable_DDYLJG->open();
        Form_per_info->ADOTable_PERSON->insert();
        Form_per_info->ADOTable_DDYLJG->insert();
        best = std::min(best, t.nsecsElapsed() / 1e6);
        extra = std::max(extra, residentKb() - before);
        Form_per_info->ADOTable_PERSON->cancel();
        Form_per_info->ADOTable_DDYLJG->cancel();
    }
    std::printf("startup (ten windows): %8.1f ms  (+%ld KB)   target < 500 ms\n", startup, rss1 - rss0);
    std::printf("person tables requery: %8.1f ms  (+%ld KB)   target < 50 ms, < 10240 KB\n", best, extra);
    std::printf("person rows: %d, institution rows: %d\n", Form_per_info->ADOTable_PERSON->recordCount(),
                Form_per_info->ADOTable_DDYLJG->recordCount());
    app::destroyWindows();
    return 0;
}
