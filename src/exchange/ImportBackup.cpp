#include "exchange/ImportBackup.h"

#include "store/Backup.h"

namespace exchange {

QString backupBeforeImport(const QString& workingDatabase, const store::BackupProgress& progress) {
    const QString dir = store::backupDirectory();
    const QString path = store::makeBackup(workingDatabase, dir, store::BackupReason::Import, progress);
    // A failed clean-up of old backups is no reason to keep the import back.
    store::rotateBackups(dir);
    return path;
}

}  // namespace exchange
