#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "exchange/SubmissionFile.h"
#include "exchange/Transfer.h"
#include "platform/RegisterLock.h"
#include "store/Connection.h"

namespace exchange {

class TransferLog;

// The line of 62 dashes that opens and closes a command in the log.
QString dashLine();

// Where a command's lines and messages go: the data exchange window (log
// area, progress bars, message boxes) or the command-line program.
class CommandObserver : public TransferObserver {
  public:
    // A message the operator must see before the command goes on.
    virtual void message(const QString& text) = 0;
    // The file checks: what is being checked and how far (done of total;
    // total 0 when unknown).
    virtual void checking(const QString& stage, qint64 done, qint64 total) = 0;
    // The engine's own words behind a refusal, for support (not a message).
    virtual void detail(const QString&) {}
};

// How a command ended.
enum class CommandResult {
    Committed,     // the transfer committed and the log file was written
    Refused,       // a file was refused or could not be opened; nothing changed
    RolledBack,    // the transfer failed and was rolled back
    LogUnwritten,  // committed, but the log file could not be written
};

// The import and export of the data exchange window, without widgets. Every
// log line goes to the log (the observer's logLines tells that it is there);
// messages go to the observer at the moments the window shows them.
class ExchangeCommands {
  public:
    ExchangeCommands(TransferLog& log, CommandObserver& observer);
    ~ExchangeCommands();

    // Imports a submission file into the working database. The caller has
    // made sure the file exists; the working database itself, by whatever
    // path or link, is refused. Inside beginImport()/endImport() it is one
    // file of a command; on its own it is a command of its own.
    CommandResult importFile(const QString& from, const QString& workingDatabase);
    // A command that imports several files makes one backup, before its
    // first file that is not refused. endImport() removes that backup when
    // none of the command's files committed (the register is as it was), and
    // otherwise notes which files came in.
    void beginImport();
    void endImport();
    // Also the day's backup when the day has none (the command-line program,
    // where no window makes one).
    void setDailyBackup(bool on) { dailyBackup_ = on; }
    // The file checks and then every row through the import's own rules,
    // rolled back at the end: Committed when an import would commit.
    CommandResult checkFile(const QString& from, const QString& workingDatabase);
    // Exports the working database into exportPath, made from the template
    // beside the working database.
    CommandResult exportTo(const QString& workingDatabase, const QString& exportPath);

    // The reason of the last refusal, rollback or log failure.
    const QString& errorText() const { return error_; }
    const TransferCounts& counts() const { return counts_; }
    // The institution rows of the file last checked (they are not counted in
    // the statistics).
    int institutionRows() const { return institutionRows_; }

    void closeConnections();

    store::Connection from;
    SubmissionFile submission;
    store::Connection to;

  private:
    void append(const QStringList& lines);
    // publish runs after the commit and before the log file is written; a
    // text it returns is a failure of the command.
    CommandResult transfer(sqlite3* source, bool exporting, const std::function<QString()>& publish = {},
                           bool dryRun = false);
    bool claimRegister(const QString& workingDatabase);
    // Opens `to` on the working database, upgrading an older one (after its
    // backup) and reporting what the upgrade found. Throws store::Error.
    void openTarget(const QString& workingDatabase);

    TransferLog& log_;
    CommandObserver& observer_;
    TransferCounts counts_;
    QString error_;
    platform::RegisterLock lock_;
    bool inImport_ = false;
    bool dailyBackup_ = false;
    QString commandBackup_;
    QStringList committed_;
    int institutionRows_ = 0;
};

}  // namespace exchange
