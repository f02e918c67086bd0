#include "app/Startup.h"

#include <QApplication>
#include <cstdio>

#include "app/Desktop.h"
#include "app/TForm1.h"
#include "app/TForm_login.h"
#include "app/TForm_user.h"
#include "app/globals/Globals.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "reports/TForm_print1.h"
#include "store/Error.h"
#include "ui/Dialogs.h"

namespace app {

void destroyWindows() {
    delete Form_import;
    delete Form_XGSBDJZH;
    delete Form_user;
    delete Form_login;
    delete Form_Person_query;
    delete Form_cop_query;
    delete Form_per_info;
    delete Form_print1;
    delete Form_cop_info;
    delete Form1;
    Form_import = nullptr;
    Form_XGSBDJZH = nullptr;
    Form_user = nullptr;
    Form_login = nullptr;
    Form_Person_query = nullptr;
    Form_cop_query = nullptr;
    Form_per_info = nullptr;
    Form_print1 = nullptr;
    Form_cop_info = nullptr;
    Form1 = nullptr;
}

void createWindows() {
    try {
        Form1 = new TForm1;
        Form_cop_info = new TForm_cop_info;
        Form_print1 = new TForm_print1;
        Form_per_info = new TForm_per_info;
        Form_cop_query = new TForm_cop_query;
        Form_Person_query = new TForm_Person_query;
        Form_login = new TForm_login;
        Form_user = new TForm_user;
        Form_XGSBDJZH = new TForm_XGSBDJZH;
        Form_import = new TForm_import;
    } catch (...) {
        destroyWindows();
        throw;
    }
}

int run() {
    QApplication::setApplicationName("Veyra");
    setDesktopIdentity();
    installQtTranslations();
    try {
        createWindows();
    } catch (const store::Error& e) {
        std::fprintf(stderr, "veyra: %s\n", qPrintable(e.text()));
        ui::dialogs().error(nullptr, e.text());
        return 1;
    }
    int rc = 0;
    if (!Form1->endRequested()) {
        QObject::connect(qApp, &QApplication::lastWindowClosed, qApp, &QApplication::quit);
        Form1->showMaximized();
        rc = QApplication::exec();
    }
    destroyWindows();
    return rc;
}

}  // namespace app
