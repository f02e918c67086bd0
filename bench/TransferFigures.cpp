#include "TransferFigures.h"

#include <sys/inotify.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSet>
#include <cstdio>
#include <stdexcept>

#include "Pairs.h"
#include "RegisterGenerator.h"
#include "SetBased.h"
#include "exchange/Paths.h"
#include "exchange/RowsChecksum.h"
#include "exchange/TForm_import.h"
#include "platform/Settings.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "ui/Dialogs.h"

namespace bench {
namespace {

// The window's commands report through message boxes: a run that did not
// end with "操作完毕！" failed.
class Window {
  public:
    Window() : before_(&ui::dialogs()) { ui::setDialogs(&answers_); }
    ~Window() { ui::setDialogs(before_); }
    Run run(const std::function<void(TForm_import&)>& command) {
        answers_.shown.clear();
        TForm_import form;  // takes the working database in use now
        form.show();
        Run r = inProcess([&] { command(form); }, true);
        if (answers_.shown != QStringList{"操作完毕！"}) {
            r.ok = false;
            std::printf("  window: %s\n", qPrintable(answers_.shown.join(" / ")));
        }
        return r;
    }

  private:
    ui::Dialogs* before_;
    Answers answers_;
};

void copyOver(const QString& from, const QString& to) {
    QFile::remove(to);
    for (const char* suffix : {"-journal", "-wal", "-shm"}) QFile::remove(to + suffix);
    if (!QFile::copy(from, to)) throw std::runtime_error("cannot copy " + from.toStdString());
}

// Bytes of the backups other than the day's.
qint64 backupBytes() {
    qint64 n = 0;
    for (const store::BackupInfo& b : store::listBackups(store::backupDirectory()))
        if (b.reason != store::BackupReason::Daily) n += QFileInfo(b.path).size();
    return n;
}

// Backups the commands made: removed between runs so that every run starts
// alike (and the disk does not fill). The day's backup stays, as it does on
// any day after the first command.
void clearBackups() {
    for (const store::BackupInfo& b : store::listBackups(store::backupDirectory()))
        if (b.reason != store::BackupReason::Daily) store::removeBackup(b.path);
}

// The backups a command makes, counted as they take their names (rotation
// may remove some before the command ends).
class BackupWatch {
  public:
    BackupWatch() {
        dir_ = store::backupDirectory();
        QDir().mkpath(dir_);
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0)
            inotify_add_watch(fd_, QFile::encodeName(dir_).constData(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~BackupWatch() {
        if (fd_ >= 0) ::close(fd_);
    }
    // Backups named since the last call.
    int made() {
        QSet<QString> names;
        alignas(inotify_event) char buf[65536];
        for (ssize_t n; fd_ >= 0 && (n = ::read(fd_, buf, sizeof buf)) > 0;) {
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                const QString name = e->len ? QFile::decodeName(e->name) : QString();
                if (name.endsWith(".mdb") && !name.startsWith('.')) names.insert(name);
                p += sizeof(inotify_event) + e->len;
            }
        }
        return int(names.size());
    }

  private:
    QString dir_;
    int fd_ = -1;
};

// The settings of this process, for veyra-transfer.
QStringList childEnvironment(const QString& scratch) {
    const QString config = scratch + "/config";
    QDir().mkpath(config + "/Veyra");
    copyOver(platform::settingsFilePath(), config + "/Veyra/Veyra.ini");
    return {"XDG_CONFIG_HOME=" + config};
}

Run transferProgram(const QStringList& args, const QStringList& env) {
    return child(QStringLiteral(VEYRA_TRANSFER_PROGRAM), args, env);
}

// veyra-transfer makes the day's backup with its first command of the day;
// the figures are of the commands after it.
void dayStarted(const QString& workingDatabase, const QString& scratch, const QStringList& env) {
    for (const store::BackupInfo& b : store::listBackups(store::backupDirectory()))
        if (b.reason == store::BackupReason::Daily) return;
    const QString out = scratch + "/first-of-the-day.mdb";
    transferProgram({"export", "--from", workingDatabase, "--to", out}, env);
    QFile::remove(out);
}

}  // namespace

void importFigures(const char* what, const QString& source, const QString& target, const QString& pristine,
                   const QString& scratch, int rounds, double goal) {
    const QStringList env = childEnvironment(scratch);
    Window window;
    store::setWorkingDatabasePath(target);
    const QString floorTarget = pristine.isEmpty() ? target : scratch + "/floor-import.mdb";
    const auto floor = [&] { return inProcess([&] { setBasedCopy(floorTarget, source, true); }); };
    qint64 backups = 0;
    const auto prepare = [&] {
        if (!pristine.isEmpty()) {
            copyOver(pristine, floorTarget);
            copyOver(pristine, target);
        }
        clearBackups();
    };
    const Pairs byWindow = interleave(
        rounds, floor,
        [&] {
            const Run r = window.run([&](TForm_import& f) {
                f.Edit_fromfile->setText(source);
                f.Button1Click();
            });
            backups = backupBytes();
            return r;
        },
        prepare);
    report(qPrintable(QString("%1: window command").arg(what)), byWindow, goal);
    const Pairs byProgram = interleave(
        rounds, floor,
        [&] {
            return transferProgram({"import", source, "--into", target}, env);
        },
        prepare);
    report(qPrintable(QString("%1: veyra-transfer").arg(what)), byProgram, goal);
    std::printf("  %-48s (of it the pre-import backup: %.0f MB)\n", "", mb(backups));
    clearBackups();
    if (!pristine.isEmpty()) QFile::remove(floorTarget);
}

void transferFigures(const QString& workingDatabase, const QString& scratch, int rounds) {
    const QStringList env = childEnvironment(scratch);
    dayStarted(workingDatabase, scratch, env);
    const QString templateFile =
        QFileInfo(workingDatabase).absolutePath() + "/" + store::templateDatabaseFileName();
    store::setWorkingDatabasePath(workingDatabase);

    // Export: the window's command writes the day's file, veyra-transfer a named one.
    const QString floorOut = scratch + "/floor-export.mdb", cliOut = scratch + "/cli-export.mdb";
    const QString exported = exchange::exportPathForToday();
    {
        Window window;
        const Pairs byWindow = interleave(
            rounds, [&] { return inProcess([&] { setBasedCopy(floorOut, workingDatabase); }); },
            [&] { return window.run([](TForm_import& f) { f.Button4Click(); }); },
            [&] { copyOver(templateFile, floorOut); });
        report("export: window command", byWindow, 1.2);
    }
    const Pairs byProgram = interleave(
        rounds, [&] { return inProcess([&] { setBasedCopy(floorOut, workingDatabase); }); },
        [&] {
            return transferProgram({"export", "--from", workingDatabase, "--to", cliOut}, env);
        },
        [&] {
            copyOver(templateFile, floorOut);
            QFile::remove(cliOut);
        });
    report("export: veyra-transfer", byProgram, 1.2);
    QFile::remove(floorOut);
    QFile::remove(cliOut);

    // Import of that file into an empty register, then into the register
    // that holds every row already (it changes nothing there).
    const QString emptyDir = scratch + "/empty";
    store::createWorkingDirectory(emptyDir);
    const QString emptyDb = emptyDir + "/" + store::workingDatabaseFileName();
    const QString pristine = scratch + "/empty-pristine.mdb";
    copyOver(emptyDb, pristine);
    importFigures("import into an empty register", exported, emptyDb, pristine, scratch, rounds, 1.2);
    importFigures("import of a file whose rows are all held", exported, workingDatabase, {}, scratch, rounds,
                  2.0);
    store::setWorkingDatabasePath(workingDatabase);
    QFile::remove(pristine);
    QDir(emptyDir).removeRecursively();
}

void receivingOfficeBatch(const QString& workingDatabase, const QString& scratch, int files, int persons,
                          int rounds) {
    const QStringList env = childEnvironment(scratch);
    dayStarted(workingDatabase, scratch, env);
    const QString dir = scratch + "/office";
    QDir().mkpath(dir);
    // The files: two employers each, their persons and institution rows,
    // numbers found nowhere in the register, the rows checksum recorded.
    const QString templateFile =
        QFileInfo(workingDatabase).absolutePath() + "/" + store::templateDatabaseFileName();
    QStringList sources;
    int serial = 0;
    for (int f = 0; f < files; ++f) {
        const QString path = QString("%1/%2.mdb").arg(dir).arg(f + 1, 3, 10, QChar('0'));
        copyOver(templateFile, path);
        store::Connection c;
        c.open(path);
        store::Transaction t(c);
        QStringList ssns;
        for (int e = 0; e < 2; ++e) {
            ssns.append(QString("12%1").arg(f * 2 + e, 10, 10, QChar('0')));
            c.execute(
                "INSERT INTO M_CORPORATION (SSN, NAME, FEEAREACODE, FEEPERIOD, TEL) VALUES (?, ?, '01', 1, "
                "?)",
                {ssns.last(), QString("外地第%1单位").arg(f * 2 + e), "010-62345678"});
        }
        for (int p = 0; p < persons; ++p, ++serial) {
            const QString id = validIdNumber(serial, "1201");
            c.execute(
                "INSERT INTO M_PERSON (CORPSN, IDCARD, NAME, SEX, BIRTH, FEEPSNTYPE, MEDPSNTYPE, SSN) "
                "VALUES (?, ?, ?, '1', ?, '14', '27', ?)",
                {p % 2 + 1, id, QString("外地%1").arg(serial),
                 QDate::fromString(id.mid(6, 8), "yyyyMMdd").toString("yyyy-MM-dd"), ssns[p % 2]});
            c.execute("INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, HOSP_1, IDCARD) VALUES (?, '01010001', ?)",
                      {c.lastInsertRowId(), id});
        }
        c.execute("INSERT OR REPLACE INTO veyra_meta (key, value) VALUES (?, ?)",
                  {exchange::checksumKey(), exchange::rowsChecksum(c.handle())});
        t.commit();
        sources.append(path);
    }
    const QString floorDb = scratch + "/office-floor.mdb", floorBackup = scratch + "/office-floor-backup.mdb";
    const QString cliDir = scratch + "/office-register";
    QDir().mkpath(cliDir);
    const QString cliDb = cliDir + "/" + store::workingDatabaseFileName();
    QStringList args{"import"};
    args += sources;
    args += QStringList{"--into", cliDb};
    QVector<double> made;
    const Pairs batch = interleave(
        rounds,
        [&] {
            const Run r = inProcess([&] { setBasedBatch(floorDb, sources, floorBackup); });
            QFile::remove(floorBackup);
            return r;
        },
        [&] {
            BackupWatch watch;
            const Run r = transferProgram(args, env);
            made.append(watch.made());
            return r;
        },
        [&] {
            copyOver(workingDatabase, floorDb);
            copyOver(workingDatabase, cliDb);
            clearBackups();
        });
    report(qPrintable(QString("receiving office: %1 files of %2 persons").arg(files).arg(persons)), batch,
           1.5);
    const double register_ = mb(QFileInfo(workingDatabase).size());
    std::printf("  %-48s backups made by the command: %.0f, about %.0f MB (floor: one backup, %.0f MB)\n", "",
                median(made), median(made) * register_, register_);
    clearBackups();
    QDir(dir).removeRecursively();
    QDir(cliDir).removeRecursively();
    QFile::remove(floorDb);
}

}  // namespace bench
