#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "store/Connection.h"
#include "store/Query.h"
#include "ui/DBGrid.h"
#include "ui/LineEdit.h"

namespace ui {
class KeyPreview;
}

// Employer query window: lists employers by number or name, opens one in the
// employer window, deletes one without persons, changes a registration number
// everywhere it is used and prints the employer form of chosen or all rows.
class TForm_cop_query : public QDialog {
    Q_OBJECT
  public:
    explicit TForm_cop_query(QWidget* parent = nullptr);

    // Handlers (public so the menu and tests can drive them).
    void FormShow();
    void Button1Click();       // 查询全部
    void Button_queryClick();  // 查询
    void DBGrid1DblClick();    // also 编辑
    void Button_deleteClick();
    void Button2Click();  // 修改社保登记证号
    void Button_printClick();
    void Button_printallClick();
    void Button_closeClick();

    store::Connection ADOConnection1;
    store::Query* ADOQuery_COP;   // the list in the grid
    store::Query* ADOQuery_temp;  // scratch: counts and updates

    QFrame* Panel1;
    QLabel* Label_BXDJZBM;
    ui::LineEdit* Edit_BXDJZBM;
    QLabel* Label_DWMC;
    ui::LineEdit* Edit_DWMC;
    QPushButton* Button_query;
    QPushButton* Button1;
    QPushButton* Button_EDIT;
    QPushButton* Button_delete;
    QPushButton* Button2;
    QPushButton* Button_print;
    QPushButton* Button_printall;
    QPushButton* Button_close;
    QLabel* StatusBar1;
    QLabel* StaticText3;
    ui::DBGrid* DBGrid1;

  protected:
    void showEvent(QShowEvent* e) override;
    // A double click in the grid where no row is still counts as one.
    // Closing by any means closes the list.
    void done(int r) override;

  private:
    // The list is open and has rows; otherwise "请先查询" was shown.
    bool listReady();
    void showCount();
    QString currentNumber() const;
    // One employer form (both sheets); false when printing failed.
    bool printOne(const QString& number);
    // The change of number after the dialog was confirmed.
    void changeNumber();

    ui::KeyPreview* keyPreview_;
    bool placed_ = false;  // outer size and centre set at the first showing
};
