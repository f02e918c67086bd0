// One character of each kind the operators meet (ASCII, GBK Chinese, a Latin
// letter outside GBK, an emoji, a CJK Extension B ideograph) typed into a
// field at its width limit, then followed through the store, the query list,
// the printed forms, an export, an import at another site and the log file's
// bytes: nowhere dropped, replaced or split.
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include "EndToEndTest.h"
#include "platform/Settings.h"
#include "support/CaseName.h"

namespace {

using namespace e2e;

struct CharCase {
    const char* name;
    QString ch;
};

void PrintTo(const CharCase& c, std::ostream* os) {
    *os << c.name;
}

const QString kFiller = "红星机械厂红星机械厂红星机械厂红星机械";  // 19 characters; SHORTNAME holds 20

class CharacterRoad : public EndToEnd, public ::testing::WithParamInterface<CharCase> {
  protected:
    QString readText(const QString& db, const QString& sql) {
        store::Connection c;
        c.open(db);
        return c.scalar(sql, {kSsn}).toString();
    }
    static QByteArray fileBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The printed value as the page shows it: whole, not cut, each line whole characters.
    static void expectPrintedWhole(const reports::LaidOutDocument& d, const QString& column,
                                   const QString& value) {
        const reports::PlacedItem* item = fieldItem(d, column);
        ASSERT_NE(item, nullptr) << column.toStdString();
        EXPECT_EQ(item->text, value);
        EXPECT_FALSE(item->cut) << column.toStdString();
        if (!item->lines.isEmpty()) {
            EXPECT_EQ(item->lines.join(QString()), value);
            for (const QString& line : item->lines) {
                EXPECT_FALSE(line.front().isLowSurrogate()) << column.toStdString();
                EXPECT_FALSE(line.back().isHighSurrogate()) << column.toStdString();
            }
        }
    }
};

TEST_P(CharacterRoad, TypedAtTheWidthLimitAndKeptEverywhere) {
    const QString ch = GetParam().ch;
    const QString name = "红星" + ch + "机械厂";
    const QString shortName = kFiller + ch;  // exactly the column's 20 characters
    // The data directory (submission files, transfer logs) has the character in its path.
    const QString dataDir = work.file("数据" + ch);
    QDir().mkpath(dataDir);
    platform::writeSetting("DataDir", dataDir);
    ASSERT_NO_FATAL_FAILURE(logIn());

    // Typed into the window; one character more is refused at the limit.
    onShow[Form_cop_info] = [&] {
        TForm_cop_info* f = Form_cop_info;
        showActive(f);
        fillEmployer(f);
        f->DBEdit_DWMC->setFocus();
        f->DBEdit_DWMC->selectAll();
        testing_support::typeText(f->DBEdit_DWMC, name);
        EXPECT_EQ(f->DBEdit_DWMC->text(), name);
        f->PageControl1->setCurrentIndex(1);
        f->DBEdit_DWJC->setFocus();
        f->DBEdit_DWJC->selectAll();
        testing_support::typeText(f->DBEdit_DWJC, shortName);
        testing_support::typeText(f->DBEdit_DWJC, "Y");
        EXPECT_EQ(f->DBEdit_DWJC->text(), shortName);
        key(f, Qt::Key_F1);
        EXPECT_EQ(takeMessages(), QStringList{"数据保存成功"});
        f->Button_CLOSEClick();
        return 0;
    };
    Form1->N2Click();
    EXPECT_EQ(readText(work.database(), "SELECT NAME FROM M_CORPORATION WHERE SSN=?"), name);
    EXPECT_EQ(readText(work.database(), "SELECT SHORTNAME FROM M_CORPORATION WHERE SSN=?"), shortName);

    // Found by the character itself; both forms previewed from the list.
    reports::CapturingOutput printed;
    Form_print1->setOutput(&printed);
    onShow[Form_cop_query] = [&] {
        TForm_cop_query* q = Form_cop_query;
        showActive(q);
        testing_support::typeText(q->Edit_DWMC, ch);
        q->Button_query->click();
        EXPECT_EQ(q->StatusBar1->text(), "显示条目：1 条");
        EXPECT_EQ(q->ADOQuery_COP->value(1).toString(), name);
        onShow[Form_cop_info] = [&] {
            TForm_cop_info* f = Form_cop_info;
            showActive(f);
            EXPECT_EQ(f->DBEdit_DWMC->text(), name);
            EXPECT_EQ(f->DBEdit_DWJC->text(), shortName);
            f->N1Click();
            f->N2Click();
            f->Button_CLOSEClick();
            return 0;
        };
        q->Button_EDIT->click();
        q->Button_close->click();
        return 0;
    };
    Form1->N3Click();
    ASSERT_EQ(printed.jobs.size(), 2);
    expectPrintedWhole(printed.jobs[0].document, "NAME", name);
    expectPrintedWhole(printed.jobs[1].document, "NAME", name);
    expectPrintedWhole(printed.jobs[1].document, "SHORTNAME", shortName);
    Form_print1->setOutput(nullptr);

    // Exported into the data directory.
    onShow[Form_import] = [this] {
        showActive(Form_import);
        Form_import->Button4Click();
        EXPECT_EQ(takeMessages(), QStringList{"操作完毕！"});
        Form_import->Button3Click();
        return 0;
    };
    Form1->N17Click();
    const QString submission = dataDir + "/2024-06-15.mdb";
    EXPECT_EQ(exportFilePath, submission);
    EXPECT_EQ(readText(submission, "SELECT NAME FROM M_CORPORATION WHERE SSN=?"), name);
    EXPECT_EQ(readText(submission, "SELECT SHORTNAME FROM M_CORPORATION WHERE SSN=?"), shortName);

    // The export's log file names the data directory in GB18030: GBK's bytes where GBK
    // has the character, GB18030's own otherwise; it reads back unchanged.
    const QByteArray log = fileBytes(dataDir + "/离休统筹导数日志文件2024-06-15.log");
    QStringEncoder encode("GB18030");
    const QByteArray pathBytes = encode(dataDir);
    ASSERT_FALSE(encode.hasError());
    EXPECT_TRUE(log.contains(pathBytes));
    const QString text = QStringDecoder("GB18030").decode(log);
    EXPECT_TRUE(text.contains("开始向报盘文件导入数据；文件路径及名称为：" + submission + "\r\n"));

    // Imported at another site.
    const QString secondDb = freshWorkingDatabase("second");
    restartOn(secondDb);
    onShow[Form_import] = [&] {
        showActive(Form_import);
        Form_import->Edit_fromfile->setText(submission);
        Form_import->Button1->click();
        EXPECT_EQ(takeMessages(), QStringList{"操作完毕！"});
        Form_import->Button3Click();
        return 0;
    };
    Form1->N17Click();
    EXPECT_EQ(readText(secondDb, "SELECT NAME FROM M_CORPORATION WHERE SSN=?"), name);
    EXPECT_EQ(readText(secondDb, "SELECT SHORTNAME FROM M_CORPORATION WHERE SSN=?"), shortName);

    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(" | ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Kinds, CharacterRoad,
                         ::testing::Values(CharCase{"ascii", "A"}, CharCase{"gbk_chinese", "星"},
                                           CharCase{"latin_outside_gbk", "Ø"},
                                           CharCase{"emoji", QString::fromUtf8("\xF0\x9F\x98\x80")},
                                           CharCase{"cjk_extension_b",
                                                    QString::fromUtf8("\xF0\xA0\x80\x80")}),
                         testing_support::CaseName());

}  // namespace
