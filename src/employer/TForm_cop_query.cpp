#include "employer/TForm_cop_query.h"

#include <sqlite3.h>

#include <QGridLayout>
#include <QHBoxLayout>
#include <memory>

#include "app/globals/Globals.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_info.h"
#include "reports/TForm_print1.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Modal.h"

TForm_cop_query::TForm_cop_query(QWidget* parent)
    : ui::QueryWindow("Form_cop_query", "单位信息查询编辑", "ADOQuery_COP",
                      QSize(699, 465) /* frame included */, parent),
      ADOQuery_COP(list_) {
    Label_BXDJZBM = new QLabel("社保登记证编码", Panel1);
    Edit_BXDJZBM = edit("Edit_BXDJZBM", 12);
    Label_BXDJZBM->setBuddy(Edit_BXDJZBM);
    Label_DWMC = new QLabel("单位名称", Panel1);
    Edit_DWMC = edit("Edit_DWMC", 12);
    Label_DWMC->setBuddy(Edit_DWMC);
    makeButtons({{&Button_query, "Button_query", "查询"},
                 {&Button1, "Button1", "查询全部"},
                 {&Button_EDIT, "Button_EDIT", "编辑"},
                 {&Button_delete, "Button_delete", "删除"},
                 {&Button2, "Button2", "修改社保登记证号"},
                 {&Button_print, "Button_print", "选择打印"},
                 {&Button_printall, "Button_printall", "全部打印"},
                 {&Button_close, "Button_close", "关闭"}});
    StaticText3 = new QLabel("“Ctrl键 + 鼠标左键”或者“Shift键 + 上（下）箭”可以选择多条单位信息", Panel1);
    StaticText3->setObjectName("StaticText3");
    StaticText3->setStyleSheet("color: #808080;");

    auto* top = new QGridLayout(Panel1);
    top->addWidget(Label_BXDJZBM, 0, 0);
    top->addWidget(Edit_BXDJZBM, 0, 1);
    top->addWidget(Label_DWMC, 0, 2);
    top->addWidget(Edit_DWMC, 0, 3);
    top->addWidget(Button_query, 0, 4);
    top->addWidget(Button1, 0, 5);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Button_EDIT, Button_delete, Button2, Button_print, Button_printall, Button_close})
        buttons->addWidget(b);
    top->addLayout(buttons, 1, 0, 1, 6);
    top->addWidget(StaticText3, 2, 0, 1, 6);
    top->addWidget(StatusBar1, 3, 0, 1, 6);

    finishLayout({{"社保登记证编码", "社保登记证编码", 150}, {"单位名称", "单位名称", 420}},
                 {Edit_BXDJZBM, Edit_DWMC, Button_query, Button1, Button_EDIT, Button_delete, Button2,
                  Button_print, Button_printall, Button_close},
                 {Button_query, Button_EDIT, Button_delete, Button_print, Button_close});
    DBGrid1->setAccessibleName("单位信息查询结果");
    queryOnEnterIn(Edit_DWMC);
    onClick({{Button1, [this] { Button1Click(); }},
             {Button2, [this] { Button2Click(); }},
             {Button_printall, [this] { Button_printallClick(); }}});
}

void TForm_cop_query::FormShow() {
    startShowing({Edit_BXDJZBM, Edit_DWMC});
}

void TForm_cop_query::runList(const QString& where, const QVariantList& params) {
    // The list keeps each row's key; the grid reads the rows it shows.
    ADOQuery_COP->runQuery("SELECT rowid FROM M_CORPORATION" + where,
                           "SELECT SSN AS 社保登记证编码,NAME AS 单位名称 FROM M_CORPORATION WHERE rowid = ?",
                           1, params);
}

QString TForm_cop_query::currentNumber() const {
    const QVariant v = ADOQuery_COP->value(0);
    return v.isNull() ? QString() : v.toString();
}

void TForm_cop_query::Button1Click() {
    ui::guarded(this, [this] {
        runList({}, {});
        showCount();
    });
}

void TForm_cop_query::Button_queryClick() {
    ui::guarded(this, [this] {
        // The number compares without regard to letter case by the column's own rule.
        const QString name = Edit_DWMC->text().trimmed();
        if (!name.isEmpty())
            runList(" WHERE SSN = ? OR name like ?", {Edit_BXDJZBM->text(), "%" + name + "%"});
        else
            runList(" WHERE SSN = ?", {Edit_BXDJZBM->text()});
        showCount();
    });
}

void TForm_cop_query::DBGrid1DblClick() {
    if (!listReady()) return;
    TForm_cop_info* f = Form_cop_info;
    if (!f) return;
    if (!ui::guarded(this, [f] {
            if (copTablesActive == 0) f->activeTables();
        }))
        return;
    // A failure here leaves everything as it was, without a word.
    try {
        const QString number = currentNumber();
        f->clearScreen();
        f->ADOTable_corporation->open();
        f->locateRecordByBXDJZH(number);
        f->getFieldValues();
        f->ADOTable_corporation->edit();
        f->PageControl1->setCurrentWidget(f->TabSheet1);
        copInfoMode = 2;
        ui::showModal(f);
    } catch (...) {
    }
}

void TForm_cop_query::Button_deleteClick() {
    if (!listReady()) return;
    if (DBGrid1->selectedRows().size() >= 2) {
        ui::dialogs().message(this, "只能选择一条信息进行删除");
        return;
    }
    ui::guarded(this, [this] {
        const QString number = currentNumber();
        ADOQuery_temp->runQuery("select count(*) from m_person where ssn = ?", {number});
        const int persons = ADOQuery_temp->value(0).toInt();
        ADOQuery_temp->close();
        if (persons != 0) {
            ui::dialogs().message(this, "对不起，此条单位信息不能删除。\r\r其下已经有" +
                                            QString::number(persons) + "条职工信息。" + "\r" +
                                            "如果确定想删除，请首先删除其所有职工信息。");
            return;
        }
        if (!ui::dialogs().confirm(this, "删除后将不能恢复，您确定要删除吗?\r\r删除选 Yes,否则选 No")) return;
        // The list row stands for one employer row: the number is unique, and a row without one
        // (brought in by an import) is told apart by its name. The spelling shown is compared
        // exactly: a register from before the key rule may still hold the number in other case
        // for another employer.
        ADOQuery_temp->execSql(
            "delete from M_CORPORATION where rowid in "
            "(select rowid from M_CORPORATION where SSN IS ? COLLATE BINARY and NAME IS ? limit 1)",
            {ADOQuery_COP->value(0), ADOQuery_COP->value(1)});
        // Only the deleted row leaves the list; the rest is not read again.
        dropCurrentRow();
    });
}

void TForm_cop_query::Button2Click() {
    if (!listReady()) return;
    oldSSN = currentNumber();
    if (oldSSN.isEmpty()) {
        ui::dialogs().message(this, "没有查到记录");
        return;
    }
    // Only a confirmation in this showing counts.
    ssnChangeConfirmed = 0;
    TForm_XGSBDJZH* dialog = Form_XGSBDJZH;
    std::unique_ptr<TForm_XGSBDJZH> own;
    if (!dialog) {
        own = std::make_unique<TForm_XGSBDJZH>(this);
        dialog = own.get();
    }
    ui::showModal(dialog);
    if (ssnChangeConfirmed != 1) return;
    changeNumber();
}

void TForm_cop_query::changeNumber() {
    enum class Outcome { Changed, InUse, Failed } outcome = Outcome::Failed;
    QString reason;
    try {
        // Both updates or neither; the guard rolls back on every path but the commit.
        store::Transaction transaction(ADOConnection1);
        ADOQuery_temp->runQuery("SELECT COUNT(*) FROM M_corporation Where ssn = ?", {newSSN});
        const int used = ADOQuery_temp->value(0).toInt();
        ADOQuery_temp->close();
        if (used > 0) {
            outcome = Outcome::InUse;
        } else {
            // The employer of the list row, in the spelling shown: a register from before the
            // key rule may still hold the number in other case for another employer.
            const int employers = ADOQuery_temp->execSql(
                "update M_corporation set ssn = ? where ssn = ? COLLATE BINARY", {newSSN, oldSSN});
            // The employer may have gone since the list was read: nothing to change is no success.
            if (employers == 0) throw store::Error("没有修改成功");
            // Its persons, in any letter case; while another employer still holds the old number
            // in other case, only those spelled as this employer's number are its own.
            ADOQuery_temp->execSql(
                "update M_person set ssn = ? where ssn = ? and "
                "(ssn = ? COLLATE BINARY or not exists (select 1 from M_corporation where ssn = ?))",
                {newSSN, oldSSN, oldSSN, oldSSN});
            transaction.commit();
            outcome = Outcome::Changed;
        }
    } catch (const store::Error& e) {
        outcome = Outcome::Failed;
        // A locked, read-only or full file: the operator can do something about it.
        if (e.fromEngine() && e.primaryCode() != SQLITE_CONSTRAINT) reason = store::errorText(e);
    } catch (...) {
        outcome = Outcome::Failed;
    }
    switch (outcome) {
        case Outcome::InUse:
            ui::dialogs().message(this, "您输入的新社保登记证号码已经被使用，修改未成功");
            return;
        case Outcome::Failed:
            ui::dialogs().message(this,
                                  reason.isEmpty() ? QString("没有修改成功") : "没有修改成功\r\r" + reason);
            return;
        case Outcome::Changed:
            break;
    }
    ui::guarded(this, [this] {
        ADOQuery_COP->close();
        ADOQuery_COP->open();
        showCount();
    });
    ui::dialogs().message(this, "修改成功!\r更改前的的社保登记证号码：" + oldSSN + "\r" +
                                    "更改后的的社保登记证号码：" + newSSN);
}

bool TForm_cop_query::printOne(const QString& number) {
    try {
        if (!Form_print1) throw store::Error("report module missing");
        Form_print1->printEmployerForm("ssn = '" + number + "'", TForm_print1::Sheets::Both);
        return true;
    } catch (...) {
        return false;
    }
}

void TForm_cop_query::Button_printClick() {
    if (!listReady()) return;
    const TForm_print1::Batch command(Form_print1);
    for (int row : DBGrid1->selectedRows()) {
        const QVariant v = ADOQuery_COP->valueAt(row, 0);
        if (!printOne(v.isNull() ? QString() : v.toString()))
            ui::dialogs().message(this, "程序意外失败，请重试");
    }
}

void TForm_cop_query::Button_printallClick() {
    if (!listReady()) return;
    const TForm_print1::Batch command(Form_print1);
    for (int row = 0; row < ADOQuery_COP->recordCount(); ++row) {
        ADOQuery_COP->moveTo(row);
        if (!printOne(currentNumber())) ui::dialogs().message(this, "打印程序意外失败，请重试");
    }
}
