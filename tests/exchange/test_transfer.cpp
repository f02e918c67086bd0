// The data exchange window's import and export over small files made by the
// program's own database code.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QThread>

#include "ExchangeFixtures.h"
#include "ImportWindowTest.h"
#include "exchange/Paths.h"
#include "exchange/RowsChecksum.h"
#include "exchange/TForm_import.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "support/TestSupport.h"

using namespace fixtures;

namespace {

// Also keeps what the file chooser was asked to show.
struct ChooserDialogs : testing_support::RecordingDialogs {
    QString openFile(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter) override {
        chooser.append({caption, filter});
        chooserDirs.append(dir);
        return RecordingDialogs::openFile(parent, caption, dir, filter);
    }
    QList<QStringList> chooser;  // {caption, filter} per showing
    QStringList chooserDirs;
};

class ImportWindow : public ImportWindowTest<ChooserDialogs> {
  protected:
    QString source(const QString& name = "source.mdb") {
        const QString p = work.file(name);
        newSubmission(p);
        return p;
    }
    void importFile(const QString& path) {
        form->Edit_fromfile->setText(path);
        form->Button1Click();
    }
};

TEST_F(ImportWindow, CreationAndShowingStartClean) {
    EXPECT_EQ(form->windowTitle(), "数据导入");
    EXPECT_EQ(form->size(), QSize(688, 453));
    EXPECT_EQ(form->font().family(), "新宋体");
    EXPECT_EQ(form->font().pixelSize(), 12);
    ASSERT_NE(form->screen(), nullptr);
    EXPECT_EQ(form->geometry().center(), form->screen()->availableGeometry().center());
    EXPECT_EQ(form->Edit_tofile->text(), work.database());
    EXPECT_TRUE(QFileInfo(work.file("orvanta")).isDir());
    EXPECT_TRUE(form->Edit_fromfile->isReadOnly());
    EXPECT_TRUE(form->Memo1->isReadOnly());
    for (auto [button, text] : {std::pair{form->Button2, "选择"},
                                {form->Button1, "导入到本地库"},
                                {form->Button4, "导出到报盘文件"},
                                {form->Button_makeFloppy, "生成软盘文件"},
                                {form->Button3, "关闭"}})
        EXPECT_EQ(button->text(), QString(text));

    form->appendLog({"x"});
    form->Edit_fromfile->setText("/somewhere.mdb");
    form->Button_makeFloppy->setEnabled(true);
    form->ProgressBar2->setValue(5);
    form->show();
    form->hide();
    form->show();  // each showing starts clean
    EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
    EXPECT_TRUE(form->logLines().isEmpty());
    EXPECT_TRUE(form->Edit_fromfile->text().isEmpty());
    EXPECT_FALSE(form->Button_makeFloppy->isEnabled());
    EXPECT_EQ(form->ProgressBar2->value(), 0);
    form->Button3Click();
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ImportWindow, FileChooserFillsThePathOrLeavesIt) {
    dialogs.answerFile("/media/disk/a.mdb");
    form->Button2Click();
    EXPECT_EQ(form->Edit_fromfile->text(), "/media/disk/a.mdb");
    form->Button2Click();  // cancelled
    EXPECT_EQ(form->Edit_fromfile->text(), "/media/disk/a.mdb");
    // The one filter, shown as *.mdb; the chooser's own caption.
    const QStringList asked{QString(), "*.mdb"};
    EXPECT_EQ(dialogs.chooser, QList<QStringList>({asked, asked}));
    // It opens where the submission files are, whatever the working directory.
    EXPECT_EQ(dialogs.chooserDirs, QStringList({platform::dataDir(), platform::dataDir()}));
    EXPECT_EQ(platform::dataDir(), work.file("orvanta"));
}

TEST_F(ImportWindow, MissingSourceAsksForOne) {
    importFile("");
    importFile(work.file("nothing.mdb"));
    EXPECT_EQ(dialogs.texts(), QStringList({"请选择数据源文件", "请选择数据源文件"}));
    EXPECT_TRUE(form->logLines().isEmpty());
}

TEST_F(ImportWindow, EmptySourceWritesZeroStatisticsAndTheLogFile) {
    // The message comes after the log file is written and the empty line
    // appended, before the closing lines.
    QStringList atMessage;
    bool fileAtMessage = false;
    dialogs.onShow = [&](const testing_support::Shown&) {
        atMessage = form->logLines();
        fileAtMessage = QFileInfo::exists(logFile());
    };
    importFile(source());
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    QStringList expected{kDashes, "开始向本地库导入数据...."};
    expected += statistics(0, 0, 0, 0);
    expected += QStringList{"", "操作完毕！", kDashes};
    EXPECT_EQ(form->logLines(), expected);
    EXPECT_EQ(form->Memo1->toPlainText(), expected.join('\n'));
    EXPECT_TRUE(QFileInfo::exists(logFile()));
    EXPECT_EQ(atMessage, expected.mid(0, expected.size() - 2));
    EXPECT_TRUE(fileAtMessage);
}

TEST_F(ImportWindow, LogFileIsGbkWithCrLfByteForByte) {
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000001", "甲单位");
    }
    const QString src = source();
    {
        store::Connection s;
        s.open(src);
        addEmployer(s, "110000000001", "甲单位");
    }
    importFile(src);
    // The log area as it stood when the file was written, encoded as GBK
    // by hand (independent of the program's encoder).
    const QByteArray expected = QByteArray(62, '-') + "\r\n" +
                                QByteArray::fromHex(
                                    "bfaacabccff2b1beb5d8bfe2b5bcc8ebcafdbedd2e2e2e2e0d0ab1beccf5c6f3d2b5d0c5"
                                    "cfa2d6d8b8b4a3acc6e4c9e7b1a3b5c7bc"
                                    "c7d6a4bac5c2ebceaaa3ba3131303030303030303030310d0ac8a1cffbb1beccf5c6f3d2"
                                    "b5d0c5cfa2b5bcc8eba1a30d0a0d0ab5"
                                    "a5cebbd0c5cfa2b5bcc8ebcdb3bcc60d0ad7dccafd20a3ba3120ccf50d0ab3c9b9a620a3"
                                    "ba3020ccf50d0acaa7b0dc20a3ba3120cc"
                                    "f50d0a0d0ab8f6c8cbd0c5cfa2b5bcc8ebcdb3bcc60d0ad7dccafd20a3ba3020ccf50d0a"
                                    "b3c9b9a620a3ba3020ccf50d0acaa7b0dc"
                                    "20a3ba3020ccf50d0a");
    EXPECT_EQ(bytesOf(logFile()), expected);
}

// Employers, persons and institution rows that repeat keys of the target and
// of rows earlier in the same source.
TEST_F(ImportWindow, DuplicatesInSourceAndTargetAreSkippedAndCounted) {
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000001", "本地单位");
        addPerson(w, "110000000001", "110101194001010011", "本地甲");
        addInstitution(w, "110101194001010011", "00000001");
        addPerson(w, "110000000001", "110101194001010022", "本地乙");  // no institution row yet
    }
    const QString src = source();
    {
        store::Connection s;
        s.open(src);
        dropUniqueKeys(s);
        addEmployer(s, "110000000001", "来源重复单位");  // in the target
        addEmployer(s, "110000000002", "新单位");
        addEmployer(s, "110000000002", "来源内重复");                  // repeats the row before
        addPerson(s, "110000000001", "110101194001010011", "来源甲");  // in the target
        addPerson(s, "110000000001", "110101194001010022", "来源乙");  // in the target
        addPerson(s, "110000000001", "110101194001010033", "新人丙");  // attached to the existing employer
        addPerson(s, "110000000002", "110101194001010044", "新人丁");
        s.execute(
            "INSERT INTO M_PERSON (CORPSN, IDCARD, NAME, SSN) VALUES (1, '110101194001010044', '重复丁', "
            "'110000000002')");
        addInstitution(s, "110101194001010011", "00000002");  // target has one: skipped
        addInstitution(s, "110101194001010022", "00000003");  // added, attached to the existing person
        addInstitution(s, "110101194001010033", "00000004");
        addInstitution(s, "110101194001010033", "00000005");  // repeats the row before
    }
    importFile(src);
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    QStringList expected{kDashes,
                         "开始向本地库导入数据....",
                         "本条企业信息重复，其社保登记证号码为：110000000001",
                         "取消本条企业信息导入。",
                         "本条企业信息重复，其社保登记证号码为：110000000002",
                         "取消本条企业信息导入。",
                         "本条个人信息重复，其身份证号码为：110101194001010011",
                         "取消本条个人信息导入。",
                         "本条个人信息重复，其身份证号码为：110101194001010022",
                         "取消本条个人信息导入。",
                         "本条个人信息重复，其身份证号码为：110101194001010044",
                         "取消本条个人信息导入。",
                         "本条个人定点医疗机构信息重复，其人员身份证号码为：110101194001010011",
                         "取消本条个人定点医疗机构选择信息导入。",
                         "本条个人定点医疗机构信息重复，其人员身份证号码为：110101194001010033",
                         "取消本条个人定点医疗机构选择信息导入。"};
    expected += statistics(3, 2, 5, 3);
    expected += QStringList{"", "操作完毕！", kDashes};
    EXPECT_EQ(form->logLines(), expected);

    store::Connection w;
    w.open(work.database());
    EXPECT_EQ(w.select("SELECT CORPSN, SSN, NAME FROM M_CORPORATION ORDER BY CORPSN"),
              (QList<QVariantList>{{1LL, "110000000001", "本地单位"}, {2LL, "110000000002", "新单位"}}));
    EXPECT_EQ(w.select("SELECT PSNSN, CORPSN, IDCARD, NAME FROM M_PERSON ORDER BY PSNSN"),
              (QList<QVariantList>{{1LL, 1LL, "110101194001010011", "本地甲"},
                                   {2LL, 1LL, "110101194001010022", "本地乙"},
                                   {3LL, 1LL, "110101194001010033", "新人丙"},
                                   {4LL, 2LL, "110101194001010044", "新人丁"}}));
    EXPECT_EQ(w.select("SELECT PSNSN, HOSP_1, IDCARD FROM M_PSNAPPOINTEDHOSPITAL ORDER BY rowid"),
              (QList<QVariantList>{{1LL, "00000001", "110101194001010011"},
                                   {2LL, "00000003", "110101194001010022"},
                                   {3LL, "00000004", "110101194001010033"}}));
    EXPECT_EQ(form->ProgressBar1->value(), 3);
    EXPECT_EQ(form->ProgressBar2->value(), 5);
    EXPECT_EQ(form->ProgressBar3->value(), 4);
}

// Into an empty register the only duplicates are rows of the same run: a
// key repeated exactly or in other letter case is one, however far apart.
TEST_F(ImportWindow, RepeatsWithinTheFileAreDuplicatesInAnEmptyRegister) {
    const QString src = source();
    {
        store::Connection s;
        s.open(src);
        dropUniqueKeys(s);
        addEmployer(s, "ab0000000001", "甲");
        addEmployer(s, "cd0000000002", "乙");
        for (int i = 0; i < 300; ++i) addEmployer(s, QString("ef%1").arg(i, 10, 10, QChar('0')), "丙");
        addEmployer(s, "AB0000000001", "甲（大写）");
        addEmployer(s, "cd0000000002", "乙（重复）");
        addPerson(s, "ab0000000001", "11010519300101011x", "人一");
        addPerson(s, "AB0000000001", "11010519300101011X", "人一（大写）");
        addPerson(s, "cd0000000002", "110105193001010222", "人二");
        addPerson(s, "cd0000000002", "11010519300101033x", "人三");
        addInstitution(s, "11010519300101011x", "00010001");
        addInstitution(s, "110105193001010222", "00010002");
        addInstitution(s, "11010519300101011X", "00010003");
        addInstitution(s, "11010519300101033X", "00010004");  // its person in the other letter case
    }
    importFile(src);
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    const QStringList& log = form->logLines();
    const QStringList duplicates{"本条企业信息重复，其社保登记证号码为：AB0000000001",
                                 "本条企业信息重复，其社保登记证号码为：cd0000000002",
                                 "本条个人信息重复，其身份证号码为：11010519300101011X",
                                 "本条个人定点医疗机构信息重复，其人员身份证号码为：11010519300101011X"};
    for (const QString& d : duplicates) EXPECT_EQ(log.count(d), 1) << d.toStdString();
    EXPECT_EQ(log.mid(log.size() - 13, 10), statistics(304, 2, 4, 1));
    store::Connection w;
    w.open(work.database());
    EXPECT_EQ(w.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 302);
    EXPECT_EQ(w.select("SELECT IDCARD, CORPSN FROM M_PERSON ORDER BY PSNSN"),
              (QList<QVariantList>{
                  {"11010519300101011x", 1LL}, {"110105193001010222", 2LL}, {"11010519300101033x", 2LL}}));
    EXPECT_EQ(w.select("SELECT PSNSN, HOSP_1 FROM M_PSNAPPOINTEDHOSPITAL ORDER BY rowid"),
              (QList<QVariantList>{{1LL, "00010001"}, {2LL, "00010002"}, {3LL, "00010004"}}));
}

// A file whose text is stored as UTF-16 (written by another tool) imports
// with every character as it was, and its rows checksum (over the text as
// UTF-8) still verifies.
TEST_F(ImportWindow, AFileStoringUtf16TextImportsAsItIs) {
    const QString origin = work.file("origin.mdb"), exported = work.file("exported.mdb");
    const QString utf16 = work.file("utf16.mdb");
    newSubmission(origin);
    {
        store::Connection s;
        s.open(origin);
        addEmployer(s, "110000000001", "单位甲𠀋");
        addPerson(s, "110000000001", "110101194001010011", "人员乙");
        addInstitution(s, "110101194001010011", "00000001");
    }
    exportTo(origin, exported);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(utf16).constData(), &db), SQLITE_OK);
    const auto run = [&](const QString& sql) {
        char* err = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err), SQLITE_OK)
            << (err ? err : "") << " in " << sql.toStdString();
        sqlite3_free(err);
    };
    run("PRAGMA encoding = 'UTF-16le'");
    {
        store::Connection e;
        e.open(exported);
        run(QString("PRAGMA application_id = %1").arg(e.scalar("PRAGMA application_id").toLongLong()));
        for (const QVariantList& o : e.select(
                 "SELECT sql, name, type = 'table' FROM sqlite_schema WHERE sql IS NOT NULL AND name NOT "
                 "LIKE 'sqlite_%' ORDER BY type <> 'table'")) {
            run(o[0].toString());
            if (!o[2].toBool()) continue;
            for (const QVariantList& row : e.select("SELECT * FROM " + o[1].toString())) {
                QStringList marks(row.size(), "?");
                sqlite3_stmt* ins = nullptr;
                ASSERT_EQ(sqlite3_prepare_v2(db,
                                             QString("INSERT INTO %1 VALUES (%2)")
                                                 .arg(o[1].toString(), marks.join(','))
                                                 .toUtf8()
                                                 .constData(),
                                             -1, &ins, nullptr),
                          SQLITE_OK);
                for (int i = 0; i < row.size(); ++i) {
                    const QVariant& v = row[i];
                    if (v.isNull())
                        sqlite3_bind_null(ins, i + 1);
                    else if (v.typeId() == QMetaType::LongLong)
                        sqlite3_bind_int64(ins, i + 1, v.toLongLong());
                    else if (v.typeId() == QMetaType::Double)
                        sqlite3_bind_double(ins, i + 1, v.toDouble());
                    else
                        sqlite3_bind_text16(ins, i + 1, v.toString().utf16(), -1, SQLITE_TRANSIENT);
                }
                EXPECT_EQ(sqlite3_step(ins), SQLITE_DONE) << sqlite3_errmsg(db);
                sqlite3_finalize(ins);
            }
        }
    }
    sqlite3_close(db);
    importFile(utf16);
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    store::Connection w;
    w.open(work.database());
    EXPECT_EQ(w.select("SELECT NAME FROM M_CORPORATION UNION ALL SELECT NAME FROM M_PERSON"),
              (QList<QVariantList>{{"单位甲𠀋"}, {"人员乙"}}));
}

TEST_F(ImportWindow, SerialsAreTheTargetsOwnAndEveryOtherColumnIsCopied) {
    {
        store::Connection w;
        w.open(work.database());
        for (int i = 1; i <= 3; ++i) addEmployer(w, QString("21000000000%1").arg(i), "已有");
    }
    const QString src = source();
    {
        store::Connection s;
        s.open(src);
        addEmployer(s, "110000000001", "单位一");
        s.execute("UPDATE M_CORPORATION SET TEL = ?, OFFIONEOFFSTD = 12.5, FEEPERIOD = 3, SUPERIORSSN = NULL",
                  {QString("010-\"1\"'2")});  // quotes pass as data
        addPerson(s, "110000000001", "110101194001010011", "人一");
        addInstitution(s, "110101194001010011", "00000009");
        s.execute("UPDATE M_PSNAPPOINTEDHOSPITAL SET MEMO1 = 'm1', MEMO2 = 'm2'");
        // An empty text stays an empty text, not a null.
        s.execute("UPDATE M_CORPORATION SET SHORTNAME = ''");
    }
    importFile(src);
    store::Connection w;
    w.open(work.database());
    EXPECT_EQ(
        w.select("SELECT CORPSN, TEL, OFFIONEOFFSTD, FEEPERIOD, SUPERIORSSN, OPERATEDATE FROM M_CORPORATION "
                 "WHERE SSN = '110000000001'"),
        (QList<QVariantList>{{4LL, "010-\"1\"'2", 12.5, 3LL, QVariant(), "2020-01-02"}}));
    EXPECT_EQ(w.select("SELECT PSNSN, CORPSN, SEX, SSN FROM M_PERSON"),
              (QList<QVariantList>{{1LL, 4LL, "1", "110000000001"}}));
    EXPECT_EQ(w.select("SELECT PSNSN, MEMO1, MEMO2 FROM M_PSNAPPOINTEDHOSPITAL"),
              (QList<QVariantList>{{1LL, "m1", "m2"}}));
    EXPECT_EQ(w.select("SELECT quote(SHORTNAME) FROM M_CORPORATION WHERE SSN = '110000000001'"),
              (QList<QVariantList>{{"''"}}));
}

TEST_F(ImportWindow, UnknownEmployerNumberRollsEverythingBack) {
    const QString src = source();
    {
        store::Connection s;
        s.open(src);
        dropUniqueKeys(s);
        addEmployer(s, "110000000001", "单位一");
        addEmployer(s, "110000000001", "重复单位");  // its lines stay in the log area
        addPerson(s, "110000000001", "110101194001010011", "人一");
        addPerson(s, "999999999999", "110101194001010022", "无单位");
        addPerson(s, "110000000001", "110101194001010011", "重复");
    }
    const QStringList before = dump(work.database());
    importFile(src);
    EXPECT_EQ(dialogs.texts(), QStringList({"操作过程中出现错误，取消操作"}));
    EXPECT_EQ(dump(work.database()), before);
    EXPECT_TRUE(integrityOk(work.database()));
    EXPECT_FALSE(QFileInfo::exists(logFile()));
    EXPECT_EQ(
        form->logLines(),
        (QStringList{kDashes, "开始向本地库导入数据....",
                     "本条企业信息重复，其社保登记证号码为：110000000001", "取消本条企业信息导入。",
                     "出错原因：本地库中没有社保登记证号码为“999999999999”的单位", "操作完毕！", kDashes}));
}

TEST_F(ImportWindow, InstitutionWithoutPersonRollsBack) {
    const QString src = source();
    {
        store::Connection s;
        s.open(src);
        addEmployer(s, "110000000001", "单位一");
        addInstitution(s, "110101194001010099", "00000001");
    }
    const QStringList before = dump(work.database());
    importFile(src);
    EXPECT_EQ(dialogs.texts(), QStringList({"操作过程中出现错误，取消操作"}));
    EXPECT_EQ(dump(work.database()), before);
}

// The working database itself is refused as a source (test_import_window.cpp);
// a copy of it imports with every row a duplicate.
TEST_F(ImportWindow, ACopyOfTheWorkingDatabaseIsAllDuplicates) {
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000001", "单位一");
        addEmployer(w, "110000000002", "单位二");
        addPerson(w, "110000000001", "110101194001010011", "人一");
        addInstitution(w, "110101194001010011", "00000001");
    }
    const QStringList before = dump(work.database());
    const QString copy = work.file("copy.mdb");
    ASSERT_TRUE(QFile::copy(work.database(), copy));
    importFile(copy);
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    const QStringList& log = form->logLines();
    const QStringList tail = statistics(2, 2, 1, 1);
    ASSERT_GE(log.size(), tail.size() + 3);
    EXPECT_EQ(log.mid(log.size() - tail.size() - 3, tail.size()), tail);
    EXPECT_EQ(dump(work.database()), before);
}

TEST_F(ImportWindow, TwoTransfersInOneShowingShareTheLogFile) {
    const QString a = source("a.mdb"), b = source("b.mdb");
    {
        store::Connection s;
        s.open(b);
        addEmployer(s, "110000000001", "单位一");
    }
    importFile(a);
    importFile(b);
    const QStringList& log = form->logLines();
    EXPECT_EQ(log.count("开始向本地库导入数据...."), 2);
    // The file holds everything up to the second run's statistics.
    QString text = log.mid(0, log.size() - 3).join("\r\n") + "\r\n";
    EXPECT_EQ(bytesOf(logFile()), QStringEncoder("GBK").encode(text));
    form->FormShow();  // a new showing starts a new log
    importFile(a);
    EXPECT_EQ(QString::fromLocal8Bit(bytesOf(logFile())).count("开始"), 0);  // GBK, not UTF-8
    EXPECT_EQ(form->logLines().count("开始向本地库导入数据...."), 1);
}

TEST_F(ImportWindow, UnwritableLogKeepsTheCommittedRows) {
    const QString src = source();
    {
        store::Connection s;
        s.open(src);
        addEmployer(s, "110000000001", "单位一");
    }
    // A directory where the log file should go.
    QDir().mkpath(logFile());
    importFile(src);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts()[0].startsWith("无法写入导数日志文件"));
    store::Connection w;
    w.open(work.database());
    EXPECT_EQ(w.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 1);
    EXPECT_NE(form->logLines().last(), kDashes);
}

TEST_F(ImportWindow, ConnectionsAreClosedAfterEveryCommand) {
    importFile(source());
    EXPECT_FALSE(form->ADOConnection_to.isOpen());
    EXPECT_FALSE(form->submission.isOpen());
    form->Button4Click();
    EXPECT_FALSE(form->ADOConnection_to.isOpen());
    EXPECT_FALSE(form->ADOConnection_from.isOpen());
}

// The engine's work of a command happens on a thread of its own, so the
// window repaints through a check, a commit or the log file; what the window
// shows (messages, bars, log area) happens on the window's thread.
QList<QThread*> connectionThreads;
int recordConnectionThread(sqlite3*, const char**, const void*) {
    connectionThreads.append(QThread::currentThread());
    return SQLITE_OK;
}

TEST_F(ImportWindow, CommandsWorkOffTheWindowsThreadAndShowOnIt) {
    const QString file = source();
    QList<bool> messagesOnWindowThread;
    dialogs.onShow = [&](const testing_support::Shown&) {
        messagesOnWindowThread.append(QThread::currentThread() == form->thread());
    };
    connectionThreads.clear();
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&recordConnectionThread));
    importFile(file);
    form->Button4Click();
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&recordConnectionThread));
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！", "操作完毕！"}));
    EXPECT_EQ(messagesOnWindowThread, QList<bool>({true, true}));
    ASSERT_FALSE(connectionThreads.isEmpty());
    for (QThread* t : connectionThreads) EXPECT_NE(t, form->thread());
    // Everything handed over arrived before the command returned.
    EXPECT_EQ(form->Memo1->toPlainText(), form->logLines().join('\n'));
    EXPECT_FALSE(form->ADOConnection_to.isOpen());
}

// --- export -------------------------------------------------------------

class ExportWindow : public ImportWindow {
  protected:
    void SetUp() override {
        ImportWindow::SetUp();
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000001", "单位一");
        addEmployer(w, "110000000002", "单位二");
        addPerson(w, "110000000002", "110101194001010011", "人一");
        addInstitution(w, "110101194001010011", "00000001");
    }
    QString exportFile() const { return work.file("orvanta/2026-12-10.mdb"); }
};

TEST_F(ExportWindow, ExportWritesTheDaysFileWithNewSerialsAndAChecksum) {
    {
        store::Connection w;
        w.open(work.database());
        w.execute("DELETE FROM M_CORPORATION WHERE SSN = '110000000001'");  // serials now start at 2
    }
    form->Button4Click();
    EXPECT_EQ(exportFilePath, exportFile());
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    EXPECT_TRUE(form->Button_makeFloppy->isEnabled());
    QStringList head{kDashes, "开始向报盘文件导入数据；文件路径及名称为：" + exportFile()};
    EXPECT_EQ(form->logLines().mid(0, 2), head);
    EXPECT_EQ(form->logLines().mid(2, 10), statistics(1, 0, 1, 0));

    store::Connection e;
    e.open(exportFile(), store::databasePassword(), store::Connection::Mode::ReadOnly);
    EXPECT_EQ(e.select("SELECT CORPSN, SSN FROM M_CORPORATION"),
              (QList<QVariantList>{{1LL, "110000000002"}}));
    EXPECT_EQ(e.select("SELECT PSNSN, CORPSN FROM M_PERSON"), (QList<QVariantList>{{1LL, 1LL}}));
    EXPECT_EQ(e.select("SELECT PSNSN FROM M_PSNAPPOINTEDHOSPITAL"), (QList<QVariantList>{{1LL}}));
    EXPECT_EQ(e.scalar("PRAGMA journal_mode").toString(), "delete");
    EXPECT_EQ(exchange::storedChecksum(e.handle()), exchange::rowsChecksum(e.handle()));
    EXPECT_FALSE(QFileInfo::exists(exportFile() + "-journal"));
    EXPECT_FALSE(QFileInfo::exists(exportFile() + "-wal"));
}

TEST_F(ExportWindow, TwoExportsOnOneDayKeepOnlyTheLast) {
    form->Button4Click();
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000003", "单位三");
    }
    form->Button4Click();
    store::Connection e;
    e.open(exportFile(), store::databasePassword(), store::Connection::Mode::ReadOnly);
    EXPECT_EQ(e.scalar("SELECT count(*) FROM M_CORPORATION").toInt(), 3);
    EXPECT_EQ(form->logLines().filter("失败 ：").size(), 4);  // no duplicates from the first export
    EXPECT_EQ(form->logLines().count("操作完毕！"), 2);
    // The day's log file was replaced and holds both exports.
    EXPECT_EQ(
        QStringDecoder("GBK").decode(bytesOf(logFile())).operator QString().count("开始向报盘文件导入数据"),
        2);
}

TEST_F(ExportWindow, StaleJournalBesideTheExportFileIsNotRolledIntoTheNewCopy) {
    QDir().mkpath(work.file("orvanta"));
    writeBytes(exportFile(), "old");
    writeBytes(exportFile() + "-journal", bytesOf(work.templateFile()));
    form->Button4Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    EXPECT_TRUE(integrityOk(exportFile()));
}

TEST_F(ExportWindow, MissingTemplateEndsWithTheOpenError) {
    QFile::remove(work.templateFile());
    form->Button4Click();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts()[0].contains(exportFile()));
    EXPECT_FALSE(form->Button_makeFloppy->isEnabled());
    EXPECT_EQ(form->logLines().size(), 2);
}

// Without a template the day's earlier export is not lost: the transfer runs
// into it and the rows it holds count as duplicates.
TEST_F(ExportWindow, MissingTemplateRunsIntoTheDaysEarlierExport) {
    form->Button4Click();
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000003", "单位三");
    }
    QFile::remove(work.templateFile());
    dialogs.clear();
    form->FormShow();
    form->Button4Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    EXPECT_TRUE(form->Button_makeFloppy->isEnabled());
    QStringList expected{kDashes,
                         "开始向报盘文件导入数据；文件路径及名称为：" + exportFile(),
                         "本条企业信息重复，其社保登记证号码为：110000000001",
                         "取消本条企业信息导入。",
                         "本条企业信息重复，其社保登记证号码为：110000000002",
                         "取消本条企业信息导入。",
                         "本条个人信息重复，其身份证号码为：110101194001010011",
                         "取消本条个人信息导入。",
                         "本条个人定点医疗机构信息重复，其人员身份证号码为：110101194001010011",
                         "取消本条个人定点医疗机构选择信息导入。"};
    expected += statistics(3, 2, 1, 1);
    expected += QStringList{"", "操作完毕！", kDashes};
    EXPECT_EQ(form->logLines(), expected);
    store::Connection e;
    e.open(exportFile(), store::databasePassword(), store::Connection::Mode::ReadOnly);
    EXPECT_EQ(e.select("SELECT CORPSN, SSN FROM M_CORPORATION ORDER BY CORPSN"),
              (QList<QVariantList>{{1LL, "110000000001"}, {2LL, "110000000002"}, {3LL, "110000000003"}}));
    EXPECT_EQ(exchange::storedChecksum(e.handle()), exchange::rowsChecksum(e.handle()));
}

TEST_F(ExportWindow, ExportedFileImportsIntoAnotherWorkingDatabase) {
    form->Button4Click();
    const QString exported = exportFile();
    const QString copy = work.file("carried.mdb");
    QFile::copy(exported, copy);
    form.reset();
    testing_support::WorkDir other;  // another collection point
    TForm_import there;
    there.FormShow();
    there.Edit_fromfile->setText(copy);
    dialogs.clear();
    there.Button1Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    store::Connection w;
    w.open(other.database());
    EXPECT_EQ(w.scalar("SELECT count(*) FROM M_PERSON").toInt(), 1);
}

// An export hashes its rows as it writes them. Where the engine stores a
// value otherwise than it was read (a number given as text, a whole number
// given as REAL, a number in a text column), the recorded checksum still
// describes the file: the same as reading the written rows back.
TEST(ExportChecksum, DescribesTheRowsAsStoredWhateverTheEngineConverted) {
    testing_support::WorkDir work;
    // A source whose columns carry no types keeps every value as it was given.
    const QString shaped = work.file("shaped.mdb"), loose = work.file("loose.mdb"),
                  out = work.file("out.mdb");
    newSubmission(shaped);
    newSubmission(out);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(loose).constData(), &db), SQLITE_OK);
    const auto run = [&](const QString& sql) {
        char* err = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err), SQLITE_OK)
            << (err ? err : "") << " in " << sql.toStdString();
        sqlite3_free(err);
    };
    {
        store::Connection c;
        c.open(shaped);
        for (const char* t : {"M_CORPORATION", "M_PERSON", "M_PSNAPPOINTEDHOSPITAL"}) {
            QStringList names;
            for (const store::Column& col : c.tableColumns(t)) names.append(col.name);
            run(QString("CREATE TABLE %1 (%2)").arg(t, names.join(", ")));
        }
    }
    struct Case {
        const char* table;
        const char* column;
        const char* literal;  // as the source holds it
        const char* stored;   // typeof() in the export file
    } cases[] = {
        {"M_CORPORATION", "FEEPERIOD", "'12'", "integer"},
        {"M_CORPORATION", "SUPERIORCORP", "5.0", "integer"},
        {"M_CORPORATION", "FEECORP", "' 7 '", "integer"},
        {"M_CORPORATION", "OFFIONEOFFSTD", "'12.5'", "real"},
        {"M_CORPORATION", "OPERATEDATE", "'2024-05-06'", "text"},
        {"M_CORPORATION", "NAME", "'单位'", "text"},
        {"M_CORPORATION", "TEL", "62345678", "text"},
        {"M_PERSON", "EQUAL", "'1'", "integer"},
        {"M_PERSON", "BIRTH", "'1940-01-01'", "text"},
        {"M_PSNAPPOINTEDHOSPITAL", "HOSP_1", "1", "text"},
    };
    // Two rows each: the first with the values above, the second plain.
    run("INSERT INTO M_CORPORATION (CORPSN, SSN, OFFIONEOFFSTD, FEEPERIOD) VALUES (7, 110000000001, NULL, "
        "NULL), "
        "(8, '110000000002', 3.25, 2)");
    run("INSERT INTO M_PERSON (PSNSN, CORPSN, IDCARD, SSN) VALUES (3, 7, '110101194001010011', "
        "'110000000001'), "
        "(4, 8, '110101194001010022', '110000000002')");
    run("INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, IDCARD, HOSP_2) VALUES (3, '110101194001010011', '01'), "
        "(4, '110101194001010022', '02')");
    for (const Case& c : cases)
        run(QString("UPDATE %1 SET %2 = %3 WHERE rowid = (SELECT min(rowid) FROM %1)")
                .arg(c.table, c.column, c.literal));
    sqlite3_close(db);

    store::Connection to;
    to.open(out);
    sqlite3* source = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(loose).constData(), &source, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    NullObserver o;
    exchange::Transfer t(source, to, o);
    t.setRecordChecksum(true);
    ASSERT_TRUE(t.run()) << t.errorText().toStdString();
    sqlite3_close(source);
    for (const Case& c : cases)
        EXPECT_EQ(
            to.scalar(QString("SELECT typeof(%2) FROM %1 ORDER BY rowid LIMIT 1").arg(c.table, c.column))
                .toString(),
            c.stored)
            << c.table << "." << c.column;
    EXPECT_EQ(to.scalar("SELECT count(*) FROM M_PSNAPPOINTEDHOSPITAL").toInt(), 2);
    EXPECT_EQ(exchange::storedChecksum(to.handle()), exchange::rowsChecksum(to.handle()));
}

}  // namespace

// The log file of one showing with a refused run, an import with duplicates
// and an export, byte for byte against a file written by an earlier build.
// The working directory's path (in the export line) is written as <work>.
TEST_F(ImportWindow, LogFileOfAShowingMatchesTheStoredFile) {
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000001", "本地单位");
        addPerson(w, "110000000001", "110101194001010011", "本地甲");
        addInstitution(w, "110101194001010011", "00000001");
    }
    const QString bad = source("bad.mdb");
    {
        store::Connection s;
        s.open(bad);
        addEmployer(s, "110000000001", "来源重复单位");
        addPerson(s, "999999999999", "110101194001010099", "无单位");
    }
    const QString src = source();
    {
        store::Connection s;
        s.open(src);
        dropUniqueKeys(s);
        addEmployer(s, "110000000001", "来源重复单位");
        addEmployer(s, "110000000002", "新单位");
        addEmployer(s, "110000000002", "来源内重复");
        addPerson(s, "110000000001", "110101194001010011", "来源甲");
        addPerson(s, "110000000002", "110101194001010033", "新人丙");
        addPerson(s, "110000000002", "110101194001010033", "重复丙");
        addInstitution(s, "110101194001010011", "00000002");
        addInstitution(s, "110101194001010033", "00000004");
        addInstitution(s, "110101194001010033", "00000005");
    }
    importFile(bad);
    importFile(src);
    form->Button4Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作过程中出现错误，取消操作", "操作完毕！", "操作完毕！"}));
    QByteArray actual = bytesOf(logFile());
    actual.replace(QFile::encodeName(work.path()), "<work>");
    // Set to write what this build produces (when the log format changes on purpose).
    if (qEnvironmentVariableIsSet("VEYRA_WRITE_EXPECTED_LOG"))
        writeBytes(qEnvironmentVariable("VEYRA_WRITE_EXPECTED_LOG"), actual);
    EXPECT_EQ(actual, bytesOf(QStringLiteral(VEYRA_EXCHANGE_DATA "/transfer_log_expected.log")));
}
