// Another program on a register, for the lock tests:
//   register_holder_helper use DB      holds the register's use lock and a
//                                      write transaction with one new employer;
//                                      commits when a line arrives on stdin
//   register_holder_helper window DB   holds the window lock until stdin ends
//   register_holder_helper open DB     has the file open without any lock
//   register_holder_helper backup DB DIR  makes one backup, prints its path
// Prints READY once it holds what it was asked to.
#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/RegisterLock.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/Error.h"

namespace {
void ready() {
    std::printf("READY\n");
    std::fflush(stdout);
}
void waitForLine() {
    std::string line;
    std::getline(std::cin, line);
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 2;
    const std::string mode = argv[1];
    const QString db = QString::fromLocal8Bit(argv[2]);
    try {
        if (mode == "use") {
            platform::RegisterLock lock;
            if (!lock.acquire(db, platform::RegisterLock::Kind::Use, 5000)) return 3;
            store::Connection c;
            c.open(db);
            c.beginTransaction();
            c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('330000000009', '另一程序的单位')");
            ready();
            waitForLine();
            c.commit();
            std::printf("COMMITTED\n");
            return 0;
        }
        if (mode == "window") {
            platform::RegisterLock lock;
            if (!lock.acquire(db, platform::RegisterLock::Kind::Window, 5000)) return 3;
            ready();
            waitForLine();
            return 0;
        }
        if (mode == "open") {
            store::Connection c;
            c.open(db);
            c.scalar("SELECT count(*) FROM M_CORPORATION");
            ready();
            waitForLine();
            return 0;
        }
        if (mode == "backup" && argc == 4) {
            const QString path =
                store::makeBackup(db, QString::fromLocal8Bit(argv[3]), store::BackupReason::Manual);
            std::printf("%s\n", qPrintable(path));
            return 0;
        }
    } catch (const store::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 4;
    }
    return 2;
}
