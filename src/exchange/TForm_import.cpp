#include "exchange/TForm_import.h"

#include <QDir>

#include "platform/Settings.h"
#include "store/DatabaseFactory.h"

TForm_import::TForm_import(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_import");
    setWindowTitle("数据导入");
    FormCreate();
}

void TForm_import::FormCreate() {
    workingDatabase = store::workingDatabasePath();
    QDir().mkpath(platform::dataDir());
}
