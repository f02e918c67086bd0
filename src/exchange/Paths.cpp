#include "exchange/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Settings.h"

namespace exchange {

QString transferLogPath() {
    return platform::dataDir() + "/离休统筹导数日志文件" + platform::todayText() + ".log";
}

QString exportPathForToday() {
    return platform::dataDir() + "/" + platform::todayText() + ".mdb";
}

QString floppyPathForToday() {
    return platform::floppyDir() + "/" + platform::todayText() + ".mdb";
}

bool appendToDayLog(const QStringList& lines) {
    if (lines.isEmpty()) return true;
    const QString path = transferLogPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString text;
    for (const QString& l : lines) text += l + "\r\n";
    const QByteArray bytes = platform::encodeGb18030(text);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    return f.write(bytes) == bytes.size() && f.flush();
}

}  // namespace exchange
