#include "app/Startup.h"
#include "app/Backups.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstdio>

#include "app/Desktop.h"
#include "app/TForm1.h"
#include "app/TForm_login.h"
#include "app/TForm_user.h"
#include "app/globals/Globals.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/Paths.h"
#include "exchange/SubmissionFile.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "platform/Settings.h"
#include "reports/TForm_print1.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "store/Format.h"
#include "store/ServerConnection.h"
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

QString missingDatabaseText(const QString& path, const QString& launcherDir) {
    const QString name = store::workingDatabaseFileName();
    const QString dir = QFileInfo(path).absolutePath();
    QStringList lines;
    lines << QString("文件夹“%1”中没有工作数据库 %2，本程序在启动时的当前文件夹中使用它。").arg(dir, name)
          << QString();
    if (QFileInfo::exists(QDir(launcherDir).filePath(name)))
        lines << QString(
                     "您的工作数据库在“%1”中：请从应用程序菜单（办公 › Veyra）启动，或在终端中运行 "
                     "veyra-launch。")
                     .arg(launcherDir);
    else
        lines << QString(
                     "请从应用程序菜单（办公 › Veyra）启动，或在终端中运行 veyra-launch："
                     "第一次启动时会在“%1”中建立新的工作数据库，并在那里启动。")
                     .arg(launcherDir);
    lines << QString(
        "要使用别处的工作数据库，请在它所在的文件夹中运行 veyra；"
        "要在某个文件夹中建立新的工作数据库，请运行 veyra-newdb 文件夹。");
    return lines.join("\r");
}

QString launcherWorkingDirectory() {
    const QString dir = qEnvironmentVariable("VEYRA_WORKDIR");
    return dir.isEmpty() ? QDir::homePath() + "/Veyra" : QDir(dir).absolutePath();
}

bool prepareWorkingDatabase() {
    const QString path = store::workingDatabasePath();
    if (!QFileInfo::exists(path)) return true;
    try {
        store::Connection c;
        c.open(path);
        const store::FormatReport r = store::upgradeWithBackup(c, path, store::backupDirectory());
        const QStringList report = store::collisionReportLines(r);
        if (r.upgraded) exchange::appendToDayLog(report);
        const bool tell = (!r.collisions.isEmpty() && !r.collisionsTold) || !r.otherCollisions.isEmpty();
        if (tell) {
            ui::dialogs().message(nullptr, report.join("\r"));
            if (!r.collisions.isEmpty()) store::markCollisionsTold(c);
        }
    } catch (const store::Error& e) {
        std::fprintf(stderr, "veyra: %s\n", qPrintable(store::errorLine(e)));
        ui::dialogs().error(nullptr, store::errorText(e));
        return false;
    }
    return true;
}

namespace {
platform::RegisterLock& windowLock() {
    static platform::RegisterLock lock;
    return lock;
}

void bringForward() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) w = Form1;
    if (!w) return;
    w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    w->show();
    w->raise();
    w->activateWindow();
}

void listenForRaise(const QString& database) {
    auto* server = new QLocalServer(qApp);
    const QString name = raiseChannel(database);
    QLocalServer::removeServer(name);  // a socket left by a window that was killed
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) return;
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* s = server->nextPendingConnection()) {
            QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            bringForward();
            s->disconnectFromServer();
        }
    });
}
}  // namespace

QString raiseChannel(const QString& database) {
    const QByteArray key = platform::registerLockPath(database).toUtf8();
    return "veyra-" + QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
}

void releaseRegister() {
    registerUseLock().release();
    windowLock().release();
}

platform::RegisterLock& registerUseLock() {
    static platform::RegisterLock lock;
    return lock;
}

bool claimRegister(const QString& database) {
    platform::LockHolder other;
    if (windowLock().acquire(database, platform::RegisterLock::Kind::Window, 0, &other)) {
        // A restore elsewhere cannot be running: only a window restores.
        registerUseLock().acquire(database, platform::RegisterLock::Kind::Use, 10000);
        listenForRaise(database);
        return true;
    }
    const bool forward = ui::dialogs().confirm(
        nullptr, QString("数据库“%1”已经由 %2 打开，同一个数据库只能由一个程序窗口使用。\r"
                         "切换到已经打开的窗口选 Yes，结束本程序选 No")
                     .arg(QDir::toNativeSeparators(database), platform::holderText(other)));
    if (forward) {
        QLocalSocket s;
        s.connectToServer(raiseChannel(database));
        if (s.waitForConnected(2000)) {
            s.write("raise\n");
            s.waitForBytesWritten(1000);
            s.waitForDisconnected(1000);
        }
    }
    return false;
}

namespace {
// The windows work on the working database in this directory only as yet.
// A Register setting that names the office's shared register is told, never
// passed over for this file: the desk would register somewhere else than the
// others.
bool workingDatabaseChosen() {
    QString text;
    try {
        const QString server = store::serverRegisterSetting();
        if (server.isEmpty()) return true;
        text = QString(
                   "设置文件“%1”中的 Register 指向多个工作站共用的服务器登记库（%2）。"
                   "本版本的窗口还只能使用本机的工作数据库，为免登记到两个地方，不会改用当前目录下的 "
                   "Enterprise.mdb。\r"
                   "请使用能连接服务器登记库的新版本；只在本机登记时，请删除设置文件中的 Register 这一项。")
                   .arg(platform::settingsFilePath(), server);
    } catch (const store::Error& e) {
        text = e.text();
    }
    std::fprintf(stderr, "veyra: %s\n", qPrintable(QString(text).replace('\r', '\n')));
    ui::dialogs().error(nullptr, text);
    return false;
}
}  // namespace

int run() {
    setDesktopIdentity();
    installQtTranslations();
    if (!workingDatabaseChosen()) return 1;
    // Started outside the launcher in a folder without a register: say where
    // it is or how to make one, rather than the engine's "cannot open".
    const QString path = store::workingDatabasePath();
    if (!QFileInfo::exists(path)) {
        const QString text = missingDatabaseText(path, launcherWorkingDirectory());
        std::fprintf(stderr, "veyra: %s\n", qPrintable(QString(text).replace('\r', '\n')));
        ui::dialogs().error(nullptr, text);
        return 1;
    }
    if (!claimRegister(path)) return 0;
    struct Release {
        ~Release() { releaseRegister(); }
    } release;
    // What a crashed or killed run left behind: private copies of submission
    // files, unfinished backups, exports and restores.
    exchange::removeStalePrivateCopies();
    for (const QString& dir : {store::backupDirectory(), platform::dataDir(),
                               QFileInfo(store::workingDatabasePath()).absolutePath()})
        store::removeStaleLeftovers(dir);
    if (!prepareWorkingDatabase()) return 1;
    try {
        createWindows();
    } catch (const store::Error& e) {
        std::fprintf(stderr, "veyra: %s\n", qPrintable(store::errorLine(e)));
        ui::dialogs().error(nullptr, store::errorText(e));
        return 1;
    }
    // Ended at creation: the date format could not be set, and it said why.
    int rc = 1;
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
