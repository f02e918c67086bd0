#pragma once

#include <QDialog>

// Dialog for a new registration number.
class TForm_XGSBDJZH : public QDialog {
    Q_OBJECT
public:
    explicit TForm_XGSBDJZH(QWidget* parent = nullptr);
};
