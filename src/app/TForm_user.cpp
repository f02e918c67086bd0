#include "app/TForm_user.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "store/DatabaseFactory.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Placement.h"

TForm_user::TForm_user(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_user");
    setWindowTitle("操作员信息维护");
    ADOConnection1.open(store::workingDatabasePath());
    ADOTable1 = new store::Table(&ADOConnection1, "M_UserManager", this);
    ADOTable1->beforeDelete = [this] { return ADOTable1BeforeDelete(); };

    auto edit = [this](const char* name, const QString& field) {
        auto* e = new ui::DBEdit(ADOTable1, field, this);
        e->setObjectName(name);
        return e;
    };
    DBEdit1 = edit("DBEdit1", "USER_ID");
    DBEdit2 = edit("DBEdit2", "USER_NAME");
    DBEdit3 = edit("DBEdit3", "PASSWORD");
    DBEdit3->setEchoMode(QLineEdit::Password);
    DBEdit3->setStyleSheet("lineedit-password-character: 42;");  // '*', whatever the style's own
    DBEdit4 = edit("DBEdit4", "duty");
    DBGrid1 = new ui::DBGrid(
        ADOTable1, {{"USER_ID", "登录名", 110}, {"USER_NAME", "用户姓名", 90}, {"duty", "职务", 150}}, this);
    DBGrid1->setObjectName("DBGrid1");
    auto button = [this](const char* name, const QString& caption, void (TForm_user::*handler)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    Button_insert = button("Button_insert", "增加", &TForm_user::Button_insertClick);
    Button_save = button("Button_save", "保存", &TForm_user::Button_saveClick);
    Button_delete = button("Button_delete", "删除", &TForm_user::Button_deleteClick);
    Button_cancel = button("Button_cancel", "取消", &TForm_user::Button_cancelClick);
    Button_close = button("Button_close", "关闭", &TForm_user::Button_closeClick);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow("用户登录名", DBEdit1);
    form->addRow("用户姓名", DBEdit2);
    form->addRow("登录密码", DBEdit3);
    form->addRow("用户职务", DBEdit4);
    layout->addLayout(form);
    layout->addWidget(DBGrid1, 1);
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {Button_insert, Button_save, Button_delete, Button_cancel, Button_close})
        row->addWidget(b);
    layout->addLayout(row);

    QWidget* order[] = {DBEdit1,       DBEdit2, DBEdit3,       DBEdit4,       Button_save,
                        Button_insert, DBGrid1, Button_delete, Button_cancel, Button_close};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    setFixedSize(395, 321);
    ui::centreOnScreen(this);

    keys_ = new ui::KeyPreview(this, Button_close);
    ADOTable1->open();
}

void TForm_user::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Button_insert->setFocus(Qt::OtherFocusReason);
}

void TForm_user::Button_insertClick() {
    ui::guarded(this, [this] {
        ADOTable1->insert();
        DBEdit1->setFocus(Qt::OtherFocusReason);
    });
}

void TForm_user::Button_saveClick() {
    ui::guarded(this, [this] {
        // Text typed in a field that still has the focus counts as typed.
        for (ui::DBEdit* e : {DBEdit1, DBEdit2, DBEdit3, DBEdit4}) e->updateRecord();
        if (ADOTable1->modified()) ADOTable1->post();
        Button_insert->setFocus(Qt::OtherFocusReason);
    });
}

void TForm_user::Button_deleteClick() {
    if (ADOTable1->recordCount() < 2) {
        ui::dialogs().message(this, "最后一条记录不能删除，否则您将无法登录");
        return;
    }
    ui::guarded(this, [this] { ADOTable1->remove(); });
}

bool TForm_user::ADOTable1BeforeDelete() {
    if (ADOTable1->recordCount() == 1) {
        ui::dialogs().message(this, "最后一条记录删除后将导致无法登录，所以禁止删除");
        return false;
    }
    return true;
}

void TForm_user::Button_cancelClick() {
    ADOTable1->cancel();
}

void TForm_user::Button_closeClick() {
    ADOTable1->cancel();
    accept();
}
