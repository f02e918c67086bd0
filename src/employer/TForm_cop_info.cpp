#include "employer/TForm_cop_info.h"

#include <QVBoxLayout>

#include "app/globals/Globals.h"
#include "store/DatabaseFactory.h"

TForm_cop_info::TForm_cop_info(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_cop_info");
    setWindowTitle("单位信息");
    ADOConnection1.open(store::workingDatabasePath());
    ADOTable_corporation = new store::Table(&ADOConnection1, "M_CORPORATION", this);
    auto* layout = new QVBoxLayout(this);
    Edit_BXDJZBM = new QLineEdit(this);
    Edit_BXDJZBM->setObjectName("Edit_BXDJZBM");
    layout->addWidget(Edit_BXDJZBM);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    PageControl1->addTab(TabSheet1, "社会保险登记表");
    layout->addWidget(PageControl1);
}

void TForm_cop_info::activeTables() {
    ADOTable_corporation->open();
    copTablesActive = 1;
}

void TForm_cop_info::clearScreen() {}
