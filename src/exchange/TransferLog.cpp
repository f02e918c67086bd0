#include "exchange/TransferLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>
#include <cstring>

#include "platform/Files.h"

namespace exchange {

namespace {
// Bytes gathered before one write to the store.
constexpr qsizetype kChunk = 1 << 20;

// Why a log file cannot take a line that has no GB18030 form (a lone surrogate).
const QString kInvalidText = QStringLiteral("文本含有无效的字符编码");

bool writeAll(int fd, const char* p, qsizetype n, qint64 at, int* err) {
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, p, size_t(n), at);
        if (w < 0) {
            if (errno == EINTR) continue;
            *err = errno;
            return false;
        }
        p += w;
        n -= w;
        at += w;
    }
    return true;
}

bool readAll(int fd, char* p, qsizetype n, qint64 at) {
    while (n > 0) {
        const ssize_t r = ::pread(fd, p, size_t(n), at);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= r;
        at += r;
    }
    return true;
}

// A file without a name in dir (or, where the file system has no such
// files, one with a hidden name, returned in *named): nothing is left
// behind by a process that is killed while it writes.
int unnamedFile(const QString& dir, const QString& hint, QString* named, int* err) {
    const QByteArray d = QFile::encodeName(dir);
    int fd = ::open(d.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    QByteArray templ = QFile::encodeName(dir + "/." + hint + ".XXXXXX");
    fd = ::mkostemp(templ.data(), O_CLOEXEC);
    if (fd < 0) {
        *err = errno;
        return -1;
    }
    // mkostemp makes it private; the log file is as readable as any other file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    *named = QFile::decodeName(templ);
    return fd;
}
}  // namespace

// ---- EncodedLines ------------------------------------------------------------

QByteArray EncodedLines::encode(const QString& text) {
    return platform::encodeGb18030(text);
}

void EncodedLines::ended(int chars) {
    bytes_.append("\r\n", 2);
    ends_.append(bytes_.size());
    longest_ = qMax(longest_, chars);
}

void EncodedLines::add(const QString& line) {
    // GB18030 has a form for every character; only a lone surrogate has none
    // (and the encoder would pass it over without a word).
    if (line.isValidUtf16()) {
        bytes_ += enc_.encode(line);
    } else {
        // Shown as it is; the log file cannot hold it.
        odd_.insert(int(ends_.size()), line);
        QString shown = line;
        for (QChar& c : shown)
            if (c.isSurrogate()) c = u'?';
        bytes_ += enc_.encode(shown);
    }
    ended(int(line.size()));
}

void EncodedLines::add(const QByteArray& encodedPrefix, int prefixChars, const char* utf8, qsizetype n) {
    bytes_ += encodedPrefix;
    bool ascii = true;
    for (qsizetype i = 0; i < n && ascii; ++i) ascii = static_cast<unsigned char>(utf8[i]) < 0x80;
    if (ascii) {
        // GB18030 keeps ASCII as it is.
        bytes_.append(utf8, n);
        ended(prefixChars + int(n));
        return;
    }
    const QString value = QString::fromUtf8(utf8, n);
    bytes_ += enc_.encode(value);
    ended(prefixChars + int(value.size()));
}

void EncodedLines::clear() {
    bytes_.truncate(0);  // the next batch reuses the room
    ends_.clear();
    odd_.clear();
    longest_ = 0;
}

// ---- TransferLog --------------------------------------------------------------

// Stored bytes [begin, end) of the log, at offset (position - origin) of a file.
struct TransferLog::Segment {
    int fd;
    qint64 origin;
    qint64 begin;
    qint64 end;
    bool writable;
};

// The new version of a log file while a transfer writes it.
struct TransferLog::Pending {
    QString path;
    QString named;  // the hidden name it has meanwhile; empty for a file without a name
    int fd = -1;    // owned by its segment
    QString error;  // it could not be made or written: commitFile() fails with this
};

TransferLog::TransferLog() = default;

TransferLog::~TransferLog() {
    clear();
}

void TransferLog::dropSegments() {
    for (const Segment& s : segments_) ::close(s.fd);
    segments_.clear();
}

void TransferLog::append(const QStringList& lines) {
    EncodedLines batch;
    for (const QString& l : lines) batch.add(l);
    append(batch);
}

void TransferLog::append(const EncodedLines& lines) {
    appendBytes(lines.bytes_.constData(), lines.bytes_.size(), lines.ends_, lines.longest_, lines.odd_);
}

void TransferLog::appendBytes(const char* data, qsizetype n, const QVector<qsizetype>& ends, int longest,
                              const QHash<int, QString>& odd) {
    if (ends.isEmpty()) return;
    QMutexLocker lock(&mutex_);
    const qint64 base = stored_ + tail_.size();
    const qsizetype firstLine = ends_.size();
    tail_.append(data, n);
    for (const qsizetype e : ends) ends_.append(base + e);
    for (auto it = odd.cbegin(); it != odd.cend(); ++it) odd_.insert(firstLine + it.key(), it.value());
    longest_ = qMax(longest_, longest);
    if (tail_.size() >= kChunk && !spillFailed_) spill();
}

// Caller holds the mutex.
void TransferLog::spill() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (segments_.empty() || !segments_.back().writable) {
            QString named;
            int err = 0;
            const int fd = unnamedFile(QDir::tempPath(), QStringLiteral("veyra-log"), &named, &err);
            if (fd < 0) break;
            if (!named.isEmpty()) ::unlink(QFile::encodeName(named).constData());
            segments_.push_back({fd, stored_, stored_, stored_, true});
        }
        Segment& s = segments_.back();
        int err = 0;
        if (writeAll(s.fd, tail_.constData(), tail_.size(), stored_ - s.origin, &err)) {
            s.end += tail_.size();
            stored_ += tail_.size();
            tail_.truncate(0);  // the next chunk reuses the room
            return;
        }
        // Where the new log file is concerned, it is lost; the lines are not.
        if (pending_ && pending_->fd == s.fd && pending_->error.isEmpty())
            pending_->error = platform::systemErrorText(err);
        s.writable = false;
    }
    // Nowhere to store them: they stay in memory.
    spillFailed_ = true;
}

void TransferLog::clear() {
    abandonFile();
    QMutexLocker lock(&mutex_);
    dropSegments();
    runs_.clear();
    ends_.clear();
    tail_.clear();
    stored_ = 0;
    longest_ = 0;
    odd_.clear();
    spillFailed_ = false;
}

qsizetype TransferLog::size() const {
    QMutexLocker lock(&mutex_);
    return ends_.size();
}

int TransferLog::longest() const {
    QMutexLocker lock(&mutex_);
    return longest_;
}

// Caller holds the mutex.
QByteArray TransferLog::bytes(qint64 from, qint64 to) const {
    QByteArray out;
    if (to <= from) return out;
    out.resize(to - from);
    char* p = out.data();
    for (const Segment& s : segments_) {
        if (from >= to) break;
        if (from >= s.end || from < s.begin) continue;
        const qint64 n = qMin(to, s.end) - from;
        if (!readAll(s.fd, p, n, from - s.origin)) memset(p, '?', size_t(n));
        p += n;
        from += n;
    }
    if (from < to) memcpy(p, tail_.constData() + (from - stored_), size_t(to - from));
    return out;
}

QString TransferLog::at(qsizetype i) const {
    QMutexLocker lock(&mutex_);
    if (i < 0 || i >= ends_.size()) return {};
    if (const auto odd = odd_.constFind(i); odd != odd_.cend()) return *odd;
    const qint64 from = i == 0 ? 0 : ends_[i - 1];
    QStringDecoder dec("GB18030", QStringConverter::Flag::Stateless);
    return dec.decode(bytes(from, ends_[i] - 2));
}

QStringList TransferLog::lines(qsizetype from, qsizetype n) const {
    QMutexLocker lock(&mutex_);
    QStringList out;
    from = qMax<qsizetype>(from, 0);
    const qsizetype to = qMin(from + n, ends_.size());
    if (from >= to) return out;
    const qint64 start = from == 0 ? 0 : ends_[from - 1];
    const QByteArray b = bytes(start, ends_[to - 1]);
    out.reserve(to - from);
    QStringDecoder dec("GB18030", QStringConverter::Flag::Stateless);
    qint64 at = start;
    for (qsizetype i = from; i < to; ++i) {
        if (const auto odd = odd_.constFind(i); odd != odd_.cend())
            out.append(*odd);
        else
            out.append(dec.decode(QByteArrayView(b.constData() + (at - start), ends_[i] - 2 - at)));
        at = ends_[i];
    }
    return out;
}

QString TransferLog::text(qsizetype from, qsizetype n) const {
    QByteArray lf;
    {
        QMutexLocker lock(&mutex_);
        from = qMax<qsizetype>(from, 0);
        const qsizetype to = qMin(from + n, ends_.size());
        if (from >= to) return {};
        bool odd = false;
        for (auto it = odd_.cbegin(); it != odd_.cend() && !odd; ++it)
            odd = it.key() >= from && it.key() < to;
        if (!odd) {
            // One decoding for the whole range: the lines with LF instead of CR LF.
            const qint64 start = from == 0 ? 0 : ends_[from - 1];
            const QByteArray b = bytes(start, ends_[to - 1]);
            lf.reserve(b.size());
            qint64 at = start;
            for (qsizetype i = from; i < to; ++i) {
                lf.append(b.constData() + (at - start), ends_[i] - 2 - at);
                lf.append('\n');
                at = ends_[i];
            }
        }
    }
    if (lf.isEmpty()) {
        QString out;
        for (const QString& l : lines(from, n)) out += l + '\n';
        return out;
    }
    QStringDecoder dec("GB18030", QStringConverter::Flag::Stateless);
    return dec.decode(lf);
}

QByteArray TransferLog::utf8(qsizetype from, qsizetype n) const {
    QMutexLocker lock(&mutex_);
    QByteArray out;
    from = qMax<qsizetype>(from, 0);
    const qsizetype to = qMin(from + n, ends_.size());
    if (from >= to) return out;
    const qint64 start = from == 0 ? 0 : ends_[from - 1];
    const QByteArray b = bytes(start, ends_[to - 1]);
    out.reserve(b.size() * 3 / 2);
    QStringDecoder dec("GB18030", QStringConverter::Flag::Stateless);
    qint64 at = start;
    for (qsizetype i = from; i < to; ++i) {
        const char* p = b.constData() + (at - start);
        const qsizetype len = ends_[i] - 2 - at;
        at = ends_[i];
        if (const auto odd = odd_.constFind(i); odd != odd_.cend()) {
            out += odd->toUtf8() + '\n';
            continue;
        }
        // ASCII stays as it is; a run of longer characters (a byte of 0x81
        // or more opens two bytes, or four when digits follow it) is
        // converted once and then found again.
        qsizetype k = 0;
        while (k < len) {
            if (static_cast<unsigned char>(p[k]) < 0x80) {
                out += p[k++];
                continue;
            }
            qsizetype end = k;
            while (end < len && static_cast<unsigned char>(p[end]) >= 0x80)
                end += end + 1 < len && p[end + 1] >= '0' && p[end + 1] <= '9' ? 4 : 2;
            end = qMin(end, len);
            const QByteArray run(p + k, end - k);
            auto known = runs_.constFind(run);
            if (known == runs_.cend()) {
                const QByteArray converted = QString(dec.decode(run)).toUtf8();
                if (runs_.size() >= 1024) runs_.clear();
                known = runs_.insert(run, converted);
            }
            out += *known;
            k = end;
        }
        out += '\n';
    }
    return out;
}

bool TransferLog::writeFile(const QString& path, QString* error) const {
    qint64 total = 0;
    {
        QMutexLocker lock(&mutex_);
        if (!odd_.isEmpty()) {
            if (error) *error = kInvalidText;
            return false;
        }
        total = ends_.isEmpty() ? 0 : ends_.last();
    }
    // Written beside and renamed over: a failure leaves the earlier file whole.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = f.errorString();
        return false;
    }
    // The lock is held for one chunk's read at a time, so the window showing
    // the log is never kept waiting for the file.
    for (qint64 from = 0; from < total; from += kChunk) {
        QByteArray chunk;
        {
            QMutexLocker lock(&mutex_);
            chunk = bytes(from, qMin(total, from + kChunk));
        }
        if (f.write(chunk) != chunk.size()) {
            if (error) *error = f.errorString();
            return false;
        }
    }
    if (!f.commit()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

void TransferLog::beginFile(const QString& path) {
    abandonFile();
    auto pending = std::make_unique<Pending>();
    pending->path = path;
    const QFileInfo target(path);
    int err = 0;
    const int fd = unnamedFile(target.absolutePath(), target.fileName(), &pending->named, &err);
    if (fd < 0) {
        pending->error = platform::systemErrorText(err);
        pending_ = std::move(pending);
        return;
    }
    pending->fd = fd;
    // The new version starts with every line so far. Only this thread
    // appends, so the stored bytes can be copied without holding the lock
    // that the window's reading takes.
    std::vector<Segment> old;
    qint64 stored = 0;
    {
        QMutexLocker lock(&mutex_);
        old = segments_;
        stored = stored_;
    }
    bool ok = true;
    for (const Segment& s : old) {
        loff_t in = s.begin - s.origin, out = s.begin;
        qint64 left = s.end - s.begin;
        while (ok && left > 0) {
            const ssize_t n = ::copy_file_range(s.fd, &in, fd, &out, size_t(left), 0);
            if (n > 0) {
                left -= n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                // Copied by hand where the kernel cannot.
                QByteArray buf(qMin<qint64>(left, kChunk), Qt::Uninitialized);
                ok = readAll(s.fd, buf.data(), buf.size(), in) &&
                     writeAll(fd, buf.constData(), buf.size(), out, &err);
                in += buf.size();
                out += buf.size();
                left -= buf.size();
                continue;
            }
            err = n < 0 ? errno : EIO;
            ok = false;
        }
    }
    QMutexLocker lock(&mutex_);
    if (ok && stored_ != stored) {
        err = EAGAIN;  // appended from elsewhere meanwhile
        ok = false;
    }
    if (ok) ok = writeAll(fd, tail_.constData(), tail_.size(), stored, &err);
    if (!ok) {
        lock.unlock();
        ::close(fd);
        if (!pending->named.isEmpty()) ::unlink(QFile::encodeName(pending->named).constData());
        pending->fd = -1;
        pending->error = platform::systemErrorText(err);
        pending_ = std::move(pending);
        return;
    }
    dropSegments();
    stored_ += tail_.size();
    tail_.clear();
    segments_.push_back({fd, 0, 0, stored_, true});
    spillFailed_ = false;
    pending_ = std::move(pending);
}

bool TransferLog::commitFile(QString* error) {
    const auto fail = [&](const QString& why) {
        if (error) *error = why;
        abandonFile();
        return false;
    };
    if (!pending_) return fail(QStringLiteral("没有正在写入的日志文件"));
    int err = 0;
    {
        QMutexLocker lock(&mutex_);
        if (!odd_.isEmpty()) {
            lock.unlock();
            return fail(kInvalidText);
        }
        if (pending_->error.isEmpty() && !tail_.isEmpty()) {
            Segment& s = segments_.back();
            if (!s.writable || s.fd != pending_->fd) {
                pending_->error = platform::systemErrorText(EIO);
            } else if (writeAll(s.fd, tail_.constData(), tail_.size(), stored_, &err)) {
                s.end += tail_.size();
                stored_ += tail_.size();
                tail_.clear();
            } else {
                pending_->error = platform::systemErrorText(err);
                s.writable = false;
            }
        }
    }
    if (!pending_->error.isEmpty()) return fail(pending_->error);
    const int fd = pending_->fd;
    const QByteArray path = QFile::encodeName(pending_->path);
    // On the disk before it takes the file's name, as a saved file is.
    if (::fdatasync(fd) != 0) return fail(platform::systemErrorText(errno));
    struct stat st;
    if (::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd, st.st_mode & 07777);
    QByteArray named = QFile::encodeName(pending_->named);
    if (named.isEmpty()) {
        // A file without a name gets a hidden one beside the target first.
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
        const QFileInfo target(pending_->path);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray candidate =
                QFile::encodeName(target.absolutePath() + "/." + target.fileName() + "." +
                                  QString::number(QRandomGenerator::global()->generate(), 36));
            if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, candidate.constData(), AT_SYMLINK_FOLLOW) ==
                0) {
                named = candidate;
                break;
            }
            if (errno != EEXIST) return fail(platform::systemErrorText(errno));
        }
        if (named.isEmpty()) return fail(platform::systemErrorText(EEXIST));
    }
    if (::rename(named.constData(), path.constData()) != 0) {
        const int e = errno;
        ::unlink(named.constData());
        pending_->named.clear();
        return fail(platform::systemErrorText(e));
    }
    QMutexLocker lock(&mutex_);
    // The file is now the log file: what follows goes elsewhere.
    for (Segment& s : segments_)
        if (s.fd == fd) s.writable = false;
    pending_.reset();
    return true;
}

void TransferLog::abandonFile() {
    if (!pending_) return;
    // The file keeps serving as the store of the lines, without a name.
    if (!pending_->named.isEmpty()) ::unlink(QFile::encodeName(pending_->named).constData());
    pending_.reset();
}

}  // namespace exchange
