#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QTabWidget>

#include "store/Connection.h"
#include "store/Table.h"

// Employer registration window.
class TForm_cop_info : public QDialog {
    Q_OBJECT
public:
    // Opens the window's own connection to the working database; throws
    // store::Error when that fails (the program then ends before the login).
    explicit TForm_cop_info(QWidget* parent = nullptr);

    // Opens the employer table and the code lists once.
    void activeTables();
    void clearScreen();

    store::Connection ADOConnection1;
    store::Table* ADOTable_corporation;
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QLineEdit* Edit_BXDJZBM;
};
