#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "store/Backup.h"

namespace exchange {

// The backup every import makes of the working database before it writes a
// row. It is made on a thread of its own while the submission file is
// checked (two independent reads of two files), and the import waits for it:
// finish() returns once the copy is checked and on the disk, then rotates the
// backup directory. When the import does not go ahead, the backup is stopped
// or, already made, removed again, so a refused file leaves no backup behind.
class ImportBackup {
  public:
    // note: kept beside the backup (the file being imported).
    explicit ImportBackup(const QString& workingDatabase, const QString& note = {});
    ~ImportBackup();
    ImportBackup(const ImportBackup&) = delete;
    ImportBackup& operator=(const ImportBackup&) = delete;

    // Waits for the backup, telling progress(done, total pages) now and then
    // on the calling thread (0, 0 while the copy is checked). Returns its path;
    // throws store::Error, and the import must not start then.
    QString finish(const store::BackupProgress& progress = {});
    // The import will not run.
    void discard();

  private:
    void run(const QString& source, const QString& note);
    void stop();

    QString dir_;
    std::mutex mutex_;
    std::condition_variable ended_;
    store::BackupJob* job_ = nullptr;  // while one runs, under mutex_
    bool stopping_ = false;
    bool done_ = false;
    QString path_;
    std::exception_ptr failure_;
    std::atomic<qint64> pagesDone_{0}, pagesTotal_{0};
    std::thread thread_;
    bool settled_ = false;  // finished or discarded
};

}  // namespace exchange
