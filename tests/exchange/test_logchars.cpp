// Characters without a GBK form in the transfer log: the file is written in
// GB18030 and the transfer ends as any other.
#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStringDecoder>

#include "ExchangeFixtures.h"
#include "ImportWindowTest.h"
#include "exchange/TForm_import.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Connection.h"
#include "support/TestSupport.h"

using namespace fixtures;

namespace {

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // U+1F600, no GBK form

class LogCharacters : public ImportWindowTest<> {
  protected:
    // The window's log lines as the file holds them.
    QString fileText() const { return QStringDecoder("GB18030").decode(bytesOf(logFile())); }
};

TEST_F(LogCharacters, DuplicateKeyWithAnEmojiIsLoggedAndTheImportEnds) {
    const QString ssn = "11000000000" + kEmoji;  // 12 characters
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, ssn, "本地单位");
    }
    const QString src = work.file("source.mdb");
    newSubmission(src);
    {
        store::Connection s;
        s.open(src);
        addEmployer(s, ssn, "重复单位");
    }
    form->Edit_fromfile->setText(src);
    form->Button1Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    EXPECT_TRUE(form->logLines().contains("本条企业信息重复，其社保登记证号码为：" + ssn));
    // GBK bytes for the text, the standard four bytes for the emoji, CR LF.
    const QByteArray line = QByteArray::fromHex(
        "b1beccf5c6f3d2b5d0c5cfa2d6d8b8b4a3acc6e4c9e7b1a3b5c7bcc7d6a4bac5c2ebceaaa3ba"
        "3131303030303030303030"
        "9439fc36"
        "0d0a");
    EXPECT_TRUE(bytesOf(logFile()).contains(line));
    // The file holds the log area up to the statistics.
    const QStringList& log = form->logLines();
    EXPECT_EQ(fileText(), log.mid(0, log.size() - 3).join("\r\n") + "\r\n");
}

TEST_F(LogCharacters, ExportFromAHomeFolderOutsideGbkEndsAndEnablesTheFloppy) {
    const QString dataDir = work.file("home/jörg/orvanta");
    platform::writeSetting("DataDir", dataDir);
    QDir().mkpath(dataDir);
    form->FormShow();
    {
        store::Connection w;
        w.open(work.database());
        addEmployer(w, "110000000001", "单位" + kEmoji + "𠀀");
    }
    form->Button4Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"操作完毕！"}));
    EXPECT_TRUE(form->Button_makeFloppy->isEnabled());
    EXPECT_EQ(form->logLines().value(1),
              "开始向报盘文件导入数据；文件路径及名称为：" + dataDir + "/2026-12-10.mdb");
    // "/jörg/": ö has no GBK form and takes GB18030's four bytes.
    EXPECT_TRUE(bytesOf(logFile()).contains(QByteArray::fromHex("2f6a81308b3272672f")));
    const QStringList& log = form->logLines();
    EXPECT_EQ(fileText(), log.mid(0, log.size() - 3).join("\r\n") + "\r\n");
    // The characters reached the submission file as they were.
    store::Connection e;
    e.open(dataDir + "/2026-12-10.mdb");
    EXPECT_EQ(e.scalar("SELECT NAME FROM M_CORPORATION").toString(), "单位" + kEmoji + "𠀀");
}

}  // namespace
