#pragma once

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

// Directory for submission files and transfer logs (DataDir, default ~/orvanta).
QString dataDir();
// Directory standing for the floppy drive (FloppyDir, default /media/floppy).
QString floppyDir();

QString readSetting(const QString& key, const QString& fallback = {});
bool writeSetting(const QString& key, const QString& value);

}  // namespace platform
