// The key rule in the schema and the upgrade of files of format 1 (made by
// the release before it, kept in tests/fixtures/format1).
#include <gtest/gtest.h>

#include <QFile>

#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/Format.h"
#include "store/Table.h"
#include "support/TestSupport.h"

using testing_support::copyFixture;
using testing_support::WorkDir;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every row of the registers with its rowid, typed, in rowid order.
QStringList dump(store::Connection& c) {
    QStringList out;
    for (const char* t : {"M_CORPORATION", "M_PERSON", "M_PSNAPPOINTEDHOSPITAL", "M_UserManager"}) {
        for (const QVariantList& row : c.select(QString("SELECT rowid, * FROM %1 ORDER BY rowid").arg(t))) {
            QStringList cells;
            for (const QVariant& v : row)
                cells.append(v.isNull() ? "<null>" : QString(v.typeName()) + ":" + v.toString());
            out.append(QString(t) + "|" + cells.join('|'));
        }
    }
    return out;
}

QString schemaOf(store::Connection& c, const QString& where) {
    QStringList out;
    for (const QVariantList& r :
         c.select("SELECT type, name, sql FROM sqlite_master WHERE " + where + " ORDER BY type, name"))
        out.append(r[0].toString() + " " + r[1].toString() + ": " + r[2].toString());
    return out.join('\n');
}

bool indexIsUnique(store::Connection& c, const QString& table, const QString& index) {
    for (const QVariantList& r : c.select("SELECT name, \"unique\" FROM pragma_index_list(?)", {table}))
        if (r[0].toString() == index) return r[1].toInt() == 1;
    ADD_FAILURE() << "no index " << index.toStdString();
    return false;
}

bool accepted(store::Connection& c, const QString& sql, const QVariantList& params) {
    try {
        c.execute(sql, params);
        return true;
    } catch (const store::Error&) {
        return false;
    }
}

TEST(KeyRule, KeyColumnsCompareWithoutRegardToLetterCase) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    c.execute(
        "INSERT INTO M_CORPORATION (SSN, ORGCODE, SUPERIORSSN) VALUES ('ab0000000001', 'ab000001-x', "
        "'cd0000000001')");
    c.execute("INSERT INTO M_PERSON (IDCARD, SSN) VALUES ('11010519300101011x', 'ab0000000001')");
    c.execute("INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, IDCARD) VALUES (1, '11010519300101011x')");
    struct Case {
        const char* column;
        const char* sql;
        const char* other;  // the stored value in other letter case
        const char* different;
    } cases[] = {
        {"M_CORPORATION.SSN", "SELECT count(*) FROM M_CORPORATION WHERE SSN = ?", "AB0000000001",
         "ab0000000002"},
        {"M_CORPORATION.ORGCODE", "SELECT count(*) FROM M_CORPORATION WHERE ORGCODE = ?", "AB000001-X",
         "ab000001-y"},
        {"M_CORPORATION.SUPERIORSSN", "SELECT count(*) FROM M_CORPORATION WHERE SUPERIORSSN = ?",
         "CD0000000001", "cd0000000002"},
        {"M_PERSON.IDCARD", "SELECT count(*) FROM M_PERSON WHERE IDCARD = ?", "11010519300101011X",
         "110105193001010110"},
        {"M_PERSON.SSN", "SELECT count(*) FROM M_PERSON WHERE SSN = ?", "AB0000000001", "ab0000000002"},
        {"M_PSNAPPOINTEDHOSPITAL.IDCARD", "SELECT count(*) FROM M_PSNAPPOINTEDHOSPITAL WHERE IDCARD = ?",
         "11010519300101011X", "110105193001010110"},
        // a join follows the rule too, and so do the print views' filters
        {"person-employer join",
         "SELECT count(*) FROM M_PERSON p JOIN M_CORPORATION c ON p.SSN = c.SSN WHERE p.SSN = ?",
         "AB0000000001", "ab0000000002"},
        {"cop_print1", "SELECT count(*) FROM cop_print1 WHERE SSN = ?", "AB0000000001", "ab0000000002"},
        {"person_print", "SELECT count(*) FROM person_print WHERE IDCARD = ?", "11010519300101011X",
         "110105193001010110"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(c.scalar(k.sql, {QString(k.other)}).toInt(), 1) << k.column << ": other letter case";
        EXPECT_EQ(c.scalar(k.sql, {QString(k.different)}).toInt(), 0) << k.column << ": another key";
    }
    // Non-ASCII letters are not folded (the engine folds ASCII only).
    c.execute("UPDATE M_CORPORATION SET ORGCODE = 'Ø-1'");
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION WHERE ORGCODE = ?", {QString("ø-1")}).toInt(), 0);
    // The unique indexes follow it.
    EXPECT_FALSE(accepted(c, "INSERT INTO M_CORPORATION (SSN) VALUES (?)", {QString("AB0000000001")}));
    EXPECT_FALSE(accepted(c, "INSERT INTO M_PERSON (IDCARD) VALUES (?)", {QString("11010519300101011X")}));
    EXPECT_TRUE(accepted(c, "INSERT INTO M_CORPORATION (SSN) VALUES (?)", {QString("ab0000000002")}));
}

TEST(KeyRule, LocateAndLookupOnAKeyColumnFollowTheRule) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('ab0000000001', '单位')");
    store::Table t(&c, "M_CORPORATION");
    t.open();
    EXPECT_TRUE(t.locate("SSN", QString("AB0000000001")));
    EXPECT_EQ(t.value("NAME").toString(), "单位");
    EXPECT_EQ(t.lookup("SSN", QString("aB0000000001"), "NAME").toString(), "单位");
    EXPECT_FALSE(t.locate("SSN", QString("ab0000000002")));
    // Other columns keep comparing exactly.
    EXPECT_FALSE(t.locate("NAME", QString("单位 ")));
    c.execute("UPDATE M_CORPORATION SET SHORTNAME = 'ab'");
    t.refresh();
    EXPECT_FALSE(t.locate("SHORTNAME", QString("AB")));
}

TEST(KeyRule, SameKeyFoldsAsciiLettersOnly) {
    EXPECT_TRUE(store::sameKey("ab0000000001", "AB0000000001"));
    EXPECT_TRUE(store::sameKey("11010519300101011x", "11010519300101011X"));
    EXPECT_FALSE(store::sameKey("ab0000000001", "ab0000000002"));
    EXPECT_FALSE(store::sameKey("Ø", "ø"));
    EXPECT_FALSE(store::sameKey("ab", "abc"));
}

// Every key search of the program finds its rows through an index.
TEST(KeyRule, KeySearchesUseAnIndex) {
    WorkDir w;
    store::Connection c;
    c.open(w.database());
    struct Case {
        const char* what;
        const char* sql;
        const char* table;  // the table that must not be scanned
    } cases[] = {
        {"registration number", "select count(*) from M_corporation where ssn=?", "M_corporation"},
        {"employer by number", "select corpsn from m_corporation where ssn = ?", "m_corporation"},
        {"ID number", "select count(*) from M_person where idcard=?", "M_person"},
        {"person by ID", "select psnsn from m_person where idcard = ?", "m_person"},
        {"persons of an employer", "select count(*) from m_person where ssn = ?", "m_person"},
        {"institution row by ID",
         "select count(*) from M_PSNAPPOINTEDHOSPITAL where M_PSNAPPOINTEDHOSPITAL.idcard = ?",
         "M_PSNAPPOINTEDHOSPITAL"},
        {"organisation code", "select count(*) from M_corporation where orgcode=?", "M_corporation"},
        {"organisation code of another employer",
         "select count(*) from M_corporation where orgcode=? and ssn <> ?", "M_corporation"},
        {"institution code", "select short_name from d_hos where code = ?", "d_hos"},
        {"person query by ID",
         "SELECT M_PERSON.psnsn FROM M_PERSON INNER JOIN M_CORPORATION ON M_PERSON.SSN = M_CORPORATION.SSN "
         "WHERE M_PERSON.IDCARD=? order by M_PERSON.psnsn",
         "M_PERSON"},
        {"person query by number",
         "SELECT M_PERSON.psnsn FROM M_PERSON INNER JOIN M_CORPORATION ON M_PERSON.SSN = M_CORPORATION.SSN "
         "WHERE M_CORPORATION.SSN=? order by M_PERSON.psnsn",
         "M_PERSON"},
        {"employer print", "SELECT * FROM \"cop_print1\" WHERE SSN = ?", "M_CORPORATION"},
        {"person print", "SELECT * FROM \"person_print\" WHERE IDCARD = ?", "M_PERSON"},
    };
    for (const Case& k : cases) {
        QStringList plan;
        QVariantList params;
        for (int i = 0; i < QString(k.sql).count('?'); ++i) params.append(QString("x"));
        for (const QVariantList& r : c.select(QString("EXPLAIN QUERY PLAN ") + k.sql, params))
            plan.append(r.value(3).toString());
        const QString text = plan.join(" / ");
        EXPECT_TRUE(text.contains("USING INDEX") || text.contains("USING COVERING INDEX"))
            << k.what << ": " << text.toStdString();
        for (const QString& step : plan) {
            EXPECT_FALSE(step.startsWith("SCAN " + QString(k.table), Qt::CaseInsensitive) ||
                         step.startsWith("SCAN c") || step.startsWith("SCAN p"))
                << k.what << ": " << text.toStdString();
        }
    }
}

TEST(Format, NewFilesAreOfTheCurrentFormat) {
    WorkDir w;
    for (const QString& path : {w.database(), w.templateFile()}) {
        store::Connection c;
        c.open(path);
        EXPECT_EQ(store::fileFormat(c), store::kCurrentFormat);
        const store::FormatReport r = store::bringToCurrentFormat(c);
        EXPECT_FALSE(r.upgraded);
        EXPECT_TRUE(r.collisions.isEmpty());
    }
}

TEST(Format, UpgradeOfAFormat1WorkingDatabaseKeepsEveryRowAndSerial) {
    WorkDir w;
    const QString path = copyFixture("format1/Enterprise.mdb", w.path(), "old.mdb");
    store::Connection c;
    c.open(path);
    ASSERT_EQ(store::fileFormat(c), 1);
    const QStringList before = dump(c);
    const QString viewsBefore = schemaOf(c, "type = 'view'");
    const int codeRows = c.scalar("SELECT count(*) FROM d_hos").toInt();
    ASSERT_EQ(c.scalar("SELECT count(*) FROM M_PERSON").toInt(), 5);

    const store::FormatReport r = store::bringToCurrentFormat(c);
    EXPECT_TRUE(r.upgraded);
    EXPECT_EQ(r.formatBefore, 1);
    EXPECT_EQ(store::fileFormat(c), 2);
    // No row lost or changed, rowids (serials and the institution rows' order) kept.
    EXPECT_EQ(dump(c), before);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM d_hos").toInt(), codeRows);
    EXPECT_EQ(c.scalar("PRAGMA integrity_check").toString(), "ok");
    EXPECT_TRUE(c.select("PRAGMA foreign_key_check").isEmpty());
    // The AUTOINCREMENT counters go on after the deleted rows, as before.
    EXPECT_EQ(c.scalar("SELECT seq FROM sqlite_sequence WHERE name = 'M_CORPORATION'").toInt(), 5);
    EXPECT_EQ(c.scalar("SELECT seq FROM sqlite_sequence WHERE name = 'M_PERSON'").toInt(), 6);
    c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('330000000001', '新单位')");
    EXPECT_EQ(c.lastInsertRowId(), 6);
    c.execute("INSERT INTO M_PERSON (IDCARD, SSN) VALUES ('11010519320101019X', '330000000001')");
    EXPECT_EQ(c.lastInsertRowId(), 7);
    // The views are the same and still read every row.
    EXPECT_EQ(schemaOf(c, "type = 'view'"), viewsBefore);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM cop_print1").toInt(), 5);
    EXPECT_EQ(c.scalar("SELECT count(*) FROM person_print WHERE IDCARD = '11010519310101015x'").toInt(), 1);

    // Both pairs that differ only in letter case are reported, each spelling once.
    ASSERT_EQ(r.collisions.size(), 2);
    EXPECT_EQ(r.collisions[0].table, "M_CORPORATION");
    EXPECT_EQ(r.collisions[0].column, "SSN");
    EXPECT_EQ(r.collisions[0].values, QStringList({"ab0000000001", "AB0000000001"}));
    EXPECT_EQ(r.collisions[1].table, "M_PERSON");
    EXPECT_EQ(r.collisions[1].column, "IDCARD");
    EXPECT_EQ(r.collisions[1].values, QStringList({"11010519300101011x", "11010519300101011X"}));
    EXPECT_FALSE(r.collisionsTold);
    // Their organisation codes differ in case too (checked by the program only).
    ASSERT_EQ(r.otherCollisions.size(), 1);
    EXPECT_EQ(r.otherCollisions[0].values, QStringList({"ab000001-1", "AB000001-1"}));
    // The unique keys wait; a plain index of the same name keeps the searches fast.
    EXPECT_FALSE(indexIsUnique(c, "M_CORPORATION", "idx_M_CORPORATION_SSN"));
    EXPECT_FALSE(indexIsUnique(c, "M_PERSON", "idx_M_PERSON_IDCARD"));
}

TEST(Format, UpgradedFilesHaveTheSchemaOfNewOnes) {
    WorkDir w;
    const QString oldWork = copyFixture("format1/Enterprise.mdb", w.path(), "old.mdb");
    const QString oldTemplate = copyFixture("format1/structure.mdb", w.path(), "oldstructure.mdb");
    store::Connection fresh, upgraded, freshT, upgradedT;
    fresh.open(w.database());
    freshT.open(w.templateFile());
    upgraded.open(oldWork);
    upgradedT.open(oldTemplate);
    store::bringToCurrentFormat(upgraded);
    store::bringToCurrentFormat(upgradedT);
    const QString registers =
        "tbl_name IN ('M_CORPORATION', 'M_PERSON', 'M_PSNAPPOINTEDHOSPITAL', 'M_UserManager')";
    // The template had no rows, so nothing holds its keys back.
    EXPECT_EQ(schemaOf(upgradedT, "name <> 'sqlite_sequence'"),
              schemaOf(freshT, "name <> 'sqlite_sequence'"));
    EXPECT_EQ(schemaOf(upgraded, registers + " AND type = 'table'"),
              schemaOf(fresh, registers + " AND type = 'table'"));
    EXPECT_EQ(schemaOf(upgraded, "type = 'view'"), schemaOf(fresh, "type = 'view'"));
    const QString waiting = " AND name NOT IN ('idx_M_CORPORATION_SSN', 'idx_M_PERSON_IDCARD')";
    EXPECT_EQ(schemaOf(upgraded, registers + " AND type = 'index'" + waiting),
              schemaOf(fresh, registers + " AND type = 'index'" + waiting));
}

TEST(Format, TheUniqueKeyFollowsOnceTheCollisionsAreCorrected) {
    WorkDir w;
    const QString path = copyFixture("format1/Enterprise.mdb", w.path(), "old.mdb");
    store::Connection c;
    c.open(path);
    store::FormatReport r = store::bringToCurrentFormat(c);
    ASSERT_EQ(r.collisions.size(), 2);
    store::markCollisionsTold(c);

    // Usable meanwhile: a new employer and person are stored and checked.
    c.execute("INSERT INTO M_CORPORATION (SSN) VALUES ('ef0000000001')");
    EXPECT_EQ(c.scalar("SELECT count(*) FROM M_CORPORATION WHERE SSN = 'EF0000000001'").toInt(), 1);

    // Opening again: not upgraded again, the same collisions, already told.
    r = store::bringToCurrentFormat(c);
    EXPECT_FALSE(r.upgraded);
    EXPECT_EQ(r.collisions.size(), 2);
    EXPECT_TRUE(r.collisionsTold);

    // One pair corrected: its key applies, the other still waits.
    c.execute("UPDATE M_CORPORATION SET SSN = 'ab0000000002' WHERE SSN = 'ab0000000001' COLLATE BINARY");
    r = store::bringToCurrentFormat(c);
    ASSERT_EQ(r.collisions.size(), 1);
    EXPECT_EQ(r.collisions[0].column, "IDCARD");
    EXPECT_TRUE(indexIsUnique(c, "M_CORPORATION", "idx_M_CORPORATION_SSN"));
    EXPECT_FALSE(accepted(c, "INSERT INTO M_CORPORATION (SSN) VALUES (?)", {QString("AB0000000002")}));

    // The other corrected (here by deleting the second person): every rule holds, no mark is left.
    c.execute("DELETE FROM M_PERSON WHERE IDCARD = '11010519300101011X' COLLATE BINARY");
    r = store::bringToCurrentFormat(c);
    EXPECT_TRUE(r.collisions.isEmpty());
    EXPECT_FALSE(r.collisionsTold);
    EXPECT_TRUE(indexIsUnique(c, "M_PERSON", "idx_M_PERSON_IDCARD"));
    EXPECT_EQ(
        c.scalar("SELECT count(*) FROM veyra_meta WHERE key LIKE 'pending%' OR key LIKE '%told'").toInt(), 0);
    EXPECT_EQ(store::fileFormat(c), 2);
}

TEST(Format, AFailedUpgradeChangesNothing) {
    WorkDir w;
    const QString path = copyFixture("format1/Enterprise.mdb", w.path(), "old.mdb");
    const QByteArray before = bytesOf(path);
    {
        store::Connection c;
        c.open(path, store::databasePassword(), store::Connection::Mode::ReadOnly);
        try {
            store::bringToCurrentFormat(c);
            ADD_FAILURE() << "a read-only connection upgraded the file";
        } catch (const store::Error& e) {
            EXPECT_TRUE(e.text().contains("无法把数据库文件")) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains("文件未作改动")) << e.text().toStdString();
        }
    }
    EXPECT_EQ(bytesOf(path), before);
}

TEST(Format, AFileOfANewerFormatIsRefusedUntouched) {
    WorkDir w;
    {
        store::Connection c;
        c.open(w.database());
        c.execute("UPDATE veyra_meta SET value = '3' WHERE key = 'format'");
    }
    const QByteArray before = bytesOf(w.database());
    store::Connection c;
    try {
        c.open(w.database());
        ADD_FAILURE() << "a file of format 3 was opened";
    } catch (const store::Error& e) {
        EXPECT_TRUE(e.text().contains("比本程序新")) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains("（3）")) << e.text().toStdString();
    }
    EXPECT_FALSE(c.isOpen());
    EXPECT_EQ(bytesOf(w.database()), before);
}

}  // namespace
