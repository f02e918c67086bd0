#pragma once

#include <QDialog>
#include <QPushButton>

#include "store/Connection.h"
#include "store/Table.h"
#include "ui/DBEdit.h"
#include "ui/DBGrid.h"
#include "ui/KeyPreview.h"

// Maintenance of the operators allowed to log in.
class TForm_user : public QDialog {
    Q_OBJECT
  public:
    explicit TForm_user(QWidget* parent = nullptr);

    void Button_insertClick();
    void Button_saveClick();
    void Button_deleteClick();
    void Button_cancelClick();
    void Button_closeClick();
    // The table's own guard before any deletion.
    bool ADOTable1BeforeDelete();

    store::Connection ADOConnection1;
    store::Table* ADOTable1;
    ui::DBEdit* DBEdit1;
    ui::DBEdit* DBEdit2;
    ui::DBEdit* DBEdit3;
    ui::DBEdit* DBEdit4;
    ui::DBGrid* DBGrid1;
    QPushButton* Button_insert;
    QPushButton* Button_save;
    QPushButton* Button_delete;
    QPushButton* Button_cancel;
    QPushButton* Button_close;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    ui::KeyPreview* keys_;
};
