#include "employer/TForm_cop_info.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QTabBar>

#include "app/globals/Globals.h"
#include "employer/FeePeriod.h"
#include "reports/TForm_print1.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Placement.h"

TForm_cop_info::TForm_cop_info(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_cop_info");
    setWindowTitle("单位信息");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    ADOConnection1.open(store::workingDatabasePath());
    ADOTable_corporation = new store::Table(&ADOConnection1, "M_CORPORATION", this);
    ADOQuery1 = new store::Query(&ADOConnection1, this);

    auto query = [this](const char* name, const char* sql) {
        auto* q = new store::Query(&ADOConnection1, this);
        q->setObjectName(QString::fromLatin1(name));
        q->setSql(QString::fromUtf8(sql));
        return q;
    };
    auto table = [this](const char* name, const char* tableName) {
        auto* t = new store::Table(&ADOConnection1, QString::fromLatin1(tableName), this);
        t->setObjectName(QString::fromLatin1(name));
        return t;
    };
    ADOQuery_jfdq = query("ADOQuery_jfdq", "select * from D_feeArea order by code");
    ADOQuery_dwlx = query("ADOQuery_dwlx", "select * from D_CorpType order by code");
    ADOTable_lsgx = table("ADOTable_lsgx", "D_BELONG");
    ADOTable_KHYH = table("ADOTable_KHYH", "D_DEPUTYBANKNAME");
    ADOTable_ZZLX = table("ADOTable_ZZLX", "D_IncoLicenseType");
    ADOQuery_jjlx = query("ADOQuery_jjlx", "select * from D_Ecotype order by code");
    ADOQuery_dwlb = query("ADOQuery_dwlb", "select * from D_DELEGATECORPTYPE order by code");
    ADOTable_ISZGC = table("ADOTable_ISZGC", "D_ISZGC");
    ADOQuery_hyxt = query("ADOQuery_hyxt", "select * from D_trade order by code");
    ADOQuery_hyxz = query("ADOQuery_hyxz", "select * from D_TradeProperty order by code");
    ADOQuery_hydm = query("ADOQuery_hydm", "select  *  from D_tradecode order by code");
    ADOQuery_ssxzq = query("ADOQuery_ssxzq", "select * from D_DISTRICT order by code");
    ADOTable_ZFDQ = table("ADOTable_ZFDQ", "D_FEEAREA");
    ADOQuery_jffs = query("ADOQuery_jffs", "select * from D_feeMethod order by code");
    ADOQuery_JFXS = query("ADOQuery_JFXS", "select * from D_feeType order by code");
    ADOTable_JFZQ = table("ADOTable_JFZQ", "D_FEEPERIOD");
    ADOQuery_lxxsbz = query("ADOQuery_lxxsbz", "select * from D_CORPSRETFLAG where code = '1'");
    ADOQuery_lxjffs = query("ADOQuery_lxjffs", "select * from D_CORPSRETFEETYPE order by code");
    ADOTable_ZFKHYH = table("ADOTable_ZFKHYH", "D_DEPUTYBANKNAME");

    // The exit notifier first: the page-advance handling below relies on
    // seeing the focus change after it.
    exitNotifier = new ui::ExitNotifier(this);
    buildTop();
    buildPage1();
    buildPage2();
    buildPage3();
    buildBottom();
    layOut();
    setKeyboardOrder();

    keyPreview = new ui::KeyPreview(this, Button_CLOSE);
    keyPreview->setF1Handler([this] { Button_saveClick(); });
    keyPreview->setKeyHandler(
        [this](QWidget* target, int key, Qt::KeyboardModifiers mods) { return keyRule(target, key, mods); });
    DBLookupComboBox_jfdq->setEmptiedBy({Qt::Key_Delete});
    for (ui::DBLookupComboBox* l : {DBLookupComboBox_jjlx, DBLookupComboBox_ISZGC, DBLookupComboBox_hyxt,
                                    DBLookupComboBox_ZFKHYHMC, DBLookupComboBox_ZZLX, DBLookupComboBox_SSXZQ})
        l->setEmptiedBy({Qt::Key_Space, Qt::Key_Backspace});

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    connect(PopupMenu1->addAction("打印预览表一"), &QAction::triggered, this, &TForm_cop_info::N1Click);
    connect(PopupMenu1->addAction("打印预览表二"), &QAction::triggered, this, &TForm_cop_info::N2Click);
    connect(PopupMenu1->addAction("打印表一"), &QAction::triggered, this, &TForm_cop_info::N3Click);
    connect(PopupMenu1->addAction("打印表二"), &QAction::triggered, this, &TForm_cop_info::N4Click);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenu1->popup(mapToGlobal(p)); });

    connectRules();
}

void TForm_cop_info::setKeyboardOrder() {
    const QList<QWidget*> order = {
        Edit_BXDJZBM, DBLookupComboBox_jfdq,
        // page 1
        DBEdit_DWMC, DBEdit_DWDH, DBEdit_DWDZ, DBEdit_DWYB, DBLookupComboBox_ZZLX, DBEdit9, DBEdit_FZRQ,
        DBEdit_ZZYXQX, DBEdit_PZDW, DBEdit_PZRQ, DBEdit_PZWH, DBEdit_FRXM, DBEdit_FRSFZ, DBEdit_FRDH,
        DBEdit_ZGYXM, DBEdit_ZGYBM, DBEdit_ZGYDH, DBLookupComboBox_dwlx, DBLookupComboBox_lsgx, DBEdit20,
        DBLookupComboBox_khyh, Edit_KHYHDM, DBEdit_KHHM, DBEdit_YHZH, Button1,
        // page 2
        DBEdit_DWMC2, DBEdit_ZZJGDM, DBEdit_GSZCDZ, DBEdit_DWJC, DBLookupComboBox_jjlx, DBLookupComboBox_dwlb,
        DBEdit_DJZFZRQ, DBLookupComboBox_ISZGC, DBLookupComboBox_hyxt, DBLookupComboBox_hyxz,
        DBLookupComboBox_hydm, DBEdit_EJDJZBM, DBLookupComboBox_SSXZQ, DBEdit_FAX, DBEdit_URL, DBEdit_EMAIL,
        Button2,
        // page 3
        DBLookupComboBox_ZFDQ, DBLookupComboBox_jffs, DBLookupComboBox_JFXS, DBLookupComboBox_JFZQ,
        DBLookupComboBox_lxxsbz, DBLookupComboBox_lxjffs, DBLookupComboBox_ZFKHYHMC, Edit_ZFKHYHDM,
        DBEdit_ZFKHYHHM, DBEdit_ZFKHYHZH, Button3, Edit_BDQJFYS};
    for (int i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void TForm_cop_info::setGreyed(QWidget* w, bool greyed) {
    w->setEnabled(!greyed);
    QPalette p = w->palette();
    p.setColor(QPalette::Disabled, QPalette::Base, p.color(QPalette::Active, QPalette::Button));
    w->setPalette(p);
}

void TForm_cop_info::activeTables() {
    ADOQuery_jfdq->open();
    ADOQuery_lxxsbz->open();
    ADOQuery_lxjffs->open();
    ADOTable_KHYH->open();
    ADOQuery_jjlx->open();
    ADOQuery_dwlb->open();
    ADOQuery_hyxt->open();
    // Its first row refilters the industry codes, which are then open already.
    ADOQuery_hyxz->open();
    ADOQuery_hydm->open();
    ADOQuery_ssxzq->open();
    ADOQuery_jffs->open();
    ADOQuery_dwlx->open();
    ADOQuery_dwlx->last();
    ADOQuery_JFXS->open();
    ADOTable_ZFKHYH->open();
    ADOTable_corporation->open();
    ADOTable_lsgx->open();
    ADOTable_ZZLX->open();
    ADOTable_ZFDQ->open();
    ADOTable_ISZGC->open();
    ADOTable_JFZQ->open();
    copTablesActive = 1;
}

void TForm_cop_info::clearScreen() {
    const QList<ui::DBLookupComboBox*> lists = {
        DBLookupComboBox_jfdq,   DBLookupComboBox_dwlx,   DBLookupComboBox_lsgx,    DBLookupComboBox_khyh,
        DBLookupComboBox_ZZLX,   DBLookupComboBox_jjlx,   DBLookupComboBox_dwlb,    DBLookupComboBox_ISZGC,
        DBLookupComboBox_hyxt,   DBLookupComboBox_hyxz,   DBLookupComboBox_hydm,    DBLookupComboBox_SSXZQ,
        DBLookupComboBox_ZFDQ,   DBLookupComboBox_jffs,   DBLookupComboBox_JFXS,    DBLookupComboBox_JFZQ,
        DBLookupComboBox_lxxsbz, DBLookupComboBox_lxjffs, DBLookupComboBox_ZFKHYHMC};
    for (auto* l : lists) l->setValue(QString());
    DBLookupComboBox_jffs->setValue("银行托收");
    DBLookupComboBox_JFXS->setValue("独立");
    DBLookupComboBox_lxxsbz->setValue("享受");
    DBLookupComboBox_ISZGC->setValue("否");
    DBLookupComboBox_JFZQ->setValue("月");
    for (QLineEdit* e : std::initializer_list<QLineEdit*>{Edit_SBDJJG, Edit_BDQJFYS, Edit_ZFKHYHDM,
                                                          Edit_KHYHDM, Edit_EJGSMC, Edit_EJGSZZJGDM})
        e->clear();
}

void TForm_cop_info::ensureEditing() {
    if (!ADOTable_corporation->isEditing()) ADOTable_corporation->edit();
}

void TForm_cop_info::setFieldValues() {
    ensureEditing();
    store::Table* t = ADOTable_corporation;
    t->setValue("SSN", Edit_BXDJZBM->text());
    if (!DBLookupComboBox_jfdq->text().isEmpty()) {
        const QString code = DBLookupComboBox_jfdq->code();
        t->setValue("FEEAREACODE", code);
        t->setValue("SSREGORG", code);
    } else {
        t->setValue("FEEAREACODE", QString());
    }
    const QList<std::pair<const char*, ui::DBLookupComboBox*>> coded = {
        {"PAYAREA", DBLookupComboBox_ZFDQ},         {"FEETYPE", DBLookupComboBox_JFXS},
        {"CORPTYPE", DBLookupComboBox_dwlx},        {"BELONG", DBLookupComboBox_lsgx},
        {"ECOTYPE", DBLookupComboBox_jjlx},         {"TRADEPROPERTY", DBLookupComboBox_hyxz},
        {"TRADECODE", DBLookupComboBox_hydm},       {"TRADE", DBLookupComboBox_hyxt},
        {"INCOLICENSETYPE", DBLookupComboBox_ZZLX}, {"DELEGATECORPTYPE", DBLookupComboBox_dwlb},
        {"FEEBANK", DBLookupComboBox_khyh},         {"PAYBANK", DBLookupComboBox_ZFKHYHMC},
        {"DISTRICTCODE", DBLookupComboBox_SSXZQ}};
    for (const auto& [column, list] : coded) t->setValue(column, list->code());

    const QString word = DBLookupComboBox_JFZQ->text();
    if (const auto months = feeperiod::monthsForWord(word)) {
        t->setValue("FEEPERIOD", *months);
    } else if (word == feeperiod::kIrregular) {
        // Digits only by the key rule; the column refuses what is no whole number.
        t->setValue("FEEPERIOD", Edit_BDQJFYS->text());
    }

    t->setValue("FEEMETHOD", DBLookupComboBox_jffs->code());
    t->setValue("SRETFLAG", DBLookupComboBox_lxxsbz->code());
    t->setValue("CORPSRETFEETYPE", DBLookupComboBox_lxjffs->code());
    t->setValue("ZGCCORP", DBLookupComboBox_ISZGC->code());
}

QString TForm_cop_info::retireFlagName(const QString& sretFlag, const QString& feeType) const {
    if (sretFlag.isEmpty()) return {};
    const QString name = ADOQuery_lxxsbz->lookup("CODE", sretFlag, "NAME").toString();
    // Both rows carry code 1, so the code alone always names "享受". A saved
    // "享受" always has a payment method (the save requires it), and "不享受"
    // never has one (choosing it empties the method).
    const QString notEntitled = QStringLiteral("不享受");
    if (name == QStringLiteral("享受") && feeType.isEmpty() &&
        !ADOQuery_lxxsbz->lookup("NAME", notEntitled, "NAME").isNull())
        return notEntitled;
    return name;
}

void TForm_cop_info::getFieldValues() {
    store::Table* t = ADOTable_corporation;
    auto stored = [t](const char* column) { return t->value(QString::fromLatin1(column)).toString(); };
    auto nameFor = [](store::Dataset* list, const QString& code) {
        if (code.isEmpty() || !list->isOpen()) return QString();
        return list->lookup("CODE", code, "NAME").toString();
    };

    Edit_BXDJZBM->setText(stored("SSN"));
    DBLookupComboBox_jfdq->setValue(nameFor(ADOQuery_jfdq, stored("FEEAREACODE")));
    DBLookupComboBox_jfdqExit();

    DBLookupComboBox_ZFDQ->setValue(nameFor(ADOTable_ZFDQ, stored("PAYAREA")));
    DBLookupComboBox_JFXS->setValue(nameFor(ADOQuery_JFXS, stored("FEETYPE")));
    DBLookupComboBox_dwlx->setValue(nameFor(ADOQuery_dwlx, stored("CORPTYPE")));
    DBLookupComboBox_lsgx->setValue(nameFor(ADOTable_lsgx, stored("BELONG")));
    DBLookupComboBox_jjlx->setValue(nameFor(ADOQuery_jjlx, stored("ECOTYPE")));
    // Refilters the industry codes before the code is looked up among them.
    DBLookupComboBox_hyxz->setValue(nameFor(ADOQuery_hyxz, stored("TRADEPROPERTY")));
    DBLookupComboBox_hydm->setValue(nameFor(ADOQuery_hydm, stored("TRADECODE")));
    DBLookupComboBox_hyxt->setValue(nameFor(ADOQuery_hyxt, stored("TRADE")));
    DBLookupComboBox_ZZLX->setValue(nameFor(ADOTable_ZZLX, stored("INCOLICENSETYPE")));
    DBLookupComboBox_dwlb->setValue(nameFor(ADOQuery_dwlb, stored("DELEGATECORPTYPE")));
    DBLookupComboBox_khyh->setValue(nameFor(ADOTable_KHYH, stored("FEEBANK")));
    DBLookupComboBox_ZFKHYHMC->setValue(nameFor(ADOTable_ZFKHYH, stored("PAYBANK")));
    DBLookupComboBox_SSXZQ->setValue(nameFor(ADOQuery_ssxzq, stored("DISTRICTCODE")));

    setGreyed(Edit_BDQJFYS, true);
    const QString period = stored("FEEPERIOD");
    const QString word = feeperiod::wordForStored(period);
    if (word == feeperiod::kIrregular) {
        setGreyed(Edit_BDQJFYS, false);
        Edit_BDQJFYS->setText(period);
    }
    DBLookupComboBox_JFZQ->setValue(word);

    DBLookupComboBox_jffs->setValue(nameFor(ADOQuery_jffs, stored("FEEMETHOD")));
    DBLookupComboBox_lxxsbz->setValue(retireFlagName(stored("SRETFLAG"), stored("CORPSRETFEETYPE")));
    DBLookupComboBox_lxjffs->setValue(nameFor(ADOQuery_lxjffs, stored("CORPSRETFEETYPE")));
    DBLookupComboBox_ISZGC->setValue(nameFor(ADOTable_ISZGC, stored("ZGCCORP")));

    const QString feeBank = DBLookupComboBox_khyh->text();
    Edit_KHYHDM->setText(feeBank.isEmpty() ? QString()
                                           : ADOTable_KHYH->lookup("NAME", feeBank, "CODE").toString());
    const QString payBank = DBLookupComboBox_ZFKHYHMC->text();
    Edit_ZFKHYHDM->setText(payBank.isEmpty() ? QString()
                                             : ADOTable_ZFKHYH->lookup("NAME", payBank, "CODE").toString());

    ADOQuery1->runQuery("select ssn,name,orgcode from M_corporation where ssn = ?",
                        {DBEdit_EJDJZBM->text().trimmed()});
    if (ADOQuery1->recordCount() > 0) {
        Edit_EJGSMC->setText(ADOQuery1->value("name").toString());
        Edit_EJGSZZJGDM->setText(ADOQuery1->value("orgcode").toString());
    }
    ADOQuery1->close();
}

void TForm_cop_info::locateRecordByBXDJZH(const QString& number) {
    ADOTable_corporation->close();
    ADOTable_corporation->open();
    // Any letter case finds the employer; the spelling given first, for a register from before the
    // key rule that may still hold the number twice.
    const QVariant serial = ADOConnection1.scalar(
        "select CORPSN from M_CORPORATION where SSN = ?1 "
        "order by SSN = ?1 COLLATE BINARY desc, CORPSN limit 1",
        {number});
    if (serial.isNull() || !ADOTable_corporation->locate("CORPSN", serial))
        throw store::Error(QStringLiteral("没有找到社会保险登记证编码为“%1”的单位").arg(number));
}

QString TForm_cop_info::printFilter() const {
    return "SSN='" + Edit_BXDJZBM->text() + "'";
}

void TForm_cop_info::printWith(const std::function<void(const QString&)>& call) {
    if (!Form_print1) {
        ui::dialogs().error(this, QStringLiteral("报表模块不可用"));
        return;
    }
    ui::guarded(this, [&] { call(printFilter()); });
}

void TForm_cop_info::Button_printClick() {
    printWith([](const QString& f) { Form_print1->printEmployerForm(f, TForm_print1::Sheets::Both); });
}
void TForm_cop_info::N1Click() {
    printWith([](const QString& f) { Form_print1->previewEmployerForm(f, TForm_print1::Sheets::One); });
}
void TForm_cop_info::N2Click() {
    printWith([](const QString& f) { Form_print1->previewEmployerForm(f, TForm_print1::Sheets::Two); });
}
void TForm_cop_info::N3Click() {
    printWith([](const QString& f) { Form_print1->printEmployerForm(f, TForm_print1::Sheets::One); });
}
void TForm_cop_info::N4Click() {
    printWith([](const QString& f) { Form_print1->printEmployerForm(f, TForm_print1::Sheets::Two); });
}

void TForm_cop_info::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::centreOnScreen(this);
    exitNotifier->setSuspended(true);
    if (Edit_BXDJZBM->isEnabled())
        Edit_BXDJZBM->setFocus(Qt::OtherFocusReason);
    else
        Button_insert->setFocus(Qt::OtherFocusReason);
    exitNotifier->setSuspended(false);
}

void TForm_cop_info::done(int r) {
    Edit_BXDJZBM->setEnabled(false);
    if (ADOTable_corporation->isOpen()) ADOTable_corporation->cancel();
    QDialog::done(r);
}
