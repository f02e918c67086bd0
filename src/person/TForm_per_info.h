#pragma once

#include <QDialog>
#include <QLineEdit>

#include "store/Connection.h"
#include "store/Table.h"

// Person registration window.
class TForm_per_info : public QDialog {
    Q_OBJECT
public:
    explicit TForm_per_info(QWidget* parent = nullptr);

    void ClearScreen();

    store::Connection ADOConnection1;
    store::Table* ADOTable_PERSON;
    store::Table* ADOTable_DDYLJG;
    QLineEdit* Edit_SHBXDJZBM;
    QLineEdit* Edit_DWMC;
};
