#pragma once

#include <QString>
#include <QStringList>

#include "ui/Dialogs.h"

namespace bench {

// Says yes to everything and keeps what it was told (the window's commands
// report through message boxes).
class Answers : public ui::Dialogs {
  public:
    void message(QWidget*, const QString& t) override { shown << t; }
    bool confirm(QWidget*, const QString&) override { return true; }
    void error(QWidget*, const QString& t) override { shown << t; }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    void beep() override {}
    QStringList shown;
};

// The transfer commands of the data exchange window and of veyra-transfer,
// each beside its floor in `rounds` interleaved pairs: the export of the
// register, the import of that export into an empty register, and the same
// import into the register itself (every row already held). The floor is
// the same set-based SQL with the source attached read-only and, for the
// imports, its integrity check. Time, CPU, bytes written, peak memory and
// (window) the longest stall. The register is the program's working
// database (the settings, data directory and template beside it); scratch
// is a folder for the copies.
void transferFigures(const QString& workingDatabase, const QString& scratch, int rounds);

// Imports source into target by the window's command and by veyra-transfer,
// each beside its floor, in `rounds` interleaved pairs. Before every run the
// target is made a copy of pristine; without one the target is used as it
// is (an import that changes nothing there). target is a working database
// with the settings of this process.
void importFigures(const char* what, const QString& source, const QString& target, const QString& pristine,
                   const QString& scratch, int rounds, double goal);

// The receiving office: `files` submission files of `persons` persons each,
// imported by one veyra-transfer command into a copy of the register,
// beside one backup and the same rows checked and copied set-based in one
// run; with the bytes the command's backups wrote.
void receivingOfficeBatch(const QString& workingDatabase, const QString& scratch, int files, int persons,
                          int rounds);

}  // namespace bench
