#pragma once

#include <QString>

namespace bench {

// The floor of a transfer: the same rows copied from source into target by
// three set-based statements across an attached file (duplicate keys of the
// target and of earlier source rows skipped, serials looked up by join), in
// one transaction. Milliseconds.
double setBasedCopy(const QString& target, const QString& source);

// PRAGMA integrity_check of a file, the floor of the import's file check.
double integrityCheck(const QString& path);

}  // namespace bench
