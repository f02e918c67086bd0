#pragma once

#include <QString>

namespace exchange {

// The day's transfer log: data directory + "/离休统筹导数日志文件" + today + ".log".
QString transferLogPath();
// The day's export file in the data directory.
QString exportPathForToday();
// The copy on the floppy, named after today at the moment of copying.
QString floppyPathForToday();

}  // namespace exchange
