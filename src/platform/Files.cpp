#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace platform {

void keepNewFilesPrivate() {
    ::umask(077);
}

bool sameFile(const QString& a, const QString& b) {
    // The file itself, whatever the path: its device and inode (stat follows links).
    struct stat sa {};
    struct stat sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

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

QString systemErrorText(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("磁盘已满");
        case ENOENT:
            return QStringLiteral("文件或文件夹不存在");
        case EACCES:
        case EPERM:
            return QStringLiteral("没有访问权限");
        case EROFS:
            return QStringLiteral("磁盘是只读的");
        case EISDIR:
            return QStringLiteral("这是一个文件夹");
        case ENOTDIR:
            return QStringLiteral("路径中有一段不是文件夹");
        case ENAMETOOLONG:
            return QStringLiteral("文件名太长");
        case EEXIST:
            return QStringLiteral("文件已经存在");
        case EIO:
            return QStringLiteral("磁盘读写出错");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("打开的文件太多");
        case ENXIO:
        case ENODEV:
            return QStringLiteral("设备不存在或没有准备好");
        case EBUSY:
        case ETXTBSY:
            return QStringLiteral("文件正被使用");
        case ELOOP:
            return QStringLiteral("链接层次太多");
        case EFBIG:
            return QStringLiteral("文件太大");
        case ENOMEM:
            return QStringLiteral("内存不足");
        default:
            return QStringLiteral("系统错误 %1").arg(error);
    }
}

namespace {
// Holes a real database may have: the engine never writes its lock page.
constexpr qint64 kHoleAllowance = 1 << 20;

bool plainFd(int fd, QString* why, bool allowHoles) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        if (why) *why = systemErrorText(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        if (why) *why = QStringLiteral("这是一个文件夹，不是文件");
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        if (why) *why = QStringLiteral("这不是普通文件（管道或设备），不能读取");
        return false;
    }
    if (!allowHoles && qint64(st.st_blocks) * 512 + kHoleAllowance < qint64(st.st_size)) {
        if (why) *why = QStringLiteral("文件的大部分内容是空洞，不是完整的文件");
        return false;
    }
    return true;
}

// Opened without waiting: a pipe would hold open() until a writer came.
int openPlain(const QString& path, QString* why, bool allowHoles = false) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (why) *why = systemErrorText(errno);
        return -1;
    }
    if (!plainFd(fd, why, allowHoles)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool copyContents(const QString& src, const QString& dst, bool durable, QString* error,
                  const CopyProgress& progress, CopyFailure* failure) {
    if (failure) *failure = CopyFailure::None;
    QString why;
    const int in = openPlain(src, &why);
    if (in < 0) {
        if (error) *error = why;
        if (failure) *failure = CopyFailure::Reading;
        return false;
    }
    // Personal data: readable by its owner only, whatever it was copied from.
    const int out = ::open(QFile::encodeName(dst).constData(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0600);
    if (out < 0) {
        if (error) *error = systemErrorText(errno);
        if (failure) *failure = CopyFailure::Writing;
        ::close(in);
        return false;
    }
    auto fail = [&](CopyFailure side, int code) {
        if (error) *error = systemErrorText(code);
        if (failure) *failure = side;
        ::close(in);
        ::close(out);
        QFile::remove(dst);
        return false;
    };
    struct stat st {};
    if (::fstat(out, &st) != 0 || !S_ISREG(st.st_mode)) return fail(CopyFailure::Writing, EINVAL);
    // A file replaced in place keeps its old mode. A folder that keeps no
    // modes (a FAT stick) refuses this, which is no reason to stop.
    if ((st.st_mode & 0777) != 0600) (void)::fchmod(out, 0600);
    ::fstat(in, &st);
    const qint64 total = st.st_size;
    qint64 done = 0;
    static thread_local char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(CopyFailure::Reading, errno);
        if (n == 0) break;
        for (ssize_t off = 0; off < n;) {
            const ssize_t w = ::write(out, buf + off, size_t(n - off));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return fail(CopyFailure::Writing, w < 0 ? errno : ENOSPC);
            off += w;
        }
        done += n;
        if (progress && done % (1 << 22) < n) progress(done, total);
    }
    if (durable && ::fsync(out) != 0) return fail(CopyFailure::Writing, errno);
    ::close(in);
    if (::close(out) != 0) {
        const int code = errno;
        if (error) *error = systemErrorText(code);
        if (failure) *failure = CopyFailure::Writing;
        QFile::remove(dst);
        return false;
    }
    if (durable) syncDirectory(QFileInfo(dst).absolutePath());
    return true;
}
}  // namespace

bool isPlainFile(const QString& path, QString* why, bool allowHoles) {
    const int fd = openPlain(path, why, allowHoles);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

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
    // The reason in words: the file system's error number right after the call.
    const auto reason = [&f] { return errno ? systemErrorText(errno) : f.errorString(); };
    errno = 0;
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = reason();
        return false;
    }
    if (f.write(bytes) != bytes.size()) {
        if (error) *error = reason();
        f.cancelWriting();
        return false;
    }
    // commit() flushes, syncs and renames over the old file; a full disk shows here.
    if (!f.commit()) {
        if (error) *error = reason();
        return false;
    }
    return true;
}

}  // namespace platform
