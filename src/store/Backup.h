#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>

struct sqlite3;
struct sqlite3_backup;

namespace store {

// Why a backup was made; part of its file name.
enum class BackupReason { Daily, Import, Manual, Restore };
QString backupReasonText(BackupReason reason);  // what the operator reads

// BackupDir from the settings, else the folder 备份 in the data directory.
QString backupDirectory();

// Copies a database that windows may hold open with the engine's online
// backup, a few pages per step, into a hidden file beside the final name;
// finish() checks the copy, flushes it and only then gives it its name
// (Enterprise-yyyy-MM-dd-HHmmss-reason.mdb). Dropped unfinished, it leaves
// nothing behind.
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
    QString part_;
    QString final_;
    bool done_ = false;
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
    int sequence = 1;       // 2, 3, ... for later backups made in the same second
    qint64 employers = -1;  // -1: the file could not be read
    qint64 persons = -1;
};
// The backups in a directory, newest first (counts only when withCounts).
QList<BackupInfo> listBackups(const QString& dir, bool withCounts = false);

// Keeps the newest daily backup of each of the last 7 days, 4 weeks and 12
// months, the last 10 made before an import, every other kind, and always
// the newest of all; removes the rest. Returns the removed paths.
QStringList rotateBackups(const QString& dir);

// Refuses (throws Error) a file that cannot serve as the working database:
// not a database, not ours, another password, damaged, or of a newer format.
void verifyBackup(const QString& path);

// Puts a copy of `from` in place of `target`: written under a temporary name
// in target's directory, flushed, then renamed over it, so that target is
// never half-written. No connection may be open on target. Throws Error.
void replaceDatabaseFile(const QString& from, const QString& target);

}  // namespace store
