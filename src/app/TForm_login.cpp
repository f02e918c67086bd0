#include "app/TForm_login.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "app/globals/Globals.h"
#include "store/DatabaseFactory.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Placement.h"

TForm_login::TForm_login(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_login");
    setWindowTitle("Veyra登录");
    ADOConnection1.open(store::workingDatabasePath());
    ADOTable1 = new store::Table(&ADOConnection1, "M_UserManager", this);
    ADOTable1->open();

    StaticText1 = new QLabel("用户名", this);
    StaticText1->setObjectName("StaticText1");
    Edit_username = new QLineEdit("admin", this);
    Edit_username->setObjectName("Edit_username");
    StaticText2 = new QLabel("密码", this);
    StaticText2->setObjectName("StaticText2");
    Edit_password = new QLineEdit(this);
    Edit_password->setObjectName("Edit_password");
    Edit_password->setEchoMode(QLineEdit::Password);
    Edit_password->setStyleSheet("lineedit-password-character: 42;");  // '*', whatever the style's own
    // Screen readers name the fields after their labels.
    StaticText1->setBuddy(Edit_username);
    StaticText2->setBuddy(Edit_password);
    Edit_username->setAccessibleName(StaticText1->text());
    Edit_password->setAccessibleName(StaticText2->text());
    Button1 = new QPushButton("登录", this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton("退出", this);
    Button2->setObjectName("Button2");

    auto* grid = new QGridLayout(this);
    grid->addWidget(StaticText1, 0, 0);
    grid->addWidget(Edit_username, 0, 1);
    grid->addWidget(StaticText2, 1, 0);
    grid->addWidget(Edit_password, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    grid->addLayout(buttons, 2, 0, 1, 2);
    setTabOrder(Edit_username, Edit_password);
    setTabOrder(Edit_password, Button1);
    setTabOrder(Button1, Button2);

    // A fresh register: its one operator still has the password written in
    // the documentation, which a newcomer has not read.
    Label_firstLogin = new QLabel(this);
    Label_firstLogin->setObjectName("Label_firstLogin");
    Label_firstLogin->setWordWrap(true);
    Label_firstLogin->setVisible(false);
    int height = 136;
    const QString id = store::defaultOperatorId(), password = store::defaultOperatorPassword();
    if (ADOTable1->recordCount() == 1 &&
        ADOTable1->lookup("User_Id", id, "Password").toString() == password) {
        Label_firstLogin->setText(
            QString("首次使用：用户名 %1，密码 %2。登录后请在“用户管理 › 编辑维护”中修改密码。")
                .arg(id, password));
        Label_firstLogin->setVisible(true);
        Edit_password->setAccessibleDescription(Label_firstLogin->text());
        grid->addWidget(Label_firstLogin, 3, 0, 1, 2);
        const QMargins m = grid->contentsMargins();
        height += grid->verticalSpacing() + Label_firstLogin->heightForWidth(227 - m.left() - m.right());
    }
    setFixedSize(227, height);
    ui::centreOnScreen(this);

    connect(Button1, &QPushButton::clicked, this, &TForm_login::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm_login::Button2Click);
    keys_ = new ui::KeyPreview(this, Button2);
    exits_ = new ui::ExitNotifier(this);
    exits_->onExit(Edit_password, [this] { Button1Click(); });
}

void TForm_login::Button1Click() {
    ui::guarded(this, [this] {
        // Whole value, first row; the current row stays where it is.
        const QVariant stored = ADOTable1->lookup("User_Id", Edit_username->text(), "Password");
        const QString password = stored.isNull() ? QString() : stored.toString();
        if (!password.isEmpty() && password == Edit_password->text()) {
            loginOK = 1;
            accept();
            return;
        }
        ui::dialogs().message(this, "登录有误，请核对用户名和密码");
        Edit_username->setFocus(Qt::OtherFocusReason);
    });
}

void TForm_login::Button2Click() {
    loginOK = 0;
    reject();
}
