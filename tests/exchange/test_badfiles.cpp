// Submission files that must be refused (or whose hostile parts must never
// run): for each, the message, the working database and the medium unchanged.
#include <gtest/gtest.h>

#include <optional>

#include <sqlite3.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QThread>
#include <QtEndian>
#include <functional>

#include <QCoreApplication>
#include <cstdio>
#include "ExchangeFixtures.h"
#include "exchange/Paths.h"
#include "exchange/RowsChecksum.h"
#include "exchange/SubmissionFile.h"
#include "exchange/TForm_import.h"
#include "platform/Clock.h"
#include "store/Backup.h"
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
         Kind::SchemaDiffers, "索引 evil 的定义无法识别"},
        {"one changed character in a name",
         [](const QString& p) {
             QByteArray b = bytesOf(p);
             const qsizetype at = b.indexOf(QString("人员甲").toUtf8());
             ASSERT_GT(at, 0);
             b.replace(at, QString("人员乙").toUtf8().size(), QString("人员乙").toUtf8());
             writeBytes(p, b);
         },
         Kind::ChecksumMismatch, "校验值不符"},
        // Parts a file may carry that could run: refused before a row is read.
        {"view with a side effect",
         [](const QString& p) { raw(p, "CREATE VIEW evil AS SELECT " + kLoadExtension + ";"); }, Kind::View,
         "含有视图 evil"},
        {"trigger with a side effect",
         [](const QString& p) {
             raw(p, "CREATE TRIGGER evil AFTER INSERT ON M_CORPORATION BEGIN SELECT " + kLoadExtension +
                        "; END;");
         },
         Kind::Trigger, "含有触发器 evil"},
        {"CHECK with a side effect",
         [](const QString& p) {
             raw(p,
                 "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, 'SUPERIORSSN "
                 "VARCHAR(12) COLLATE NOCASE CHECK (', 'SUPERIORSSN VARCHAR(12) COLLATE NOCASE CHECK (" +
                     QString(kLoadExtension).replace("'", "''") +
                     " IS NULL AND ') WHERE name = 'M_CORPORATION';");
         },
         Kind::SchemaDiffers, "数据表 M_CORPORATION 的定义与本系统的不符"},
        {"generated column with a side effect",
         [](const QString& p) {
             raw(p,
                 "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = substr(rtrim(sql), 1, "
                 "length(rtrim(sql)) - 1) || ', evil AS (" +
                     QString(kLoadExtension).replace("'", "''") + "))' WHERE name = 'M_CORPORATION';");
         },
         Kind::GeneratedColumn, "数据表 M_CORPORATION 含有计算列 evil"},
        {"generated column among the registers' columns",
         [](const QString& p) {
             raw(p,
                 "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, 'MEMO2 "
                 "VARCHAR(50)', "
                 "'evil AS (1), MEMO2 VARCHAR(50)') WHERE name = 'M_PSNAPPOINTEDHOSPITAL';");
         },
         Kind::GeneratedColumn, "数据表 M_PSNAPPOINTEDHOSPITAL 含有计算列 evil"},
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

// Many times a cheap function, so that evaluating the expression once per row
// would take minutes: the file must be judged without running it.
QString heavyExpression(const QString& column) {
    QStringList terms;
    for (int i = 0; i < 64; ++i)
        terms.append(QString("instr(printf('%.*c', 999999, 'x'), %1 || '%2')").arg(column).arg(i));
    return terms.join(" + ");
}

// Replaces text in one schema entry as a hostile site could.
void rewriteSchema(const QString& path, const QString& name, const QString& from, const QString& to) {
    raw(path, QString("PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, '%1', '%2') "
                      "WHERE name = '%3';")
                  .arg(QString(from).replace("'", "''"), QString(to).replace("'", "''"), name));
}

struct HostileSchema {
    const char* name;
    std::function<void(const QString& path)> spoil;
    Kind kind;
    const char* message;
};

std::vector<HostileSchema> hostileSchemas() {
    return {
        {"generated column",
         [](const QString& p) {
             rewriteSchema(
                 p, "M_PERSON", "SSN VARCHAR(50) COLLATE NOCASE CHECK",
                 "heavy AS (" + heavyExpression("NAME") + ") VIRTUAL, SSN VARCHAR(50) COLLATE NOCASE CHECK");
         },
         Kind::GeneratedColumn, "数据表 M_PERSON 含有计算列 heavy"},
        {"expression index",
         [](const QString& p) {
             raw(p, "CREATE INDEX heavy ON M_PERSON (abs(PSNSN));");
             rewriteSchema(p, "heavy", "abs(PSNSN)", heavyExpression("NAME"));
         },
         Kind::ExpressionIndex, "含有表达式索引 heavy"},
        {"partial index",
         [](const QString& p) {
             raw(p, "CREATE INDEX part ON M_PERSON (NAME) WHERE NAME > '';");
             rewriteSchema(p, "part", "NAME > ''", heavyExpression("NAME") + " > 0");
         },
         Kind::PartialIndex, "含有部分索引 part"},
        {"trigger",
         [](const QString& p) {
             raw(p, "CREATE TRIGGER t AFTER INSERT ON M_CORPORATION BEGIN SELECT " +
                        heavyExpression("new.NAME") + "; END;");
         },
         Kind::Trigger, "含有触发器 t"},
        {"view",
         [](const QString& p) {
             raw(p, "CREATE VIEW v AS SELECT " + heavyExpression("NAME") + " FROM M_PERSON;");
         },
         Kind::View, "含有视图 v"},
        {"virtual table", [](const QString& p) { raw(p, "CREATE VIRTUAL TABLE words USING fts5(x);"); },
         Kind::VirtualTable, "含有虚拟表 words"},
        {"hidden column",
         [](const QString& p) {
             rewriteSchema(p, "M_PSNAPPOINTEDHOSPITAL", "MEMO2 VARCHAR(50)",
                           "MEMO2 VARCHAR(50), h INTEGER HIDDEN");
         },
         Kind::HiddenColumn, "数据表 M_PSNAPPOINTEDHOSPITAL 含有隐藏列 h"},
        {"unknown collation",
         [](const QString& p) {
             rewriteSchema(p, "M_CORPORATION", "NAME VARCHAR(80)", "NAME VARCHAR(80) COLLATE evil");
         },
         Kind::UnknownCollation, "列 NAME 使用了本系统不认识的排序规则 evil"},
        {"heavy CHECK",
         [](const QString& p) {
             rewriteSchema(p, "M_PERSON", "NAME VARCHAR(20) CHECK (",
                           "NAME VARCHAR(20) CHECK ((" + heavyExpression("NAME") + ") >= 0 AND ");
         },
         Kind::SchemaDiffers, "数据表 M_PERSON 的定义与本系统的不符"},
        {"extra table", [](const QString& p) { raw(p, "CREATE TABLE notes (x);"); }, Kind::ExtraTable,
         "含有本系统没有的数据表 notes"},
        {"padded far beyond its pages",
         [](const QString& p) {
             QFile f(p);
             ASSERT_TRUE(f.resize(qint64(1) << 30));  // sparse: costs no disk
         },
         Kind::SizeMismatch, "长度与其页数不符"},
    };
}

QStringList privateCopies() {
    return QDir(QDir::tempPath())
        .entryList(
            {exchange::privateCopyPrefix() + QString::number(QCoreApplication::applicationPid()) + "-*"},
            QDir::Dirs | QDir::Hidden);
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

    // The register tables' shapes as the working database has them.
    QList<exchange::TableShape> workingShapes() {
        store::Connection target;
        target.open(work.database());
        return exchange::registerShapes(target);
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
        std::optional<Kind> refusedAs;
        try {
            f.open(path, shapes);
            EXPECT_FALSE(c.refused) << "accepted";
        } catch (const exchange::Refusal& r) {
            refusedAs = r.kind();
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
            // Registers that do not match end the transfer, which closes the log as
            // every transfer does; a file that cannot be opened leaves the two start lines.
            // A damaged page in the stored table definitions reads as such a mismatch.
            const bool tablesDiffer =
                refusedAs && (*refusedAs == Kind::MissingTable || *refusedAs == Kind::NotATable ||
                              *refusedAs == Kind::ColumnsDiffer);
            if (tablesDiffer)
                EXPECT_EQ(form.logLines().mid(2), QStringList({"操作完毕！", QString(62, '-')}));
            else
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

TEST_F(BadFiles, HostileSchemasAreJudgedInSecondsBeforeAnyRowIsRead) {
    int n = 0;
    for (const HostileSchema& c : hostileSchemas()) {
        SCOPED_TRACE(c.name);
        const QString path = work.file(QString("hostile%1.mdb").arg(n++));
        QFile::copy(good, path);
        c.spoil(path);
        ASSERT_TRUE(QFileInfo(path).size() != QFileInfo(good).size() || bytesOf(path) != bytesOf(good));
        const QByteArray before = bytesOf(work.database());
        dialogs.clear();
        TForm_import form;
        form.FormShow();
        form.Edit_fromfile->setText(path);
        QElapsedTimer t;
        t.start();
        form.Button1Click();
        const qint64 ms = t.elapsed();
        std::printf("%-28s refused in %4lld ms\n", c.name, static_cast<long long>(ms));
        EXPECT_LT(ms, 2000);
        ASSERT_EQ(dialogs.texts().size(), 1);
        EXPECT_TRUE(dialogs.texts().first().contains(QString::fromUtf8(c.message)))
            << dialogs.texts().first().toStdString();
        EXPECT_EQ(bytesOf(work.database()), before);
        EXPECT_EQ(privateCopies(), QStringList());
        exchange::SubmissionFile f;
        try {
            f.open(path, workingShapes());
            ADD_FAILURE() << "accepted";
        } catch (const exchange::Refusal& r) {
            EXPECT_EQ(int(r.kind()), int(c.kind)) << r.text().toStdString();
        }
        QFile::remove(path);
    }
}

// A file of the right shape that still needs more work than its size
// warrants is stopped at the budget; the window is served meanwhile.
TEST_F(BadFiles, WorkBeyondTheBudgetIsRefusedAndTheWindowIsServed) {
    exchange::setCheckBudgetOverride(std::chrono::milliseconds(30));
    int ticks = 0;
    const QList<exchange::TableShape> shapes = workingShapes();
    exchange::SubmissionFile f;
    try {
        f.open(good, shapes, [&ticks](const QString&, qint64, qint64) {
            ++ticks;
            QThread::msleep(50);  // more than the budget: one report is enough to exceed it
        });
        ADD_FAILURE() << "accepted";
    } catch (const exchange::Refusal& r) {
        EXPECT_EQ(int(r.kind()), int(Kind::TooComplex)) << r.text().toStdString();
        EXPECT_TRUE(r.text().startsWith("报盘文件过于复杂，无法在限定时间内检查"));
    }
    exchange::setCheckBudgetOverride(std::chrono::milliseconds(0));
    EXPECT_GE(ticks, 1);
    EXPECT_EQ(privateCopies(), QStringList());
    f.open(good, shapes);  // the normal budget
    EXPECT_TRUE(f.isOpen());
    // The private copy is the process's own: a directory only its owner enters.
    ASSERT_EQ(privateCopies().size(), 1);
    const QFileInfo dir(QDir::tempPath() + "/" + privateCopies().first());
    EXPECT_EQ(int(dir.permissions() & 0x00ff), 0);  // nothing for group or others
    EXPECT_TRUE(dir.permissions().testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner));
    f.close();
    EXPECT_EQ(privateCopies(), QStringList());
}

// The rows are checked against their checksum as the import reads them. A
// file whose rows were changed is refused as such (with nothing imported and
// no backup kept) even when something in it makes the transfer fail on the
// way; a file whose rows match and that fails is rolled back as any other.
TEST_F(BadFiles, ChangedRowsAreRefusedAsChangedWhateverElseFails) {
    const QString unknownEmployer = "UPDATE M_PERSON SET SSN = '999999999999' WHERE rowid = 20;";
    const QString unknownPerson =
        "UPDATE M_PSNAPPOINTEDHOSPITAL SET IDCARD = '110101194001019999' WHERE rowid = 30;";
    const QString changedName = "UPDATE M_PERSON SET NAME = '改过' WHERE rowid = 5;";
    const QString checksumOfRows =
        "UPDATE veyra_meta SET value = '%1' WHERE key = 'rows_checksum';";  // %1: the rows as they are now
    struct Case {
        const char* name;
        QString spoil;
        bool restamp;  // the checksum recorded again after the change
        const char* message;
    } cases[] = {
        {"a changed name", changedName, false, "校验值不符"},
        {"a changed name and an unknown employer", changedName + unknownEmployer, false, "校验值不符"},
        {"an unknown person's institution row", unknownPerson, false, "校验值不符"},
        {"an unknown employer, checksum recorded with it", unknownEmployer, true,
         "操作过程中出现错误，取消操作"},
    };
    const QString backups = store::backupDirectory();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = work.file(QString("changed%1.mdb").arg(n++));
        QFile::copy(good, path);
        raw(path, c.spoil);
        if (c.restamp) {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
            const QString rows = exchange::rowsChecksum(db);
            sqlite3_close(db);
            raw(path, QString(checksumOfRows).arg(rows));
        }
        const QStringList before = dump(work.database());
        QDir(backups).removeRecursively();
        dialogs.clear();
        TForm_import form;
        form.FormShow();
        form.Edit_fromfile->setText(path);
        form.Button1Click();
        ASSERT_EQ(dialogs.texts().size(), 1);
        const QString shown = dialogs.texts().first();
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.message))) << shown.toStdString();
        EXPECT_EQ(dump(work.database()), before);
        EXPECT_TRUE(integrityOk(work.database()));
        if (c.restamp) {
            EXPECT_TRUE(form.logLines().at(2).startsWith("出错原因："))
                << form.logLines().join('|').toStdString();
            continue;
        }
        // As when the file is refused before a row is read.
        EXPECT_TRUE(shown.endsWith("无法导入：" + path)) << shown.toStdString();
        EXPECT_EQ(form.logLines().size(), 2);
        EXPECT_EQ(QDir(backups).entryList(QDir::Files | QDir::Hidden), QStringList());
        EXPECT_FALSE(QFileInfo::exists(exchange::transferLogPath()));
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

// The rows checksum of files already exported: the canonical form, pinned by
// a digest computed apart from this program. Values of every kind, one larger
// than the hashing buffer, and rows enough to fill it many times over.
TEST(RowsChecksum, CanonicalFormIsPinned) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    const char* script =
        "CREATE TABLE M_CORPORATION (CORPSN INTEGER PRIMARY KEY, SSN TEXT, Name TEXT);"
        "CREATE TABLE M_PERSON (PSNSN INTEGER PRIMARY KEY, IDCARD TEXT, PHOTO BLOB, RATE REAL);"
        "CREATE TABLE M_PSNAPPOINTEDHOSPITAL (PSNSN INTEGER, MEMO TEXT);"
        "INSERT INTO M_CORPORATION VALUES (1, '110000000001', '单位');"
        "INSERT INTO M_CORPORATION SELECT 2, NULL, replace(hex(zeroblob(40000)), '00', '长');"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO M_PERSON SELECT i, 'id' || i, X'00ff', i * 1.5 FROM n;"
        "INSERT INTO M_PSNAPPOINTEDHOSPITAL VALUES (1, '');";
    ASSERT_EQ(sqlite3_exec(db, script, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    EXPECT_EQ(exchange::rowsChecksum(db), "8f279b9cbbfe74f13713bec22c9e5482800251f5fa84e99591e66218bd2540c5");
    sqlite3_close(db);
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
