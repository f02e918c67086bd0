#include "employer/TForm_cop_query.h"

#include "store/DatabaseFactory.h"

TForm_cop_query::TForm_cop_query(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_cop_query");
    setWindowTitle("单位信息查询编辑");
    ADOConnection1.open(store::workingDatabasePath());
}
