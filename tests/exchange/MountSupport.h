#pragma once

#include <sys/mount.h>
#include <QDir>
#include <QString>

// A small tmpfs for a full or write-protected medium; ok() is false where
// mounting is not allowed (tests then skip).
class TmpfsMount {
  public:
    TmpfsMount(const QString& dir, qint64 bytes, bool readOnly = false) : dir_(dir) {
        QDir().mkpath(dir);
        const QByteArray opts = QString("size=%1").arg(bytes).toLatin1();
        ok_ = ::mount("veyra-test", QFile::encodeName(dir).constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                      opts.constData()) == 0;
    }
    ~TmpfsMount() {
        if (ok_) ::umount2(QFile::encodeName(dir_).constData(), MNT_DETACH);
    }
    bool ok() const { return ok_; }
    // Makes the mounted file system read-only (its files stay as they are).
    bool remountReadOnly() {
        return ok_ && ::mount("veyra-test", QFile::encodeName(dir_).constData(), "tmpfs",
                              MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

  private:
    QString dir_;
    bool ok_ = false;
};
