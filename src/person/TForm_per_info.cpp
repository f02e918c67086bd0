#include "person/TForm_per_info.h"

#include <QVBoxLayout>

#include "store/DatabaseFactory.h"

TForm_per_info::TForm_per_info(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_per_info");
    setWindowTitle("个人信息查询编辑");
    ADOConnection1.open(store::workingDatabasePath());
    ADOTable_PERSON = new store::Table(&ADOConnection1, "M_PERSON", this);
    ADOTable_DDYLJG = new store::Table(&ADOConnection1, "M_PSNAPPOINTEDHOSPITAL", this);
    ADOTable_PERSON->open();
    ADOTable_DDYLJG->open();
    auto* layout = new QVBoxLayout(this);
    Edit_SHBXDJZBM = new QLineEdit(this);
    Edit_SHBXDJZBM->setObjectName("Edit_SHBXDJZBM");
    Edit_DWMC = new QLineEdit(this);
    Edit_DWMC->setObjectName("Edit_DWMC");
    layout->addWidget(Edit_SHBXDJZBM);
    layout->addWidget(Edit_DWMC);
}

void TForm_per_info::ClearScreen() {}
