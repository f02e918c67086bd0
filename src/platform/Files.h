#pragma once

#include <QString>
#include <functional>

namespace platform {

// Which end of a failed copy failed: reading the source, or writing the copy
// (a full disk, a folder that cannot be written).
enum class CopyFailure { None, Reading, Writing };

// What a system error number means, in words the operator reads.
QString systemErrorText(int error);
// Tells whether path (links followed) is a plain file that can be read
// without waiting: a pipe, a device or a folder is not, and neither is a
// file whose size is mostly holes (it would be read as gigabytes of zeros)
// unless allowHoles.
// Never blocks. *why says what it is instead.
bool isPlainFile(const QString& path, QString* why = nullptr, bool allowHoles = false);

// The register, its backups, submission files and logs hold names and ID
// numbers: files the process creates from now on are its owner's alone
// (0600, folders 0700). Called first thing by every program.
void keepNewFilesPrivate();

// Copies src to dst (replacing dst) and flushes the data and the directory
// entry to disk before returning true. The copy is readable by its owner
// only, whatever the source's mode or an earlier dst's. On failure dst is
// left absent and *error holds the reason.
bool copyFileDurably(const QString& src, const QString& dst, QString* error = nullptr,
                     CopyFailure* failure = nullptr);

// Copies src to dst (replacing dst) without waiting for the disk: for private
// working copies. On failure dst is left absent and *error holds the reason.
bool copyFile(const QString& src, const QString& dst, QString* error = nullptr);

// Told how many bytes of how many are copied, every few MiB.
using CopyProgress = std::function<void(qint64 done, qint64 total)>;
bool copyFile(const QString& src, const QString& dst, QString* error, const CopyProgress& progress,
              CopyFailure* failure = nullptr);

// Whether two paths name one file: another spelling of the path, a symbolic
// link or a hard link to it. False when either does not exist.
bool sameFile(const QString& a, const QString& b);

// Flushes a file's data (fsync); false when it cannot be opened or synced.
bool syncFile(const QString& path);
// Flushes a directory entry (after a rename or create).
bool syncDirectory(const QString& dir);

// The bytes of text in GB18030: the same bytes as GBK for every GBK
// character, and a form for every other one. Empty with *error set when the
// text is not valid UTF-16 (an unpaired surrogate is no character).
QByteArray encodeGb18030(const QString& text, QString* error = nullptr);

// Writes text as GB18030 with CR LF line ends, replacing the file only once
// every byte reached it: on failure the earlier file is left as it was and
// *error holds the reason.
bool writeGb18030TextFile(const QString& path, const QString& text, QString* error = nullptr);

}  // namespace platform
