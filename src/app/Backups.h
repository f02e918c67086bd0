#pragma once

#include <QDialog>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <thread>

#include "store/Backup.h"

class QPushButton;
class QTableWidget;

namespace app {

// The backup of the day, made a few pages at a time from the event loop
// after the login, so that neither the start nor any command waits for it.
class DailyBackup : public QObject {
    Q_OBJECT
  public:
    ~DailyBackup() override;
    // True when the backup directory holds no daily backup of today.
    static bool due(const QString& dir);
    // Starts when due; returns at once.
    void start(const QString& source, const QString& dir);
    void stop();  // drops an unfinished backup (before a restore)
    bool running() const { return job_ != nullptr; }
    void setPagesPerStep(int pages) { pages_ = pages; }

  signals:
    void finished(const QString& pathOrEmpty);

  private:
    void stepOnce();
    void checked(const QString& path, const QString& failure);
    std::unique_ptr<store::BackupJob> job_;
    // The check of the finished copy reads the whole file: off the window thread.
    std::thread checker_;
    quint64 run_ = 0;  // a check's result belongs to the run that started it
    QString dir_;
    QTimer timer_;
    int pages_ = 16;
};
DailyBackup& dailyBackup();

// 系统 › 数据备份: a backup now into the backup directory or a folder the
// operator chooses.
void backupNow(QWidget* parent);

// 系统 › 数据恢复: the list of backups; restore() checks and confirms and
// leaves the chosen file in chosenPath.
class TForm_restore : public QDialog {
    Q_OBJECT
  public:
    explicit TForm_restore(QWidget* parent = nullptr);
    void FormShow();
    void Button_restoreClick();
    void Button_otherClick();  // a backup file from elsewhere (a USB stick)

    QTableWidget* Grid_backups;
    QPushButton* Button_restore;
    QPushButton* Button_other;
    QPushButton* Button_close;
    QString chosenPath;

  private:
    bool choose(const QString& path, const QString& shown);
    QList<store::BackupInfo> backups_;
};

// Backs the current register up, closes every window and connection, puts
// the chosen backup in place of the working database and starts the
// windows again on it (the login comes first, as at a start). Nothing
// changes when the backup is refused.
void restoreAndRestart(const QString& backupPath);

}  // namespace app
