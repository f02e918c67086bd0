#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "store/Csv.h"

namespace store {

class Connection;

// Directory of schema_register.sql, schema_codes.sql, views.sql and codes/*.csv:
// $VEYRA_DATA_DIR, else the installed data directory, else the source tree's.
QString dataDirectory();

// The operator every fresh working database starts with.
QString defaultOperatorId();
QString defaultOperatorPassword();
QString defaultOperatorName();
QString defaultOperatorDuty();

// The text of a data file; throws Error naming it when it cannot be read.
QString readDataFile(const QString& path);
// The rows of every code table, from codes/*.csv of a data directory, in the
// order of the file names.
QList<CodeTableCsv> codeTableFiles(const QString& dir);

// Creates a working database: register tables, code tables with their rows,
// the two views, the default operator, the Veyra id and password verifier.
// Refuses (throws Error) when the file exists.
void createWorkingDatabase(const QString& path);
// The same with other rows: `fill` stores them (code tables, operators,
// register rows) in the file's first transaction instead of the data files'
// code tables and the default operator. The file is removed when it throws.
void createWorkingDatabase(const QString& path, const std::function<void(Connection&)>& fill);
// Creates the empty export template: the register tables only.
void createTemplateDatabase(const QString& path);
// The schema objects alone (tables, indexes, views, the metadata table) of a
// working database or of the template, as the two functions above make them.
void createSchema(Connection& c, bool working);
// Both files in a directory: Enterprise.mdb and structure.mdb.
void createWorkingDirectory(const QString& dir);

QString workingDatabaseFileName();   // "Enterprise.mdb"
QString templateDatabaseFileName();  // "structure.mdb"

// The working database path the program uses: set once at startup from the
// current directory, so a later change of directory does not move it.
QString workingDatabasePath();
void setWorkingDatabasePath(const QString& path);

}  // namespace store
