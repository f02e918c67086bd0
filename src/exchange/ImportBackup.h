#pragma once

#include <QString>

#include "store/Backup.h"

namespace exchange {

// The backup every import makes of the working database before it writes a
// row: returns once the copy is checked and on the disk, then rotates the
// backup directory. Throws store::Error; the import must not start then.
QString backupBeforeImport(const QString& workingDatabase, const store::BackupProgress& progress = {});

}  // namespace exchange
