// Commands of the data exchange window: import, export, the floppy copy and
// the transfer they share.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "exchange/FloppyCopy.h"
#include "exchange/Paths.h"
#include "exchange/TForm_import.h"
#include "exchange/Transfer.h"
#include "platform/Files.h"
#include "platform/Settings.h"
#include "store/DatabaseFactory.h"
#include "ui/Dialogs.h"

namespace {
const QString kDashes(62, '-');

// Sets a flag for the length of a command.
struct Running {
    explicit Running(bool& flag) : flag_(flag) { flag_ = true; }
    ~Running() { flag_ = false; }
    bool& flag_;
};
}  // namespace

// The window's side of a transfer: progress bars and log area. Bars are
// updated and events processed at most every 40 ms, so the display stays
// live without costing the transfer its speed; user input waits.
class TForm_import::Progress : public exchange::TransferObserver {
  public:
    explicit Progress(TForm_import& w) : w_(w) { clock_.start(); }

    void tableStarted(exchange::Register t, int total) override {
        QProgressBar* b = bar(t);
        // A maximum of 0 would turn the bar into a busy indicator.
        b->setRange(0, qMax(total, 1));
        b->setValue(0);
        pump(true);
    }
    void rowReached(exchange::Register t, int row) override {
        row_ = row;
        table_ = t;
        if (clock_.elapsed() >= 40) pump(false);
    }
    void tableFinished(exchange::Register t, int rows) override {
        bar(t)->setValue(rows);
        pump(true);
    }
    void logLines(const QStringList& lines) override {
        w_.appendLog(lines);
        if (clock_.elapsed() >= 40) pump(false);
    }

  private:
    QProgressBar* bar(exchange::Register t) const {
        switch (t) {
            case exchange::Register::Employers:
                return w_.ProgressBar1;
            case exchange::Register::Persons:
                return w_.ProgressBar2;
            default:
                return w_.ProgressBar3;
        }
    }
    void pump(bool barsOnly) {
        if (!barsOnly && row_ > 0) bar(table_)->setValue(row_);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        clock_.restart();
    }

    TForm_import& w_;
    QElapsedTimer clock_;
    exchange::Register table_ = exchange::Register::Employers;
    int row_ = 0;
};

void TForm_import::closeConnections() {
    source_ = nullptr;
    submission.close();
    ADOConnection_from.close();
    ADOConnection_to.close();
}

bool TForm_import::checkSSNDbl(const QString& ssn) {
    return exchange::countsAny(ADOConnection_to, exchange::kCheckSSNDbl, ssn);
}

bool TForm_import::checkIDcardDbl(const QString& idcard) {
    return exchange::countsAny(ADOConnection_to, exchange::kCheckIDcardDbl, idcard);
}

bool TForm_import::checkMedDbl(const QString& idcard) {
    return exchange::countsAny(ADOConnection_to, exchange::kCheckMedDbl, idcard);
}

void TForm_import::Button2Click() {
    const QString path = ui::dialogs().openFile(this, QString(), platform::dataDir(), "*.mdb");
    if (!path.isEmpty()) Edit_fromfile->setText(path);
}

void TForm_import::dataTrans() {
    Progress progress(*this);
    exchange::Transfer transfer(source_, ADOConnection_to, progress);
    transfer.setRecordChecksum(exporting_);
    if (!transfer.run()) {
        ui::dialogs().message(this, "操作过程中出现错误，取消操作");
        return;
    }
    QString why;
    const QString logPath = exchange::transferLogPath();
    if (!platform::writeGb18030TextFile(logPath, log_.join('\n') + '\n', &why))
        throw store::Error(QString("无法写入导数日志文件“%1”：%2").arg(logPath, why));
    appendLog({QString()});
    ui::dialogs().message(this, "操作完毕！");
}

void TForm_import::Button1Click() {
    if (running_) return;
    Running running(running_);
    resetBars();
    const QString from = Edit_fromfile->text();
    if (from.isEmpty() || !QFileInfo(from).isFile()) {
        ui::dialogs().message(this, "请选择数据源文件");
        return;
    }
    appendLog({kDashes, "开始向本地库导入数据...."});
    closeConnections();
    try {
        // The target is opened first: the source is checked against its columns.
        ADOConnection_to.open(Edit_tofile->text());
        submission.open(from, exchange::registerShapes(ADOConnection_to));
        source_ = submission.handle();
        exporting_ = false;
        dataTrans();
    } catch (const store::Error& e) {
        closeConnections();
        ui::dialogs().message(this, e.text());
        return;
    }
    // Nothing stays open on either file between commands.
    closeConnections();
    appendLog({"操作完毕！", kDashes});
}

void TForm_import::Button4Click() {
    if (running_) return;
    Running running(running_);
    resetBars();
    exportFilePath = exchange::exportPathForToday();
    const QString templatePath =
        QFileInfo(Edit_tofile->text()).absolutePath() + "/" + store::templateDatabaseFileName();
    // Never copy over a file that a connection still has open, and never let
    // a journal left by an interrupted export roll back into the fresh copy.
    closeConnections();
    QDir().mkpath(QFileInfo(exportFilePath).absolutePath());
    // A template that cannot be read leaves the day's earlier export as it
    // is: the transfer then runs into it. A copy that fails part-way leaves
    // no file, which shows when the file is opened.
    if (QFile(templatePath).open(QIODevice::ReadOnly)) {
        for (const char* suffix : {"-journal", "-wal", "-shm"}) QFile::remove(exportFilePath + suffix);
        platform::copyFileDurably(templatePath, exportFilePath);
    }
    appendLog({kDashes, "开始向报盘文件导入数据；文件路径及名称为：" + exportFilePath});
    try {
        ADOConnection_from.open(Edit_tofile->text(), store::databasePassword(),
                                store::Connection::Mode::ReadOnly);
        ADOConnection_to.open(exportFilePath);
        // One self-contained file: a rollback journal, never WAL.
        ADOConnection_to.executeScript("PRAGMA journal_mode = DELETE;");
    } catch (const store::Error& e) {
        closeConnections();
        ui::dialogs().message(this, e.text());
        return;
    }
    source_ = ADOConnection_from.handle();
    exporting_ = true;
    try {
        dataTrans();
    } catch (const store::Error& e) {
        closeConnections();
        ui::dialogs().message(this, e.text());
        return;
    }
    // Committed rows are on disk once the connection is closed; only then
    // may the file be copied.
    closeConnections();
    appendLog({"操作完毕！", kDashes});
    Button_makeFloppy->setEnabled(true);
}

void TForm_import::Button_makeFloppyClick() {
    if (running_) return;
    Running running(running_);
    const QString floppyPath = exchange::floppyPathForToday();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = exchange::copyVerified(exportFilePath, floppyPath);
    QApplication::restoreOverrideCursor();
    ui::dialogs().message(this, ok ? "软盘文件生成完毕！" : "软盘文件未生成，请检查软盘是否有足够空间");
}
