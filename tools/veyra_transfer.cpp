// veyra-transfer: the data exchange window's import, export and file checks
// from the command line, for offices that merge many submission files.
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>

#include "exchange/ExchangeCommands.h"
#include "exchange/Paths.h"
#include "exchange/RowsChecksum.h"
#include "exchange/TransferLog.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/RegisterLock.h"
#include "platform/Settings.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/ErrorText.h"
#include "store/Format.h"
#include "store/ServerConnection.h"
#include "store/ServerMigration.h"
#include "store/ServerRegister.h"

namespace {

enum Exit { Ok = 0, Refused = 1, RolledBack = 2, LogUnwritten = 3, Usage = 64 };

void out(FILE* f, const QString& text) {
    const QByteArray b = text.toLocal8Bit();
    std::fwrite(b.constData(), 1, size_t(b.size()), f);
    std::fputc('\n', f);
}

const char* const kUsage =
    "用法：\n"
    "  veyra-transfer import FILE... [--into DB]   把报盘文件逐个导入工作库\n"
    "  veyra-transfer export [--from DB] [--to FILE] 把工作库导出到报盘文件\n"
    "  veyra-transfer check FILE... [--into DB]    只检查报盘文件能否导入\n"
    "  veyra-transfer migrate --from DB --into postgresql:连接参数\n"
    "                                              把整个工作库迁移到服务器上的空数据库\n"
    "  veyra-transfer migrate --from postgresql:连接参数 --into NEW.mdb\n"
    "                                              把服务器登记库复制成新的工作库\n"
    "  veyra-transfer --help | --version\n"
    "DB 缺省为当前目录下的 Enterprise.mdb。详见 man veyra-transfer。";

int usage() {
    out(stderr, kUsage);
    return Usage;
}

// Log lines on standard output (read back from the log as they arrive),
// messages where they belong, progress on a terminal's standard error.
class Console : public exchange::CommandObserver {
  public:
    explicit Console(const exchange::TransferLog& log) : log_(log), tty_(isatty(STDERR_FILENO) != 0) {
        clock_.start();
    }

    void tableStarted(exchange::Register t, int total) override {
        table_ = t;
        total_ = total;
    }
    void rowReached(exchange::Register, int row) override {
        if (tty_ && clock_.elapsed() >= 200)
            show(QString("%1 %2/%3").arg(name(), QString::number(row), QString::number(total_)));
    }
    void tableFinished(exchange::Register, int) override {}
    void logLines(qsizetype) override {
        clearLine();
        const qsizetype size = log_.size();
        if (size <= printed_) return;
        const QByteArray b = log_.utf8(printed_, size - printed_);
        std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
        printed_ = size;
    }
    void message(const QString& text) override {
        // The log's own closing line says it on standard output.
        if (text == "操作完毕！") return;
        clearLine();
        std::fflush(stdout);
        // A message box breaks lines at "\r"; a terminal would write over them.
        out(stderr, QString(text).replace('\r', '\n'));
    }
    void detail(const QString& text) override {
        clearLine();
        out(stderr, "veyra-transfer: " + text);
    }
    void checking(const QString& stage, qint64 done, qint64 total) override {
        if (!tty_ || clock_.elapsed() < 200) return;
        show(total > 0 ? QString("%1 %2%").arg(stage).arg(done * 100 / total) : stage + "……");
    }
    void clearLine() {
        if (!shown_) return;
        std::fputs("\r\033[K", stderr);
        shown_ = false;
    }

  private:
    QString name() const {
        switch (table_) {
            case exchange::Register::Employers:
                return "单位信息";
            case exchange::Register::Persons:
                return "个人信息";
            default:
                return "定点医疗机构信息";
        }
    }
    void show(const QString& text) {
        std::fflush(stdout);
        std::fputs("\r\033[K", stderr);
        const QByteArray b = text.toLocal8Bit();
        std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
        std::fflush(stderr);
        shown_ = true;
        clock_.restart();
    }

    const exchange::TransferLog& log_;
    qsizetype printed_ = 0;
    bool tty_;
    bool shown_ = false;
    QElapsedTimer clock_;
    exchange::Register table_ = exchange::Register::Employers;
    int total_ = 0;
};

QString tableTitle(const QString& table) {
    if (table.compare("M_CORPORATION", Qt::CaseInsensitive) == 0) return "单位信息";
    if (table.compare("M_PERSON", Qt::CaseInsensitive) == 0) return "个人信息";
    if (table.compare("M_PSNAPPOINTEDHOSPITAL", Qt::CaseInsensitive) == 0) return "定点医疗机构信息";
    if (table.compare("M_UserManager", Qt::CaseInsensitive) == 0) return "操作员";
    return "代码表 " + table;
}

// A whole register between a working database and a server, either way:
// all of it in one transaction, or nothing.
int migrate(const QString& from, const QString& into) {
    const bool toServer = store::isServerAddress(into);
    if (from.isEmpty() || into.isEmpty() || toServer == store::isServerAddress(from)) return usage();
    const bool tty = isatty(STDERR_FILENO) != 0;
    QElapsedTimer clock;
    clock.start();
    const store::MigrationProgress progress = [&](const QString& table, qint64 row, qint64 total) {
        if (!tty || (row != 0 && row != total && clock.elapsed() < 200)) return;
        clock.restart();
        const QByteArray b = QString("%1 %2/%3").arg(tableTitle(table)).arg(row).arg(total).toLocal8Bit();
        std::fputs("\r\033[K", stderr);
        std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
        std::fflush(stderr);
    };
    store::MigrationCounts counts;
    try {
        if (toServer) {
            const QString path = QFileInfo(from).absoluteFilePath();
            // No window may register into the file meanwhile: what it stored
            // after the copy would stay behind on this desk.
            platform::RegisterLock window, lock;
            platform::LockHolder other;
            if (!window.acquire(path, platform::RegisterLock::Kind::Window, 0, &other)) {
                out(stderr, QString("数据库“%1”正由 %2 打开。请先关闭它再迁移，以免迁移后还有登记留在本机")
                                .arg(path, platform::holderText(other)));
                return Refused;
            }
            // A restore elsewhere holds the register alone for a while.
            if (!lock.acquire(path, platform::RegisterLock::Kind::Use, 10000, &other)) {
                out(stderr, QString("%1 正在恢复数据库“%2”，现在不能迁移。请等它结束后再试")
                                .arg(platform::holderText(other), path));
                return Refused;
            }
            store::Connection source;
            source.open(path);
            // An older register is brought up to date first, after a backup of it as it was.
            const store::FormatReport r = store::upgradeWithBackup(source, path, store::backupDirectory());
            if (r.upgraded)
                for (const QString& line : store::collisionReportLines(r)) out(stderr, line);
            counts = store::migrateToServer(source, into, progress);
        } else {
            counts = store::migrateFromServer(from, QFileInfo(into).absoluteFilePath(), progress);
        }
    } catch (const store::Error& e) {
        if (tty) std::fputs("\r\033[K", stderr);
        out(stderr, QString("迁移没有完成，%1：\n%2")
                        .arg(toServer ? "服务器上没有建立任何内容" : "没有建立新的工作库",
                             store::errorText(e).replace('\r', '\n')));
        return e.fromEngine() ? RolledBack : Refused;
    }
    if (tty) std::fputs("\r\033[K", stderr);
    int codeTables = 0;
    qint64 codeRows = 0;
    for (const auto& [table, n] : counts.rows) {
        if (table.startsWith("M_", Qt::CaseInsensitive)) {
            out(stdout, QString("%1：%2 条").arg(tableTitle(table)).arg(n));
        } else {
            ++codeTables;
            codeRows += n;
        }
    }
    out(stdout, QString("代码表：%1 个，共 %2 条").arg(codeTables).arg(codeRows));
    out(stdout, QString("迁移完毕：%1 → %2").arg(from, into));
    if (toServer) {
        out(stdout, "\n-- 工作站的数据库角色（veyra_desk）需要的权限，请由数据库的所有者执行：");
        for (const QString& line : store::deskGrants("veyra_desk")) out(stdout, line);
    }
    return Ok;
}

int exitFor(exchange::CommandResult r) {
    switch (r) {
        case exchange::CommandResult::Committed:
            return Ok;
        case exchange::CommandResult::Refused:
            return Refused;
        case exchange::CommandResult::RolledBack:
            return RolledBack;
        default:
            return LogUnwritten;
    }
}

}  // namespace

int main(int argc, char** argv) {
    platform::keepNewFilesPrivate();
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage();
    if (args == QStringList{"--help"} || args == QStringList{"-h"}) {
        out(stdout, kUsage);
        return Ok;
    }
    if (args == QStringList{"--version"}) {
        out(stdout, QStringLiteral("veyra-transfer " VEYRA_VERSION));
        return Ok;
    }
    // The same first start as the window's: dated file names need it.
    const platform::ShortDateSetup date = platform::setUpShortDateFormat(platform::today());
    if (date.outcome == platform::ShortDateSetup::Replaced ||
        date.outcome == platform::ShortDateSetup::Unwritable)
        out(stderr, platform::shortDateNotice(date).replace('\r', '\n'));
    const QString command = args.takeFirst();
    if (command == "migrate") {
        if (args.size() != 4) return usage();
        QString from, into;
        for (int i = 0; i + 1 < args.size(); i += 2) {
            if (args[i] == "--from")
                from = args[i + 1];
            else if (args[i] == "--into")
                into = args[i + 1];
            else
                return usage();
        }
        return migrate(from, into);
    }
    QString db = QDir::current().absoluteFilePath(store::workingDatabaseFileName());
    QString to;
    QStringList files;
    bool named = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((a == "--into" || a == "--from") && hasValue && store::isServerAddress(args[i + 1])) {
            out(stderr,
                "导入、导出和检查还不能直接使用服务器登记库；服务器登记库可以用 migrate 命令复制成工作库");
            return Refused;
        } else if ((a == "--into" || a == "--from") && hasValue) {
            db = QFileInfo(args[++i]).absoluteFilePath();
            named = true;
        } else if (a == "--to" && hasValue)
            to = QFileInfo(args[++i]).absoluteFilePath();
        else if (a.startsWith("--"))
            return usage();
        else
            files.append(a);
    }

    // The Register setting names a server register: the working database in
    // this directory is not the office's register, so it is not used unasked.
    if (!named) {
        try {
            const QString server = store::serverRegisterSetting();
            if (!server.isEmpty()) {
                out(stderr,
                    QString("设置中的 Register 指向服务器登记库（%1），导入、导出和检查还不能直接使用它。"
                            "要处理工作库文件，请用 --into 或 --from 指明它")
                        .arg(server));
                return Refused;
            }
        } catch (const store::Error& e) {
            out(stderr, e.text());
            return Refused;
        }
    }

    // What a killed run left: private copies of submission files, unfinished
    // backups and exports.
    exchange::removeStalePrivateCopies();
    for (const QString& dir : {store::backupDirectory(), platform::dataDir(), QFileInfo(db).absolutePath()})
        store::removeStaleLeftovers(dir);

    exchange::TransferLog log;
    Console console(log);
    exchange::ExchangeCommands commands(log, console);
    // No window may be running to make the day's backup: this program makes it.
    commands.setDailyBackup(true);
    int status = Ok;
    if (command == "import") {
        if (files.isEmpty() || !to.isEmpty()) return usage();
        // One command, one backup: the register as it was before the first file.
        commands.beginImport();
        struct End {
            exchange::ExchangeCommands& c;
            ~End() { c.endImport(); }
        } end{commands};
        for (const QString& f : files) {
            QString notPlain;
            if (QFileInfo::exists(f) && !platform::isPlainFile(f, &notPlain, true)) {
                out(stderr, QString("%1：无法读取报盘文件（%2）").arg(f, notPlain));
                status = qMax(status, int(Refused));
                continue;
            }
            if (!QFileInfo(f).isFile()) {
                out(stderr, "请选择数据源文件：" + f);
                status = qMax(status, int(Refused));
                continue;
            }
            const exchange::CommandResult r = commands.importFile(QFileInfo(f).absoluteFilePath(), db);
            if (r == exchange::CommandResult::RolledBack) out(stderr, commands.errorText());
            status = qMax(status, exitFor(r));
        }
    } else if (command == "export") {
        if (!files.isEmpty()) return usage();
        if (QFileInfo(db).isFile()) {
            try {
                store::makeDailyBackupIfDue(db, store::backupDirectory());
            } catch (const store::Error& e) {
                out(stderr, QString("每日自动备份未能完成：" + e.text()).replace('\r', '\n'));
            }
        }
        const exchange::CommandResult r =
            commands.exportTo(db, to.isEmpty() ? exchange::exportPathForToday() : to);
        if (r == exchange::CommandResult::RolledBack) out(stderr, commands.errorText());
        status = exitFor(r);
    } else if (command == "check") {
        if (files.isEmpty() || !to.isEmpty()) return usage();
        for (const QString& f : files) {
            if (!QFileInfo::exists(f)) {
                out(stderr, "请选择数据源文件：" + f);
                status = qMax(status, int(Refused));
                continue;
            }
            // The file checks, then every row through the import's own rules
            // (rolled back): what the import would say, without importing.
            const exchange::CommandResult r = commands.checkFile(QFileInfo(f).absoluteFilePath(), db);
            console.clearLine();
            if (r == exchange::CommandResult::Committed) {
                const exchange::TransferCounts& n = commands.counts();
                out(stdout, QString("%1：可以导入；单位信息 %2 条，个人信息 %3 条，定点医疗机构信息 %4 条")
                                .arg(f)
                                .arg(n.employers)
                                .arg(n.persons)
                                .arg(commands.institutionRows()));
            } else {
                out(stderr, QString("%1：不能导入：%2").arg(f, commands.errorText()).replace('\r', '\n'));
                status = qMax(status, int(Refused));
            }
        }
    } else {
        return usage();
    }
    console.clearLine();
    std::fflush(stdout);
    return status;
}
