#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace store {

class Connection;

// Stored keys that the rule of one column makes equal although they are
// spelled differently (letters in other case), so a unique key cannot hold yet.
struct KeyCollision {
    QString table;
    QString column;
    QStringList values;  // every stored spelling, in row order
};

// What bringing a file to the current format found and did.
struct FormatReport {
    int formatBefore = 0;
    bool upgraded = false;
    // Unique keys still held back by these, every one of them.
    QList<KeyCollision> collisions;
    // Other columns of the key rule that hold such spellings (organisation
    // codes, unique only by the program's check); found by an upgrade only.
    QList<KeyCollision> otherCollisions;
    // The operator was already told of the collisions (markCollisionsTold).
    bool collisionsTold = false;
};

// veyra_meta.format of an open Veyra file; 1 when the file has none.
int fileFormat(Connection& c);

// Upgrades a working database or template of an older format in place, in
// one transaction, and applies unique keys that earlier collisions held back
// as soon as none is left. Keys that differ only in letter case are all kept:
// their unique index waits (a plain index stands in, and veyra_meta remembers
// the rule) until they are corrected. Throws Error when the file cannot be
// upgraded; nothing is changed then.
FormatReport bringToCurrentFormat(Connection& c);

// Records that the operator has been told of the collisions, so that they
// are shown once; cleared when the last one is resolved.
void markCollisionsTold(Connection& c);

// What the operator is told of key collisions, all kinds, one line each;
// empty when there are none. The same words on the screen, on standard
// error and in the day's log.
QStringList collisionReportLines(const FormatReport& report);

// The key rule outside the database: equal but for ASCII letter case, as
// COLLATE NOCASE compares.
bool sameKey(const QString& a, const QString& b);

}  // namespace store
