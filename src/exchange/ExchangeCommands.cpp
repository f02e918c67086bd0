#include "exchange/ExchangeCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

#include <unistd.h>
#include <cerrno>

#include "exchange/ImportBackup.h"
#include "exchange/Paths.h"
#include "exchange/TransferLog.h"
#include "platform/Files.h"
#include "store/Backup.h"
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
    observer_.logLines(lines.size());
}

CommandResult ExchangeCommands::transfer(sqlite3* source, bool exporting,
                                         const std::function<QString()>& publish, bool dryRun) {
    Transfer t(source, to, observer_, &log_);
    t.setRecordChecksum(exporting);
    t.setDryRun(dryRun);
    t.setTick([this](qint64 done, qint64 total) { observer_.checking("计算校验值", done, total); });
    // The rows of a submission file are checked as the transfer reads them.
    if (!exporting && !submission.recordedChecksum().isEmpty())
        t.setSourceCheck([this](const QString& rows) { submission.verifyRows(rows); });
    // The day's log file is written as the lines arrive, and takes its place
    // once the transfer has committed.
    const QString logPath = transferLogPath();
    if (!dryRun) {
        QDir().mkpath(QFileInfo(logPath).absolutePath());  // a failure shows when the file is put in place
        log_.beginFile(logPath);
    }
    bool ok = t.run();
    counts_ = t.counts();
    QString reason;
    if (!ok && t.refused()) {
        // Its rows were changed since the export: refused as when the file
        // is checked, and nothing of it stays.
        log_.abandonFile();
        error_ = store::errorLine(*t.failure());
        observer_.message(store::errorText(*t.failure()));
        return CommandResult::Refused;
    }
    if (!ok) {
        // The reason is one more line of the log (and so of the next log file
        // written); the command's own error also says the table and row.
        reason = t.failure() ? store::errorLine(*t.failure()) : t.errorText();
        error_ = t.failedAt().isEmpty() ? reason : t.failedAt() + "：" + reason;
    } else if (publish) {
        error_ = reason = publish();
        ok = error_.isEmpty();
    }
    if (!ok) {
        log_.abandonFile();
        append({"出错原因：" + reason});
        observer_.message("操作过程中出现错误，取消操作");
        return CommandResult::RolledBack;
    }
    if (dryRun) return CommandResult::Committed;
    QString why;
    if (!log_.commitFile(&why)) {
        error_ = QString("无法写入导数日志文件“%1”：%2").arg(logPath, why);
        observer_.message(error_);
        return CommandResult::LogUnwritten;
    }
    append({QString()});
    observer_.message("操作完毕！");
    return CommandResult::Committed;
}

bool ExchangeCommands::claimRegister(const QString& workingDatabase) {
    // A restore in another program holds the register alone for a while.
    platform::LockHolder other;
    if (lock_.held() || lock_.acquire(workingDatabase, platform::RegisterLock::Kind::Use, 10000, &other))
        return true;
    error_ = QString("%1 正在恢复数据库“%2”，现在不能导入或导出。请等它结束后再试")
                 .arg(platform::holderText(other), workingDatabase);
    observer_.message(error_);
    return false;
}

void ExchangeCommands::openTarget(const QString& workingDatabase) {
    to.open(workingDatabase);
    // The duplicate tests rely on the target's key rule: an older register
    // is brought up to date, after a backup of it as it was.
    const store::FormatReport r = store::upgradeWithBackup(to, workingDatabase, store::backupDirectory());
    if (!r.upgraded) return;
    const QStringList report = store::collisionReportLines(r);
    if (report.isEmpty()) return;
    // In the day's log now, and among the command's lines (the log file the
    // transfer writes holds them once).
    appendToDayLog(report);
    append(report);
    observer_.message(report.join("\r"));
}

void ExchangeCommands::beginImport() {
    endImport();
    inImport_ = true;
}

void ExchangeCommands::endImport() {
    if (!commandBackup_.isEmpty()) {
        if (committed_.isEmpty()) {
            // Nothing came in: the register is as the backup holds it, and a
            // failed attempt must not push good backups out.
            store::removeBackup(commandBackup_);
        } else {
            QString note = "导入的文件：" + committed_.first();
            if (committed_.size() > 1) note += QString(" 等 %1 个文件").arg(committed_.size());
            store::setBackupNote(commandBackup_, note);
        }
    }
    commandBackup_.clear();
    committed_.clear();
    inImport_ = false;
    lock_.release();
}

CommandResult ExchangeCommands::importFile(const QString& fromPath, const QString& workingDatabase) {
    error_.clear();
    counts_ = {};
    // Every row would be its own duplicate; nothing is started.
    if (platform::sameFile(fromPath, workingDatabase)) {
        const QString shown =
            QString(
                "数据来源文件“%1”就是本地库，不能把本地库导入到它自己。\r请选择从其他地方送来的报盘文件。")
                .arg(QDir::toNativeSeparators(fromPath));
        error_ = QString(shown).replace('\r', ' ');
        observer_.message(shown);
        return CommandResult::Refused;
    }
    const bool single = !inImport_;
    if (single) beginImport();
    append({dashLine(), "开始向本地库导入数据...."});
    closeConnections();
    if (!claimRegister(workingDatabase)) {
        if (single) endImport();
        return CommandResult::Refused;
    }
    std::optional<ImportBackup> backup;
    try {
        // The target is opened first: the source is checked against its columns.
        openTarget(workingDatabase);
        // The register as it was, safely on disk, before the command's first
        // row is written: copied while the file is checked.
        if (commandBackup_.isEmpty()) backup.emplace(workingDatabase, "导入的文件：" + fromPath);
        submission.open(
            fromPath, registerShapes(to),
            [this](const QString& stage, qint64 done, qint64 total) {
                observer_.checking(stage, done, total);
            },
            SubmissionFile::Rows::CheckWhenRead);
    } catch (const store::Error& e) {
        backup.reset();
        closeConnections();
        error_ = store::errorLine(e);
        observer_.message(store::errorText(e));
        if (single) endImport();
        // Registers that do not match the local ones end the transfer itself,
        // which closes the log like any other; a file that cannot be opened does not.
        using Kind = Refusal::Kind;
        const auto* r = dynamic_cast<const Refusal*>(&e);
        // The engine's words stay out of the message: technical detail for support.
        if (r && !r->detail().isEmpty()) observer_.detail(r->detail());
        if (r && (r->kind() == Kind::MissingTable || r->kind() == Kind::NotATable ||
                  r->kind() == Kind::ColumnsDiffer))
            append({"操作完毕！", dashLine()});
        return CommandResult::Refused;
    }
    if (backup) {
        try {
            commandBackup_ = backup->finish([this](qint64 done, qint64 total) {
                observer_.checking(QStringLiteral("导入前备份本地库"), done, total);
            });
        } catch (const store::Error& e) {
            closeConnections();
            error_ = "导入前的数据备份未能完成，没有导入：" + store::errorText(e);
            observer_.message(error_);
            if (single) endImport();
            return CommandResult::Refused;
        }
        if (dailyBackup_) {
            try {
                store::makeDailyBackupIfDue(workingDatabase, store::backupDirectory(), commandBackup_);
            } catch (const store::Error& e) {
                observer_.message("每日自动备份未能完成：" + store::errorText(e));
            }
        }
    }
    const CommandResult r = transfer(submission.handle(), false);
    if (r == CommandResult::Committed || r == CommandResult::LogUnwritten) committed_.append(fromPath);
    // Nothing stays open on either file between commands.
    closeConnections();
    // A file refused for its changed rows leaves the log as a refused file does.
    if (r == CommandResult::Committed || r == CommandResult::RolledBack) append({"操作完毕！", dashLine()});
    if (single) endImport();
    return r;
}

namespace {
// The rows of a check go nowhere: only the counts and the outcome matter.
class Quiet : public TransferObserver {
  public:
    Quiet(CommandObserver& next, int& institutions) : next_(next), institutions_(institutions) {}
    void tableStarted(Register t, int total) override {
        if (t == Register::Institutions) institutions_ = total;
        next_.tableStarted(t, total);
    }
    void rowReached(Register t, int row) override { next_.rowReached(t, row); }
    void tableFinished(Register t, int rows) override { next_.tableFinished(t, rows); }
    void logLines(qsizetype) override {}

  private:
    CommandObserver& next_;
    int& institutions_;
};
}  // namespace

CommandResult ExchangeCommands::checkFile(const QString& fromPath, const QString& workingDatabase) {
    error_.clear();
    counts_ = {};
    closeConnections();
    const bool held = lock_.held();
    struct Release {
        platform::RegisterLock& lock;
        bool keep;
        ~Release() {
            if (!keep) lock.release();
        }
    } release{lock_, held};
    if (!claimRegister(workingDatabase)) return CommandResult::Refused;
    try {
        to.open(workingDatabase);
        submission.open(
            fromPath, registerShapes(to),
            [this](const QString& stage, qint64 done, qint64 total) {
                observer_.checking(stage, done, total);
            },
            SubmissionFile::Rows::CheckWhenRead);
    } catch (const store::Error& e) {
        closeConnections();
        error_ = store::errorText(e);
        if (const auto* r = dynamic_cast<const Refusal*>(&e); r && !r->detail().isEmpty())
            observer_.detail(r->detail());
        return CommandResult::Refused;
    }
    institutionRows_ = 0;
    Quiet quiet(observer_, institutionRows_);
    Transfer t(submission.handle(), to, quiet);
    t.setDryRun(true);
    // The rows are checked against their checksum as they are read.
    if (!submission.recordedChecksum().isEmpty())
        t.setSourceCheck([this](const QString& rows) { submission.verifyRows(rows); });
    const bool ok = t.run();
    counts_ = t.counts();
    closeConnections();
    if (ok) return CommandResult::Committed;
    error_ = t.failure() ? store::errorText(*t.failure()) : t.errorText();
    if (t.refused()) return CommandResult::Refused;
    if (!t.failedAt().isEmpty()) error_ = t.failedAt() + "：" + error_;
    return CommandResult::RolledBack;
}

CommandResult ExchangeCommands::exportTo(const QString& workingDatabase, const QString& exportPath) {
    error_.clear();
    counts_ = {};
    const QString templatePath =
        QFileInfo(workingDatabase).absolutePath() + "/" + store::templateDatabaseFileName();
    // Never copy over a file that a connection still has open.
    closeConnections();
    QDir().mkpath(QFileInfo(exportPath).absolutePath());
    // The rows go into a hidden file of this process beside the export; it
    // takes the day's name only once it is whole (committed and on disk), so
    // a killed or failed export leaves no file that looks like a submission.
    const QFileInfo ei(exportPath);
    const QString part = QString("%1/.%2.%3.export").arg(ei.absolutePath(), ei.fileName()).arg(::getpid());
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) QFile::remove(part + suffix);
    QString copyFailure, notPlain;
    // A pipe in the template's place would hold the export at its first read.
    if (!platform::isPlainFile(templatePath, &notPlain) && QFileInfo::exists(templatePath)) {
        copyFailure = QString(
                          "导出模板“%1”无法读取（%2），无法生成报盘文件“%3”。\r请把本系统的 %4 放回数据库"
                          "文件所在的文件夹后再导出")
                          .arg(templatePath, notPlain, exportPath, store::templateDatabaseFileName());
    } else if (QFile(templatePath).open(QIODevice::ReadOnly)) {
        upgradeTemplate(templatePath);
        QString why;
        if (!platform::copyFileDurably(templatePath, part, &why))
            copyFailure = QString(
                              "导出模板“%1”没有复制成报盘文件“%2”（%3）。\r请检查该文件夹所在磁盘的空间和写入"
                              "权限，改正后再导出")
                              .arg(templatePath, exportPath, why);
    } else {
        copyFailure = QString(
                          "找不到或无法读取导出模板“%1”，无法生成报盘文件“%2”。\r请把本系统的 %3 放回数据库"
                          "文件所在的文件夹后再导出")
                          .arg(templatePath, exportPath, store::templateDatabaseFileName());
        // Without a template the transfer runs into the day's earlier export.
        if (QFileInfo(exportPath).isFile()) platform::copyFileDurably(exportPath, part);
    }
    append({dashLine(), "开始向报盘文件导入数据；文件路径及名称为：" + exportPath});
    const bool held = lock_.held();
    if (!claimRegister(workingDatabase)) {
        QFile::remove(part);
        return CommandResult::Refused;
    }
    try {
        if (!QFileInfo::exists(part))
            throw store::Error(copyFailure.isEmpty() ? QString("无法生成报盘文件“%1”").arg(exportPath)
                                                     : copyFailure);
        from.open(workingDatabase, store::databasePassword(), store::Connection::Mode::ReadOnly);
        to.open(part);
        // One self-contained file: a rollback journal, never WAL.
        to.executeScript("PRAGMA journal_mode = DELETE;");
        // A template the upgrade could not reach is upgraded in its copy.
        store::bringToCurrentFormat(to);
    } catch (const store::Error& e) {
        closeConnections();
        if (!held) lock_.release();
        for (const char* suffix : {"", "-journal"}) QFile::remove(part + suffix);
        const QString shown = e.fromEngine() || copyFailure.isEmpty() ? store::errorText(e) : e.text();
        error_ = QString(shown).replace('\r', ' ');
        observer_.message(shown);
        return CommandResult::Refused;
    }
    const auto publish = [this, &part, &exportPath]() -> QString {
        // Committed rows are on disk once the connection is closed; only then
        // is the file given its name (replacing an earlier export of the day).
        to.close();
        if (!platform::syncFile(part) ||
            ::rename(QFile::encodeName(part).constData(), QFile::encodeName(exportPath).constData()) != 0)
            return QString("报盘文件“%1”无法写到磁盘（%2）")
                .arg(exportPath, platform::systemErrorText(errno));
        platform::syncDirectory(QFileInfo(exportPath).absolutePath());
        return {};
    };
    const CommandResult r = transfer(from.handle(), true, publish);
    closeConnections();
    if (!held) lock_.release();
    for (const char* suffix : {"", "-journal"}) QFile::remove(part + suffix);
    if (r != CommandResult::LogUnwritten) append({"操作完毕！", dashLine()});
    return r;
}

}  // namespace exchange
