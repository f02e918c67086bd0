// veyra-newdb DIR: a fresh working directory (Enterprise.mdb and structure.mdb),
// or the files already there brought to the current format.
// veyra-newdb --server ADDRESS [--grant-to ROLE]: a shared register in an
// empty database of a PostgreSQL server, and the grants a desk role needs.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "exchange/Paths.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Settings.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "store/Format.h"
#include "store/ServerConnection.h"
#include "store/ServerRegister.h"

namespace {
// Upgrades one existing file in place, after a backup of it as it was, and
// says what it found in the same words as the window, on standard error and
// in the day's log.
void upgrade(const QString& path, bool working) {
    store::Connection c;
    c.open(path);
    // The template holds no rows: nothing of it to keep.
    const store::FormatReport r = working ? store::upgradeWithBackup(c, path, store::backupDirectory())
                                          : store::bringToCurrentFormat(c);
    if (r.upgraded)
        std::printf("upgraded %s from format %d to format %d\n", qPrintable(path), r.formatBefore,
                    store::kCurrentFormat);
    else
        std::printf("%s is of format %d, left as it is\n", qPrintable(path), store::kCurrentFormat);
    const QStringList report = store::collisionReportLines(r);
    if (!r.upgraded || report.isEmpty()) return;
    for (const QString& line : report) std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    exchange::appendToDayLog(report);
}

// A register on a server: made in one transaction, or nothing at all.
int createOnServer(const QString& address, const QString& role) {
    try {
        store::createServerRegister(address);
    } catch (const store::Error& e) {
        std::fprintf(stderr, "veyra-newdb: %s\n",
                     store::errorText(e).replace('\r', '\n').toLocal8Bit().constData());
        return 1;
    }
    std::printf("created the register (operator %s / %s) in %s\n", qPrintable(store::defaultOperatorId()),
                qPrintable(store::defaultOperatorPassword()), address.toLocal8Bit().constData());
    std::printf("\n-- What the database role of the desks (%s) needs; run as the owner of the database:\n",
                role.toLocal8Bit().constData());
    for (const QString& line : store::deskGrants(role)) std::printf("%s\n", line.toLocal8Bit().constData());
    return 0;
}

void usage(FILE* to) {
    std::fprintf(
        to,
        "usage: veyra-newdb DIR\n"
        "       veyra-newdb --server postgresql:CONNINFO [--grant-to ROLE]\n"
        "Creates DIR/Enterprise.mdb (schema, code tables, operator admin / %s)\n"
        "and DIR/structure.mdb (the empty export template). Existing files are never replaced:\n"
        "one of an older format is upgraded in place, one of the current format is left alone.\n"
        "With --server: the same register in an empty database of a PostgreSQL server (one that\n"
        "holds anything is refused), then the SQL grants the desks' role (default veyra_desk) needs.\n"
        "  --help     this text\n"
        "  --version  the version\n"
        "See veyra-newdb(1).\n",
        qPrintable(store::defaultOperatorPassword()));
}
}  // namespace

int main(int argc, char** argv) {
    platform::keepNewFilesPrivate();
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) {
        usage(stdout);
        return 0;
    }
    if (args.size() == 2 && args[1] == "--version") {
        std::printf("veyra-newdb %s\n", VEYRA_VERSION);
        return 0;
    }
    if (args.size() >= 3 && args[1] == "--server") {
        QString role = "veyra_desk";
        if (args.size() == 5 && args[3] == "--grant-to" && !args[4].isEmpty()) {
            role = args[4];
        } else if (args.size() != 3) {
            usage(stderr);
            return 2;
        }
        return createOnServer(args[2], role);
    }
    if (args.size() != 2 || args[1].startsWith('-')) {
        usage(stderr);
        return 2;
    }
    // The same first start as the window's: a ten-character short date.
    const platform::ShortDateSetup date = platform::setUpShortDateFormat(platform::today());
    if (date.outcome == platform::ShortDateSetup::Replaced ||
        date.outcome == platform::ShortDateSetup::Unwritable)
        std::fprintf(stderr, "veyra-newdb: %s\n",
                     qPrintable(platform::shortDateNotice(date).replace('\r', '\n')));
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
            upgrade(work, true);
        } else {
            store::createWorkingDatabase(work);
            std::printf("created %s\n", qPrintable(work));
        }
        if (QFileInfo::exists(tmpl)) {
            upgrade(tmpl, false);
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
