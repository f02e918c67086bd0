#pragma once

#include <QString>
#include <QStringList>

namespace exchange {

// The day's transfer log: data directory + "/离休统筹导数日志文件" + today + ".log".
QString transferLogPath();
// Adds lines at the end of the day's transfer log (GB18030, CR LF), for
// what happens outside a transfer (a register brought to a new format).
// False when the file cannot be written.
bool appendToDayLog(const QStringList& lines);

// The day's export file in the data directory.
QString exportPathForToday();
// The copy on the floppy, named after today at the moment of copying.
QString floppyPathForToday();

}  // namespace exchange
