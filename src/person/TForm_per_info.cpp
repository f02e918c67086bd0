#include "person/TForm_per_info.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include "app/globals/Globals.h"
#include "reports/TForm_print1.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "ui/Dialogs.h"
#include "ui/ExitNotifier.h"
#include "ui/Guard.h"
#include "ui/KeyPreview.h"
#include "ui/Placement.h"

TForm_per_info::TForm_per_info(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_per_info");
    setWindowTitle("个人信息查询编辑");
    ADOConnection1.open(store::workingDatabasePath());

    ADOTable_PERSON = new store::Table(&ADOConnection1, "M_PERSON", this);
    ADOTable_DDYLJG = new store::Table(&ADOConnection1, "M_PSNAPPOINTEDHOSPITAL", this);
    ADOQuery_Corpinfo = new store::Query(&ADOConnection1, this);
    ADOQuery1 = new store::Query(&ADOConnection1, this);
    ADOQuery_HOS = new store::Query(&ADOConnection1, this);
    ADOQuery_HOS->setSql("select code,short_name,hos_level from d_hos");

    auto list = [this](const QString& sql) {
        auto* q = new store::Query(&ADOConnection1, this);
        q->setSql(sql);
        return q;
    };
    ADOQuery_SEX = list("select * from D_SEX");
    ADOQuery_MZ = list("select * from D_NATION");
    ADOQuery_JFRYLB = list("select * from D_FeePsnType");
    ADOQuery_YBCBRYLB = list("select * from D_MedPsnType");
    ADOQuery_HYZK = list("select * from D_MARRIAGE");
    ADOQuery_HKXZ = list("select * from D_ResidentType");
    ADOQuery_WHCD = list("select * from D_Education");
    ADOQuery_GRSF = list("select * from D_PsnStatus");
    ADOQuery_XZZW = list("select * from D_AdminDuty");
    ADOQuery_ZYJSZC = list("select * from D_SpecDuty");
    ADOQuery_GRJSDJ = list("select * from D_TechLevel");
    ADOQuery_LTXRYLB = list("select * from D_RetireType where code in ('1')");
    ADOQuery_LXJFFS = list("select * from D_PsnSRetFeeType");
    ADOQuery_GRCDJFFS = list("select * from D_PsnDeleFeeType");
    ADOQuery_GRZHGLZT = list("select * from D_PsnAcctManageState");
    ADOQuery_JFZQ = list("select * from D_FEEPERIOD");
    ADOQuery_none = new store::Query(&ADOConnection1, this);

    ADOTable_PERSON->open();
    ADOTable_DDYLJG->open();

    buildControls();
    setTabOrderOfControls();
    connectHandlers();
    openLists();
    setAdminDutyEnabled(false);

    // Until a caller starts or loads a person, typing must not change a stored row.
    ADOTable_PERSON->insert();
    ADOTable_DDYLJG->insert();
}

void TForm_per_info::setTabOrderOfControls() {
    const QList<QWidget*> order = {Edit_SHBXDJZBM,
                                   DBEdit_NAME,
                                   DBEdit_GMSFZ,
                                   DBLookupComboBox_NATION,
                                   DBLookupComboBox_JFRYLB,
                                   DBLookupComboBox_YBCBRYLB,
                                   DBEdit_CSD,
                                   DBLookupComboBox_HYZK,
                                   DBLookupComboBox_HKXZ,
                                   DBLookupComboBox_WHCD,
                                   DBLookupComboBox_GRSF,
                                   DBEdit_CJGZRQ,
                                   DBLookupComboBox_XZZW,
                                   DBLookupComboBox_ZYJSZC,
                                   DBLookupComboBox_GRJSDJ,
                                   DBEdit_LTXRQ,
                                   DBLookupComboBox_LTXRYLB,
                                   DBEdit_HKSZQXJX,
                                   DBEdit_HKSZD,
                                   DBEdit_XJZDDZ,
                                   DBEdit_JZDYZBM,
                                   DBEdit_CBRDH,
                                   DBEdit_LXRXM,
                                   DBEdit_LXRDH,
                                   DBEdit_DDYLJG[0],
                                   DBEdit_DDYLJG[1],
                                   DBEdit_DDYLJG[2],
                                   DBEdit_DDYLJG[3],
                                   DBEdit_DDYLJG[4],
                                   Edit_hosinput,
                                   DBGrid1,
                                   Button1,
                                   DBLookupComboBox_LXJFFS,
                                   Button_SAVE,
                                   Button_print,
                                   Button_Insert,
                                   Button_close,
                                   Edit_DWMC,
                                   Button_preview};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    // The disabled and inert controls are never reached; keep them out of the chain's way.
    for (QWidget* w :
         {static_cast<QWidget*>(DBLookupComboBox_SEX), static_cast<QWidget*>(DBEdit_CSRQ),
          static_cast<QWidget*>(DBLookupComboBox_GRZHGLZT), static_cast<QWidget*>(DBEdit_JKKH),
          static_cast<QWidget*>(DBLookupComboBox_GWYXSBS), static_cast<QWidget*>(DBLookupComboBox_GWYJFFS)})
        w->setFocusPolicy(Qt::NoFocus);
}

void TForm_per_info::connectHandlers() {
    keyPreview_ = new ui::KeyPreview(this, Button_close);
    keyPreview_->setF1Handler([this] { saveByF1(); });
    keyPreview_->setKeyHandler([this](QWidget* target, int key, Qt::KeyboardModifiers mods) {
        return keyPressed(target, key, mods);
    });
    exits_ = new ui::ExitNotifier(this);
    exits_->onExit(DBEdit_GMSFZ, [this] { DBEdit_GMSFZExit(); });
    exits_->onExit(DBLookupComboBox_JFRYLB, [this] { DBLookupComboBox_JFRYLBExit(); });

    connect(Edit_SHBXDJZBM, &QLineEdit::textChanged, this, &TForm_per_info::Edit_SHBXDJZBMChange);
    connect(ADOQuery_JFRYLB, &store::Dataset::afterScroll, this, &TForm_per_info::ADOQuery_JFRYLBAfterScroll);
    connect(Button_Insert, &QPushButton::clicked, this, &TForm_per_info::Button_InsertClick);
    connect(Button_SAVE, &QPushButton::clicked, this, &TForm_per_info::Button_SAVEClick);
    connect(Button_print, &QPushButton::clicked, this, &TForm_per_info::Button_printClick);
    connect(Button_preview, &QPushButton::clicked, this, &TForm_per_info::Button_previewClick);
    connect(Button_close, &QPushButton::clicked, this, &TForm_per_info::Button_closeClick);
    connect(Edit_hosinput, &QLineEdit::textChanged, this, &TForm_per_info::Edit_hosinputChange);
    connect(Button1, &QPushButton::clicked, this, &TForm_per_info::Button1Click);
    // On a row, below the rows or in an empty grid.
    connect(DBGrid1, &ui::DBGrid::gridDoubleClicked, this, &TForm_per_info::DBGrid1DblClick);
}

void TForm_per_info::openLists() {
    for (store::Query* q : {ADOQuery_SEX, ADOQuery_MZ, ADOQuery_JFRYLB, ADOQuery_YBCBRYLB, ADOQuery_HYZK,
                            ADOQuery_HKXZ, ADOQuery_WHCD, ADOQuery_GRSF, ADOQuery_XZZW, ADOQuery_ZYJSZC,
                            ADOQuery_GRJSDJ, ADOQuery_LTXRYLB, ADOQuery_LXJFFS, ADOQuery_GRCDJFFS})
        q->open();
}

bool TForm_per_info::keyPressed(QWidget* target, int key, Qt::KeyboardModifiers) {
    // Esc in the search panel leaves the panel, not the window.
    if (key == Qt::Key_Escape && Panel_hos->isVisible() && Panel_hos->isAncestorOf(target)) {
        closeHosPanel();
        return true;
    }
    if (target == Edit_hosinput) return Edit_hosinputKeyDown(key);
    return false;
}

bool TForm_per_info::Edit_hosinputKeyDown(int key) {
    if (key != Qt::Key_Down) return false;
    DBGrid1->setFocus(Qt::OtherFocusReason);
    return true;
}

bool TForm_per_info::DBEdit_JZDYZBMKeyPress(const QString& typed) {
    // Control characters (Backspace among them) pass; any other non-digit is dropped.
    if (typed.isEmpty() || typed[0].unicode() < 0x20 || typed[0].unicode() == 0x7f) return false;
    for (QChar c : typed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            ui::dialogs().beep();
            return true;
        }
    }
    return false;
}

bool TForm_per_info::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && digitsOnly_.contains(static_cast<QWidget*>(watched)) &&
        DBEdit_JZDYZBMKeyPress(static_cast<QKeyEvent*>(event)->text()))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TForm_per_info::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!parentWidget()) ui::centreOnScreen(this);
    FormShow();
}

void TForm_per_info::FormShow() {
    Panel_hos->hide();
    if (Edit_SHBXDJZBM->isEnabled())
        Edit_SHBXDJZBM->setFocus(Qt::OtherFocusReason);
    else
        Button_Insert->setFocus(Qt::OtherFocusReason);
}

void TForm_per_info::closeEvent(QCloseEvent* e) {
    // The frame's close button takes the road of "关闭", with its question.
    e->ignore();
    Button_closeClick();
}

QVariant TForm_per_info::corpValue(const QString& field) const {
    if (!ADOQuery_Corpinfo->isOpen() || ADOQuery_Corpinfo->recNo() < 0) return {};
    return ADOQuery_Corpinfo->value(field);
}

void TForm_per_info::Edit_SHBXDJZBMChange() {
    ui::guarded(this, [this] {
        Edit_DWMC->clear();
        const QString ssn = Edit_SHBXDJZBM->text();
        if (ssn.trimmed().size() != 12) return;
        ADOQuery_Corpinfo->runQuery(
            "select corpsn,ssn,name,CorpSRetFeeType,corptype,Belong from M_corporation where ssn = ?", {ssn});
        if (ADOQuery_Corpinfo->recordCount() > 0) {
            Edit_DWMC->setText(ADOQuery_Corpinfo->value("name").toString());
            corpSRetFeeType_ = ADOQuery_Corpinfo->value("CorpSRetFeeType").toString();
            checkLxFeeMethod();
            checkAdminDuty();
        } else {
            ui::dialogs().message(this, "系统内无此单位名称");
            Edit_DWMC->clear();
        }
    });
}

void TForm_per_info::ClearScreen() {
    for (ui::DBLookupComboBox* c :
         {DBLookupComboBox_NATION, DBLookupComboBox_JFRYLB, DBLookupComboBox_YBCBRYLB, DBLookupComboBox_HYZK,
          DBLookupComboBox_HKXZ, DBLookupComboBox_WHCD, DBLookupComboBox_GRSF, DBLookupComboBox_XZZW,
          DBLookupComboBox_GRJSDJ, DBLookupComboBox_ZYJSZC, DBLookupComboBox_LTXRYLB,
          DBLookupComboBox_GWYJFFS, DBLookupComboBox_GWYXSBS, DBLookupComboBox_LXJFFS, DBLookupComboBox_SEX})
        c->setValue(QString());
    for (QLineEdit* e : Edit_HOSNAME) e->clear();
}

void TForm_per_info::setFieldValues() {
    if (!ADOTable_PERSON->isEditing()) ADOTable_PERSON->edit();
    ADOTable_PERSON->setValue("CORPSN", corpValue("corpsn"));
    const QList<QPair<ui::DBLookupComboBox*, const char*>> codes = {
        {DBLookupComboBox_SEX, "SEX"},
        {DBLookupComboBox_NATION, "NATION"},
        {DBLookupComboBox_HYZK, "MARRIAGE"},
        {DBLookupComboBox_HKXZ, "RESIDENTTYPE"},
        {DBLookupComboBox_WHCD, "EDUCATION"},
        {DBLookupComboBox_GRSF, "PSNSTATUS"},
        {DBLookupComboBox_XZZW, "ADMINDUTY"},
        {DBLookupComboBox_ZYJSZC, "SPECDUTY"},
        {DBLookupComboBox_GRJSDJ, "TECHLEVEL"},
        {DBLookupComboBox_LTXRYLB, "RETIRETYPE"},
        {DBLookupComboBox_JFRYLB, "FEEPSNTYPE"},
        {DBLookupComboBox_YBCBRYLB, "MEDPSNTYPE"},
        {DBLookupComboBox_LXJFFS, "PSNSRETFEETYPE"}};
    // An empty choice, or one the list no longer holds, stores an empty column.
    for (const auto& [box, column] : codes) ADOTable_PERSON->setValue(column, box->code());
    ADOTable_PERSON->setValue("SSN", Edit_SHBXDJZBM->text());
}

void TForm_per_info::loadLookup(ui::DBLookupComboBox* box, const QString& column) {
    const QVariant code = ADOTable_PERSON->value(column);
    store::Dataset* list = box->listSource();
    QString name;
    if (!code.isNull() && !code.toString().isEmpty() && list->isOpen())
        name = list->lookup("CODE", code, "NAME").toString();
    box->setValue(name);
}

void TForm_per_info::getFieldValues(const QString& psnsn, const QString& ssn, const QString& corpName) {
    ADOTable_PERSON->requery();
    ADOTable_DDYLJG->requery();
    // Never stand on another person: a serial that is gone is an error.
    if (!ADOTable_PERSON->locate("PSNSN", psnsn))
        throw store::Error(QString("找不到序号为 %1 的参保人").arg(psnsn));
    Edit_SHBXDJZBM->setText(QString());
    Edit_SHBXDJZBM->setText(ssn);
    Edit_DWMC->setText(corpName);

    loadLookup(DBLookupComboBox_NATION, "NATION");
    loadLookup(DBLookupComboBox_JFRYLB, "FEEPSNTYPE");
    loadLookup(DBLookupComboBox_YBCBRYLB, "MEDPSNTYPE");
    loadLookup(DBLookupComboBox_HYZK, "MARRIAGE");
    loadLookup(DBLookupComboBox_HKXZ, "RESIDENTTYPE");
    loadLookup(DBLookupComboBox_WHCD, "EDUCATION");
    loadLookup(DBLookupComboBox_GRSF, "PSNSTATUS");
    loadLookup(DBLookupComboBox_XZZW, "ADMINDUTY");
    if (!DBLookupComboBox_XZZW->text().isEmpty()) setAdminDutyEnabled(true);
    loadLookup(DBLookupComboBox_GRJSDJ, "TECHLEVEL");
    loadLookup(DBLookupComboBox_ZYJSZC, "SPECDUTY");
    loadLookup(DBLookupComboBox_LTXRYLB, "RETIRETYPE");
    loadLookup(DBLookupComboBox_LXJFFS, "PSNSRETFEETYPE");
    loadLookup(DBLookupComboBox_SEX, "SEX");

    if (!ADOTable_DDYLJG->locate("PSNSN", psnsn)) {
        ui::dialogs().message(this, "未找到该参保人的定点医疗机构信息");
        // A fresh row for this person, so no other person's institutions are shown or changed.
        ADOTable_DDYLJG->insert();
    }
    for (int i = 0; i < 5; ++i) Edit_HOSNAME[i]->setText(getHosName(DBEdit_DDYLJG[i]->text()));
}

bool TForm_per_info::saveIfModified() {
    bool stay = false;
    const bool ran = ui::guarded(this, [&] {
        flushBoundFields();
        if (!ADOTable_PERSON->modified() && !ADOTable_DDYLJG->modified()) return;
        if (!ui::dialogs().confirm(this, "数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No")) return;
        if (checkInput() || !storePerson()) stay = true;
    });
    return ran && !stay;
}

void TForm_per_info::Button_InsertClick() {
    if (!saveIfModified()) return;
    ui::guarded(this, [this] {
        ADOTable_PERSON->cancel();
        ADOTable_DDYLJG->cancel();
        ADOTable_PERSON->insert();
        ADOTable_DDYLJG->insert();
        Edit_SHBXDJZBM->setFocus(Qt::OtherFocusReason);
        ClearScreen();
        perInfoMode = 1;
    });
}

void TForm_per_info::Button_closeClick() {
    if (!saveIfModified()) return;
    ADOTable_PERSON->cancel();
    ADOTable_DDYLJG->cancel();
    done(QDialog::Rejected);
}

void TForm_per_info::printPerson(bool preview) {
    if (!Form_print1) {
        ui::dialogs().error(this, "打印模块未创建，无法打印");
        return;
    }
    const QString filter = "IDCARD='" + DBEdit_GMSFZ->text() + "'";
    ui::guarded(this, [&] {
        if (preview)
            Form_print1->previewPersonForm(filter);
        else
            Form_print1->printPersonForm(filter);
    });
}

void TForm_per_info::Button_printClick() {
    printPerson(false);
}

void TForm_per_info::Button_previewClick() {
    printPerson(true);
}
