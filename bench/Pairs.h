#pragma once

// Interleaved pairs: a figure is measured as floor, program, floor, program,
// ... so that a machine shared with other work slows both sides alike, and
// reported as the median of the pairs' ratios with their spread.
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace bench {

// One measured run.
struct Run {
    double ms = 0;
    double cpuMs = 0;
    double peakMB = 0;        // 0: not measured
    qint64 stallMs = -1;      // -1: not measured (no window)
    qint64 bytesWritten = 0;  // sent towards the disk (write_bytes)
    bool ok = true;
};

// Runs f in this process: wall and CPU time, bytes written by the process
// (/proc/self/io), peak memory since the start of f, and with a window the
// longest time the event loop did not turn.
Run inProcess(const std::function<void()>& f, bool window = false);

// Runs a program to its end (standard output to /dev/null): wall time, and
// the CPU time, peak memory and bytes written of that process (wait4).
// Standard error is shown when it fails.
Run child(const QString& program, const QStringList& args, const QStringList& extraEnv = {});

// The samples of one figure, and the median ratio with its spread.
struct Pairs {
    QVector<Run> floor, program;
    void add(const Run& f, const Run& p) {
        floor.append(f);
        program.append(p);
    }
};

// Prints a figure: median times, the median ratio with its spread (min to
// max over the pairs) against the goal, CPU ratio, bytes written beside the
// floor's, peak memory and the longest stall. Returns the median ratio.
double report(const char* what, const Pairs& pairs, double goal);

// For each of `rounds` rounds: floor, then program; prepare() runs before
// each (unmeasured), e.g. to put back a file the program changed.
Pairs interleave(int rounds, const std::function<Run()>& floor, const std::function<Run()>& program,
                 const std::function<void()>& prepare = {});

double median(QVector<double> v);

// Megabytes, for printing.
inline double mb(qint64 bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

}  // namespace bench
