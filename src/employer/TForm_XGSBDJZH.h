#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/LineEdit.h"

namespace ui {
class KeyPreview;
}

// Dialog for a new registration number: shows oldSSN, takes twelve digits into
// newSSN and sets ssnChangeConfirmed (1 only when confirmed in this showing).
class TForm_XGSBDJZH : public QDialog {
    Q_OBJECT
  public:
    explicit TForm_XGSBDJZH(QWidget* parent = nullptr);

    void FormShow();
    void Button1Click();  // 确定
    void Button2Click();  // 取消

    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    ui::LineEdit* Edit2;
    QPushButton* Button1;
    QPushButton* Button2;

  protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing by any means but "确定" leaves the change unconfirmed.
    void done(int r) override;

  private:
    ui::KeyPreview* keyPreview_;
    bool placed_ = false;  // outer size and centre set at the first showing
};
