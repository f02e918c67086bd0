#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>

#include "store/Error.h"

struct sqlite3;
struct sqlite3_backup;

namespace store {

// Why a backup was made; part of its file name. Damaged: a byte copy of a
// register that failed its check, kept before a restore replaced it.
// Upgrade: the register as it was before its format was brought up to date.
enum class BackupReason { Daily, Import, Manual, Restore, Damaged, Upgrade };
QString backupReasonText(BackupReason reason);  // what the operator reads

// The database being backed up is itself damaged: its copy failed the
// check, or the engine could not read it.
class DamagedSource : public Error {
  public:
    using Error::Error;
};

// BackupDir from the settings, else the folder 备份 in the data directory.
QString backupDirectory();

// Copies a database that windows may hold open with the engine's online
// backup, a few pages per step, into a hidden file of its own in the backup
// directory; finish() checks the copy, flushes it and only then gives it its
// name, Enterprise-yyyy-MM-dd-HHmmss-Nnnnnnn-reason.mdb: the time when the
// copy was complete (the state it holds) and a number one above every
// backup in the directory, so that the order in which backups were made
// stays known whatever the clock says. A name is never given twice, also
// not to two programs finishing in the same second. Dropped unfinished, it
// leaves nothing behind.
class BackupJob {
  public:
    BackupJob(const QString& source, const QString& dir, BackupReason reason);
    ~BackupJob();
    BackupJob(const BackupJob&) = delete;
    BackupJob& operator=(const BackupJob&) = delete;

    // Copies up to `pages` pages; true once every page is copied. Throws Error.
    bool step(int pages);
    // Verifies and flushes the copy; returns the final path. Throws Error.
    // progress runs now and then during the check (it may repaint windows).
    QString finish(const std::function<void()>& progress = {});
    // Checks the finished copy with the engine's quick check (every page
    // read back from the disk, each b-tree sound, no index compared with its
    // table) instead of the full one: for the backup before an import, whose
    // register the day's backup checks in full.
    void setQuickCheck(bool on) { quickCheck_ = on; }
    // A line kept beside the backup (which file an import brought in).
    void setNote(const QString& note) { note_ = note; }
    // Makes a finish() running on another thread give up (it throws Error).
    void cancel() { cancelled_ = true; }
    QString finalPath() const { return final_; }
    // Pages copied and pages in all, as far as the engine knows.
    qint64 pagesDone() const;
    qint64 pagesTotal() const;

  private:
    void abandon();
    sqlite3* src_ = nullptr;
    sqlite3* dst_ = nullptr;
    sqlite3_backup* backup_ = nullptr;
    QString dir_;
    BackupReason reason_;
    QString source_;
    QString note_;
    QString part_;
    QString final_;
    bool done_ = false;
    bool quickCheck_ = false;
    std::atomic<bool> cancelled_{false};
};

// One backup to its end; progress(done, total pages) runs between steps.
// Returns the path.
using BackupProgress = std::function<void(qint64 done, qint64 total)>;
QString makeBackup(const QString& source, const QString& dir, BackupReason reason,
                   const BackupProgress& progress = {});

struct BackupInfo {
    QString path;
    QDateTime when;
    BackupReason reason = BackupReason::Manual;
    qint64 order = 0;       // the number in the name; 0 for names of earlier builds (older than all)
    int sequence = 1;       // earlier builds: 2, 3, ... for later backups made in the same second
    QString note;           // kept beside the backup, empty when none
    qint64 employers = -1;  // -1: the file could not be read
    qint64 persons = -1;
};
// The backups in a directory, newest (by number) first (counts only when withCounts).
QList<BackupInfo> listBackups(const QString& dir, bool withCounts = false);
// The entry of one backup file (no counts); order 0 when the name is not a backup's.
BackupInfo backupInfo(const QString& path);

// Keeps the newest daily backup of each of the last 7 days, 4 weeks and 12
// months, the last 10 made before an import, every other kind, and always
// the newest of all; removes the rest. Never removes `keep` or anything
// made after it (by number), whatever the clock said. Returns the removed paths.
QStringList rotateBackups(const QString& dir, const QString& keep = {});

// Removes a backup with what lies beside it.
void removeBackup(const QString& path);
// Rewrites the line kept beside a backup.
void setBackupNote(const QString& path, const QString& note);

// True when the directory holds no daily backup of today.
bool dailyBackupDue(const QString& dir);
// The day's backup when there is none yet: a second name (a link, or a
// copy where links cannot be made) for a backup just made of the same
// register, or else a backup of `source`. Returns the path, or empty when
// none was due. Throws Error.
QString makeDailyBackupIfDue(const QString& source, const QString& dir, const QString& justMade = {});

// A byte copy of a register that cannot be backed up through the engine
// (it is damaged), flushed and named as a damaged pre-restore copy. Throws Error.
QString keepDamagedCopy(const QString& source, const QString& dir);

// Text for a failed engine call on the backup's destination: a full disk
// and where it is, in words.
QString backupFailureText(int code, int systemError, const QString& dir, const QString& engine);

// Refuses (throws Error) a file that cannot serve as the working database:
// not a database, not ours, another password, damaged, or of a newer format.
void verifyBackup(const QString& path);

// Puts a copy of `from` in place of `target`: written under a temporary name
// in target's directory, flushed, then renamed over it, so that target is
// never half-written. No connection may be open on target, in this process
// or any other, and the caller holds the register alone
// (platform::RegisterLock::Kind::Sole). Throws Error.
void replaceDatabaseFile(const QString& from, const QString& target);

// Brings an open working database to the current format; one of an older
// format is first backed up as it is (reason Upgrade) into backupDir, so the
// register in its earlier format is never lost. Throws Error (nothing is
// upgraded when the backup fails).
class Connection;
struct FormatReport;
FormatReport upgradeWithBackup(Connection& c, const QString& path, const QString& backupDir);

// Removes what a killed process left in a directory: unfinished backup
// copies and their journals, a restore's hidden copy.
void removeStaleLeftovers(const QString& dir);

}  // namespace store
