// The five designated medical institution slots and their search panel.
// A slot is never typed into: entering it opens the panel over it, and a row
// taken from the grid fills the slot and moves the panel to the next one.
#include <QFocusEvent>
#include <QScopedValueRollback>
#include <functional>

#include "person/TForm_per_info.h"
#include "ui/Guard.h"

namespace {

bool leavesTheWindow(Qt::FocusReason r) {
    // A popup or a message box (another window) taking the focus is not leaving.
    return r == Qt::PopupFocusReason || r == Qt::ActiveWindowFocusReason;
}

class SlotEdit : public ui::DBEdit {
  public:
    SlotEdit(store::Dataset* ds, const QString& field, QWidget* parent, std::function<void()> entered)
        : ui::DBEdit(ds, field, parent), entered_(std::move(entered)) {}

  protected:
    void focusInEvent(QFocusEvent* e) override {
        ui::DBEdit::focusInEvent(e);
        if (!leavesTheWindow(e->reason())) entered_();
    }

  private:
    std::function<void()> entered_;
};

class HosGrid : public ui::DBGrid {
  public:
    HosGrid(store::Dataset* ds, QList<ui::GridColumn> columns, QWidget* parent, std::function<void()> left)
        : ui::DBGrid(ds, std::move(columns), parent), left_(std::move(left)) {}

  protected:
    void focusOutEvent(QFocusEvent* e) override {
        ui::DBGrid::focusOutEvent(e);
        if (!leavesTheWindow(e->reason())) left_();
    }

  private:
    std::function<void()> left_;
};

}  // namespace

ui::DBEdit* TForm_per_info::makeSlot(int slot, QWidget* parent) {
    auto* e = new SlotEdit(ADOTable_DDYLJG, QString("HOSP_%1").arg(slot), parent,
                           [this, slot] { DBEdit_DDYLJGEnter(slot); });
    if (slot != 4) e->setToolTip("请输入定点医疗机构代码");
    return e;
}

void TForm_per_info::buildHosPanel() {
    // Among the fields, so it scrolls with the slot it covers.
    Panel_hos = new QFrame(Panel_fields);
    Panel_hos->setObjectName("Panel_hos");
    Panel_hos->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel_hos->setAutoFillBackground(true);
    Panel_hos->setGeometry(0, 0, 321, 137);
    Edit_hosinput = new QLineEdit(Panel_hos);
    Edit_hosinput->setObjectName("Edit_hosinput");
    Edit_hosinput->setGeometry(4, 4, 232, 22);
    Button1 = new QPushButton("关闭", Panel_hos);
    Button1->setObjectName("Button1");
    Button1->setGeometry(242, 3, 74, 24);
    DBGrid1 = new HosGrid(ADOQuery_HOS,
                          {{"code", "医院编码", 72}, {"short_name", "名称", 150}, {"hos_level", "级别", 70}},
                          Panel_hos, [this] { DBGrid1DblClick(); });
    DBGrid1->setObjectName("DBGrid1");
    DBGrid1->setMultiSelect(false);
    Edit_hosinput->setAccessibleName("查找定点医疗机构");
    DBGrid1->setAccessibleName("找到的定点医疗机构");
    DBGrid1->setGeometry(4, 30, 313, 103);
    Panel_hos->hide();
}

void TForm_per_info::DBEdit_DDYLJGEnter(int slot) {
    ui::guarded(this, [this, slot] {
        hosSlot_ = slot;
        ui::DBEdit* e = DBEdit_DDYLJG[slot - 1];
        Panel_hos->move(e->pos());
        Panel_hos->show();
        Panel_hos->raise();
        const QString code = e->text();
        Edit_hosinput->setText(code);  // a change runs the search
        if (!code.isEmpty())
            findHos(code);
        else
            ADOQuery_HOS->close();  // an empty slot shows an empty list
        Edit_hosinput->setFocus(Qt::OtherFocusReason);
    });
}

void TForm_per_info::Edit_hosinputChange() {
    ui::guarded(this, [this] { findHos(Edit_hosinput->text()); });
}

void TForm_per_info::findHos(const QString& text) {
    ADOQuery_HOS->close();
    if (text.isEmpty()) return;
    // Bound, but a "like" search: "%" and "_" typed by the operator are wildcards.
    ADOQuery_HOS->setSql(
        "select code,short_name,hos_level from d_hos where code like ? or short_name like ? or name like ?",
        {text + "%", "%" + text + "%", "%" + text + "%"});
    ADOQuery_HOS->open();
}

QString TForm_per_info::getHosName(const QString& code) {
    ADOQuery_HOS->close();
    if (code.isEmpty()) return {};
    ADOQuery_HOS->runQuery("select short_name from d_hos where code = ?", {code});
    return ADOQuery_HOS->recordCount() > 0 ? ADOQuery_HOS->value(0).toString() : QString();
}

bool TForm_per_info::checkRepeatHos() const {
    QString s[5];
    for (int i = 0; i < 5; ++i) s[i] = DBEdit_DDYLJG[i]->text();
    for (int i = 0; i < 5; ++i)
        for (int j = i + 1; j < 5; ++j)
            if (!s[j].isEmpty() && s[j] == s[i]) return true;
    return false;
}

void TForm_per_info::DBGrid1DblClick() {
    // Moving the focus away from the grid raises this once more; that run would change nothing.
    if (takingHosRow_) return;
    QScopedValueRollback<bool> busy(takingHosRow_, true);
    ui::guarded(this, [this] { takeHosRow(); });
}

void TForm_per_info::takeHosRow() {
    const int n = hosSlot_;
    if (n < 1 || n > 5) return;
    ui::DBEdit* slot = DBEdit_DDYLJG[n - 1];
    const bool found = !Edit_hosinput->text().isEmpty() && ADOQuery_HOS->isOpen() &&
                       ADOQuery_HOS->recordCount() > 0 && ADOQuery_HOS->recNo() >= 0;
    if (!found) {
        // An empty search ends the chain: this slot is emptied, later slots keep theirs.
        slot->setFieldText(QString());
        Edit_HOSNAME[n - 1]->clear();
        DBLookupComboBox_LXJFFS->setFocus(Qt::OtherFocusReason);
        Panel_hos->hide();
        return;
    }
    slot->setFieldText(ADOQuery_HOS->value("code").toString());
    Edit_HOSNAME[n - 1]->setText(ADOQuery_HOS->value("short_name").toString());
    if (n < 5) {
        DBEdit_DDYLJG[n]->setFocus(Qt::OtherFocusReason);
    } else {
        DBLookupComboBox_LXJFFS->setFocus(Qt::OtherFocusReason);
        Panel_hos->hide();
    }
}

void TForm_per_info::Button1Click() {
    Panel_hos->hide();
}

void TForm_per_info::closeHosPanel() {
    // Cancelled: the grid giving up the focus takes no row, the slot keeps its code.
    QScopedValueRollback<bool> cancelling(takingHosRow_, true);
    DBLookupComboBox_LXJFFS->setFocus(Qt::OtherFocusReason);
    Panel_hos->hide();
}
