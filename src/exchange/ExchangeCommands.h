#pragma once

#include <QString>

#include "exchange/SubmissionFile.h"
#include "exchange/Transfer.h"
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
};

// How a command ended.
enum class CommandResult {
    Committed,     // the transfer committed and the log file was written
    Refused,       // a file was refused or could not be opened; nothing changed
    RolledBack,    // the transfer failed and was rolled back
    LogUnwritten,  // committed, but the log file could not be written
};

// The import and export of the data exchange window, without widgets. Every
// log line goes to the log (and to the observer's logLines after it is in
// the log); messages go to the observer at the moments the window shows them.
class ExchangeCommands {
  public:
    ExchangeCommands(TransferLog& log, CommandObserver& observer);
    ~ExchangeCommands();

    // Imports a submission file into the working database. The caller has
    // made sure the file exists.
    CommandResult importFile(const QString& from, const QString& workingDatabase);
    // Exports the working database into exportPath, made from the template
    // beside the working database.
    CommandResult exportTo(const QString& workingDatabase, const QString& exportPath);

    // The reason of the last refusal, rollback or log failure.
    const QString& errorText() const { return error_; }
    const TransferCounts& counts() const { return counts_; }

    void closeConnections();

    store::Connection from;
    SubmissionFile submission;
    store::Connection to;

  private:
    void append(const QStringList& lines);
    CommandResult transfer(sqlite3* source, bool exporting);

    TransferLog& log_;
    CommandObserver& observer_;
    TransferCounts counts_;
    QString error_;
};

}  // namespace exchange
