#include "exchange/Paths.h"

#include "platform/Clock.h"
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

}  // namespace exchange
