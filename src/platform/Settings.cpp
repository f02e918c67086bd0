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

ShortDateSetup setUpShortDateFormat(const QDate& today) {
    const QString kFormat = QStringLiteral("yyyy-MM-dd");
    ShortDateSetup r;
    r.format = shortDateFormat();
    r.todayText = today.toString(r.format);
    if (readSetting("sShortDate").isEmpty()) {
        if (setShortDateFormat(kFormat)) {
            r.outcome = ShortDateSetup::Installed;
            return r;
        }
        // Without a settings file the locale's format is judged as any other.
    }
    if (r.todayText.length() == 10) return r;
    r.outcome = setShortDateFormat(kFormat) ? ShortDateSetup::Replaced : ShortDateSetup::Unwritable;
    return r;
}

QString shortDateNotice(const ShortDateSetup& setup) {
    const QString found =
        QString("短日期格式“%1”把今天写成“%2”，不是10个字符。").arg(setup.format, setup.todayText);
    if (setup.outcome == ShortDateSetup::Replaced)
        return found +
               QString("\r已改为“yyyy-MM-dd”（设置文件“%1”中的 sShortDate）。").arg(settingsFilePath());
    return found +
           QString(
               "\r本程序需要10个字符的日期（如 2004-05-06），但设置文件“%1”无法写入。\r请检查该文件及其"
               "文件夹的写入权限，或在其中的 [General] 下写入一行 sShortDate=yyyy-MM-dd，然后再运行。")
               .arg(settingsFilePath());
}

QString dataDir() {
    return readSetting("DataDir", QDir::homePath() + "/orvanta");
}

QString registerSetting() {
    return readSetting("Register").trimmed();
}

QString floppyDir() {
    return readSetting("FloppyDir", "/media/floppy");
}

}  // namespace platform
