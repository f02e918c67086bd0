#pragma once

#include <QLineEdit>

#include "ui/LineEdit.h"
#include "ui/QueryWindow.h"

// Employer query window: lists employers by number or name, opens one in the
// employer window, deletes one without persons, changes a registration number
// everywhere it is used and prints the employer form of chosen or all rows.
class TForm_cop_query : public ui::QueryWindow {
    Q_OBJECT
  public:
    explicit TForm_cop_query(QWidget* parent = nullptr);

    // Handlers (public so the menu and tests can drive them).
    void FormShow() override;
    void Button1Click();  // 查询全部
    void Button_queryClick() override;
    void DBGrid1DblClick() override;  // also 编辑
    void Button_deleteClick() override;
    void Button2Click();  // 修改社保登记证号
    void Button_printClick() override;
    void Button_printallClick();

    store::KeyedQuery* ADOQuery_COP;  // the list in the grid

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
    QLabel* StaticText3;

  private:
    void runList(const QString& where, const QVariantList& params);
    QString currentNumber() const;
    // One employer form (both sheets); false when printing failed.
    bool printOne(const QString& number);
    // The change of number after the dialog was confirmed.
    void changeNumber();
};
