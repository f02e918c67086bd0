// Submission files that must be refused (or whose hostile parts must never
// run): for each, the message, the working database and the medium unchanged.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtEndian>
#include <functional>

#include "ExchangeFixtures.h"
#include "exchange/SubmissionFile.h"
#include "exchange/TForm_import.h"
#include "platform/Clock.h"
#include "store/Connection.h"
#include "support/TestSupport.h"

using namespace fixtures;
using Kind = exchange::Refusal::Kind;

namespace {

// Runs SQL on a raw connection that trusts the file (how a hostile file is made).
void raw(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "") << " in " << sql.toStdString();
    sqlite3_free(err);
    sqlite3_close(db);
}

void patch(const QString& path, qint64 at, const QByteArray& bytes) {
    QByteArray b = bytesOf(path);
    b.replace(at, bytes.size(), bytes);
    writeBytes(path, b);
}

int pageSize(const QString& path) {
    return qFromBigEndian<quint16>(bytesOf(path).constData() + 16);
}

// Leaves path-journal as a crash in the middle of a transaction would.
void makeHotJournal(const QString& path) {
    const QString scratch = path + ".work";
    QFile::copy(path, scratch);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(scratch).constData(), &db), SQLITE_OK);
    sqlite3_exec(db,
                 "PRAGMA cache_size = 1; BEGIN; UPDATE M_PERSON SET NAME = 'xxxxxxxxxxxxxxxxxxxx'; "
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                 "INSERT INTO M_CORPORATION (SSN, NAME) SELECT 'X' || i, hex(randomblob(30)) FROM n;",
                 nullptr, nullptr, nullptr);
    // The files as they lie on disk now: changed pages spilled, journal live.
    writeBytes(path, bytesOf(scratch));
    writeBytes(path + "-journal", bytesOf(scratch + "-journal"));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile::remove(scratch);
    ASSERT_GT(QFileInfo(path + "-journal").size(), 0);
    ASSERT_NE(bytesOf(path + "-journal").left(4), QByteArray(4, 0));  // synced: the header is live
}

struct BadFile {
    const char* name;
    std::function<void(const QString& path)> spoil;
    std::optional<Kind> kind;  // none: any refusal (damage), or none at all (see refused)
    const char* message;       // a part of the text shown
    bool refused = true;       // false: the file imports, its hostile part never runs
};

const QString kLoadExtension = "load_extension('/nonexistent/evil.so')";

std::vector<BadFile> badFiles() {
    std::vector<BadFile> v{
        {"empty", [](const QString& p) { writeBytes(p, {}); }, Kind::Empty, "报盘文件是空文件"},
        {"text file", [](const QString& p) { writeBytes(p, QByteArray(300, 'a')); }, Kind::NotDatabase,
         "报盘文件不是数据库文件"},
        {"short file", [](const QString& p) { writeBytes(p, "SQLite format 3"); }, Kind::NotDatabase,
         "报盘文件不是数据库文件"},
        {"page size 1000", [](const QString& p) { patch(p, 16, QByteArray::fromHex("03e8")); },
         Kind::BadPageSize, "页大小无效"},
        {"cut by one page",
         [](const QString& p) {
             const QByteArray b = bytesOf(p);
             writeBytes(p, b.left(b.size() - pageSize(p)));
         },
         Kind::SizeMismatch, "长度与其页数不符"},
        {"half page appended",
         [](const QString& p) { writeBytes(p, bytesOf(p) + QByteArray(pageSize(p) / 2, 0)); },
         Kind::SizeMismatch, "长度与其页数不符"},
        {"WAL mode", [](const QString& p) { raw(p, "PRAGMA journal_mode = WAL;"); }, Kind::WalMode, "WAL"},
        {"hot journal beside it", [](const QString& p) { makeHotJournal(p); }, Kind::HotJournal,
         "未完成的事务日志"},
        {"foreign application id", [](const QString& p) { raw(p, "PRAGMA application_id = 1234;"); },
         Kind::NotVeyra, "不是本系统的数据库文件"},
        {"no metadata", [](const QString& p) { raw(p, "DROP TABLE veyra_meta;"); }, Kind::NotVeyra,
         "不是本系统的数据库文件"},
        {"metadata is a view",
         [](const QString& p) {
             raw(p,
                 "CREATE TABLE m2 AS SELECT * FROM veyra_meta; DROP TABLE veyra_meta; "
                 "CREATE VIEW veyra_meta AS SELECT key, value FROM m2;");
         },
         Kind::NotVeyra, "不是本系统的数据库文件"},
        {"other password",
         [](const QString& p) {
             raw(p, "UPDATE veyra_meta SET value = 'ab' WHERE key = 'password_verifier';");
         },
         Kind::WrongPassword, "数据库密码不符"},
        {"register missing", [](const QString& p) { raw(p, "DROP TABLE M_PSNAPPOINTEDHOSPITAL;"); },
         Kind::MissingTable, "缺少数据表 M_PSNAPPOINTEDHOSPITAL"},
        {"register is a view with a side effect",
         [](const QString& p) {
             raw(p, "DROP TABLE M_PERSON; CREATE VIEW M_PERSON AS SELECT " + kLoadExtension +
                        " AS PSNSN, * FROM M_CORPORATION;");
         },
         Kind::NotATable, "M_PERSON 不是普通数据表"},
        {"column renamed", [](const QString& p) { raw(p, "ALTER TABLE M_PERSON RENAME COLUMN NAME TO XM;"); },
         Kind::ColumnsDiffer, "M_PERSON 的列与本地库不符"},
        {"column missing",
         [](const QString& p) {
             raw(p,
                 "DROP INDEX idx_M_PSNAPPOINTEDHOSPITAL_IDCARD; ALTER TABLE M_PSNAPPOINTEDHOSPITAL DROP "
                 "COLUMN IDCARD;");
         },
         Kind::ColumnsDiffer, "M_PSNAPPOINTEDHOSPITAL 的列与本地库不符"},
        {"index expression with a side effect",
         [](const QString& p) {
             raw(p,
                 "CREATE INDEX evil ON M_CORPORATION (abs(CORPSN)); PRAGMA writable_schema = ON; "
                 "UPDATE sqlite_schema SET sql = replace(sql, 'abs(CORPSN)', '" +
                     QString(kLoadExtension).replace("'", "''") + "') WHERE name = 'evil';");
         },
         Kind::Damaged, "报盘文件已损坏"},
        {"one changed character in a name",
         [](const QString& p) {
             QByteArray b = bytesOf(p);
             const qsizetype at = b.indexOf(QString("人员甲").toUtf8());
             ASSERT_GT(at, 0);
             b.replace(at, QString("人员乙").toUtf8().size(), QString("人员乙").toUtf8());
             writeBytes(p, b);
         },
         Kind::ChecksumMismatch, "校验值不符"},
        // Parts a file may carry that must never run: they are ignored.
        {"view with a side effect",
         [](const QString& p) { raw(p, "CREATE VIEW evil AS SELECT " + kLoadExtension + ";"); }, std::nullopt,
         "操作完毕！", false},
        {"trigger with a side effect",
         [](const QString& p) {
             raw(p, "CREATE TRIGGER evil AFTER INSERT ON M_CORPORATION BEGIN SELECT " + kLoadExtension +
                        "; END;");
         },
         std::nullopt, "操作完毕！", false},
        // Read-only, the integrity check does not evaluate CHECK constraints;
        // writes go only to the working database, whose constraints are its own.
        {"CHECK with a side effect",
         [](const QString& p) {
             raw(p,
                 "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, 'SUPERIORSSN "
                 "VARCHAR(12) CHECK (', 'SUPERIORSSN VARCHAR(12) CHECK (" +
                     QString(kLoadExtension).replace("'", "''") +
                     " IS NULL AND ') WHERE name = 'M_CORPORATION';");
         },
         std::nullopt, "操作完毕！", false},
        {"generated column with a side effect",
         [](const QString& p) {
             raw(p,
                 "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = substr(rtrim(sql), 1, "
                 "length(rtrim(sql)) - 1) || ', evil AS (" +
                     QString(kLoadExtension).replace("'", "''") + "))' WHERE name = 'M_CORPORATION';");
         },
         Kind::Damaged, "报盘文件已损坏"},
        {"generated column among the registers' columns",
         [](const QString& p) {
             raw(p,
                 "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, 'MEMO2 "
                 "VARCHAR(50)', "
                 "'evil AS (1), MEMO2 VARCHAR(50)') WHERE name = 'M_PSNAPPOINTEDHOSPITAL';");
         },
         Kind::ColumnsDiffer, "M_PSNAPPOINTEDHOSPITAL 的列与本地库不符"},
    };
    // Random damage inside pages in use: the last bytes of a page hold cell
    // contents.
    for (int page : {2, 3, 5, -1}) {
        v.push_back({"damaged page",
                     [page](const QString& p) {
                         const int ps = pageSize(p);
                         const int pages = int(bytesOf(p).size() / ps);
                         const int n = page < 0 ? pages : page;
                         QByteArray junk(24, 0);
                         QRandomGenerator gen{quint32(n)};
                         for (char& c : junk) c = char(gen.bounded(256));
                         patch(p, qint64(n) * ps - 40, junk);
                     },
                     std::nullopt, "无法导入"});
    }
    return v;
}

class BadFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setToday(QDate(2026, 12, 10));
        const QString origin = work.file("origin.mdb");
        newSubmission(origin);
        {
            store::Connection c;
            c.open(origin);
            for (int i = 0; i < 40; ++i) {
                const QString ssn = QString("1100000000%1").arg(i, 2, 10, QChar('0'));
                const QString id = QString("1101011940010100%1").arg(i, 2, 10, QChar('0'));
                addEmployer(c, ssn, QString("单位%1").arg(i));
                addPerson(c, ssn, id, i == 7 ? QString("人员甲") : QString("人员%1").arg(i));
                addInstitution(c, id, "00000001");
            }
        }
        good = work.file("good.mdb");
        exportTo(origin, good);
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "330000000001", "本地单位");
    }

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    QString good;
};

TEST_F(BadFiles, EachIsRefusedWithItsOwnMessageOrItsHostilePartNeverRuns) {
    const auto cases = badFiles();
    int n = 0;
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.name);
        const QString medium = work.file(QString("medium%1").arg(n++));
        QDir().mkpath(medium);
        const QString path = medium + "/2026-12-01.mdb";
        QFile::copy(good, path);
        c.spoil(path);
        const QMap<QString, QByteArray> mediumBefore = dirBytes(medium);
        const QStringList before = dump(work.database());

        // The gate alone names the kind.
        store::Connection target;
        target.open(work.database());
        QList<exchange::TableShape> shapes;
        for (const char* t : {"M_CORPORATION", "M_PERSON", "M_PSNAPPOINTEDHOSPITAL"}) {
            exchange::TableShape s{t, {}};
            for (const auto& col : target.tableColumns(t)) s.columns.append(col.name);
            shapes.append(s);
        }
        target.close();
        exchange::SubmissionFile f;
        try {
            f.open(path, shapes);
            EXPECT_FALSE(c.refused) << "accepted";
        } catch (const exchange::Refusal& r) {
            EXPECT_TRUE(c.refused) << "refused: " << r.text().toStdString();
            if (c.kind) {
                EXPECT_EQ(int(r.kind()), int(*c.kind)) << r.text().toStdString();
            }
        }
        f.close();

        // The window shows it.
        dialogs.clear();
        TForm_import form;
        form.FormShow();
        form.Edit_fromfile->setText(path);
        form.Button1Click();
        ASSERT_EQ(dialogs.texts().size(), 1);
        const QString shown = dialogs.texts().first();
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.message))) << shown.toStdString();
        if (c.refused) {
            EXPECT_TRUE(shown.endsWith("无法导入：" + path)) << shown.toStdString();
            EXPECT_EQ(dump(work.database()), before);
            EXPECT_EQ(form.logLines().size(), 2);
        } else {
            EXPECT_EQ(dump(work.database()).size(), before.size() + 120);
            store::Connection w;
            w.open(work.database());
            w.execute("DELETE FROM M_PSNAPPOINTEDHOSPITAL");
            w.execute("DELETE FROM M_PERSON");
            w.execute("DELETE FROM M_CORPORATION WHERE SSN <> '330000000001'");
        }
        EXPECT_TRUE(integrityOk(work.database()));
        EXPECT_EQ(dirBytes(medium), mediumBefore);
    }
}

TEST_F(BadFiles, FileWithoutChecksumImportsAsBefore) {
    raw(good, "DELETE FROM veyra_meta WHERE key = 'rows_checksum'; UPDATE M_PERSON SET NAME = 'changed';");
    TForm_import form;
    form.FormShow();
    form.Edit_fromfile->setText(good);
    form.Button1Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
}

TEST(LockedDownConnection, WhatAFileCouldAbuseIsOff) {
    testing_support::WorkDir work;
    const QString path = work.file("f.mdb");
    newSubmission(path);
    raw(path,
        "CREATE TABLE t (a); CREATE VIEW v AS SELECT 1; "
        "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END;");
    const QByteArray before = bytesOf(path);
    sqlite3* db = exchange::openLockedDown(path, path);
    auto fails = [db](const char* sql) {
        char* err = nullptr;
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
        const std::string text = err ? err : "";
        sqlite3_free(err);
        return rc != SQLITE_OK ? text : std::string();
    };
    EXPECT_NE(fails("SELECT load_extension('/nonexistent/evil.so')"), "");
    EXPECT_NE(fails("SELECT * FROM v"), "");
    EXPECT_NE(fails("INSERT INTO t VALUES (1)"), "");
    EXPECT_NE(fails("ATTACH 'other.db' AS o"), "");
    EXPECT_EQ(fails("SELECT count(*) FROM t"), "");
    sqlite3_close(db);
    EXPECT_EQ(bytesOf(path), before);
}

}  // namespace
