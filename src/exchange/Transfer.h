#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "exchange/TransferLog.h"
#include "store/Error.h"

struct sqlite3;

namespace store {
class Connection;
}

namespace exchange {

enum class Register { Employers, Persons, Institutions };

// What a transfer tells whoever watches it: the window's progress bars and
// log area, or a benchmark that only counts.
class TransferObserver {
  public:
    virtual ~TransferObserver() = default;
    // Before the first row of a table: its row count in the source.
    virtual void tableStarted(Register table, int total) = 0;
    // The row being transferred, counted from 1.
    virtual void rowReached(Register table, int row) = 0;
    virtual void tableFinished(Register table, int rows) = 0;
    // Lines were appended to the log (this many), handed over in batches.
    virtual void logLines(qsizetype count) = 0;
};

struct TransferCounts {
    int employers = 0;
    int employersSkipped = 0;
    int persons = 0;
    int personsSkipped = 0;
};

// The duplicate tests, on the target.
extern const char* const kCheckSSNDbl;
extern const char* const kCheckIDcardDbl;
extern const char* const kCheckMedDbl;
// The serial lookups, on the target.
extern const char* const kCorpsnBySSN;
extern const char* const kPsnsnByIDcard;
// The institution rows' duplicate test and person lookup in one statement:
// 'duplicate', the person's serial, or null when there is no such person.
extern const char* const kCheckMedDblAndPsnsn;

// True when the target holds a row with the key (one of the tests above).
bool countsAny(store::Connection& target, const char* checkSql, const QString& key);

class RowsHasher;

// Moves every row of the three registers from source to target, table by
// table: a row whose key the target already holds (rows stored earlier in
// the same run included) is skipped with two log lines, every other row is
// copied by column position with its serial references re-derived from the
// target. One transaction on the target: all rows or none.
class Transfer {
  public:
    // The log lines go to log (nowhere without one: the observer still
    // hears how many there were).
    Transfer(sqlite3* source, store::Connection& target, TransferObserver& observer,
             TransferLog* log = nullptr);
    ~Transfer();

    // An export records the checksum of the rows it wrote in the target's
    // veyra_meta, inside the same transaction: computed from the rows as they
    // are written, or, when the target held rows before, by reading them.
    void setRecordChecksum(bool on) { recordChecksum_ = on; }
    // Runs every row through the same rules and rolls back at the end: what
    // an import would do, without doing it. Statistics as for a commit.
    void setDryRun(bool on) { dryRun_ = on; }
    // An import hashes the source's rows as it reads them and hands the
    // checksum to check before the commit; check throws to refuse the file
    // (the transfer is then rolled back and refused() is true). A transfer
    // that fails on its own reads the rest of the source and is refused
    // instead when the rows do not match.
    void setSourceCheck(std::function<void(const QString& checksum)> check) {
        sourceCheck_ = std::move(check);
    }
    // Log lines are handed over once this many are waiting (and at the end
    // of every table).
    void setBatchSize(int n) { batchSize_ = n > 0 ? n : 1; }
    // Page cache of the target for the run, in KiB (tests make it tiny so
    // that changed pages reach the file before the commit).
    void setCacheKiB(int kib) { cacheKiB_ = kib; }
    // Told how far the export's checksum is (rows done of total).
    void setTick(std::function<void(qint64, qint64)> tick) { tick_ = std::move(tick); }

    // Runs the transfer; false when it failed and was rolled back (no
    // statistics then). The statistics lines follow a commit.
    bool run();

    const TransferCounts& counts() const { return counts_; }
    // The reason of the last failure: its text, and the error itself (with
    // the engine's code) for the operator's message.
    const QString& errorText() const { return error_; }
    const std::optional<store::Error>& failure() const { return failure_; }
    // Where the last failure happened: the table and the source row
    // ("个人信息第 3 条"); empty when it was not at a row.
    QString failedAt() const;
    // The source check refused the file.
    bool refused() const { return refused_; }

  private:
    struct TablePlan;
    class TargetRows;
    class PersonSerials;
    void transferTable(const TablePlan& plan);
    void log(const QString& line);
    void flush();
    bool targetsEmpty();
    // Whether a table's keys can only be those this run writes into it, and
    // then whether they compare without regard to ASCII letter case (NOCASE).
    std::optional<bool> keysOnlyThisRuns(const QString& table, const QString& keyColumn);
    // Hashes the tables not read yet and gives the source's checksum.
    QString sourceChecksum();

    sqlite3* source_;
    store::Connection& target_;
    TransferObserver& observer_;
    TransferLog* log_;
    bool recordChecksum_ = false;
    bool dryRun_ = false;
    Register atTable_ = Register::Employers;
    int atRow_ = 0;
    int batchSize_ = 1000;
    int cacheKiB_ = 65536;
    std::function<void(qint64, qint64)> tick_;
    std::function<void(const QString&)> sourceCheck_;
    std::unique_ptr<RowsHasher> sourceRows_;  // while the source's rows are hashed
    std::unique_ptr<RowsHasher> targetRows_;  // while the written rows are hashed
    std::unique_ptr<PersonSerials> persons_;  // the persons this run wrote, when they are all there are
    int tablesRead_ = 0;                      // tables whose every source row is hashed
    bool sourceUtf8_ = true;                  // the source's text is UTF-8: read where it lies
    EncodedLines pending_;
    TransferCounts counts_;
    bool refused_ = false;
    QString error_;
    std::optional<store::Error> failure_;
};

}  // namespace exchange
