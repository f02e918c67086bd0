#pragma once

#include <QString>

#include "platform/RegisterLock.h"

namespace app {

// Creates the ten windows once, in their fixed order, and sets the global
// window pointers. Throws store::Error when a window cannot connect to the
// working database; the windows made so far are deleted again.
void createWindows();
void destroyWindows();
// While the windows are made again (a restore), closing the last one does
// not end the program.
void setRestarting(bool on);

// Brings the working database to the current format before any window
// connects to it, and tells the operator once of stored numbers that differ
// only in letter case. A missing file is left to the windows, which report
// it. False, after saying why, when the program must end.
bool prepareWorkingDatabase();

// Takes the register for this window: every program on it honours its lock,
// and only one window may work on it. When another window has it, says so
// and offers to bring that one forward; false then (the program ends).
bool claimRegister(const QString& database);
void releaseRegister();
// Where the first window listens for a second one's call to come forward.
QString raiseChannel(const QString& database);
// The window's hold on its register, for a restore to take it alone.
platform::RegisterLock& registerUseLock();

// What the operator is told when the working database at path is missing,
// and the folder the launcher works in (VEYRA_WORKDIR, default ~/Veyra).
QString missingDatabaseText(const QString& path, const QString& launcherDir);
QString launcherWorkingDirectory();

// The whole program after QApplication exists: windows, date check, main
// window and login, event loop. Returns the exit code.
int run();

}  // namespace app
