#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "app/globals/Globals.h"
#include "person/IdCardCheck.h"
#include "person/TForm_per_info.h"
#include "platform/Clock.h"
#include "store/Connection.h"
#include "store/Error.h"
#include "support/TestSupport.h"

// Readable values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QVariant& v, std::ostream* os) {
    *os << (v.isNull() ? std::string("null") : v.toString().toStdString());
}

// A fresh working database with employers of each fee type, and the person
// window over it, prepared for a new person as the main menu does.
class PersonWindowTest : public ::testing::Test {
  protected:
    // ssn, name, fee type, employer type, affiliation
    void SetUp() override {
        platform::setToday(QDate(2024, 6, 15));
        db.open(work.database());
        addEmployer("110000000001", "财政单位", "1", "10", "5");
        addEmployer("110000000002", "缴费机关", "2", "30", "2");
        addEmployer("110000000003", "混合单位", "3", "10", "5");
        addEmployer("110000000004", "市属单位", "3", "10", "4");
        addEmployer("110000000005", "乱码单位", "3", "10", "A1");
        win = std::make_unique<TForm_per_info>();
        Form_per_info = win.get();
        newPerson();
    }
    void TearDown() override {
        Form_per_info = nullptr;
        win.reset();
        platform::setToday(QDate());
    }

    void addEmployer(const QString& ssn, const QString& name, const QString& fee, const QString& type,
                     const QString& belong) {
        db.execute(
            "INSERT INTO M_CORPORATION (SSN, NAME, CORPSRETFEETYPE, CORPTYPE, BELONG) VALUES (?,?,?,?,?)",
            {ssn, name, fee, type, belong});
    }

    // What "人员增加" of the main menu does.
    void newPerson() {
        win->ADOTable_PERSON->requery();
        win->ADOTable_DDYLJG->requery();
        win->ADOTable_PERSON->insert();
        win->ADOTable_DDYLJG->insert();
        win->ClearScreen();
        win->Edit_SHBXDJZBM->clear();
        win->Edit_DWMC->clear();
        perInfoMode = 1;
    }

    void show() {
        win->show();
        QApplication::setActiveWindow(win.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
    }

    static QStringList codes(store::Dataset* list) {
        QStringList c;
        for (int r = 0; r < list->recordCount(); ++r) c.append(list->valueAt(r, 0).toString());
        return c;
    }

    // The operator picks an item of a lookup.
    static void choose(ui::DBLookupComboBox* box, const QString& name) {
        const int i = box->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        box->setCurrentIndex(i);
        Q_EMIT box->activated(i);
    }

    static QString focusName() {
        QWidget* f = QApplication::focusWidget();
        return f ? f->objectName() : QString();
    }

    // A person that passes every check, under an employer of fee type 3.
    void fillValid(const QString& ssn = "110000000003", const QString& id = kId,
                   const QString& category = "离休人员") {
        win->Edit_SHBXDJZBM->setText(ssn);
        win->DBEdit_NAME->setFieldText("张三");
        win->DBEdit_GMSFZ->setFieldText(id);
        win->DBLookupComboBox_NATION->setValue("汉族");
        if (win->DBLookupComboBox_JFRYLB->text().isEmpty()) choose(win->DBLookupComboBox_JFRYLB, category);
        win->DBLookupComboBox_YBCBRYLB->setValue("离休干部");
        win->DBLookupComboBox_WHCD->setValue("研究生");
        win->DBEdit_LTXRQ->setFieldText("1990-01-01");
        win->DBLookupComboBox_LTXRYLB->setValue("离休人员");
        win->DBEdit_XJZDDZ->setFieldText("东城区和平里1号");
        win->DBEdit_JZDYZBM->setFieldText("100010");
        win->DBEdit_CBRDH->setFieldText("65001234");
        win->DBEdit_DDYLJG[0]->setFieldText("01010001");
    }

    int count(const QString& table) { return db.scalar("SELECT count(*) FROM " + table).toInt(); }

    // Valid numbers (check characters worked out by hand): a man born 1949-12-31, a woman born 1950-01-01.
    inline static const QString kId = QStringLiteral("110105194912310011");
    inline static const QString kId2 = QStringLiteral("110105195001010020");

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    store::Connection db;
    std::unique_ptr<TForm_per_info> win;
};
