#pragma once

#include <QDialog>

#include "store/Connection.h"

// Employer query window.
class TForm_cop_query : public QDialog {
    Q_OBJECT
public:
    explicit TForm_cop_query(QWidget* parent = nullptr);
    store::Connection ADOConnection1;
};
