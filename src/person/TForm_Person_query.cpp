#include "person/TForm_Person_query.h"

#include "store/DatabaseFactory.h"

TForm_Person_query::TForm_Person_query(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_Person_query");
    setWindowTitle("人员信息查询");
    ADOConnection1.open(store::workingDatabasePath());
}
