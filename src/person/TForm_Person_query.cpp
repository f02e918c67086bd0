#include "person/TForm_Person_query.h"

#include <QGridLayout>

#include "app/globals/Globals.h"
#include "person/TForm_per_info.h"
#include "reports/TForm_print1.h"
#include "store/Error.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Modal.h"

namespace {
// Every search starts with this text; a person whose employer is not stored is never listed.
const QString kBase = QStringLiteral(
    "SELECT M_PERSON.psnsn as ID, M_PERSON.IDCARD AS 公民身份号码,M_PERSON.NAME AS 姓名 ,M_CORPORATION.SSN "
    "AS "
    "社保登记证编码,M_CORPORATION.NAME AS 单位名称 FROM M_PERSON  INNER JOIN M_CORPORATION  ON M_PERSON.SSN "
    "= "
    "M_CORPORATION.SSN ");
// The same join, yielding the keys of the listed rows.
const QString kKeys = QStringLiteral(
    "SELECT M_PERSON.rowid, M_CORPORATION.rowid FROM M_PERSON  INNER JOIN M_CORPORATION  ON M_PERSON.SSN = "
    "M_CORPORATION.SSN ");
// One listed row by its keys.
const QString kOneRow = QStringLiteral("WHERE M_PERSON.rowid = ? AND M_CORPORATION.rowid = ?");
}  // namespace

TForm_Person_query::TForm_Person_query(QWidget* parent)
    : ui::QueryWindow("Form_Person_query", "人员信息查询", "ADOQuery_PERSON",
                      QSize(696, 480) /* frame included */, parent),
      ADOQuery_PERSON(list_) {
    Edit_BXDJZBM = edit("Edit_BXDJZBM", 12);
    Edit_SFZHM = edit("Edit_SFZHM", 18);
    Edit_Name = edit("Edit_Name", 0);
    // The panel's first row, then its second.
    makeButtons({{&Button_query, "Button_query", "查询"},
                 {&Button_QueryAll, "Button_QueryAll", "查询全部"},
                 {&Button_print, "Button_print", "选择打印"},
                 {&Button1, "Button1", "全部打印"}});
    makeButtons({{&Button2, "Button2", "编辑"},
                 {&Button_delete, "Button_delete", "删除"},
                 {&Button_close, "Button_close", "关闭"}});
    StaticText1 = new QLabel("“Ctrl键 + 鼠标左键”或者“Shift键 + 上（下）箭”可以选择多条人员信息", Panel1);
    StaticText1->setObjectName("StaticText1");
    auto* top = new QGridLayout(Panel1);
    auto label = [this](const QString& text, QLineEdit* buddy) {
        auto* l = new QLabel(text, Panel1);
        l->setBuddy(buddy);
        return l;
    };
    top->addWidget(label("社会保险登记证编码", Edit_BXDJZBM), 0, 0);
    top->addWidget(Edit_BXDJZBM, 0, 1);
    top->addWidget(Button_query, 0, 2);
    top->addWidget(Button_QueryAll, 0, 3);
    top->addWidget(Button_print, 0, 4);
    top->addWidget(Button1, 0, 5);
    top->addWidget(label("公民身份号码", Edit_SFZHM), 1, 0);
    top->addWidget(Edit_SFZHM, 1, 1);
    top->addWidget(Button2, 1, 2);
    top->addWidget(Button_delete, 1, 3);
    top->addWidget(Button_close, 1, 4);
    top->addWidget(label("姓名", Edit_Name), 2, 0);
    top->addWidget(Edit_Name, 2, 1);
    top->addWidget(StaticText1, 3, 0, 1, 6);
    top->addWidget(StatusBar1, 4, 0, 1, 6);

    finishLayout({{"ID", "ID", 60},
                  {"公民身份号码", "公民身份号码", 150},
                  {"姓名", "姓名", 90},
                  {"社保登记证编码", "社保登记证编码", 110},
                  {"单位名称", "单位名称", 220}},
                 {Edit_BXDJZBM, Edit_SFZHM, Edit_Name, Button_query, Button_QueryAll, Button_delete, Button2,
                  Button_close, Button_print, Button1},
                 {Button_query, Button2, Button_delete, Button_print, Button_close});
    DBGrid1->setAccessibleName("人员信息查询结果");
    queryOnEnterIn(Edit_Name);
    onClick({{Button_QueryAll, [this] { Button_QueryAllClick(); }}, {Button1, [this] { Button1Click(); }}});
}

void TForm_Person_query::FormShow() {
    startShowing({Edit_BXDJZBM, Edit_SFZHM, Edit_Name});
}

QString TForm_Person_query::textOf(int row, const QString& field) const {
    return QueryWindow::textOf(row, ADOQuery_PERSON->fieldIndex(field));
}

// The list keeps each row's person and employer; the grid reads the rows it shows.
void TForm_Person_query::runList(const QString& where, const QVariantList& params) {
    ADOQuery_PERSON->runQuery(kKeys + where, kBase + kOneRow, 2, params);
}

void TForm_Person_query::Button_queryClick() {
    ADOQuery_PERSON->close();
    showCount();
    // The first field that is not blank decides; its text is used as typed,
    // so blanks around an ID find nothing. Letter case is ignored by the columns' own rule.
    QString where;
    QVariantList params;
    if (!Edit_SFZHM->text().trimmed().isEmpty()) {
        where = " WHERE M_PERSON.IDCARD=? order by M_PERSON.psnsn";
        params = {Edit_SFZHM->text()};
    } else if (!Edit_BXDJZBM->text().trimmed().isEmpty()) {
        where = " WHERE M_CORPORATION.SSN=? order by M_PERSON.psnsn";
        params = {Edit_BXDJZBM->text()};
    } else if (!Edit_Name->text().trimmed().isEmpty()) {
        where = " WHERE M_PERSON.NAME like ? order by M_PERSON.psnsn";
        params = {"%" + Edit_Name->text() + "%"};
    } else {
        return;
    }
    ui::guarded(this, [&] {
        runList("\n" + where, params);
        showCount();
    });
}

void TForm_Person_query::Button_QueryAllClick() {
    ui::guarded(this, [this] {
        runList("order by M_PERSON.psnsn", {});
        showCount();
    });
}

void TForm_Person_query::DBGrid1DblClick() {
    if (!listReady()) return;
    TForm_per_info* f = Form_per_info;
    if (!f) return;
    // A failure here leaves everything as it was, without a word.
    try {
        f->ClearScreen();
        const int row = ADOQuery_PERSON->recNo();
        const QString corpName = textOf(row, "单位名称");
        const QString ssn = textOf(row, "社保登记证编码");
        const QString id = textOf(row, "ID");
        f->getFieldValues(id, ssn, corpName);
        f->ADOTable_PERSON->edit();
        f->ADOTable_DDYLJG->edit();
        perInfoMode = 2;
        ui::showModal(f);
    } catch (...) {
    }
}

void TForm_Person_query::Button_deleteClick() {
    if (!listReady()) return;
    if (DBGrid1->selectedRows().size() > 1) {
        ui::dialogs().message(this, "只能选择一条信息进行删除");
        return;
    }
    if (!ui::dialogs().confirm(this, "删除后将不能恢复，您确定要删除吗?\r\r删除选 Yes,否则选 No")) return;
    const QVariant id = ADOQuery_PERSON->value("ID");
    bool deleted = false;
    // Both rows or neither; a failed delete says nothing.
    try {
        store::Transaction transaction(ADOConnection1);
        ADOQuery_temp->execSql("delete from m_person where psnsn = ?", {id});
        ADOQuery_temp->execSql("delete from M_PSNAPPOINTEDHOSPITAL where psnsn = ?", {id});
        transaction.commit();
        deleted = true;
    } catch (...) {
    }
    if (!deleted) return;
    // Only the deleted row leaves the list; the rest is not read again.
    ui::guarded(this, [this] { dropCurrentRow(); });
}

bool TForm_Person_query::printOne(const QString& idNumber) {
    try {
        if (!Form_print1) throw store::Error("report module missing");
        Form_print1->printPersonForm("idcard = '" + idNumber + "'");
        return true;
    } catch (...) {
        return false;
    }
}

void TForm_Person_query::Button_printClick() {
    if (!listReady()) return;
    const TForm_print1::Batch command(Form_print1);
    // Read from the rows without moving, so the selection stays for a retry.
    for (int row : DBGrid1->selectedRows())
        if (!printOne(textOf(row, "公民身份号码"))) ui::dialogs().message(this, "打印程序意外失败，请重试");
}

void TForm_Person_query::Button1Click() {
    if (!listReady()) return;
    const TForm_print1::Batch command(Form_print1);
    for (int row = 0; row < ADOQuery_PERSON->recordCount(); ++row) {
        ADOQuery_PERSON->moveTo(row);
        if (!printOne(textOf(row, "公民身份号码"))) ui::dialogs().message(this, "程序意外失败，请重试");
    }
}
