#include "EmployerFixture.h"

#include "app/globals/Globals.h"
#include "platform/Clock.h"

void EmployerWindowTest::SetUp() {
    platform::setToday(QDate(2024, 6, 15));
    w = std::make_unique<TForm_cop_info>();
    Form_cop_info = w.get();
    startNewEmployer();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    dialogs.clear();
}

void EmployerWindowTest::TearDown() {
    w.reset();
    Form_cop_info = nullptr;
}

void EmployerWindowTest::startNewEmployer() {
    if (copTablesActive == 0) w->activeTables();
    w->ADOTable_corporation->insert();
    w->Edit_BXDJZBM->setText(QString());
    w->PageControl1->setCurrentWidget(w->TabSheet1);
    w->clearScreen();
    w->Edit_BXDJZBM->setEnabled(true);
    copInfoMode = 1;
}

void EmployerWindowTest::openStored(const QString& ssn) {
    if (copTablesActive == 0) w->activeTables();
    // The window was closed in between, which disables the number field.
    w->Edit_BXDJZBM->setEnabled(false);
    w->clearScreen();
    w->locateRecordByBXDJZH(ssn);
    w->getFieldValues();
    w->ADOTable_corporation->edit();
    w->PageControl1->setCurrentWidget(w->TabSheet1);
    copInfoMode = 2;
}

void EmployerWindowTest::fillValid() {
    w->Edit_BXDJZBM->setText(kSsn);
    w->DBLookupComboBox_jfdq->setValue("东城区");
    w->DBLookupComboBox_jfdqExit();
    w->DBEdit_DWMC->setFieldText("测试单位");
    w->DBEdit_DWDH->setFieldText("01065550000");
    w->DBEdit_DWDZ->setFieldText("东城区测试路1号");
    w->DBEdit_DWYB->setFieldText("100010");
    w->DBEdit_FRXM->setFieldText("张三");
    w->DBEdit_FRSFZ->setFieldText("11010519491231002X");
    w->DBEdit_FRDH->setFieldText("13800000000");
    w->DBEdit_ZGYXM->setFieldText("李四");
    w->DBEdit_ZGYDH->setFieldText("13900000000");
    w->DBLookupComboBox_dwlx->setValue("企业");
    w->DBLookupComboBox_lsgx->setValue("市");
    w->DBLookupComboBox_khyh->setValue("北京农村商业银行");
    w->Edit_KHYHDM->setText("12&");
    w->DBEdit_KHHM->setFieldText("测试单位");
    w->DBEdit_YHZH->setFieldText("6222000011112222");
    w->DBEdit_ZZJGDM->setFieldText("12345678-9");
    w->DBEdit_DWJC->setFieldText("测试");
    w->DBLookupComboBox_dwlb->setValue("企业法人");
    w->DBLookupComboBox_jjlx->setValue("国有企业");
    w->DBLookupComboBox_hyxz->setValue("农副食品加工业");
    w->DBLookupComboBox_hydm->setValue("谷物磨制");
    w->DBLookupComboBox_lxjffs->setValue("单位缴费");
}

void EmployerWindowTest::storeEmployer(const QVariantMap& columns) {
    store::Connection c;
    c.open(dir.database());
    QStringList names, marks;
    QVariantList values;
    for (auto it = columns.begin(); it != columns.end(); ++it) {
        names << it.key();
        marks << "?";
        values << it.value();
    }
    c.execute("insert into M_CORPORATION (" + names.join(',') + ") values (" + marks.join(',') + ")", values);
}

QVariant EmployerWindowTest::storedValue(const QString& ssn, const QString& column) {
    store::Connection c;
    c.open(dir.database());
    return c.scalar("select " + column + " from M_CORPORATION where SSN = ?", {ssn});
}

int EmployerWindowTest::storedCount() {
    store::Connection c;
    c.open(dir.database());
    return c.scalar("select count(*) from M_CORPORATION").toInt();
}

void EmployerWindowTest::key(int k, Qt::KeyboardModifiers mods) {
    QWidget* target = focused() ? focused() : w.get();
    QTest::keyClick(target, Qt::Key(k), mods);
}

void EmployerWindowTest::focus(QWidget* wdg) {
    if (auto* page = wdg->parentWidget()) {
        for (QWidget* p = wdg; p; p = p->parentWidget())
            if (p == w->TabSheet1 || p == w->TabSheet2 || p == w->TabSheet3)
                w->PageControl1->setCurrentWidget(p);
        (void)page;
    }
    wdg->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(focused(), wdg) << wdg->objectName().toStdString();
}

void EmployerWindowTest::type(const QString& text) {
    QTest::keyClicks(focused(), text);
}
