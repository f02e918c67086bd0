#include "support/PrivateDisplay.h"

#include <QStandardPaths>
#include <QThread>

namespace testing_support {
namespace {
void stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (!p.waitForFinished(3000)) p.kill();
    p.waitForFinished(3000);
}
}  // namespace

PrivateDisplay::~PrivateDisplay() {
    stop(windowManager_);
    stop(server_);
}

bool PrivateDisplay::available(bool windowManager) {
    return !QStandardPaths::findExecutable("Xvfb").isEmpty() &&
           (!windowManager || !QStandardPaths::findExecutable("openbox").isEmpty());
}

QString PrivateDisplay::start(bool windowManager, const QString& screen) {
    // Xvfb picks a free display and writes its number once it accepts clients.
    server_.start(QStandardPaths::findExecutable("Xvfb"),
                  {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"});
    if (!server_.waitForStarted()) return "Xvfb did not start";
    QByteArray number;
    while (!number.contains('\n') && server_.waitForReadyRead(10000))
        number += server_.readAllStandardOutput();
    if (!number.contains('\n')) return "Xvfb gave no display";
    display = ":" + QString::fromLatin1(number.trimmed());
    if (!windowManager) return QString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    windowManager_.setProcessEnvironment(env);
    windowManager_.start(QStandardPaths::findExecutable("openbox"), {"--sm-disable"});
    if (!windowManager_.waitForStarted()) return "openbox did not start";
    QThread::msleep(1500);  // openbox takes over the screen
    if (windowManager_.state() != QProcess::Running)
        return "openbox ended: " + QString::fromLocal8Bit(windowManager_.readAllStandardError());
    return QString();
}

QProcessEnvironment PrivateDisplay::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    return env;
}

}  // namespace testing_support
