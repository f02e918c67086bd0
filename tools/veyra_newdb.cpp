// veyra-newdb DIR: a fresh working directory (Enterprise.mdb and structure.mdb),
// or the files already there brought to the current format.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/Format.h"

namespace {
// Upgrades one existing file in place and says what it found.
void upgrade(const QString& path) {
    store::Connection c;
    c.open(path);
    const store::FormatReport r = store::bringToCurrentFormat(c);
    if (r.upgraded)
        std::printf("upgraded %s from format %d to format %d\n", qPrintable(path), r.formatBefore,
                    store::kCurrentFormat);
    else
        std::printf("%s is of format %d, left as it is\n", qPrintable(path), store::kCurrentFormat);
    for (const QList<store::KeyCollision>* list : {&r.collisions, &r.otherCollisions})
        for (const store::KeyCollision& k : *list)
            std::printf("  %s.%s differs only in letter case: %s\n", qPrintable(k.table),
                        qPrintable(k.column), qPrintable(k.values.join(", ")));
    if (!r.collisions.isEmpty())
        std::printf("  the unique key on these waits until they are corrected; every row is kept\n");
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 || args[1].startsWith('-')) {
        std::fprintf(
            stderr,
            "usage: veyra-newdb DIR\n"
            "Creates DIR/Enterprise.mdb (schema, code tables, operator admin / %s)\n"
            "and DIR/structure.mdb (the empty export template). Existing files are never replaced:\n"
            "one of an older format is upgraded in place, one of the current format is left alone.\n",
            qPrintable(store::defaultOperatorPassword()));
        return 2;
    }
    const QString dir = QDir(args[1]).absolutePath();
    const QString work = QDir(dir).filePath(store::workingDatabaseFileName());
    const QString tmpl = QDir(dir).filePath(store::templateDatabaseFileName());
    try {
        QDir().mkpath(dir);
        if (!QFileInfo::exists(work) && !QFileInfo::exists(tmpl)) {
            store::createWorkingDirectory(dir);
            std::printf("created %s and %s\n", qPrintable(work), qPrintable(tmpl));
            return 0;
        }
        if (QFileInfo::exists(work)) {
            upgrade(work);
        } else {
            store::createWorkingDatabase(work);
            std::printf("created %s\n", qPrintable(work));
        }
        if (QFileInfo::exists(tmpl)) {
            upgrade(tmpl);
        } else {
            store::createTemplateDatabase(tmpl);
            std::printf("created %s\n", qPrintable(tmpl));
        }
    } catch (const store::Error& e) {
        std::fprintf(stderr, "veyra-newdb: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
