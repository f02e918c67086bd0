#include "Pairs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "Measure.h"

extern char** environ;

namespace bench {

namespace {

qint64 writeBytes() {
    QFile f("/proc/self/io");
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("write_bytes:")) return line.mid(12).trimmed().toLongLong();
    return 0;
}

double cpuMs(const rusage& u) {
    return (double(u.ru_utime.tv_sec) + double(u.ru_stime.tv_sec)) * 1000.0 +
           (double(u.ru_utime.tv_usec) + double(u.ru_stime.tv_usec)) / 1000.0;
}

}  // namespace

double median(QVector<double> v) {
    if (v.isEmpty()) return 0;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

Run inProcess(const std::function<void()>& f, bool window) {
    Run r;
    std::optional<StallWatch> watch;
    if (window) {
        watch.emplace();
        watch->start();
    }
    resetPeakMemory();
    const qint64 written = writeBytes();
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer t;
    t.start();
    try {
        f();
    } catch (const std::exception& e) {
        r.ok = false;
        std::printf("  failed: %s\n", e.what());
    }
    r.ms = double(t.nsecsElapsed()) / 1e6;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    r.cpuMs = cpuMs(after) - cpuMs(before);
    r.bytesWritten = writeBytes() - written;
    r.peakMB = peakMemoryMB();
    if (watch) r.stallMs = watch->stop();
    return r;
}

Run child(const QString& program, const QStringList& args, const QStringList& extraEnv) {
    Run r;
    QTemporaryFile err;
    if (!err.open()) throw std::runtime_error("no temporary file");
    QList<QByteArray> argv{QFile::encodeName(program)};
    for (const QString& a : args) argv.append(a.toLocal8Bit());
    QList<QByteArray> env;
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        bool replaced = false;
        for (const QString& x : extraEnv)
            replaced = replaced || entry.startsWith(x.section('=', 0, 0).toLocal8Bit() + "=");
        if (!replaced) env.append(entry);
    }
    for (const QString& x : extraEnv) env.append(x.toLocal8Bit());
    std::vector<char*> argp, envp;
    for (QByteArray& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (QByteArray& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err.handle(), STDERR_FILENO);
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + program.toStdString());
    int status = 0;
    rusage u{};
    while (wait4(pid, &status, 0, &u) < 0 && errno == EINTR) {
    }
    r.ms = double(t.nsecsElapsed()) / 1e6;
    r.cpuMs = cpuMs(u);
    r.peakMB = double(u.ru_maxrss) / 1024.0;
    r.bytesWritten = qint64(u.ru_oublock) * 512;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!r.ok) {
        err.seek(0);
        std::printf("  %s exited with %d: %s\n", qPrintable(program),
                    WIFEXITED(status) ? WEXITSTATUS(status) : -1, err.read(2000).constData());
    }
    return r;
}

Pairs interleave(int rounds, const std::function<Run()>& floor, const std::function<Run()>& program,
                 const std::function<void()>& prepare) {
    Pairs p;
    for (int i = 0; i < rounds; ++i) {
        if (prepare) prepare();
        const Run f = floor();
        if (prepare) prepare();
        const Run g = program();
        p.add(f, g);
        std::fflush(stdout);
    }
    return p;
}

double report(const char* what, const Pairs& pairs, double goal) {
    QVector<double> ratios, cpuRatios, fms, pms, fbytes, pbytes, peaks;
    qint64 stall = -1;
    bool ok = true;
    for (qsizetype i = 0; i < pairs.floor.size(); ++i) {
        const Run& f = pairs.floor[i];
        const Run& p = pairs.program[i];
        ok = ok && f.ok && p.ok;
        ratios.append(p.ms / f.ms);
        cpuRatios.append(f.cpuMs > 0 ? p.cpuMs / f.cpuMs : 0);
        fms.append(f.ms);
        pms.append(p.ms);
        fbytes.append(double(f.bytesWritten));
        pbytes.append(double(p.bytesWritten));
        peaks.append(p.peakMB);
        stall = qMax(stall, p.stallMs);
    }
    const double ratio = median(ratios);
    const auto [lo, hi] = std::minmax_element(ratios.cbegin(), ratios.cend());
    std::printf("  %-48s %8.0f ms  floor %8.0f ms  ratio %5.2f (%.2f-%.2f, %lld pairs)  goal %.1fx  %s%s\n",
                what, median(pms), median(fms), ratio, ratios.isEmpty() ? 0.0 : *lo,
                ratios.isEmpty() ? 0.0 : *hi, qlonglong(ratios.size()), goal,
                ratio <= goal ? "met" : "NOT MET", ok ? "" : "  (A RUN FAILED)");
    const double peak = median(peaks);
    std::printf("  %-48s cpu ratio %5.2f  written %7.0f MB (floor %7.0f MB)  peak %5.0f MB%s", "",
                median(cpuRatios), mb(qint64(median(pbytes))), mb(qint64(median(fbytes))), peak,
                peak < 300 ? "" : " (goal < 300: NOT MET)");
    if (stall >= 0)
        std::printf("  longest stall %lld ms%s", qlonglong(stall),
                    stall < 250 ? "" : " (goal < 250: NOT MET)");
    std::printf("\n");
    std::fflush(stdout);
    return ratio;
}

}  // namespace bench
