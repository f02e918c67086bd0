#include "app/Backups.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/globals/Globals.h"
#include "platform/Clock.h"
#include "platform/RegisterLock.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "ui/Dialogs.h"

namespace app {

namespace {
void pumpEvents(qint64, qint64) {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
}  // namespace

bool DailyBackup::due(const QString& dir) {
    return store::dailyBackupDue(dir);
}

void DailyBackup::start(const QString& source, const QString& dir) {
    if (job_ || !due(dir)) return;
    dir_ = dir;
    try {
        job_ = std::make_unique<store::BackupJob>(source, dir, store::BackupReason::Daily);
    } catch (const store::Error& e) {
        ui::dialogs().message(nullptr, "每日自动备份未能完成：" + store::errorText(e));
        return;
    }
    timer_.setInterval(0);
    disconnect(&timer_, nullptr, this, nullptr);
    connect(&timer_, &QTimer::timeout, this, &DailyBackup::stepOnce);
    timer_.start();
}

DailyBackup::~DailyBackup() {
    stop();
}

void DailyBackup::stop() {
    timer_.stop();
    if (job_) job_->cancel();
    if (checker_.joinable()) checker_.join();
    ++run_;
    job_.reset();
}

void DailyBackup::stepOnce() {
    try {
        if (!job_->step(pages_)) return;
    } catch (const store::Error& e) {
        timer_.stop();
        checked(QString(), store::errorText(e));
        return;
    }
    timer_.stop();
    const quint64 run = run_;
    store::BackupJob* job = job_.get();
    const QString dir = dir_;
    checker_ = std::thread([this, job, dir, run] {
        QString path, failure;
        try {
            path = job->finish();
            store::rotateBackups(dir, path);
        } catch (const store::Error& e) {
            failure = store::errorText(e);
        }
        QMetaObject::invokeMethod(
            this,
            [this, path, failure, run] {
                if (run != run_) return;  // stopped meanwhile
                checked(path, failure);
            },
            Qt::QueuedConnection);
    });
}

void DailyBackup::checked(const QString& path, const QString& failure) {
    if (checker_.joinable()) checker_.join();
    job_.reset();
    if (!failure.isEmpty()) ui::dialogs().message(nullptr, "每日自动备份未能完成：" + failure);
    emit finished(path);
}

DailyBackup& dailyBackup() {
    static DailyBackup d;
    return d;
}

void backupNow(QWidget* parent) {
    QString dir = store::backupDirectory();
    if (!ui::dialogs().confirm(parent, "备份到备份目录 " + dir + " 选 Yes，\r选择其他文件夹（如U盘）选 No")) {
        dir = ui::dialogs().chooseDirectory(parent, "选择备份文件夹", QDir::homePath());
        if (dir.isEmpty()) return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const QString path =
            store::makeBackup(store::workingDatabasePath(), dir, store::BackupReason::Manual, pumpEvents);
        QApplication::restoreOverrideCursor();
        ui::dialogs().message(parent, "数据备份完毕：" + QDir::toNativeSeparators(path));
    } catch (const store::Error& e) {
        QApplication::restoreOverrideCursor();
        ui::dialogs().message(parent, "数据备份未能完成：" + store::errorText(e));
    }
}

TForm_restore::TForm_restore(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_restore");
    setWindowTitle("数据恢复");
    Grid_backups = new QTableWidget(0, 5, this);
    Grid_backups->setObjectName("Grid_backups");
    Grid_backups->setHorizontalHeaderLabels({"日期", "时间", "原因", "单位数", "人员数"});
    Grid_backups->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_backups->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid_backups->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid_backups->verticalHeader()->hide();
    Grid_backups->horizontalHeader()->setStretchLastSection(true);
    Button_restore = new QPushButton("恢复", this);
    Button_restore->setObjectName("Button_restore");
    Button_other = new QPushButton("其他备份文件...", this);
    Button_other->setObjectName("Button_other");
    Button_close = new QPushButton("关闭", this);
    Button_close->setObjectName("Button_close");
    for (QPushButton* b : {Button_restore, Button_other, Button_close}) b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_restore);
    buttons->addWidget(Button_other);
    buttons->addStretch();
    buttons->addWidget(Button_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Grid_backups);
    layout->addLayout(buttons);
    resize(560, 360);
    connect(Button_restore, &QPushButton::clicked, this, &TForm_restore::Button_restoreClick);
    connect(Button_other, &QPushButton::clicked, this, &TForm_restore::Button_otherClick);
    connect(Button_close, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_restore::FormShow() {
    chosenPath.clear();
    backups_ = store::listBackups(store::backupDirectory(), true);
    Grid_backups->setRowCount(int(backups_.size()));
    for (int r = 0; r < backups_.size(); ++r) {
        const store::BackupInfo& b = backups_[r];
        auto count = [](qint64 n) { return n < 0 ? QString("无法读取") : QString::number(n); };
        // Which file an import brought in, so "the one before that import" can be found.
        QString reason = store::backupReasonText(b.reason);
        if (!b.note.isEmpty()) reason += "：" + QString(b.note).remove(QRegularExpression("^导入的文件："));
        const QStringList cells{b.when.date().toString("yyyy-MM-dd"), b.when.time().toString("HH:mm:ss"),
                                reason, count(b.employers), count(b.persons)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            Grid_backups->setItem(r, c, item);
        }
    }
    if (!backups_.isEmpty()) Grid_backups->selectRow(0);
}

bool TForm_restore::choose(const QString& path, const QString& shown) {
    try {
        store::verifyBackup(path);
    } catch (const store::Error& e) {
        ui::dialogs().message(this, store::errorText(e) + "，不能恢复");
        return false;
    }
    if (!ui::dialogs().confirm(
            this, "用" + shown +
                      "的备份替换当前数据？\r当前数据会先备份，程序随后重新启动。\r恢复选 Yes,否则选 No"))
        return false;
    chosenPath = path;
    accept();
    return true;
}

void TForm_restore::Button_restoreClick() {
    const int row = Grid_backups->currentRow();
    if (row < 0 || row >= backups_.size()) {
        ui::dialogs().message(this, "请选择要恢复的备份");
        return;
    }
    const store::BackupInfo& b = backups_[row];
    choose(b.path, " " + b.when.toString("yyyy-MM-dd HH:mm:ss") + " ");
}

void TForm_restore::Button_otherClick() {
    const QString path = ui::dialogs().openFile(this, "选择备份文件", store::backupDirectory(), "*.mdb");
    if (!path.isEmpty()) choose(path, "文件 " + QDir::toNativeSeparators(path) + " ");
}

namespace {
// The register as it is, before the restore replaces it: a checked backup,
// or, when the register itself fails its check, a byte copy of it once the
// operator agrees. False when the restore must not go on.
bool keepCurrentRegister(const QString& working) {
    try {
        store::makeBackup(working, store::backupDirectory(), store::BackupReason::Restore, pumpEvents);
        return true;
    } catch (const store::DamagedSource& e) {
        if (!ui::dialogs().confirm(Form1,
                                   "当前数据库已损坏，无法为它做正常的备份：" + store::errorText(e) +
                                       "\r恢复前将把当前数据库文件原样保存一份（在恢复列表中标为“已损坏”）。"
                                       "\r继续恢复选 Yes,否则选 No"))
            return false;
    } catch (const store::Error& e) {
        ui::dialogs().message(Form1,
                              "数据恢复未能进行，数据没有改变：当前数据库未能备份，" + store::errorText(e));
        return false;
    }
    try {
        store::keepDamagedCopy(working, store::backupDirectory());
        return true;
    } catch (const store::Error& e) {
        ui::dialogs().message(Form1, "数据恢复未能进行，数据没有改变：" + store::errorText(e));
        return false;
    }
}
}  // namespace

void restoreAndRestart(const QString& backupPath) {
    const QString working = store::workingDatabasePath();
    try {
        store::verifyBackup(backupPath);
    } catch (const store::Error& e) {
        ui::dialogs().message(Form1, "数据恢复未能进行，数据没有改变：" + store::errorText(e));
        return;
    }
    // The register for this program alone: every other program on it
    // (veyra-transfer, another tool) has ended and none can start until the
    // restore is done.
    platform::RegisterLock sole;
    platform::LockHolder other;
    if (!sole.acquire(working, platform::RegisterLock::Kind::Sole, 3000, &other)) {
        ui::dialogs().message(Form1,
                              QString("%1 正在使用数据库，现在不能恢复，数据没有改变。\r请等它结束后再恢复")
                                  .arg(platform::holderText(other)));
        return;
    }
    // Any other program with the file open, ours or not, is waited for too.
    QList<platform::LockHolder> others = platform::processesWithFileOpen(working);
    for (int i = 0; i < 30 && !others.isEmpty(); ++i) {
        QThread::msleep(100);
        others = platform::processesWithFileOpen(working);
    }
    if (!others.isEmpty()) {
        ui::dialogs().message(Form1,
                              QString("%1 正在使用数据库，现在不能恢复，数据没有改变。\r请先结束该程序再恢复")
                                  .arg(platform::holdersText(others)));
        return;
    }
    dailyBackup().stop();
    if (!keepCurrentRegister(working)) return;
    // Every connection closes with its window; the file is then replaced
    // whole and the windows start again on it, as at a start.
    const bool quitOnLast = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    setRestarting(true);
    destroyWindows();
    resetGlobals();
    QString failure;
    try {
        store::replaceDatabaseFile(backupPath, working);
    } catch (const store::Error& e) {
        failure = store::errorText(e);
    }
    sole.release();
    // A backup made by an earlier version is brought to the current format.
    bool ok = prepareWorkingDatabase();
    if (ok) {
        try {
            createWindows();
        } catch (const store::Error& e) {
            ui::dialogs().error(nullptr, store::errorText(e));
            ok = false;
        }
    }
    if (!ok) {
        setRestarting(false);
        QGuiApplication::setQuitOnLastWindowClosed(quitOnLast);
        QApplication::exit(1);
        return;
    }
    // Still restarting while the message is up: closing it, the last window
    // on the screen, must not end the program before the main window and
    // its login are back.
    ui::dialogs().message(nullptr, failure.isEmpty() ? QString("数据恢复完毕，程序将在恢复的数据上重新开始")
                                                     : "数据恢复未能完成，数据没有改变：" + failure);
    if (!Form1->endRequested()) Form1->showMaximized();
    setRestarting(false);
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLast);
}

}  // namespace app
