#pragma once

namespace app {

// Creates the ten windows once, in their fixed order, and sets the global
// window pointers. Throws store::Error when a window cannot connect to the
// working database; the windows made so far are deleted again.
void createWindows();
void destroyWindows();

// The whole program after QApplication exists: windows, date check, main
// window and login, event loop. Returns the exit code.
int run();

}  // namespace app
