#include "app/Startup.h"
#include "app/Backups.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "app/Desktop.h"
#include "app/TForm1.h"
#include "app/TForm_login.h"
#include "app/TForm_user.h"
#include "app/globals/Globals.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/SubmissionFile.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "reports/TForm_print1.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "store/Format.h"
#include "ui/Dialogs.h"

namespace app {

void destroyWindows() {
    // The day's backup holds a connection of its own.
    dailyBackup().stop();
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

namespace {
bool restarting = false;
}  // namespace

void setRestarting(bool on) {
    restarting = on;
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

namespace {
QString keyLabel(const store::KeyCollision& k) {
    if (k.column.compare("IDCARD", Qt::CaseInsensitive) == 0) return "公民身份号码";
    if (k.column.compare("ORGCODE", Qt::CaseInsensitive) == 0) return "组织机构代码";
    return k.table.compare("M_PERSON", Qt::CaseInsensitive) == 0 ? "人员的社保登记证号码" : "社保登记证号码";
}

QString collisionText(const store::FormatReport& r) {
    QStringList lines;
    lines << "社保登记证号码、公民身份号码和组织机构代码现在不区分字母大小写。"
          << "以下号码只有字母大小写不同，系统把它们看作同一个号码；所有记录都已保留：";
    for (const QList<store::KeyCollision>* list : {&r.collisions, &r.otherCollisions})
        for (const store::KeyCollision& k : *list) lines << keyLabel(k) + "：" + k.values.join("、");
    lines << QString();
    if (!r.collisions.isEmpty())
        lines << "请在“查询编辑”中修改或删除重复的单位或人员。全部改正后，号码不得重复的规则会自动恢复。";
    else
        lines << "请在“查询编辑”中改正重复的组织机构代码，否则保存这些单位时会提示“已经存在该组织机构代码”。";
    return lines.join("\r");
}
}  // namespace

bool prepareWorkingDatabase() {
    const QString path = store::workingDatabasePath();
    if (!QFileInfo::exists(path)) return true;
    try {
        store::Connection c;
        c.open(path);
        const store::FormatReport r = store::bringToCurrentFormat(c);
        const bool tell = (!r.collisions.isEmpty() && !r.collisionsTold) || !r.otherCollisions.isEmpty();
        if (tell) {
            ui::dialogs().message(nullptr, collisionText(r));
            if (!r.collisions.isEmpty()) store::markCollisionsTold(c);
        }
    } catch (const store::Error& e) {
        std::fprintf(stderr, "veyra: %s\n", qPrintable(store::errorLine(e)));
        ui::dialogs().error(nullptr, store::errorText(e));
        return false;
    }
    return true;
}

int run() {
    QApplication::setApplicationName("Veyra");
    setDesktopIdentity();
    installQtTranslations();
    // Private copies of submission files that a crashed run left behind.
    exchange::removeStalePrivateCopies();
    if (!prepareWorkingDatabase()) return 1;
    try {
        createWindows();
    } catch (const store::Error& e) {
        std::fprintf(stderr, "veyra: %s\n", qPrintable(store::errorLine(e)));
        ui::dialogs().error(nullptr, store::errorText(e));
        return 1;
    }
    int rc = 0;
    if (!Form1->endRequested()) {
        QObject::connect(qApp, &QApplication::lastWindowClosed, qApp, [] {
            if (!restarting) QApplication::quit();
        });
        Form1->showMaximized();
        rc = QApplication::exec();
    }
    destroyWindows();
    return rc;
}

}  // namespace app
