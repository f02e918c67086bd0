#include "app/TForm1.h"

#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <cstdio>

#include "app/Backups.h"
#include "app/Desktop.h"
#include "app/TForm_login.h"
#include "app/TForm_user.h"
#include "app/globals/Globals.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/Backup.h"
#include "store/DatabaseFactory.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Modal.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Form1");
    setWindowTitle("Veyra");
    // The frame is not known before the window is shown; changeEvent corrects
    // the size once the window is first restored.
    if (QScreen* s = QGuiApplication::primaryScreen())
        setGeometry(centredClientRect(kRestoredSize, {}, s->availableGeometry()));
    else
        resize(kRestoredSize);

    QMenuBar* bar = menuBar();
    auto menu = [&](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(name);
        return m;
    };
    auto item = [&](QMenu* m, const char* name, const QString& caption, void (TForm1::*handler)()) {
        QAction* a = m->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    QMenu* n1 = menu("N1", "单位信息");
    N2 = item(n1, "N2", "单位增加", &TForm1::N2Click);
    N3 = item(n1, "N3", "查询编辑", &TForm1::N3Click);
    QMenu* n5 = menu("N5", "人员信息");
    N6 = item(n5, "N6", "人员增加", &TForm1::N6Click);
    N7 = item(n5, "N7", "查询编辑", &TForm1::N7Click);
    QMenu* n11 = menu("N11", "报表打印");
    N12 = item(n11, "N12", "单位打印", &TForm1::N3Click);
    N13 = item(n11, "N13", "个人打印", &TForm1::N7Click);
    QMenu* n16 = menu("N16", "数据交换");
    N17 = item(n16, "N17", "导入/导出", &TForm1::N17Click);
    QMenu* n4 = menu("N4", "用户管理");
    N9 = item(n4, "N9", "编辑维护", &TForm1::N9Click);
    QMenu* n22 = menu("N22", "系统");
    N8 = item(n22, "N8", "退出", &TForm1::N8Click);
    n22->addSeparator()->setObjectName("N19");
    N23 = item(n22, "N23", "数据备份", &TForm1::N23Click);
    N24 = item(n22, "N24", "数据恢复", &TForm1::N24Click);
    About = item(n22, "About", "关于", &TForm1::aboutClick);

    FormCreate();
}

void TForm1::FormCreate() {
    // The settings file is read at every use, so a format written here holds
    // at once: no restart, the program goes on.
    const platform::ShortDateSetup s = platform::setUpShortDateFormat(platform::today());
    if (s.outcome == platform::ShortDateSetup::Kept || s.outcome == platform::ShortDateSetup::Installed)
        return;
    const QString text = platform::shortDateNotice(s);
    std::fprintf(stderr, "veyra: %s\n", qPrintable(QString(text).replace('\r', '\n')));
    ui::dialogs().message(nullptr, text);
    endRequested_ = s.outcome == platform::ShortDateSetup::Unwritable;
}

void TForm1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shownOnce_) return;
    shownOnce_ = true;
    // Run the login after the window has appeared, outside the show event.
    QTimer::singleShot(0, this, &TForm1::FormShow);
}

QRect TForm1::centredClientRect(QSize outer, QMargins frame, QRect desktop) {
    QRect r(QPoint(), outer);
    r.moveCenter(desktop.center());
    return r.marginsRemoved(frame);
}

void TForm1::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange || restoredOnce_) return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(e);
    if (!(change->oldState() & Qt::WindowMaximized) ||
        (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
        return;
    // First restore from maximized: outer size 696 x 480, centred, now that the frame is known.
    restoredOnce_ = true;
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (s) setGeometry(centredClientRect(kRestoredSize, frame, s->availableGeometry()));
}

void TForm1::FormShow() {
    if (Form_login) ui::showModal(Form_login);
    if (loginOK != 1) {
        close();
        return;
    }
    // The first start of a day backs the register up, a few pages at a time.
    app::dailyBackup().start(store::workingDatabasePath(), store::backupDirectory());
}

void TForm1::N2Click() {
    if (!Form_cop_info) return;
    ui::guarded(this, [] {
        if (copTablesActive == 0) Form_cop_info->activeTables();
        Form_cop_info->ADOTable_corporation->insert();
        Form_cop_info->Edit_BXDJZBM->setText(QString());
        Form_cop_info->PageControl1->setCurrentWidget(Form_cop_info->TabSheet1);
        Form_cop_info->clearScreen();
        Form_cop_info->Edit_BXDJZBM->setEnabled(true);
        copInfoMode = 1;
        ui::showModal(Form_cop_info);
    });
}

void TForm1::N3Click() {
    if (Form_cop_query) ui::showModal(Form_cop_query);
}

void TForm1::N6Click() {
    if (!Form_per_info) return;
    ui::guarded(this, [] {
        TForm_per_info* f = Form_per_info;
        f->ADOTable_PERSON->close();
        f->ADOTable_DDYLJG->close();
        f->ADOTable_PERSON->open();
        f->ADOTable_DDYLJG->open();
        f->ADOTable_PERSON->insert();
        f->ADOTable_DDYLJG->insert();
        f->ClearScreen();
        f->Edit_SHBXDJZBM->setText(QString());
        f->Edit_DWMC->setText(QString());
        perInfoMode = 1;
        ui::showModal(f);
    });
}

void TForm1::N7Click() {
    if (Form_Person_query) ui::showModal(Form_Person_query);
}

void TForm1::N17Click() {
    if (Form_import) ui::showModal(Form_import);
}

void TForm1::N9Click() {
    if (Form_user) ui::showModal(Form_user);
}

void TForm1::N23Click() {
    app::backupNow(this);
}

void TForm1::N24Click() {
    app::TForm_restore restore(this);
    restore.Grid_backups->setAccessibleName("备份列表");
    restore.FormShow();
    if (ui::showModal(&restore) != QDialog::Accepted || restore.chosenPath.isEmpty()) return;
    // After this handler has returned: the restore closes every window, this one too.
    const QString path = restore.chosenPath;
    QTimer::singleShot(0, qApp, [path] { app::restoreAndRestart(path); });
}

void TForm1::N8Click() {
    close();
}

void TForm1::aboutClick() {
    // The notices a program under the GPL shows, and where it keeps what it
    // writes: the paths in force now, settings included.
    const QStringList lines = {
        "Veyra",
        "离休人员医疗统筹登记系统",
        "版本 " + QApplication::applicationVersion(),
        QString(),
        QString::fromUtf8(app::kCopyright),
        "本程序是自由软件：您可以按自由软件基金会发布的 GNU 通用公共许可证第3版或（由您选择）任何更新版本"
        "（GPL-3.0-or-later）再发布和修改它。本程序不提供任何担保。许可证全文见 "
        "/usr/share/common-licenses/GPL-3 或 https://www.gnu.org/licenses/gpl-3.0.html。",
        QString(),
        "工作数据库：" + store::workingDatabasePath(),
        "报盘文件和导数日志：" + platform::dataDir(),
        "数据备份：" + store::backupDirectory(),
        "软盘文件夹：" + platform::floppyDir(),
        "设置文件：" + platform::settingsFilePath(),
    };
    ui::dialogs().message(this, lines.join("\r"));
}
