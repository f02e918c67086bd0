#include "exchange/FloppyCopy.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "exchange/RowsChecksum.h"
#include "exchange/SubmissionFile.h"
#include "platform/Files.h"

namespace exchange {

namespace {
ChunkWriter& writerSlot() {
    static ChunkWriter w;
    return w;
}

bool writeChunk(QFile& out, const char* data, qint64 size) {
    if (writerSlot()) return writerSlot()(out, data, size);
    return out.write(data, size) == size;
}

QString checksumOf(const QString& path) {
    sqlite3* db = openLockedDown(path, path);
    try {
        checkIntegrity(db, path);
        const QString sum = rowsChecksum(db);
        sqlite3_close_v2(db);
        return sum;
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
}

// One attempt at writing tmp; false with *why on any failure.
bool writeCopy(const QString& src, const QString& tmp, QString* why) {
    QFile in(src);
    if (!in.open(QIODevice::ReadOnly)) {
        *why = in.errorString();
        return false;
    }
    QFile out(tmp);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *why = out.errorString();
        return false;
    }
    QByteArray buf(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buf.data(), buf.size());
        if (n < 0) {
            *why = in.errorString();
            return false;
        }
        if (n == 0) break;
        if (!writeChunk(out, buf.constData(), n)) {
            *why = out.errorString().isEmpty() ? QString("写入失败") : out.errorString();
            return false;
        }
    }
    if (!out.flush() || ::fsync(out.handle()) != 0) {
        *why = out.errorString().isEmpty() ? QString::fromLocal8Bit(strerror(errno)) : out.errorString();
        return false;
    }
    out.close();
    if (out.error() != QFileDevice::NoError) {
        *why = out.errorString();
        return false;
    }
    return true;
}
}  // namespace

void setChunkWriter(ChunkWriter writer) {
    writerSlot() = std::move(writer);
}

bool copyVerified(const QString& src, const QString& dst, QString* error) {
    const QFileInfo target(dst);
    const QString dir = target.absolutePath();
    const QString tmp = dir + "/." + target.fileName() + ".tmp";
    auto fail = [&](const QString& why) {
        QFile::remove(tmp);
        if (error) *error = why;
        return false;
    };
    if (!QFileInfo(src).isFile()) return fail(QString("找不到文件“%1”").arg(src));
    if (!QFileInfo(dir).isDir()) return fail(QString("目录“%1”不存在").arg(dir));
    QString expected;
    try {
        expected = checksumOf(src);
    } catch (const store::Error& e) {
        return fail(e.text());
    }
    QFile::remove(tmp);  // a leftover of an interrupted copy
    QString why;
    if (!writeCopy(src, tmp, &why)) {
        // A small disk may hold the old copy and not a second one beside it:
        // the old one is about to be replaced anyway.
        QFile::remove(tmp);
        if (!QFileInfo::exists(dst) || !QFile::remove(dst)) return fail(why);
        platform::syncDirectory(dir);
        if (!writeCopy(src, tmp, &why)) return fail(why);
    }
    try {
        QFile f(tmp);
        if (!f.open(QIODevice::ReadOnly)) return fail(f.errorString());
        checkHeader(f.read(100), f.size(), dst);
        f.close();
        if (checksumOf(tmp) != expected) return fail("复制后的文件与原文件的数据不符");
    } catch (const store::Error& e) {
        return fail(e.text());
    }
    if (::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(dst).constData()) != 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    if (!platform::syncDirectory(dir)) {
        QFile::remove(dst);
        if (error) *error = "无法把目录写到磁盘";
        return false;
    }
    return true;
}

}  // namespace exchange
