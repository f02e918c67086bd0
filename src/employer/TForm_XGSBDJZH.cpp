#include "employer/TForm_XGSBDJZH.h"

TForm_XGSBDJZH::TForm_XGSBDJZH(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_XGSBDJZH");
    setWindowTitle("修改社保登记证号码");
}
