// The operator's road through the real windows: log in, add an employer and two
// persons, find and correct them, renumber the employer, export a submission
// file, import it into a second working database and find everything there.
#include "EndToEndTest.h"

namespace {

using namespace e2e;

TEST_F(EndToEnd, TheOperatorsRoad) {
    ASSERT_NO_FATAL_FAILURE(logIn());

    // 单位增加: fill the employer window, F1 saves, 关闭.
    onShow[Form_cop_info] = [this] {
        TForm_cop_info* f = Form_cop_info;
        showActive(f);
        EXPECT_EQ(copInfoMode, 1);
        fillEmployer(f);
        f->DBEdit_DWMC->setFocus();
        key(f, Qt::Key_F1);
        EXPECT_EQ(takeMessages(), QStringList{"数据保存成功"});
        f->Button_CLOSEClick();
        EXPECT_FALSE(f->isVisible());
        return 0;
    };
    Form1->N2Click();
    ASSERT_EQ(count(work.database(), "SELECT count(*) FROM M_CORPORATION WHERE SSN=?", {kSsn}), 1);
    const int corpsn = count(work.database(), "SELECT CORPSN FROM M_CORPORATION WHERE SSN=?", {kSsn});

    // 人员增加, twice: each person with an institution.
    for (const auto& [id, name, hospital] : {std::tuple{kId1, QString("王老"), QString("01010001")},
                                             std::tuple{kId2, QString("赵老"), QString("01010002")}}) {
        onShow[Form_per_info] = [&, id = id, name = name, hospital = hospital] {
            TForm_per_info* f = Form_per_info;
            showActive(f);
            EXPECT_EQ(perInfoMode, 1);
            fillPerson(f, id, name, hospital);
            f->DBEdit_NAME->setFocus();
            key(f, Qt::Key_F1);
            EXPECT_EQ(takeMessages(), QStringList{"保存数据成功"}) << id.toStdString();
            f->Button_closeClick();
            EXPECT_FALSE(f->isVisible());
            return 0;
        };
        Form1->N6Click();
    }
    ASSERT_EQ(
        count(work.database(), "SELECT count(*) FROM M_PERSON WHERE SSN=? AND CORPSN=?", {kSsn, corpsn}), 2);
    ASSERT_EQ(count(work.database(),
                    "SELECT count(*) FROM M_PSNAPPOINTEDHOSPITAL h JOIN M_PERSON p ON p.PSNSN=h.PSNSN "
                    "AND p.IDCARD=h.IDCARD WHERE p.SSN=?",
                    {kSsn}),
              2);

    // Find the employer by name, and its persons by its number; correct one of them.
    onShow[Form_cop_query] = [this] {
        TForm_cop_query* q = Form_cop_query;
        showActive(q);
        testing_support::typeText(q->Edit_DWMC, "红星");
        q->Button_query->click();
        EXPECT_EQ(q->StatusBar1->text(), "显示条目：1 条");
        EXPECT_EQ(q->ADOQuery_COP->value(0).toString(), kSsn);
        q->Button_close->click();
        return 0;
    };
    Form1->N3Click();

    onShow[Form_Person_query] = [this] {
        TForm_Person_query* q = Form_Person_query;
        showActive(q);
        QTest::keyClicks(q->Edit_BXDJZBM, kSsn);
        q->Button_query->click();
        EXPECT_EQ(q->StatusBar1->text(), "显示条目：2 条");
        EXPECT_TRUE(q->ADOQuery_PERSON->locate("公民身份号码", kId2));
        onShow[Form_per_info] = [this] {
            TForm_per_info* f = Form_per_info;
            showActive(f);
            EXPECT_EQ(perInfoMode, 2);
            EXPECT_EQ(f->DBEdit_NAME->text(), "赵老");
            f->DBEdit_NAME->setFieldText("赵老太");
            f->DBEdit_NAME->setFocus();
            key(f, Qt::Key_F1);
            EXPECT_EQ(takeMessages(), QStringList{"保存数据成功"});
            f->Button_closeClick();
            return 0;
        };
        q->Button2->click();  // 编辑
        q->Button_close->click();
        return 0;
    };
    Form1->N7Click();
    EXPECT_EQ(
        count(work.database(), "SELECT count(*) FROM M_PERSON WHERE IDCARD=? AND NAME='赵老太'", {kId2}), 1);
    EXPECT_EQ(count(work.database(), "SELECT count(*) FROM M_PERSON"), 2);

    // Renumber the employer: its persons follow.
    onShow[Form_cop_query] = [this] {
        TForm_cop_query* q = Form_cop_query;
        showActive(q);
        q->Button1->click();  // 查询全部
        EXPECT_TRUE(q->ADOQuery_COP->locate("社保登记证编码", kSsn));
        onShow[Form_XGSBDJZH] = [this] {
            TForm_XGSBDJZH* d = Form_XGSBDJZH;
            showActive(d);
            EXPECT_EQ(d->Edit1->text(), kSsn);
            QTest::keyClicks(d->Edit2, kNewSsn);
            key(d, Qt::Key_Return);  // to 确定
            key(d, Qt::Key_Return);  // presses it
            EXPECT_FALSE(d->isVisible());
            return d->result();
        };
        q->Button2->click();
        EXPECT_EQ(takeMessages(), QStringList{"修改成功!\r更改前的的社保登记证号码：" + kSsn + "\r" +
                                              "更改后的的社保登记证号码：" + kNewSsn});
        EXPECT_EQ(q->ADOQuery_COP->value(0).toString(), kNewSsn);
        q->Button_close->click();
        return 0;
    };
    Form1->N3Click();
    EXPECT_EQ(
        count(work.database(), "SELECT count(*) FROM M_PERSON WHERE SSN=? AND CORPSN=?", {kNewSsn, corpsn}),
        2);
    EXPECT_EQ(count(work.database(), "SELECT count(*) FROM M_CORPORATION WHERE SSN=?", {kSsn}), 0);

    // Export a submission file.
    onShow[Form_import] = [this] {
        showActive(Form_import);
        Form_import->Button4Click();
        EXPECT_EQ(takeMessages(), QStringList{"操作完毕！"});
        Form_import->Button3Click();
        return 0;
    };
    Form1->N17Click();
    const QString submission = exportFilePath;
    ASSERT_TRUE(QFileInfo(submission).isFile()) << submission.toStdString();
    EXPECT_EQ(QFileInfo(submission).fileName(), "2024-06-15.mdb");

    // A second collection point: a fresh working database that already holds
    // rows of its own, so the imported rows get new serials.
    const QString secondDb = freshWorkingDatabase("second");
    {
        store::Connection c;
        c.open(secondDb);
        c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000001','先来单位')");
        c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000002','又一单位')");
        for (const char* id : {"110101194001010011", "110101194001010022", "110101194001010033"})
            c.execute("INSERT INTO M_PERSON (IDCARD, NAME, SSN) VALUES (?, '先来', '110000000001')", {id});
    }
    // The program started afresh over the second database.
    restartOn(secondDb);
    reports::CapturingOutput printed;
    Form_print1->setOutput(&printed);

    onShow[Form_import] = [&] {
        showActive(Form_import);
        dialogs.answerFile(submission);
        Form_import->Button2->click();
        EXPECT_EQ(Form_import->Edit_fromfile->text(), submission);
        Form_import->Button1->click();
        EXPECT_EQ(takeMessages(), QStringList{"操作完毕！"});
        Form_import->Button3Click();
        return 0;
    };
    Form1->N17Click();

    const int newCorpsn = count(secondDb, "SELECT CORPSN FROM M_CORPORATION WHERE SSN=?", {kNewSsn});
    EXPECT_NE(newCorpsn, corpsn);
    EXPECT_EQ(count(secondDb, "SELECT count(*) FROM M_PERSON WHERE SSN=? AND CORPSN=?", {kNewSsn, newCorpsn}),
              2);
    EXPECT_EQ(count(secondDb,
                    "SELECT count(*) FROM M_PSNAPPOINTEDHOSPITAL h JOIN M_PERSON p ON p.PSNSN=h.PSNSN "
                    "AND p.IDCARD=h.IDCARD WHERE p.SSN=? AND h.HOSP_1 IN ('01010001','01010002')",
                    {kNewSsn}),
              2);
    EXPECT_GT(count(secondDb, "SELECT min(PSNSN) FROM M_PERSON WHERE SSN=?", {kNewSsn}), 3);

    // Found there through the query windows; both forms previewed.
    onShow[Form_cop_query] = [this] {
        TForm_cop_query* q = Form_cop_query;
        showActive(q);
        QTest::keyClicks(q->Edit_BXDJZBM, kNewSsn);
        q->Button_query->click();
        EXPECT_EQ(q->StatusBar1->text(), "显示条目：1 条");
        onShow[Form_cop_info] = [this] {
            TForm_cop_info* f = Form_cop_info;
            showActive(f);
            EXPECT_EQ(copInfoMode, 2);
            EXPECT_EQ(f->DBEdit_DWMC->text(), "红星机械厂");
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

    onShow[Form_Person_query] = [this] {
        TForm_Person_query* q = Form_Person_query;
        showActive(q);
        QTest::keyClicks(q->Edit_BXDJZBM, kNewSsn);
        q->Button_query->click();
        EXPECT_EQ(q->StatusBar1->text(), "显示条目：2 条");
        EXPECT_EQ(q->ADOQuery_PERSON->value("姓名").toString(), "王老");
        EXPECT_EQ(q->ADOQuery_PERSON->valueAt(1, 2).toString(), "赵老太");
        onShow[Form_per_info] = [this] {
            TForm_per_info* f = Form_per_info;
            showActive(f);
            EXPECT_EQ(perInfoMode, 2);
            EXPECT_EQ(f->DBEdit_GMSFZ->text(), kId1);
            EXPECT_EQ(f->Edit_DWMC->text(), "红星机械厂");
            EXPECT_EQ(f->DBEdit_DDYLJG[0]->text(), "01010001");
            f->Button_previewClick();
            f->Button_closeClick();
            return 0;
        };
        q->DBGrid1DblClick();
        q->Button_close->click();
        return 0;
    };
    Form1->N7Click();

    ASSERT_EQ(printed.jobs.size(), 3);
    for (const auto& job : printed.jobs) EXPECT_EQ(job.kind, reports::CapturingOutput::Kind::Preview);
    EXPECT_EQ(printed.jobs[0].document.title, Form_print1->QuickRep1().title);
    EXPECT_EQ(printed.jobs[1].document.title, Form_print1->QuickRep2().title);
    EXPECT_EQ(printed.jobs[2].document.title, Form_print1->QuickRep3().title);
    EXPECT_EQ(fieldText(printed.jobs[0].document, "SSN"), kNewSsn);
    EXPECT_EQ(fieldText(printed.jobs[1].document, "SSN"), kNewSsn);
    EXPECT_EQ(fieldText(printed.jobs[2].document, "IDCARD"), kId1);
    EXPECT_EQ(fieldText(printed.jobs[2].document, "SSN"), kNewSsn);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join(" | ").toStdString();
}

}  // namespace
