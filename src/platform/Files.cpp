#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool syncDirectory(const QString& dir) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

namespace {
bool copyContents(const QString& src, const QString& dst, bool durable, QString* error,
                  const CopyProgress& progress, CopyFailure* failure) {
    if (failure) *failure = CopyFailure::None;
    auto fail = [&](CopyFailure side, const QString& why) {
        if (error) *error = why;
        if (failure) *failure = side;
        QFile::remove(dst);
        return false;
    };
    QFile in(src);
    if (!in.open(QIODevice::ReadOnly)) return fail(CopyFailure::Reading, in.errorString());
    QFile out(dst);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error) *error = out.errorString();
        if (failure) *failure = CopyFailure::Writing;
        return false;
    }
    char buf[1 << 16];
    const qint64 total = in.size();
    qint64 done = 0;
    for (;;) {
        const qint64 n = in.read(buf, sizeof buf);
        if (n < 0) return fail(CopyFailure::Reading, in.errorString());
        if (n == 0) break;
        if (out.write(buf, n) != n) return fail(CopyFailure::Writing, out.errorString());
        done += n;
        if (progress && done % (1 << 22) < n) progress(done, total);
    }
    if (!out.flush()) return fail(CopyFailure::Writing, out.errorString());
    if (durable && ::fsync(out.handle()) != 0)
        return fail(CopyFailure::Writing, QString::fromLocal8Bit(strerror(errno)));
    out.close();
    if (out.error() != QFileDevice::NoError) return fail(CopyFailure::Writing, out.errorString());
    if (durable) syncDirectory(QFileInfo(dst).absolutePath());
    return true;
}
}  // namespace

bool copyFileDurably(const QString& src, const QString& dst, QString* error, CopyFailure* failure) {
    return copyContents(src, dst, true, error, {}, failure);
}

bool copyFile(const QString& src, const QString& dst, QString* error) {
    return copyContents(src, dst, false, error, {}, nullptr);
}

bool copyFile(const QString& src, const QString& dst, QString* error, const CopyProgress& progress,
              CopyFailure* failure) {
    return copyContents(src, dst, false, error, progress, failure);
}

QByteArray encodeGb18030(const QString& text, QString* error) {
    // The encoder holds back a lone high surrogate at the end without an
    // error, so check the text first.
    if (!text.isValidUtf16()) {
        if (error) *error = QStringLiteral("文本含有无效的字符编码");
        return {};
    }
    QStringEncoder enc("GB18030");
    QByteArray bytes = enc.encode(text);
    if (!enc.isValid() || enc.hasError()) {
        if (error) *error = QStringLiteral("文本无法以GB18030编码写出");
        return {};
    }
    return bytes;
}

bool writeGb18030TextFile(const QString& path, const QString& text, QString* error) {
    QString crlf = text;
    crlf.replace("\r\n", "\n").replace('\r', '\n').replace('\n', "\r\n");
    QString why;
    const QByteArray bytes = encodeGb18030(crlf, &why);
    if (bytes.isEmpty() && !crlf.isEmpty()) {
        if (error) *error = why;
        return false;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = f.errorString();
        return false;
    }
    if (f.write(bytes) != bytes.size()) {
        if (error) *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    // commit() flushes, syncs and renames over the old file; a full disk shows here.
    if (!f.commit()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

}  // namespace platform
