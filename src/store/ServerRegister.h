#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "store/Column.h"

namespace store {

class ServerConnection;

// A table or column name of the program as the server's identifier: the same
// name in lower case, unquoted, so that any spelling in a statement finds it
// (as SQLite matches names without regard to case). Throws Error for a name
// that is not letters, digits and underscores.
QString serverIdentifier(const QString& name);
QStringList serverIdentifiers(const QStringList& names);

// One table of a server register. Its columns are those of the working
// database's table (from the same schema files), in the same order; after
// them the server adds what it needs:
// - row_id: the working database's rowid, for tables without a serial (the
//   institution rows, the operators, the code tables), so that "the first
//   row" means the same on both;
// - row_version, on the register tables: 1 when the row is stored, one more
//   at every update (a trigger), so a desk saving a record it loaded can
//   tell that another desk changed it meanwhile (UPDATE ... WHERE row_version = the loaded one).
struct ServerTable {
    QString name;  // as the schema spells it ("M_PERSON", "D_feeArea")
    QList<Column> columns;
    QStringList keys;  // columns compared without regard to ASCII letter case
    QStringList notNull;
    bool isRegister = false;
    // The column that holds the working database's rowid: the serial
    // ("CORPSN", "PSNSN") or the server's row_id.
    QString rowidColumn;
    bool hasSerial() const { return rowidColumn != "row_id"; }
    QStringList columnNames() const;
};

// The register tables, then the code tables, in the schema files' order.
const QList<ServerTable>& serverTables();

// The keys the register keeps unique, as (table, column): one row per
// employer registration number and per ID number.
QList<QPair<QString, QString>> serverUniqueKeys();

// How the server compares a key column: upper case of its ASCII letters
// only, whatever the database's locale (upper() under the "C" collation
// changes nothing else), as SQLite's NOCASE does. Unique and look-up indexes
// are made on this expression; a statement finds a key with
// serverKey("IDCARD") + " = " + serverKey("?").
QString serverKey(const QString& expression);

// The statements that make a register's tables, indexes, row version
// triggers and metadata table on the server (not the views).
QStringList serverSchemaStatements();

// The column a server refusal concerns, from the table and the constraint's
// name as this program names them; empty when it is not one of ours.
QString serverConstraintColumn(const QString& table, const QString& constraint);

// A few objects of the database (tables, views, sequences, functions, types
// outside the system's schemas); empty when it is empty.
QStringList serverDatabaseObjects(ServerConnection& c);

// In the open transaction of a connection to an empty database: the tables,
// views, row version triggers and metadata of a register, without rows.
// Refuses (Error in words) a database that holds anything.
void createServerSchema(ServerConnection& c);

// A new register in the empty database at an address: the schema, the code
// tables of the data files and the first operator, in one transaction.
void createServerRegister(const QString& address);

// What a desk's database role needs, as SQL statements: the rows of the
// register tables (read, add, change, delete), reading the code tables, the
// print views and the metadata; nothing else (no schema changes, no code
// table changes).
QStringList deskGrants(const QString& role);

}  // namespace store
