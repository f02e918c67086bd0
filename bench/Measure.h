#pragma once

// Figures the benchmarks print beside their goals: peak memory of one command
// and the longest time the event loop did not turn during it.
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

namespace bench {

// Resident set peak (VmHWM) since the last reset, in MB. Writing 5 to
// clear_refs starts a new peak (Linux 4.0 and later).
inline void resetPeakMemory() {
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}
inline double statusMB(const char* key) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}
inline double peakMemoryMB() {
    return statusMB("VmHWM:");
}
inline double currentMemoryMB() {
    return statusMB("VmRSS:");
}

// A 10 ms timer: the longest gap between two of its firings is the longest
// time the window could not repaint.
class StallWatch : public QObject {
  public:
    StallWatch() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this,
                         [this] { longest_ = qMax(longest_, clock_.restart()); });
    }
    void start() {
        longest_ = 0;
        clock_.start();
        timer_.start();
    }
    // Milliseconds; the time since the last firing counts too.
    qint64 stop() {
        timer_.stop();
        return qMax(longest_, clock_.elapsed());
    }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

}  // namespace bench
