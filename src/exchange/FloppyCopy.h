#pragma once

#include <QString>
#include <functional>

class QFile;

namespace exchange {

// Writes one chunk of the copy; false when the medium refused it. Tests put
// a failing writer in to stand for a full or write-protected disk.
using ChunkWriter = std::function<bool(QFile& out, const char* data, qint64 size)>;
void setChunkWriter(ChunkWriter writer);  // empty restores the plain write

// Copies a submission file to dst so that dst either is a complete, checked
// copy on the disk or is not touched at all: the bytes go to a temporary
// name beside dst, are flushed, reopened read-only and checked (integrity,
// same rows checksum as src), then renamed over dst and the directory
// flushed. On failure nothing named dst is created and the temporary file
// is removed; *error holds the reason.
bool copyVerified(const QString& src, const QString& dst, QString* error = nullptr);

}  // namespace exchange
