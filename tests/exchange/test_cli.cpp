// veyra-transfer: the window's import, export and file checks from the
// command line, run as a separate program on a working directory of its own.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>

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

    Outcome run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", work.file("config"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(work.path());
        p.start(VEYRA_TRANSFER_PROGRAM, args);
        EXPECT_TRUE(p.waitForFinished(120000));
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
    first += QStringList{"", "操作完毕！", "操作完毕！", kDashes};
    QStringList second{kDashes,
                       "开始向本地库导入数据....",
                       "本条企业信息重复，其社保登记证号码为：110000000001",
                       "取消本条企业信息导入。",
                       "本条个人信息重复，其身份证号码为：110101194001010011",
                       "取消本条个人信息导入。",
                       "本条个人定点医疗机构信息重复，其人员身份证号码为：110101194001010011",
                       "取消本条个人定点医疗机构选择信息导入。"};
    second += statistics(1, 1, 1, 1);
    second += QStringList{"", "操作完毕！", "操作完毕！", kDashes};
    EXPECT_EQ(r.out, first + second);

    // The log file: every log line up to the second statistics (no message lines).
    QStringList logged = first + second;
    logged.removeAt(logged.indexOf("操作完毕！"));  // the first message
    logged = logged.mid(0, logged.size() - 4);
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

}  // namespace
