#pragma once

#include <QDialog>

#include "store/Connection.h"

// Person query window.
class TForm_Person_query : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Person_query(QWidget* parent = nullptr);
    store::Connection ADOConnection1;
};
