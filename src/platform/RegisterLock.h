#pragma once

#include <QList>
#include <QString>

namespace platform {

// Another process that uses a register: its id and program name.
struct LockHolder {
    qint64 pid = 0;
    QString program;
};
// "veyra-transfer（进程 1234）", for messages.
QString holderText(const LockHolder& holder);
QString holdersText(const QList<LockHolder>& holders);

// Every program that works on a register honours one lock, kept in a file
// beside the register (.Enterprise.mdb.lock) with record locks that the
// system drops when a process ends, however it ends. Three kinds:
// - use: held while a program reads or writes the register; many at once;
// - window: one program window per register;
// - sole: one process alone (a restore), no other may use the register.
// Within a process the holds are counted, so parts of one program never
// wait for each other. Where no lock file can be made (a read-only folder)
// every hold is granted: nothing there can be written or replaced anyway.
class RegisterLock {
  public:
    enum class Kind { Use, Window, Sole };
    RegisterLock() = default;
    ~RegisterLock();
    RegisterLock(const RegisterLock&) = delete;
    RegisterLock& operator=(const RegisterLock&) = delete;
    RegisterLock(RegisterLock&& other) noexcept;
    RegisterLock& operator=(RegisterLock&& other) noexcept;

    // Takes the hold, waiting up to waitMs for another process to let go.
    // False when it did not; *other then names a process in the way.
    bool acquire(const QString& database, Kind kind, int waitMs = 0, LockHolder* other = nullptr);
    void release();
    bool held() const { return !key_.isEmpty(); }

  private:
    QString key_;
    Kind kind_ = Kind::Use;
};

// The other processes that have a file open (any program, ours or not), as
// far as this user may see.
QList<LockHolder> processesWithFileOpen(const QString& path);

// The name of the lock file of a register.
QString registerLockPath(const QString& database);

}  // namespace platform
