#include "platform/Settings.h"

#include <QDir>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>

namespace platform {
namespace {
QString& overridePath() {
    static QString path;
    return path;
}
}  // namespace

QString settingsFilePath() {
    if (!overridePath().isEmpty()) return overridePath();
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + "/.config";
    return base + "/Veyra/Veyra.ini";
}

void setSettingsFilePath(const QString& path) {
    overridePath() = path;
}

QString readSetting(const QString& key, const QString& fallback) {
    QSettings s(settingsFilePath(), QSettings::IniFormat);
    return s.value(key, fallback).toString();
}

bool writeSetting(const QString& key, const QString& value) {
    const QString path = settingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings s(path, QSettings::IniFormat);
    s.setValue(key, value);
    s.sync();
    return s.status() == QSettings::NoError;
}

QString shortDateFormat() {
    const QString stored = readSetting("sShortDate");
    if (!stored.isEmpty()) return stored;
    return QLocale::system().dateFormat(QLocale::ShortFormat);
}

bool setShortDateFormat(const QString& format) {
    return writeSetting("sShortDate", format);
}

QString dataDir() {
    return readSetting("DataDir", QDir::homePath() + "/orvanta");
}

QString floppyDir() {
    return readSetting("FloppyDir", "/media/floppy");
}

}  // namespace platform
