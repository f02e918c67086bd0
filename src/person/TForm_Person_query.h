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

// Person query window: finds persons with their employers by ID number,
// registration number or part of the name; opens one in the person window,
// deletes one with its institution row, prints the person form.
class TForm_Person_query : public QDialog {
    Q_OBJECT
  public:
    explicit TForm_Person_query(QWidget* parent = nullptr);

    // Handlers (public so the menu and tests can drive them).
    void FormShow();
    void Button_queryClick();
    void Button_QueryAllClick();
    void DBGrid1DblClick();  // also 编辑
    void Button_deleteClick();
    void Button_printClick();
    void Button1Click();  // 全部打印
    void Button_closeClick();

    store::Connection ADOConnection1;
    store::Query* ADOQuery_PERSON;  // the list in the grid
    store::Query* ADOQuery_temp;    // scratch: the delete statements

    QFrame* Panel1;
    ui::LineEdit* Edit_BXDJZBM;
    ui::LineEdit* Edit_SFZHM;
    ui::LineEdit* Edit_Name;
    QPushButton* Button_query;
    QPushButton* Button_QueryAll;
    QPushButton* Button_print;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button_delete;
    QPushButton* Button_close;
    QLabel* StaticText1;
    QLabel* StatusBar1;
    ui::DBGrid* DBGrid1;

  protected:
    void showEvent(QShowEvent* e) override;
    // A double click in the grid where no row is still counts as one.
    // Closing by any means closes the list.
    void done(int r) override;

  private:
    bool listReady();
    void showCount();
    QString textOf(int row, const QString& field) const;
    bool printOne(const QString& idNumber);

    ui::KeyPreview* keyPreview_;
    bool placed_ = false;  // outer size and centre set at the first showing
};
