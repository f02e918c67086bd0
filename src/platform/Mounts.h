#pragma once

#include <QString>

namespace platform {

// The file system table and the process's mount list; tests point them at
// files of their own (empty restores /etc/fstab and /proc/self/mountinfo).
void setFstabPath(const QString& path);
void setMountInfoPath(const QString& path);

// True when dir lies on a mount point that the file system table lists but
// that nothing is mounted on now: writing there would land on the disk
// underneath instead of the medium the operator put in.
bool isUnmountedMountPoint(const QString& dir);

}  // namespace platform
