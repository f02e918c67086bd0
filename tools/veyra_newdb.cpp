// veyra-newdb DIR: a fresh working directory (Enterprise.mdb and structure.mdb).
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "store/DatabaseFactory.h"
#include "store/Error.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 || args[1].startsWith('-')) {
        std::fprintf(stderr, "usage: veyra-newdb DIR\n"
                             "Creates DIR/Enterprise.mdb (schema, code tables, operator admin / %s)\n"
                             "and DIR/structure.mdb (the empty export template). Existing files are never replaced.\n",
                     qPrintable(store::defaultOperatorPassword()));
        return 2;
    }
    const QString dir = QDir(args[1]).absolutePath();
    try {
        QDir().mkpath(dir);
        store::createWorkingDirectory(dir);
    } catch (const store::Error& e) {
        std::fprintf(stderr, "veyra-newdb: %s\n", qPrintable(e.text()));
        return 1;
    }
    std::printf("created %s/Enterprise.mdb and %s/structure.mdb\n", qPrintable(dir), qPrintable(dir));
    return 0;
}
