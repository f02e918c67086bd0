#pragma once

#include <QDate>
#include <QString>

// Per-user settings: one INI file under $XDG_CONFIG_HOME/Veyra/ (default
// ~/.config/Veyra/Veyra.ini). It holds what the registry held before
// (sShortDate) and the two directories the program writes to.
namespace platform {

QString settingsFilePath();
// Tests point the settings at a file of their own; empty restores the default.
void setSettingsFilePath(const QString& path);

// The user's short date format: sShortDate when set, otherwise the locale's.
QString shortDateFormat();
// Writes sShortDate; returns false when the settings file cannot be written.
bool setShortDateFormat(const QString& format);

// The first-start rule of the window and the command-line tools alike. The
// program needs today's date in ten characters. A user without sShortDate
// gets "yyyy-MM-dd", as an installer would write it; a format that gives
// another length is replaced by it. The settings file is read at every use,
// so the new format holds at once.
struct ShortDateSetup {
    enum Outcome {
        Kept,        // the format in force gives ten characters
        Installed,   // there was none: "yyyy-MM-dd" written
        Replaced,    // the user's format gave another length: "yyyy-MM-dd" written
        Unwritable,  // the format in force is too short or long and could not be replaced
    } outcome = Kept;
    QString format;     // the format found before
    QString todayText;  // today in that format
};
ShortDateSetup setUpShortDateFormat(const QDate& today);
// What the operator is told after Replaced or Unwritable ("\r" between lines).
QString shortDateNotice(const ShortDateSetup& setup);

// Directory for submission files and transfer logs (DataDir, default ~/orvanta).
QString dataDir();
// Directory standing for the floppy drive (FloppyDir, default /media/floppy).
QString floppyDir();

// The register the program works on (Register): empty for the working
// database in the current directory, else a shared register's address
// ("postgresql:service=veyra"), as written.
QString registerSetting();

QString readSetting(const QString& key, const QString& fallback = {});
bool writeSetting(const QString& key, const QString& value);

}  // namespace platform
