#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>
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
bool copyContents(const QString& src, const QString& dst, bool durable, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        QFile::remove(dst);
        return false;
    };
    QFile in(src);
    if (!in.open(QIODevice::ReadOnly)) return fail(in.errorString());
    QFile out(dst);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error) *error = out.errorString();
        return false;
    }
    char buf[1 << 16];
    for (;;) {
        const qint64 n = in.read(buf, sizeof buf);
        if (n < 0) return fail(in.errorString());
        if (n == 0) break;
        if (out.write(buf, n) != n) return fail(out.errorString());
    }
    if (!out.flush()) return fail(out.errorString());
    if (durable && ::fsync(out.handle()) != 0) return fail(QString::fromLocal8Bit(strerror(errno)));
    out.close();
    if (out.error() != QFileDevice::NoError) return fail(out.errorString());
    if (durable) syncDirectory(QFileInfo(dst).absolutePath());
    return true;
}
}  // namespace

bool copyFileDurably(const QString& src, const QString& dst, QString* error) {
    return copyContents(src, dst, true, error);
}

bool copyFile(const QString& src, const QString& dst, QString* error) { return copyContents(src, dst, false, error); }

bool writeGbkTextFile(const QString& path, const QString& text, QString* error) {
    QString crlf = text;
    crlf.replace("\r\n", "\n").replace('\r', '\n').replace('\n', "\r\n");
    QStringEncoder enc("GBK");
    const QByteArray bytes = enc.encode(crlf);
    if (enc.hasError()) {
        if (error) *error = "text cannot be written as GBK";
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error) *error = f.errorString();
        return false;
    }
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

}  // namespace platform
