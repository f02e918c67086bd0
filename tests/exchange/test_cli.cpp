// veyra-transfer: the window's import, export and file checks from the
// command line, run as a separate program on a working directory of its own.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStringDecoder>
#include <QThread>
#include <QtEndian>

#include <sys/stat.h>

#include "exchange/RowsChecksum.h"

#include "ExchangeFixtures.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Table.h"
#include "support/TestSupport.h"

using namespace fixtures;

namespace {

struct Outcome {
    int exit = -1;
    QStringList out;  // standard output, line by line
    QString err;
};

class TransferProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        // The program reads the same settings file as the window.
        const QString config = work.file("config/Veyra");
        QDir().mkpath(config);
        QFile::copy(platform::settingsFilePath(), config + "/Veyra.ini");
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", work.file("config"));
        env.insert("TMPDIR", tempDir());
        for (const QString& e : extraEnv) env.insert(e.section('=', 0, 0), e.section('=', 1));
        return env;
    }
    // NAME=VALUE pairs over the test's own environment.
    QStringList extraEnv;
    // The program's own temporary folder, to see what it leaves there.
    QString tempDir() const {
        QDir().mkpath(work.file("tmp"));
        return work.file("tmp");
    }
    void start(QProcess& p, const QStringList& args) {
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(work.path());
        p.start(VEYRA_TRANSFER_PROGRAM, args);
    }

    // Runs the program and kills it as soon as a file matching `name` appears
    // in dir; false when it ended first.
    bool killWhenSeen(const QStringList& args, const QDir& dir, const QString& name, QDir::Filters filters) {
        QProcess p;
        start(p, args);
        if (!p.waitForStarted()) return false;
        bool seen = false;
        for (int i = 0; i < 20000 && !seen && p.state() != QProcess::NotRunning; ++i) {
            seen = !dir.entryList({name}, filters).isEmpty();
            if (!seen) QThread::usleep(500);
        }
        p.kill();
        p.waitForFinished();
        return seen;
    }

    Outcome run(const QStringList& args, int timeoutMs = 120000) {
        QProcess p;
        start(p, args);
        EXPECT_TRUE(p.waitForFinished(timeoutMs)) << args.join(' ').toStdString();
        Outcome r;
        r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (out.endsWith('\n')) out.chop(1);
        r.out = out.isEmpty() ? QStringList() : out.split('\n');
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // Today by the program's own clock and short date form.
    QString today() const { return QDate::currentDate().toString(platform::shortDateFormat()); }
    QString logFile() const { return work.file("orvanta/离休统筹导数日志文件" + today() + ".log"); }
    QStringList logFileLines() const {
        QString text = QStringDecoder("GBK").decode(bytesOf(logFile()));
        if (text.endsWith("\r\n")) text.chop(2);
        return text.split("\r\n");
    }

    QString sourceWith(const QString& name, const std::function<void(store::Connection&)>& fill) {
        const QString p = work.file(name);
        newSubmission(p);
        store::Connection s;
        s.open(p);
        fill(s);
        return p;
    }
    QString goodSource(const QString& name = "good.mdb") {
        return sourceWith(name, [](store::Connection& s) {
            addEmployer(s, "110000000001", "单位一");
            addPerson(s, "110000000001", "110101194001010011", "人一");
            addInstitution(s, "110101194001010011", "00000001");
        });
    }

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
};

// Two files in one run: the second repeats the first, so its rows are all
// duplicates; the log file holds both, as one showing of the window would.
TEST_F(TransferProgram, ImportsEachFileInTurnAndWritesTheLogFile) {
    const QString a = goodSource("a.mdb"), b = goodSource("b.mdb");
    const Outcome r = run({"import", a, b});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    QStringList first{kDashes, "开始向本地库导入数据...."};
    first += statistics(1, 0, 1, 0);
    first += QStringList{"", "操作完毕！", kDashes};
    QStringList second{kDashes,
                       "开始向本地库导入数据....",
                       "本条企业信息重复，其社保登记证号码为：110000000001",
                       "取消本条企业信息导入。",
                       "本条个人信息重复，其身份证号码为：110101194001010011",
                       "取消本条个人信息导入。",
                       "本条个人定点医疗机构信息重复，其人员身份证号码为：110101194001010011",
                       "取消本条个人定点医疗机构选择信息导入。"};
    second += statistics(1, 1, 1, 1);
    second += QStringList{"", "操作完毕！", kDashes};
    // "操作完毕！" once per file: the window's message box is the log's own line here.
    EXPECT_EQ(r.out, first + second);

    // The log file: every log line up to the second statistics.
    QStringList logged = first + second;
    logged = logged.mid(0, logged.size() - 3);
    EXPECT_EQ(logFileLines(), logged);

    store::Connection w;
    w.open(work.database());
    EXPECT_EQ(w.select("SELECT CORPSN, SSN FROM M_CORPORATION"),
              (QList<QVariantList>{{1LL, "110000000001"}}));
    EXPECT_EQ(w.scalar("SELECT count(*) FROM M_PSNAPPOINTEDHOSPITAL").toInt(), 1);
}

// The program backs the register up before it imports, as the window does,
// and imports nothing when that backup cannot be made.
TEST_F(TransferProgram, ImportsOnlyAfterThePreImportBackup) {
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "220000000001", "本地单位");
    }
    const QStringList before = dump(work.database());
    const Outcome r = run({"import", goodSource()});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    const QStringList backups =
        QDir(work.file("orvanta/备份")).entryList({"Enterprise-*-import.mdb"}, QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(dump(work.file("orvanta/备份/" + backups.first())), before);
    EXPECT_NE(dump(work.database()), before);

    // BackupDir inside a plain file: no backup, so no import.
    writeBytes(work.file("plain"), "x");
    platform::writeSetting("BackupDir", work.file("plain/备份"));
    QFile::remove(work.file("config/Veyra/Veyra.ini"));
    QFile::copy(platform::settingsFilePath(), work.file("config/Veyra/Veyra.ini"));
    const QStringList imported = dump(work.database());
    const QString fresh =
        sourceWith("second.mdb", [](store::Connection& s) { addEmployer(s, "330000000001", "新单位"); });
    const Outcome refused = run({"import", fresh});
    EXPECT_EQ(refused.exit, 1);
    EXPECT_TRUE(refused.err.contains("导入前的数据备份未能完成，没有导入")) << refused.err.toStdString();
    EXPECT_EQ(dump(work.database()), imported);
}

TEST_F(TransferProgram, RefusedAndRolledBackFilesExitNonZeroWithTheReason) {
    const QString garbage = work.file("garbage.mdb");
    writeBytes(garbage, QByteArray(4096, 'x'));
    const QString orphan = sourceWith("orphan.mdb", [](store::Connection& s) {
        addPerson(s, "999999999999", "110101194001010099", "无单位");
    });
    const QStringList before = dump(work.database());
    struct Case {
        QStringList args;
        int exit;
        QString reason;
    } cases[] = {
        {{"import", garbage}, 1, "报盘文件不是数据库文件"},
        {{"import", work.file("missing.mdb")}, 1, "请选择数据源文件"},
        {{"import", orphan}, 2, "操作过程中出现错误，取消操作"},
        {{"import", orphan}, 2, "999999999999"},  // the engine's reason follows
        {{"check", garbage}, 1, "报盘文件不是数据库文件"},
        {{"import", "Enterprise.mdb"}, 1, "就是本地库"},  // the working database itself
        {{"import"}, 64, "用法"},
        {{"frobnicate"}, 64, "用法"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.exit, c.exit) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.reason)) << r.err.toStdString();
    }
    EXPECT_EQ(dump(work.database()), before);
    EXPECT_FALSE(QFileInfo::exists(logFile()));
}

TEST_F(TransferProgram, ExportWritesTheDaysFileOrTheNamedOne) {
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000001", "单位一");
        addPerson(w, "110000000001", "110101194001010011", "人一");
    }
    Outcome r = run({"export"});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    const QString days = work.file("orvanta/" + today() + ".mdb");
    EXPECT_EQ(r.out.mid(0, 2), (QStringList{kDashes, "开始向报盘文件导入数据；文件路径及名称为：" + days}));
    EXPECT_EQ(dump(days).size(), 2);

    const QString named = work.file("out/named.mdb");
    r = run({"export", "--from", work.database(), "--to", named});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(dump(named), dump(days));
    // What an export writes, an import elsewhere accepts.
    r = run({"check", named});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringList{named + "：可以导入；单位信息 1 条，个人信息 1 条，定点医疗机构信息 0 条"});
}

// The window's connections stay open on the working database (a table
// dataset read, as the registration windows hold them); the program imports
// beside them, and the window sees the rows once it reads again.
TEST_F(TransferProgram, RunsWhileAWindowHoldsTheDatabase) {
    store::Connection window;
    window.open(work.database());
    store::Table persons(&window, "M_PERSON");
    persons.open();
    EXPECT_EQ(persons.recordCount(), 0);
    const Outcome r = run({"import", goodSource(), "--into", work.database()});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    persons.requery();
    EXPECT_EQ(persons.recordCount(), 1);
    // A window in the middle of a change holds the write lock: the program
    // waits for it, then reports the engine's reason and changes nothing.
    window.beginTransaction();
    window.execute("UPDATE M_CORPORATION SET NAME = '改名中'");
    const Outcome locked = run({"import", goodSource("second.mdb")});
    EXPECT_NE(locked.exit, 0);
    EXPECT_FALSE(locked.err.isEmpty());
    window.rollback();
    EXPECT_EQ(window.scalar("SELECT count(*) FROM M_PERSON").toInt(), 1);
}

// ---- a receiving office, interrupted runs, files that are not files --------

QStringList backupsOf(const QString& dir, const char* reason) {
    return QDir(dir).entryList({QString("Enterprise-*-%1.mdb").arg(reason)}, QDir::Files);
}

// One command of 300 files makes one backup, before its first file, and the
// day's backup beside it; a command whose files all fail leaves no import backup.
TEST_F(TransferProgram, OneCommandMakesOneBackupHoweverManyFiles) {
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "220000000001", "本地单位");
    }
    const QStringList before = dump(work.database());
    QStringList args{"import"};
    const QString tmpl = work.file("one.mdb");
    newSubmission(tmpl);
    for (int i = 0; i < 300; ++i) {
        const QString f = work.file(QString("in/%1.mdb").arg(i, 3, 10, QChar('0')));
        QDir().mkpath(QFileInfo(f).absolutePath());
        QFile::copy(tmpl, f);
        store::Connection s;
        s.open(f);
        addEmployer(s, QString("3300000%1").arg(i, 5, 10, QChar('0')), "外地单位");
        args.append(f);
    }
    const Outcome r = run(args);
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    const QString dir = work.file("orvanta/备份");
    const QStringList imports = backupsOf(dir, "import");
    ASSERT_EQ(imports.size(), 1);
    EXPECT_EQ(dump(dir + "/" + imports.first()), before);
    EXPECT_EQ(backupsOf(dir, "daily").size(), 1);
    QFile note(dir + "/" + QString(imports.first()).replace(".mdb", ".txt"));
    ASSERT_TRUE(note.open(QIODevice::ReadOnly));
    const QString said = QString::fromUtf8(note.readAll());
    EXPECT_TRUE(said.contains(args[1]) && said.contains("等 300 个文件")) << said.toStdString();
    EXPECT_EQ(dump(work.database()).size(), 301);

    // Every file held already: nothing committed anew... is still a commit of
    // no rows; a file refused and one rolled back are not.
    const QString orphan = sourceWith("orphan.mdb", [](store::Connection& s) {
        addPerson(s, "999999999999", "110101194001010099", "无单位");
    });
    writeBytes(work.file("garbage.mdb"), QByteArray(4096, 'x'));
    const Outcome failed = run({"import", work.file("garbage.mdb"), orphan});
    EXPECT_EQ(failed.exit, 2) << failed.err.toStdString();
    EXPECT_EQ(backupsOf(dir, "import").size(), 1);
}

// A killed export and a rolled-back one leave nothing under the day's name;
// the next run removes what the killed one left.
TEST_F(TransferProgram, AnExportAppearsUnderItsNameOnlyWhenWhole) {
    testing_support::addManyEmployers(work.database(), "44", 20000);
    const QString days = work.file("orvanta/" + today() + ".mdb");
    const QDir data(work.file("orvanta"));
    ASSERT_TRUE(killWhenSeen({"export"}, data, ".*.export", QDir::Files | QDir::Hidden))
        << "the export ended before it could be interrupted";
    EXPECT_FALSE(QFileInfo::exists(days));
    EXPECT_FALSE(data.entryList({".*.export"}, QDir::Files | QDir::Hidden).isEmpty());
    // The next run clears the dead one's file.
    EXPECT_EQ(run({"check", goodSource()}).exit, 0);
    EXPECT_TRUE(data.entryList({".*.export*"}, QDir::Files | QDir::Hidden).isEmpty());
    // A rolled-back export: no file either.
    {
        store::Connection w;
        w.open(work.database());
        addPerson(w, "999999999999", "110101194001010099", "无单位");
    }
    EXPECT_EQ(run({"export"}).exit, 2);
    EXPECT_FALSE(QFileInfo::exists(days));
    EXPECT_TRUE(data.entryList({".*.export*"}, QDir::Files | QDir::Hidden).isEmpty());
}

// A pipe (or a link to one) handed over as a submission file or lying as the
// template is refused at once, in words.
TEST_F(TransferProgram, PipesAndHollowFilesAreRefusedAtOnce) {
    const QString fifo = work.file("pipe.mdb");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile::link(fifo, work.file("link.mdb"));
    // A file whose header matches its size, a gigabyte of which is holes.
    const QString hollow = goodSource("hollow.mdb");
    {
        QFile f(hollow);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        QByteArray head = f.read(100);
        const quint32 pageSize = qFromBigEndian<quint16>(head.constData() + 16);
        const quint32 pages = (1u << 30) / pageSize;
        qToBigEndian(pages, head.data() + 28);
        f.seek(0);
        f.write(head);
        f.resize(qint64(pages) * pageSize);
    }
    struct Case {
        QStringList args;
        const char* reason;
    } cases[] = {
        {{"check", fifo}, "不是普通文件"},
        {{"check", work.file("link.mdb")}, "不是普通文件"},
        {{"import", fifo}, "不是普通文件"},
        {{"check", hollow}, "空洞"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome r = run(c.args, 20000);
        EXPECT_EQ(r.exit, 1);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.reason))) << r.err.toStdString();
    }
    EXPECT_TRUE(QDir(tempDir()).entryList({"veyra-*"}, QDir::Dirs | QDir::Hidden).isEmpty());
    // The template a pipe: refused, said in lines of their own.
    QFile::remove(work.templateFile());
    ASSERT_EQ(::mkfifo(QFile::encodeName(work.templateFile()).constData(), 0600), 0);
    const Outcome r = run({"export"}, 20000);
    EXPECT_EQ(r.exit, 1);
    EXPECT_TRUE(r.err.contains(store::templateDatabaseFileName())) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains('\r'));
    EXPECT_FALSE(QFileInfo::exists(work.file("orvanta/" + today() + ".mdb")));
}

// A run killed while it checks a file leaves its private copy (names and ID
// numbers) in the temporary folder only until the next run.
TEST_F(TransferProgram, AKilledRunLeavesNothingInTheTemporaryFolder) {
    const QString big = goodSource("big.mdb");
    testing_support::addManyEmployers(big, "55", 20000);
    const QDir temp(tempDir());
    ASSERT_TRUE(killWhenSeen({"check", big}, temp, "veyra-*", QDir::Dirs | QDir::Hidden))
        << "the check ended before it could be interrupted";
    ASSERT_FALSE(temp.entryList({"veyra-*"}, QDir::Dirs | QDir::Hidden).isEmpty());
    EXPECT_EQ(run({"check", goodSource()}).exit, 0);
    EXPECT_TRUE(temp.entryList({"veyra-*"}, QDir::Dirs | QDir::Hidden).isEmpty());
}

// Plain columns after a register's own are ignored, as the transfer walks
// only the target's columns; a computed one is still refused.
TEST_F(TransferProgram, ExtraTrailingPlainColumnsImport) {
    const QString local = work.file("other/Enterprise.mdb");
    QDir().mkpath(work.file("other"));
    store::createWorkingDatabase(local);
    {
        store::Connection c;
        c.open(local);
        addEmployer(c, "110000000001", "单位一");
        addPerson(c, "110000000001", "110101194001010011", "人一");
    }
    const QString file = work.file("wider.mdb");
    exportTo(local, file);
    const auto widen = [](const QString& path, const char* column) {
        store::Connection c;
        c.open(path);
        c.executeScript(QString("ALTER TABLE M_PERSON ADD COLUMN %1;").arg(column));
        c.execute("UPDATE M_PERSON SET EXTRA_NOTE = '备注'");
        // Its own program recorded the checksum over every column it has.
        c.execute("UPDATE veyra_meta SET value = ? WHERE key = ?",
                  {exchange::rowsChecksum(c.handle()), exchange::checksumKey()});
    };
    widen(file, "EXTRA_NOTE TEXT");
    const Outcome r = run({"import", file});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(dump(work.database()).size(), 2);

    const QString computed = work.file("computed.mdb");
    exportTo(local, computed);
    {
        store::Connection c;
        c.open(computed);
        c.executeScript(
            "ALTER TABLE M_PERSON ADD COLUMN EXTRA_NOTE TEXT; ALTER TABLE M_PERSON ADD COLUMN G AS (1);");
    }
    const Outcome refused = run({"check", computed});
    EXPECT_EQ(refused.exit, 1);
    EXPECT_TRUE(refused.err.contains("计算列")) << refused.err.toStdString();
}

// check says only what import will do: rows the import would roll back are
// refused, naming the table and the row.
TEST_F(TransferProgram, CheckAppliesTheImportsRowRules) {
    struct Case {
        const char* what;
        std::function<void(store::Connection&)> fill;
        const char* where;
    } cases[] = {
        {"a person without an employer",
         [](store::Connection& s) {
             addEmployer(s, "110000000001", "单位一");
             addPerson(s, "999999999999", "110101194001010099", "无单位");
         },
         "个人信息第 1 条"},
        {"an institution row with an empty ID number",
         [](store::Connection& s) {
             addEmployer(s, "110000000001", "单位一");
             addPerson(s, "110000000001", "110101194001010011", "人一");
             addInstitution(s, "", "00000001");
         },
         "定点医疗机构信息第 1 条"},
        {"a name of 999,000 characters",
         [](store::Connection& s) {
             addEmployer(s, "110000000001", "单位一");
             // Written by a program that does not keep the rules.
             s.executeScript("PRAGMA ignore_check_constraints = ON;");
             s.execute("UPDATE M_CORPORATION SET NAME = ?", {QString(999000, QChar(u'名'))});
         },
         "单位信息第 1 条"},
    };
    const QStringList before = dump(work.database());
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString f = sourceWith(QString("case%1.mdb").arg(++n), c.fill);
        const Outcome checked = run({"check", f});
        const Outcome imported = run({"import", f});
        EXPECT_EQ(imported.exit, 2) << imported.err.toStdString();
        EXPECT_EQ(checked.exit, 1) << checked.out.join('\n').toStdString();
        EXPECT_TRUE(checked.err.contains("不能导入")) << checked.err.toStdString();
        EXPECT_TRUE(checked.err.contains(QString::fromUtf8(c.where))) << checked.err.toStdString();
        EXPECT_TRUE(imported.err.contains(QString::fromUtf8(c.where))) << imported.err.toStdString();
    }
    EXPECT_EQ(dump(work.database()), before);
}

TEST_F(TransferProgram, HelpAndVersion) {
    for (const char* option : {"--help", "-h"}) {
        const Outcome r = run({option});
        EXPECT_EQ(r.exit, 0) << option;
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        const QString text = r.out.join('\n');
        for (const char* part : {"用法", "veyra-transfer import", "veyra-transfer export",
                                 "veyra-transfer check", "--version", "man veyra-transfer"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
    }
    const Outcome v = run({"--version"});
    EXPECT_EQ(v.exit, 0);
    EXPECT_EQ(v.out, QStringList{"veyra-transfer " VEYRA_VERSION});
}

// Run before the window ever started: no sShortDate. Files are named from
// a date that never holds a path separator, in the data directory itself,
// and the format the tool settles on is written for the window too.
TEST_F(TransferProgram, FileNamesFollowTheFirstStartRuleWhateverTheLocale) {
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000001", "单位一");
    }
    const QDate day = QDate::currentDate();
    struct Case {
        const char* locale;
        const char* stored;  // nullptr: none
        QString date;        // in the file names
        const char* after;
        bool told;
    } cases[] = {
        {"zh_CN.UTF-8", nullptr, day.toString("yyyy-MM-dd"), "yyyy-MM-dd", false},  // yyyy/M/d
        {"en_US.UTF-8", nullptr, day.toString("yyyy-MM-dd"), "yyyy-MM-dd", false},  // M/d/yy
        {"zh_CN.UTF-8", "yyyy/MM/dd", day.toString("yyyy-MM-dd"), "yyyy/MM/dd", false},
        {"C.UTF-8", "dd.MM.yyyy", day.toString("dd.MM.yyyy"), "dd.MM.yyyy", false},
        {"zh_CN.UTF-8", "yy-M-d", day.toString("yyyy-MM-dd"), "yyyy-MM-dd", true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + (c.stored ? c.stored : "none"));
        const QString data = work.file(QString("data%1").arg(++n));
        QString ini = QString("[General]\nDataDir=%1\n").arg(data);
        if (c.stored) ini += QString("sShortDate=%1\n").arg(c.stored);
        writeBytes(work.file("config/Veyra/Veyra.ini"), ini.toUtf8());
        extraEnv = {QString("LANG=") + c.locale, QString("LC_ALL=") + c.locale};
        const Outcome r = run({"export"});
        EXPECT_EQ(r.exit, 0) << r.err.toStdString();
        EXPECT_TRUE(QFileInfo(data + "/" + c.date + ".mdb").isFile())
            << QDir(data).entryList().join(' ').toStdString();
        EXPECT_TRUE(QFileInfo(data + "/离休统筹导数日志文件" + c.date + ".log").isFile())
            << QDir(data).entryList().join(' ').toStdString();
        // No folder made of the date; the backup folder is the only one.
        QStringList folders = QDir(data).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        folders.removeAll("备份");
        EXPECT_EQ(folders, QStringList());
        QSettings settings(work.file("config/Veyra/Veyra.ini"), QSettings::IniFormat);
        EXPECT_EQ(settings.value("sShortDate").toString(), c.after);
        EXPECT_EQ(settings.value("DataDir").toString(), data);
        EXPECT_EQ(r.err.contains("不是10个字符"), c.told) << r.err.toStdString();
    }
}

// The register, its backups, submission files and logs hold names and ID
// numbers: the programs make them readable by their owner only, whatever
// the umask they were started with.
TEST_F(TransferProgram, FilesTheProgramsMakeAreTheOwnersOnly) {
    const mode_t umaskBefore = ::umask(022);
    QProcess newdb;
    newdb.start(VEYRA_NEWDB_PROGRAM, {work.file("fresh")});
    ASSERT_TRUE(newdb.waitForFinished(60000));
    ASSERT_EQ(newdb.exitCode(), 0) << newdb.readAllStandardError().toStdString();
    // An export file of an earlier release, readable by all, is replaced by a private one.
    QDir().mkpath(work.file("orvanta"));
    const QString days = work.file("orvanta/" + today() + ".mdb");
    writeBytes(days, "old");
    ::chmod(QFile::encodeName(days).constData(), 0644);
    const QString fresh = work.file("fresh/Enterprise.mdb");
    Outcome r = run({"import", goodSource(), "--into", fresh});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    r = run({"export", "--from", fresh});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    r = run({"export", "--from", fresh, "--to", work.file("new folder/named.mdb")});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    ::umask(umaskBefore);

    const QStringList backups =
        QDir(work.file("orvanta/备份")).entryList({"Enterprise-*-import.mdb"}, QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    const QList<QPair<QString, unsigned>> expected = {
        {work.file("fresh"), 0700},
        {fresh, 0600},
        {work.file("fresh/structure.mdb"), 0600},
        {work.file("orvanta/备份"), 0700},
        {work.file("orvanta/备份/" + backups.first()), 0600},
        {logFile(), 0600},
        {days, 0600},
        {work.file("new folder"), 0700},
        {work.file("new folder/named.mdb"), 0600},
    };
    for (const auto& [path, mode] : expected)
        EXPECT_EQ(testing_support::fileMode(path), mode) << path.toStdString();
}

}  // namespace
