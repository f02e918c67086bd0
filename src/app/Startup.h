#pragma once

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

// The whole program after QApplication exists: windows, date check, main
// window and login, event loop. Returns the exit code.
int run();

}  // namespace app
