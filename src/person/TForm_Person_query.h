#pragma once

#include <QLineEdit>

#include "ui/LineEdit.h"
#include "ui/QueryWindow.h"

// Person query window: finds persons with their employers by ID number,
// registration number or part of the name; opens one in the person window,
// deletes one with its institution row, prints the person form.
class TForm_Person_query : public ui::QueryWindow {
    Q_OBJECT
  public:
    explicit TForm_Person_query(QWidget* parent = nullptr);

    // Handlers (public so the menu and tests can drive them).
    void FormShow() override;
    void Button_queryClick() override;
    void Button_QueryAllClick();
    void DBGrid1DblClick() override;  // also 编辑
    void Button_deleteClick() override;
    void Button_printClick() override;
    void Button1Click();  // 全部打印

    store::KeyedQuery* ADOQuery_PERSON;  // the list in the grid

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

  private:
    void runList(const QString& where, const QVariantList& params);
    QString textOf(int row, const QString& field) const;
    bool printOne(const QString& idNumber);
};
