#pragma once

#include <QString>
#include <QStringList>

namespace bench {

// Lets ATTACH take a file: URI, so that the floors attach their sources
// read-only as the program opens them. Call first thing in main().
void enableUriFilenames();

// The floor of a transfer: the same rows copied from source into target by
// three set-based statements across the source attached read-only
// (duplicate keys of the target and of earlier source rows skipped, serials
// looked up by join), in one transaction. With checkSource, the integrity
// check of the attached source first, as an import checks its file.
// Milliseconds.
double setBasedCopy(const QString& target, const QString& source, bool checkSource = false);

// The receiving office's floor: one backup of target into backupFile, then
// every source checked and copied as above (a transaction each), on one
// connection. Milliseconds.
double setBasedBatch(const QString& target, const QStringList& sources, const QString& backupFile);

// PRAGMA integrity_check of a file, the floor of the import's file check.
double integrityCheck(const QString& path);

}  // namespace bench
