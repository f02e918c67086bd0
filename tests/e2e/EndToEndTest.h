// The whole program over a temporary working directory, its windows driven
// as the operator drives them; modal windows run the script given for them.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <functional>
#include <map>

#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/TForm_login.h"
#include "app/globals/Globals.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "platform/Clock.h"
#include "reports/ReportOutput.h"
#include "reports/TForm_print1.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "support/TestSupport.h"

// Readable QString values in failure messages (found beside QString, in the global namespace).
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace e2e {

const QString kSsn = "110000000007";
const QString kNewSsn = "110000000008";
const QString kId1 = "110105194912310011";  // a man born 1949-12-31
const QString kId2 = "110105195001010020";  // a woman born 1950-01-01

inline const reports::PlacedItem* fieldItem(const reports::LaidOutDocument& d, const QString& column) {
    for (const reports::LaidOutPage& p : d.pages)
        for (const reports::PlacedItem& i : p.items)
            if (i.kind == reports::ItemKind::Field && i.column.compare(column, Qt::CaseInsensitive) == 0)
                return &i;
    return nullptr;
}

inline QString fieldText(const reports::LaidOutDocument& d, const QString& column) {
    const reports::PlacedItem* i = fieldItem(d, column);
    return i ? i->text : QString();
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setToday(QDate(2024, 6, 15));
        modal.script = [this](QWidget* w) {
            auto it = onShow.find(w);
            if (it == onShow.end()) {
                ADD_FAILURE() << "unexpected window " << w->objectName().toStdString();
                return 0;
            }
            auto script = it->second;  // a script may replace itself
            return script();
        };
        app::createWindows();
    }
    void TearDown() override {
        app::destroyWindows();
        platform::setToday(QDate());
    }

    void logIn() {
        Form_login->Edit_username->setText("admin");
        Form_login->Edit_password->setText("123456");
        Form_login->Button1Click();
        ASSERT_EQ(loginOK, 1);
    }
    // A new working directory beside the first, with its fresh database.
    QString freshWorkingDatabase(const QString& name) {
        const QString dir = work.file(name);
        QDir().mkpath(dir);
        store::createWorkingDirectory(dir);
        return dir + "/Enterprise.mdb";
    }
    // The program started afresh over another working database.
    static void restartOn(const QString& database) {
        app::destroyWindows();
        resetGlobals();
        store::setWorkingDatabasePath(database);
        app::createWindows();
    }
    static void showActive(QWidget* w) {
        w->show();
        QApplication::setActiveWindow(w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    static void key(QWidget* window, int k) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target && target->window() == window ? target : window, Qt::Key(k));
    }
    QStringList takeMessages() {
        const QStringList t = dialogs.texts();
        dialogs.clear();
        return t;
    }
    int count(const QString& db, const QString& sql, const QVariantList& params = {}) {
        store::Connection c;
        c.open(db);
        return c.scalar(sql, params).toInt();
    }

    // The employer window as the operator fills it for a new employer; saved with F1.
    void fillEmployer(TForm_cop_info* f) {
        f->Edit_BXDJZBM->setText(kSsn);
        f->DBLookupComboBox_jfdq->setValue("东城区");
        f->DBLookupComboBox_jfdqExit();
        f->DBEdit_DWMC->setFieldText("红星机械厂");
        f->DBEdit_DWDH->setFieldText("01065550000");
        f->DBEdit_DWDZ->setFieldText("东城区测试路1号");
        f->DBEdit_DWYB->setFieldText("100010");
        f->DBEdit_FRXM->setFieldText("张三");
        f->DBEdit_FRSFZ->setFieldText("11010519491231002X");
        f->DBEdit_FRDH->setFieldText("13800000000");
        f->DBEdit_ZGYXM->setFieldText("李四");
        f->DBEdit_ZGYDH->setFieldText("13900000000");
        f->DBLookupComboBox_dwlx->setValue("企业");
        f->DBLookupComboBox_lsgx->setValue("市");
        f->DBLookupComboBox_khyh->setValue("北京农村商业银行");
        f->Edit_KHYHDM->setText("12&");
        f->DBEdit_KHHM->setFieldText("红星机械厂");
        f->DBEdit_YHZH->setFieldText("6222000011112222");
        f->DBEdit_ZZJGDM->setFieldText("12345678-9");
        f->DBEdit_DWJC->setFieldText("红星");
        f->DBLookupComboBox_dwlb->setValue("企业法人");
        f->DBLookupComboBox_jjlx->setValue("国有企业");
        f->DBLookupComboBox_hyxz->setValue("农副食品加工业");
        f->DBLookupComboBox_hydm->setValue("谷物磨制");
        f->DBLookupComboBox_lxjffs->setValue("单位缴费");
    }

    static void choose(ui::DBLookupComboBox* box, const QString& name) {
        const int i = box->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        box->setCurrentIndex(i);
        Q_EMIT box->activated(i);
    }

    void fillPerson(TForm_per_info* f, const QString& id, const QString& name, const QString& hospital) {
        f->Edit_SHBXDJZBM->setText(kSsn);
        f->DBEdit_NAME->setFieldText(name);
        f->DBEdit_GMSFZ->setFieldText(id);
        f->DBEdit_GMSFZExit();
        f->DBLookupComboBox_NATION->setValue("汉族");
        if (f->DBLookupComboBox_JFRYLB->text().isEmpty()) choose(f->DBLookupComboBox_JFRYLB, "离休人员");
        f->DBLookupComboBox_YBCBRYLB->setValue("离休干部");
        f->DBLookupComboBox_WHCD->setValue("研究生");
        f->DBEdit_LTXRQ->setFieldText("1990-01-01");
        f->DBLookupComboBox_LTXRYLB->setValue("离休人员");
        f->DBEdit_XJZDDZ->setFieldText("东城区和平里1号");
        f->DBEdit_JZDYZBM->setFieldText("100010");
        f->DBEdit_CBRDH->setFieldText("65001234");
        f->DBEdit_DDYLJG[0]->setFieldText(hospital);
    }

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    testing_support::ModalRecorder modal;
    std::map<QWidget*, std::function<int()>> onShow;
};

}  // namespace e2e
