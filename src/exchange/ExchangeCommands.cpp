#include "exchange/ExchangeCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

#include "exchange/ImportBackup.h"
#include "exchange/Paths.h"
#include "exchange/TransferLog.h"
#include "platform/Files.h"
#include "store/DatabaseFactory.h"
#include "store/ErrorText.h"
#include "store/Format.h"

namespace exchange {

QString dashLine() {
    return QString(62, '-');
}

namespace {
// An old template is upgraded where it lies, so later exports copy the current
// format; when it cannot be (a write-protected file), the export's copy is.
void upgradeTemplate(const QString& path) {
    try {
        store::Connection c;
        c.open(path);
        store::bringToCurrentFormat(c);
    } catch (const store::Error&) {
    }
}

// The transfer's lines go into the log before the observer hears of them.
class Logging : public TransferObserver {
  public:
    Logging(TransferLog& log, TransferObserver& next) : log_(log), next_(next) {}
    void tableStarted(Register t, int total) override { next_.tableStarted(t, total); }
    void rowReached(Register t, int row) override { next_.rowReached(t, row); }
    void tableFinished(Register t, int rows) override { next_.tableFinished(t, rows); }
    void logLines(const QStringList& lines) override {
        log_.append(lines);
        next_.logLines(lines);
    }

  private:
    TransferLog& log_;
    TransferObserver& next_;
};
}  // namespace

ExchangeCommands::ExchangeCommands(TransferLog& log, CommandObserver& observer)
    : log_(log), observer_(observer) {}

ExchangeCommands::~ExchangeCommands() {
    closeConnections();
}

void ExchangeCommands::closeConnections() {
    submission.close();
    from.close();
    to.close();
}

void ExchangeCommands::append(const QStringList& lines) {
    log_.append(lines);
    observer_.logLines(lines);
}

CommandResult ExchangeCommands::transfer(sqlite3* source, bool exporting) {
    Logging logging(log_, observer_);
    Transfer t(source, to, logging);
    t.setRecordChecksum(exporting);
    t.setTick([this](qint64 done, qint64 total) { observer_.checking("计算校验值", done, total); });
    const bool ok = t.run();
    counts_ = t.counts();
    if (!ok) {
        // The reason is one more line of the log (and so of the next log file written).
        error_ = t.failure() ? store::errorLine(*t.failure()) : t.errorText();
        append({"出错原因：" + error_});
        observer_.message("操作过程中出现错误，取消操作");
        return CommandResult::RolledBack;
    }
    QString why;
    const QString logPath = transferLogPath();
    QDir().mkpath(QFileInfo(logPath).absolutePath());  // a failure shows in the write
    if (!log_.writeFile(logPath, &why)) {
        error_ = QString("无法写入导数日志文件“%1”：%2").arg(logPath, why);
        observer_.message(error_);
        return CommandResult::LogUnwritten;
    }
    append({QString()});
    observer_.message("操作完毕！");
    return CommandResult::Committed;
}

CommandResult ExchangeCommands::importFile(const QString& fromPath, const QString& workingDatabase) {
    error_.clear();
    counts_ = {};
    append({dashLine(), "开始向本地库导入数据...."});
    closeConnections();
    std::optional<ImportBackup> backup;
    try {
        // The target is opened first: the source is checked against its columns.
        to.open(workingDatabase);
        // The duplicate tests rely on the target's key rule.
        store::bringToCurrentFormat(to);
        // The register as it was, safely on disk, before a row is written:
        // copied while the file is checked.
        backup.emplace(workingDatabase);
        submission.open(fromPath, registerShapes(to),
                        [this](const QString& stage, qint64 done, qint64 total) {
                            observer_.checking(stage, done, total);
                        });
    } catch (const store::Error& e) {
        backup.reset();
        closeConnections();
        error_ = store::errorLine(e);
        observer_.message(store::errorText(e));
        // Registers that do not match the local ones end the transfer itself,
        // which closes the log like any other; a file that cannot be opened does not.
        using Kind = Refusal::Kind;
        const auto* r = dynamic_cast<const Refusal*>(&e);
        if (r && (r->kind() == Kind::MissingTable || r->kind() == Kind::NotATable ||
                  r->kind() == Kind::ColumnsDiffer))
            append({"操作完毕！", dashLine()});
        return CommandResult::Refused;
    }
    try {
        backup->finish([this](qint64 done, qint64 total) {
            observer_.checking(QStringLiteral("导入前备份本地库"), done, total);
        });
    } catch (const store::Error& e) {
        closeConnections();
        error_ = "导入前的数据备份未能完成，没有导入：" + store::errorText(e);
        observer_.message(error_);
        return CommandResult::Refused;
    }
    const CommandResult r = transfer(submission.handle(), false);
    // Nothing stays open on either file between commands.
    closeConnections();
    if (r != CommandResult::LogUnwritten) append({"操作完毕！", dashLine()});
    return r;
}

CommandResult ExchangeCommands::exportTo(const QString& workingDatabase, const QString& exportPath) {
    error_.clear();
    counts_ = {};
    const QString templatePath =
        QFileInfo(workingDatabase).absolutePath() + "/" + store::templateDatabaseFileName();
    // Never copy over a file that a connection still has open, and never let
    // a journal left by an interrupted export roll back into the fresh copy.
    closeConnections();
    QDir().mkpath(QFileInfo(exportPath).absolutePath());
    // A template that cannot be read leaves the day's earlier export as it
    // is: the transfer then runs into it. A copy that fails part-way leaves
    // no file, which shows when the file is opened.
    QString copyFailure;
    if (QFile(templatePath).open(QIODevice::ReadOnly)) {
        upgradeTemplate(templatePath);
        for (const char* suffix : {"-journal", "-wal", "-shm"}) QFile::remove(exportPath + suffix);
        QString why;
        if (!platform::copyFileDurably(templatePath, exportPath, &why))
            copyFailure = QString(
                              "导出模板“%1”没有复制成报盘文件“%2”（%3）。\r请检查该文件夹所在磁盘的空间和写入"
                              "权限，改正后再导出")
                              .arg(templatePath, exportPath, why);
    } else {
        copyFailure = QString(
                          "找不到或无法读取导出模板“%1”，无法生成报盘文件“%2”。\r请把本系统的 %3 放回数据库"
                          "文件所在的文件夹后再导出")
                          .arg(templatePath, exportPath, store::templateDatabaseFileName());
    }
    append({dashLine(), "开始向报盘文件导入数据；文件路径及名称为：" + exportPath});
    try {
        from.open(workingDatabase, store::databasePassword(), store::Connection::Mode::ReadOnly);
        to.open(exportPath);
        // One self-contained file: a rollback journal, never WAL.
        to.executeScript("PRAGMA journal_mode = DELETE;");
        // A template the upgrade could not reach is upgraded in its copy.
        store::bringToCurrentFormat(to);
    } catch (const store::Error& e) {
        closeConnections();
        // No export file because the template was not copied: say that, not "file not found".
        const bool noFile = !QFileInfo::exists(exportPath);
        const QString shown = noFile && !copyFailure.isEmpty() ? copyFailure : store::errorText(e);
        error_ = QString(shown).replace('\r', ' ');
        observer_.message(shown);
        return CommandResult::Refused;
    }
    const CommandResult r = transfer(from.handle(), true);
    // Committed rows are on disk once the connection is closed; only then
    // may the file be copied.
    closeConnections();
    if (r != CommandResult::LogUnwritten) append({"操作完毕！", dashLine()});
    return r;
}

}  // namespace exchange
