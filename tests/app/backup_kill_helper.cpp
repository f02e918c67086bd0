// Starts a backup and stops part-way until it is killed:
// backup_kill_helper WORKING_DB BACKUP_DIR
#include <unistd.h>
#include <QCoreApplication>
#include <cstdio>

#include "store/Backup.h"
#include "store/Error.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    try {
        store::BackupJob job(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                             store::BackupReason::Daily);
        for (int i = 0; i < 5; ++i) job.step(1);
        std::printf("PAUSED\n");
        std::fflush(stdout);
        for (;;) pause();
    } catch (const store::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 3;
    }
}
