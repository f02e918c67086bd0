#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

#include "store/Error.h"

struct sqlite3;
class QTemporaryDir;

namespace store {
class Connection;
}

namespace exchange {

// Why a submission file was refused; text() is what the operator is shown.
class Refusal : public store::Error {
  public:
    enum class Kind {
        Unreadable,
        Empty,
        NotDatabase,
        BadHeader,
        BadPageSize,
        SizeMismatch,
        WalMode,
        HotJournal,
        CannotOpen,
        Damaged,
        Unsafe,
        NotVeyra,
        WrongPassword,
        NewerFormat,
        MissingTable,
        NotATable,
        ColumnsDiffer,
        ChecksumMismatch,
        Trigger,
        View,
        VirtualTable,
        HiddenColumn,
        GeneratedColumn,
        ExtraTable,
        PartialIndex,
        ExpressionIndex,
        UnknownCollation,
        SchemaDiffers,
        TooComplex,
    };
    Refusal(Kind kind, const QString& text, const QString& detail = {})
        : store::Error(text), kind_(kind), detail_(detail) {}
    Kind kind() const { return kind_; }
    // The engine's own words (for the log and for support), kept out of the text.
    const QString& detail() const { return detail_; }

  private:
    Kind kind_;
    QString detail_;
};

// A register table and the columns (in order) the target needs from it.
struct TableShape {
    QString name;
    QStringList columns;
};

// The three registers with the columns the target holds.
QList<TableShape> registerShapes(store::Connection& target);

// Checks the 100-byte header of a database file against its size. Throws
// Refusal; shownPath names the file in the message.
void checkHeader(const QByteArray& header, qint64 fileSize, const QString& shownPath);

// How long the checks of one file may take: a base plus a share per byte, so
// a genuine large register gets the time its size needs and a small file
// that makes the engine work without end is stopped.
std::chrono::milliseconds checkBudget(qint64 fileSize);
// Tests shorten the budget; zero restores the default.
void setCheckBudgetOverride(std::chrono::milliseconds budget);

// Bounds the work of every statement on an untrusted connection: past the
// deadline a statement is interrupted, and while it runs tick() is called
// now and then (the window repaints from there). Removes itself when
// destroyed.
class WorkBudget {
  public:
    WorkBudget(sqlite3* db, std::chrono::milliseconds budget, std::function<void()> tick = {});
    ~WorkBudget();
    WorkBudget(const WorkBudget&) = delete;
    WorkBudget& operator=(const WorkBudget&) = delete;
    bool exceeded() const { return exceeded_; }

  private:
    static int onProgress(void* self);
    sqlite3* db_;
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::steady_clock::time_point nextTick_;
    std::function<void()> tick_;
    bool exceeded_ = false;
};

// Compares the file's schema objects with those this program makes (a
// working database or the export template, each format it accepts) before
// any row is read: tables with exactly their columns, no generated or hidden
// columns, plain indexes on named columns only, no triggers, no views or
// virtual tables of its own, no collation beyond BINARY and NOCASE, and the
// same definition text. Throws Refusal with the first difference found.
void checkSchema(const QString& path, const QList<TableShape>& expected, const QString& shownPath,
                 std::chrono::milliseconds budget, const std::function<void()>& tick = {});

// Private copies of submission files live in directories of their own under
// the temporary folder, named for the program and the process; this removes
// those that a process that no longer runs left behind (a crash, a kill).
void removeStalePrivateCopies();
// The directory name prefix of those directories (tests look for leftovers).
QString privateCopyPrefix();

// Opens a file read-only with everything a hostile file could use switched
// off: defensive mode, untrusted schema, no triggers, no views, no extension
// loading, tight length limits, cell size checks. Throws Refusal.
sqlite3* openLockedDown(const QString& path, const QString& shownPath);

// What the file checks are doing (a stage the operator can read) and how far
// they are (done of total; total 0 when it cannot be known). Called often
// enough to keep a window painting.
using CheckProgress = std::function<void(const QString& stage, qint64 done, qint64 total)>;

// PRAGMA integrity_check must answer exactly "ok". Throws Refusal.
void checkIntegrity(sqlite3* db, const QString& shownPath, const CheckProgress& progress = {});

// Refuses unless the file is a Veyra file with our password, of a format this
// program knows (an older one is read as it stands, never upgraded), its registers
// are real tables with at least the given columns in order, and (with rows)
// its rows match a recorded checksum (a file without one passes). Returns
// that checksum (empty when there is none).
QString checkContent(sqlite3* db, const QList<TableShape>& expected, const QString& shownPath,
                     const CheckProgress& progress = {}, bool rows = true);

// The refusal of a file whose rows do not match their recorded checksum.
[[noreturn]] void refuseChangedRows(const QString& shownPath);

// A submission file from elsewhere, read through a private copy so that
// nothing is ever written to the medium it came on.
class SubmissionFile {
  public:
    SubmissionFile();
    ~SubmissionFile();
    SubmissionFile(const SubmissionFile&) = delete;
    SubmissionFile& operator=(const SubmissionFile&) = delete;

    // When the rows are checked against their recorded checksum: in a pass
    // of their own while the file is opened, or by the import that reads
    // them anyway (verifyRows).
    enum class Rows { CheckNow, CheckWhenRead };

    // Checks the header against the size, copies into a private directory,
    // checks the schema and the content under a work budget (progress is
    // called now and then meanwhile) and opens; throws Refusal.
    void open(const QString& path, const QList<TableShape>& expected, const CheckProgress& progress = {},
              Rows rows = Rows::CheckNow);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }

    // The checksum recorded with the rows (Rows::CheckWhenRead); empty when
    // the file has none.
    const QString& recordedChecksum() const { return recorded_; }
    // Throws the refusal of a changed file unless the rows as read give the
    // recorded checksum.
    void verifyRows(const QString& checksum) const;

  private:
    std::unique_ptr<QTemporaryDir> dir_;
    sqlite3* db_ = nullptr;
    QString shown_;
    QString recorded_;
};

}  // namespace exchange
