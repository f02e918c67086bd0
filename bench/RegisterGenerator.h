#pragma once

#include <QString>

namespace bench {

// A valid 18-character citizen ID number for a serial: birth dates spread over
// 1920-1949, the check character computed; area: its first four digits.
QString validIdNumber(int serial, const QString& area = QStringLiteral("1101"));

// The 12-character registration number of employer i.
QString registrationNumber(int i);

// Fills an existing working database with employers, persons (spread over the
// employers) and one institution row per person, in one transaction.
void fillRegister(const QString& databasePath, int employers, int persons);

// A benchmark's working directory in dir: its own settings file (short date
// yyyy-MM-dd, data directory inside), a fresh database filled as above, made
// the program's working database. Returns the database path.
QString prepareWorkingDirectory(const QString& dir, int employers, int persons);

}  // namespace bench
