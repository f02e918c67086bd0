#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>

#include "support/PrivateDisplay.h"

class QWidget;

namespace testing_support {

// A private display with openbox (PrivateDisplay) on which a test runs cases
// of its own program as a child process; the child's cases skip themselves
// anywhere else.
class PrivateDesktop {
  public:
    explicit PrivateDesktop(QSize screen = QSize(1280, 1024));

    // Empty when the desktop runs; otherwise why not.
    const QString& whyNot() const { return whyNot_; }
    // Xvfb or openbox is not installed: a reason to skip, not a failure.
    bool missingPrograms() const { return missing_; }

    struct Result {
        int exitCode = -1;
        QString out;  // standard output and error
    };
    // Runs the cases of this test program matching filter on the desktop, in
    // the environment given on top of the usual one.
    Result run(const QString& filter, const QProcessEnvironment& extra = {}, int timeoutMs = 120000) const;

  private:
    PrivateDisplay display_;
    QString whyNot_;
    bool missing_ = false;
};

// True in the child a PrivateDesktop started.
bool onPrivateDesktop();

// On the private desktop (xcb): a key pressed and released as the X server
// delivers it, to whichever window has the keyboard focus.
void pressKeyOnDisplay(unsigned keysym);
// A left click on the middle of a widget, as the X server delivers it: the
// program reads it from its connection like any click of the operator's.
void clickOnDisplay(QWidget* widget);
// Asks the window manager to close a window, as its title bar's close button does.
void closeByWindowManager(QWidget* window);
// Waits until the window manager has framed the window (or a few seconds passed).
void waitForFrame(QWidget* window);

}  // namespace testing_support
