#include "exchange/ImportBackup.h"

#include <QFile>
#include <chrono>

#include "store/Error.h"

namespace exchange {

ImportBackup::ImportBackup(const QString& workingDatabase, const QString& note)
    : dir_(store::backupDirectory()) {
    thread_ = std::thread([this, workingDatabase, note] { run(workingDatabase, note); });
}

ImportBackup::~ImportBackup() {
    if (!settled_) discard();
    if (thread_.joinable()) thread_.join();
}

void ImportBackup::run(const QString& source, const QString& note) {
    QString path;
    std::exception_ptr failure;
    try {
        store::BackupJob job(source, dir_, store::BackupReason::Import);
        job.setNote(note);
        // The copy is of pages the engine wrote; the day's backup checks the
        // register in full, this one that every page came back whole.
        job.setQuickCheck(true);
        // Known to stop() while it runs, and forgotten before it goes.
        struct Registration {
            ImportBackup& self;
            Registration(ImportBackup& s, store::BackupJob& job) : self(s) {
                std::lock_guard lock(self.mutex_);
                if (self.stopping_) throw store::Error(QStringLiteral("备份已取消"));
                self.job_ = &job;
            }
            ~Registration() {
                std::lock_guard lock(self.mutex_);
                self.job_ = nullptr;
            }
        } registration(*this, job);
        while (!job.step(256)) {
            pagesDone_ = job.pagesDone();
            pagesTotal_ = job.pagesTotal();
            std::lock_guard lock(mutex_);
            if (stopping_) throw store::Error(QStringLiteral("备份已取消"));
        }
        pagesDone_ = pagesTotal_ = 0;  // the check of the copy
        path = job.finish();
    } catch (...) {
        failure = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    path_ = path;
    failure_ = failure;
    done_ = true;
    ended_.notify_all();
}

QString ImportBackup::finish(const store::BackupProgress& progress) {
    settled_ = true;
    {
        std::unique_lock lock(mutex_);
        while (!ended_.wait_for(lock, std::chrono::milliseconds(40), [this] { return done_; })) {
            lock.unlock();
            if (progress) progress(pagesDone_, pagesTotal_);
            lock.lock();
        }
    }
    thread_.join();
    if (failure_) std::rethrow_exception(failure_);
    // A failed clean-up of old backups is no reason to keep the import back.
    // This backup and every newer one stay, whatever the clock says.
    store::rotateBackups(dir_, path_);
    return path_;
}

void ImportBackup::discard() {
    settled_ = true;
    stop();
    if (thread_.joinable()) thread_.join();
    // Made before the import was refused: it backs up nothing that happened.
    if (!failure_ && !path_.isEmpty()) store::removeBackup(path_);
}

void ImportBackup::stop() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (job_) job_->cancel();
}

}  // namespace exchange
