#include "platform/Mounts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace platform {
namespace {
QString& fstabSlot() {
    static QString p;
    return p;
}
QString& mountInfoSlot() {
    static QString p;
    return p;
}

// Both tables write a space, tab, newline or backslash in a path as \ooo.
QString unescape(const QByteArray& field) {
    QByteArray out;
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray oct = field.mid(i + 1, 3);
            bool ok = false;
            const int c = oct.toInt(&ok, 8);
            if (ok && oct.size() == 3 && c < 256) {
                out.append(char(c));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QDir::cleanPath(QFile::decodeName(out));
}

// The given whitespace-separated field of every non-comment line.
QStringList fieldOfLines(const QString& path, int index) {
    QStringList result;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return result;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > index) result.append(unescape(fields[index]));
    }
    return result;
}

// Symbolic links resolved where the path exists, so both tables and the
// setting compare alike.
QString normalised(const QString& path) {
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString resolved = QFileInfo(clean).canonicalFilePath();
    return resolved.isEmpty() ? clean : resolved;
}

bool contains(const QString& mountPoint, const QString& dir) {
    return mountPoint == "/" || dir == mountPoint || dir.startsWith(mountPoint + '/');
}
}  // namespace

void setFstabPath(const QString& path) {
    fstabSlot() = path;
}
void setMountInfoPath(const QString& path) {
    mountInfoSlot() = path;
}

bool isUnmountedMountPoint(const QString& dir) {
    const QString fstab = fstabSlot().isEmpty() ? QString("/etc/fstab") : fstabSlot();
    const QString mountInfo = mountInfoSlot().isEmpty() ? QString("/proc/self/mountinfo") : mountInfoSlot();
    const QString target = normalised(dir);
    // The deepest table entry holding the directory decides where it lives.
    QString listed;
    for (const QString& mp : fieldOfLines(fstab, 1)) {
        if (!mp.startsWith('/')) continue;  // swap and the like
        const QString point = normalised(mp);
        if (contains(point, target) && point.size() > listed.size()) listed = point;
    }
    if (listed.isEmpty() || listed == "/") return false;
    // Field 5 of mountinfo is the mount point as this process sees it.
    return !fieldOfLines(mountInfo, 4).contains(listed);
}

}  // namespace platform
