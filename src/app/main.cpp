#include <QApplication>
#include <QDir>
#include <cstdio>

#include "app/Startup.h"
#include "platform/Files.h"
#include "store/DatabaseFactory.h"

namespace {
// Without a display Qt would stop with a toolkit error; say what to do instead.
bool haveDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}
}  // namespace

int main(int argc, char** argv) {
    platform::keepNewFilesPrivate();
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "veyra: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "To reach the program anyway, serve its window over VNC:\n"
                     "    QT_QPA_PLATFORM=vnc:size=1280x800 veyra\n"
                     "and connect a VNC viewer to this machine, port 5900.\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VEYRA_VERSION));
    // The working database is the one in the current directory at start;
    // a later change of directory (a file dialog) does not move it.
    store::setWorkingDatabasePath(QDir::current().absoluteFilePath(store::workingDatabaseFileName()));
    return app::run();
}
