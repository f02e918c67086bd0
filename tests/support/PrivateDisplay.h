#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

namespace testing_support {

// A private X server (Xvfb on a display it picks itself, no TCP), with
// openbox on it when asked: for what only a real display or window manager
// shows. Both are stopped when it goes.
class PrivateDisplay {
  public:
    ~PrivateDisplay();
    // Whether Xvfb (and openbox) are installed; tests skip without them.
    static bool available(bool windowManager);
    // Empty when the display (and window manager) run, otherwise why not.
    QString start(bool windowManager, const QString& screen = QStringLiteral("1280x1024x24"));
    // The system's environment with DISPLAY set to this display and Qt on xcb.
    QProcessEnvironment environment() const;
    QString display;

  private:
    QProcess server_;
    QProcess windowManager_;
};

}  // namespace testing_support
