#include "platform/RegisterLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <mutex>

namespace platform {

namespace {
// Byte 0: the window; byte 1: use (shared) or sole (exclusive).
constexpr off_t kWindowByte = 0;
constexpr off_t kUseByte = 1;

struct Entry {
    int fd = -1;  // -1: no lock file could be made; everything is granted
    int uses = 0;
    int windows = 0;
    int soles = 0;
};

// Never destroyed: holds may be released by other objects' destructors at exit.
std::mutex& tableMutex() {
    static auto* m = new std::mutex;
    return *m;
}
QHash<QString, Entry>& table() {
    static auto* t = new QHash<QString, Entry>;
    return *t;
}

QString programOf(qint64 pid) {
    QFile f(QString("/proc/%1/comm").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("另一个程序");
    return QString::fromLocal8Bit(f.readAll()).trimmed();
}

bool setLock(int fd, off_t byte, short type, LockHolder* other) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = byte;
    fl.l_len = 1;
    if (::fcntl(fd, F_SETLK, &fl) == 0) return true;
    if (other) {
        struct flock probe {};
        probe.l_type = type == F_UNLCK ? F_WRLCK : type;
        probe.l_whence = SEEK_SET;
        probe.l_start = byte;
        probe.l_len = 1;
        if (::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
            other->pid = probe.l_pid;
            other->program = programOf(probe.l_pid);
        }
    }
    return false;
}

// The record locks this process should hold for an entry.
bool apply(Entry& e, LockHolder* other) {
    if (e.fd < 0) return true;
    const short use = e.soles > 0 ? F_WRLCK : e.uses > 0 ? F_RDLCK : F_UNLCK;
    const short window = e.windows > 0 ? F_WRLCK : F_UNLCK;
    return setLock(e.fd, kUseByte, use, other) && setLock(e.fd, kWindowByte, window, other);
}

int& counter(Entry& e, RegisterLock::Kind kind) {
    switch (kind) {
        case RegisterLock::Kind::Window:
            return e.windows;
        case RegisterLock::Kind::Sole:
            return e.soles;
        default:
            return e.uses;
    }
}
}  // namespace

QString registerLockPath(const QString& database) {
    const QFileInfo fi(database);
    const QString canonical = fi.canonicalFilePath();
    const QFileInfo real(canonical.isEmpty() ? fi.absoluteFilePath() : canonical);
    return real.absolutePath() + "/." + real.fileName() + ".lock";
}

QString holderText(const LockHolder& h) {
    QString name = h.program;
    if (name == "veyra") name = QStringLiteral("Veyra 程序窗口");
    if (h.pid <= 0) return name.isEmpty() ? QStringLiteral("另一个程序") : name;
    return QString("%1（进程 %2）").arg(name.isEmpty() ? QStringLiteral("另一个程序") : name).arg(h.pid);
}

QString holdersText(const QList<LockHolder>& holders) {
    QStringList parts;
    for (const LockHolder& h : holders) parts.append(holderText(h));
    return parts.join("、");
}

RegisterLock::~RegisterLock() {
    release();
}

RegisterLock::RegisterLock(RegisterLock&& other) noexcept : key_(other.key_), kind_(other.kind_) {
    other.key_.clear();
}

RegisterLock& RegisterLock::operator=(RegisterLock&& other) noexcept {
    if (this != &other) {
        release();
        key_ = other.key_;
        kind_ = other.kind_;
        other.key_.clear();
    }
    return *this;
}

bool RegisterLock::acquire(const QString& database, Kind kind, int waitMs, LockHolder* other) {
    release();
    const QString key = registerLockPath(database);
    for (int waited = 0;; waited += 50) {
        {
            std::lock_guard guard(tableMutex());
            Entry& e = table()[key];
            if (e.fd < 0 && e.uses + e.windows + e.soles == 0) {
                e.fd = ::open(QFile::encodeName(key).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                              0600);
            }
            ++counter(e, kind);
            if (apply(e, other)) {
                key_ = key;
                kind_ = kind;
                return true;
            }
            --counter(e, kind);
            apply(e, nullptr);  // back to what the other holds need
        }
        if (waited >= waitMs) return false;
        QThread::msleep(50);
    }
}

void RegisterLock::release() {
    if (key_.isEmpty()) return;
    std::lock_guard guard(tableMutex());
    Entry& e = table()[key_];
    --counter(e, kind_);
    apply(e, nullptr);
    if (e.uses + e.windows + e.soles == 0) {
        if (e.fd >= 0) ::close(e.fd);
        table().remove(key_);
    }
    key_.clear();
}

QList<LockHolder> processesWithFileOpen(const QString& path) {
    QList<LockHolder> found;
    struct stat target {};
    if (::stat(QFile::encodeName(path).constData(), &target) != 0) return found;
    const qint64 self = ::getpid();
    const QDir proc("/proc");
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == self) continue;
        const QDir fds(QString("/proc/%1/fd").arg(pid));
        for (const QString& fd : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            struct stat st {};
            if (::stat(QFile::encodeName(fds.filePath(fd)).constData(), &st) == 0 &&
                st.st_dev == target.st_dev && st.st_ino == target.st_ino) {
                found.append({pid, programOf(pid)});
                break;
            }
        }
    }
    return found;
}

}  // namespace platform
