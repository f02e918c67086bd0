// veyra-gen-register DIR [EMPLOYERS PERSONS]: a working directory filled with
// a synthetic register (valid ID numbers, one institution row per person).
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "RegisterGenerator.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 2 && a.size() != 4) {
        std::fprintf(stderr, "usage: veyra-gen-register DIR [EMPLOYERS PERSONS]  (default 10000 100000)\n");
        return 2;
    }
    const QString dir = QDir(a[1]).absolutePath();
    const int employers = a.size() == 4 ? a[2].toInt() : 10000;
    const int persons = a.size() == 4 ? a[3].toInt() : 100000;
    try {
        QDir().mkpath(dir);
        store::createWorkingDirectory(dir);
        bench::fillRegister(QDir(dir).filePath(store::workingDatabaseFileName()), employers, persons);
    } catch (const store::Error& e) {
        std::fprintf(stderr, "veyra-gen-register: %s\n", qPrintable(e.text()));
        return 1;
    }
    std::printf("%s: %d employers, %d persons\n", qPrintable(dir), employers, persons);
    return 0;
}
