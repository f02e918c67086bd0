#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "store/Connection.h"
#include "store/Table.h"
#include "ui/ExitNotifier.h"
#include "ui/KeyPreview.h"

// The login: a user name and password checked against the operators.
class TForm_login : public QDialog {
    Q_OBJECT
  public:
    explicit TForm_login(QWidget* parent = nullptr);

    void Button1Click();  // the login check
    void Button2Click();  // exit

    store::Connection ADOConnection1;
    store::Table* ADOTable1;
    QLabel* StaticText1;
    QLineEdit* Edit_username;
    QLabel* StaticText2;
    QLineEdit* Edit_password;
    QPushButton* Button1;
    QPushButton* Button2;
    // How to log in the first time, shown while the operators are only the
    // first one with its first password.
    QLabel* Label_firstLogin;

  private:
    ui::KeyPreview* keys_;
    ui::ExitNotifier* exits_;
};
