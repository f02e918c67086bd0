#include "person/TForm_Person_query.h"

#include <QGridLayout>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/globals/Globals.h"
#include "person/TForm_per_info.h"
#include "reports/TForm_print1.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Placement.h"
#include "ui/KeyPreview.h"
#include "ui/Modal.h"

namespace {
// Every search starts with this text; a person whose employer is not stored is never listed.
const QString kBase = QStringLiteral(
    "SELECT M_PERSON.psnsn as ID, M_PERSON.IDCARD AS 公民身份号码,M_PERSON.NAME AS 姓名 ,M_CORPORATION.SSN "
    "AS "
    "社保登记证编码,M_CORPORATION.NAME AS 单位名称 FROM M_PERSON  INNER JOIN M_CORPORATION  ON M_PERSON.SSN "
    "= "
    "M_CORPORATION.SSN ");
const QString kQueryFirst = QStringLiteral("请先查询");
const QSize kOuterSize(696, 480);  // frame included

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

ui::LineEdit* edit(QWidget* parent, const char* name, int maxLength) {
    auto* e = new ui::LineEdit(parent);
    e->setObjectName(name);
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
}
}  // namespace

TForm_Person_query::TForm_Person_query(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_Person_query");
    setWindowTitle("人员信息查询");
    ADOConnection1.open(store::workingDatabasePath());
    ADOQuery_PERSON = new store::Query(&ADOConnection1, this);
    ADOQuery_PERSON->setObjectName("ADOQuery_PERSON");
    ADOQuery_temp = new store::Query(&ADOConnection1, this);
    ADOQuery_temp->setObjectName("ADOQuery_temp");

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Edit_BXDJZBM = edit(Panel1, "Edit_BXDJZBM", 12);
    Edit_SFZHM = edit(Panel1, "Edit_SFZHM", 18);
    Edit_Name = edit(Panel1, "Edit_Name", 0);
    Button_query = button(Panel1, "Button_query", "查询");
    Button_QueryAll = button(Panel1, "Button_QueryAll", "查询全部");
    Button_print = button(Panel1, "Button_print", "选择打印");
    Button1 = button(Panel1, "Button1", "全部打印");
    Button2 = button(Panel1, "Button2", "编辑");
    Button_delete = button(Panel1, "Button_delete", "删除");
    Button_close = button(Panel1, "Button_close", "关闭");
    StaticText1 = new QLabel("“Ctrl键 + 鼠标左键”或者“Shift键 + 上（下）箭”可以选择多条人员信息", Panel1);
    StaticText1->setObjectName("StaticText1");
    StatusBar1 = new QLabel(Panel1);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

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

    DBGrid1 = new ui::DBGrid(ADOQuery_PERSON,
                             {{"ID", "ID", 60},
                              {"公民身份号码", "公民身份号码", 150},
                              {"姓名", "姓名", 90},
                              {"社保登记证编码", "社保登记证编码", 110},
                              {"单位名称", "单位名称", 220}},
                             this);
    DBGrid1->setObjectName("DBGrid1");
    // "选择打印" prints what the operator selected, nothing before that.
    DBGrid1->setSelectionFollowsCurrent(false);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel1);
    outer->addWidget(DBGrid1, 1);

    QWidget* order[] = {Edit_BXDJZBM,    Edit_SFZHM,    Edit_Name, Button_query,
                        Button_QueryAll, Button_delete, Button2,   Button_close,
                        Button_print,    Button1,       DBGrid1};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    resize(kOuterSize);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());

    connect(Button_query, &QPushButton::clicked, this, &TForm_Person_query::Button_queryClick);
    connect(Button_QueryAll, &QPushButton::clicked, this, &TForm_Person_query::Button_QueryAllClick);
    connect(Button2, &QPushButton::clicked, this, &TForm_Person_query::DBGrid1DblClick);
    // On a row, below the rows or in an empty grid: the edit command.
    connect(DBGrid1, &ui::DBGrid::gridDoubleClicked, this, &TForm_Person_query::DBGrid1DblClick);
    connect(Button_delete, &QPushButton::clicked, this, &TForm_Person_query::Button_deleteClick);
    connect(Button_print, &QPushButton::clicked, this, &TForm_Person_query::Button_printClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_Person_query::Button1Click);
    connect(Button_close, &QPushButton::clicked, this, &TForm_Person_query::Button_closeClick);
    keyPreview_ = new ui::KeyPreview(this, Button_close);
}

void TForm_Person_query::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    if (!placed_) {
        // The frame is known only now; the size is the outer one. Later showings keep the operator's size.
        placed_ = true;
        ui::placeWithOuterSize(this, kOuterSize);
    }
    FormShow();
}

void TForm_Person_query::FormShow() {
    ADOQuery_PERSON->close();  // each showing starts without a list
    Edit_BXDJZBM->clear();
    Edit_SFZHM->clear();
    Edit_Name->clear();
    StatusBar1->clear();
    Edit_BXDJZBM->setFocus(Qt::OtherFocusReason);
}

void TForm_Person_query::done(int r) {
    ADOQuery_PERSON->close();
    QDialog::done(r);
}

void TForm_Person_query::Button_closeClick() {
    reject();
}

bool TForm_Person_query::listReady() {
    if (ADOQuery_PERSON->isOpen() && ADOQuery_PERSON->recordCount() > 0) return true;
    ui::dialogs().message(this, kQueryFirst);
    return false;
}

void TForm_Person_query::showCount() {
    const int n = ADOQuery_PERSON->isOpen() ? ADOQuery_PERSON->recordCount() : 0;
    StatusBar1->setText("显示条目：" + QString::number(n) + " 条");
}

QString TForm_Person_query::textOf(int row, const QString& field) const {
    const QVariant v = ADOQuery_PERSON->valueAt(row, ADOQuery_PERSON->fieldIndex(field));
    return v.isNull() ? QString() : v.toString();
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
        ADOQuery_PERSON->runQuery(kBase + "\n" + where, params);
        showCount();
    });
}

void TForm_Person_query::Button_QueryAllClick() {
    ui::guarded(this, [this] {
        ADOQuery_PERSON->runQuery(kBase + "order by M_PERSON.psnsn");
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
    ui::guarded(this, [this] {
        ADOQuery_PERSON->refresh();
        showCount();
    });
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
    // Read from the rows without moving, so the selection stays for a retry.
    for (int row : DBGrid1->selectedRows())
        if (!printOne(textOf(row, "公民身份号码"))) ui::dialogs().message(this, "打印程序意外失败，请重试");
}

void TForm_Person_query::Button1Click() {
    if (!listReady()) return;
    for (int row = 0; row < ADOQuery_PERSON->recordCount(); ++row) {
        ADOQuery_PERSON->moveTo(row);
        if (!printOne(textOf(row, "公民身份号码"))) ui::dialogs().message(this, "程序意外失败，请重试");
    }
}
