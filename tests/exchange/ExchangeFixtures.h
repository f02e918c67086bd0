#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <ostream>

#include "exchange/Transfer.h"

// Readable failures: texts print as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace store {
class Connection;
}

namespace fixtures {

// Rows written with the program's own connection, values bound.
void addEmployer(store::Connection& c, const QString& ssn, const QString& name);
// The person's CORPSN is the serial of the employer with that SSN in c (null when none).
void addPerson(store::Connection& c, const QString& ssn, const QString& idcard, const QString& name);
// PSNSN is the serial of the person with that ID number in c (null when none).
void addInstitution(store::Connection& c, const QString& idcard, const QString& hosp1);

// A fresh empty submission file (the template's structure).
void newSubmission(const QString& path);
// A file made before keys were unique may repeat a registration or ID number.
void dropUniqueKeys(store::Connection& c);
// Exports the registers of `from` into a new file made from the template, as
// an export does (with the rows checksum).
void exportTo(const QString& from, const QString& to);

// Every row of the three registers, typed, in rowid order.
QStringList dump(const QString& path);
bool integrityOk(const QString& path);
QByteArray bytesOf(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// Name -> bytes of every file in a directory.
QMap<QString, QByteArray> dirBytes(const QString& dir);

// The dash line that opens and closes every run in the log.
const QString kDashes(62, '-');
// The statistics lines of an import, as the log shows them.
QStringList statistics(int employers, int employersFailed, int persons, int personsFailed);

class NullObserver : public exchange::TransferObserver {
  public:
    void tableStarted(exchange::Register, int) override {}
    void rowReached(exchange::Register, int) override {}
    void tableFinished(exchange::Register, int) override {}
    void logLines(qsizetype) override {}
};

}  // namespace fixtures
