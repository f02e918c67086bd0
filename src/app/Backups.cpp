#include "app/Backups.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/globals/Globals.h"
#include "platform/Clock.h"
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
    const QDate today = platform::now().date();
    for (const store::BackupInfo& b : store::listBackups(dir))
        if (b.reason == store::BackupReason::Daily && b.when.date() == today) return false;
    return true;
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
            store::rotateBackups(dir);
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
        const QStringList cells{b.when.date().toString("yyyy-MM-dd"), b.when.time().toString("HH:mm:ss"),
                                store::backupReasonText(b.reason), count(b.employers), count(b.persons)};
        for (int c = 0; c < cells.size(); ++c) Grid_backups->setItem(r, c, new QTableWidgetItem(cells[c]));
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

void restoreAndRestart(const QString& backupPath) {
    const QString working = store::workingDatabasePath();
    try {
        store::verifyBackup(backupPath);
        store::makeBackup(working, store::backupDirectory(), store::BackupReason::Restore, pumpEvents);
    } catch (const store::Error& e) {
        ui::dialogs().message(Form1, "数据恢复未能进行，数据没有改变：" + store::errorText(e));
        return;
    }
    // Every connection closes with its window; the file is then replaced
    // whole and the windows start again on it, as at a start.
    dailyBackup().stop();
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
    setRestarting(false);
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLast);
    if (!ok) {
        QApplication::exit(1);
        return;
    }
    ui::dialogs().message(nullptr, failure.isEmpty() ? QString("数据恢复完毕，程序将在恢复的数据上重新开始")
                                                     : "数据恢复未能完成，数据没有改变：" + failure);
    if (!Form1->endRequested()) Form1->showMaximized();
}

}  // namespace app
