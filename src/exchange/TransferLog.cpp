#include "exchange/TransferLog.h"

#include <QMutexLocker>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTemporaryFile>

namespace exchange {

namespace {
// Bytes gathered before one write to the spool.
constexpr qsizetype kSpoolChunk = 1 << 20;
}  // namespace

TransferLog::TransferLog() = default;
TransferLog::~TransferLog() = default;

void TransferLog::append(const QStringList& lines) {
    QMutexLocker lock(&mutex_);
    // Encoded straight into the tail: no text of its own per line.
    qsizetype need = 0;
    for (const QString& line : lines) need += line.size() * 3 + 1;
    qsizetype used = tail_.size();
    tail_.resize(used + need);
    QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    for (const QString& line : lines) {
        char* end = utf8.appendToBuffer(tail_.data() + used, line);
        *end++ = '\n';
        used = end - tail_.constData();
        ends_.append(spooled_ + used);
        longest_ = qMax(longest_, int(line.size()));
    }
    tail_.truncate(used);
    if (tail_.size() < kSpoolChunk || failed_) return;
    if (!spool_) {
        spool_ = std::make_unique<QTemporaryFile>();
        if (!spool_->open()) {
            // Without a spool the lines stay in memory; nothing is lost.
            spool_.reset();
            failed_ = true;
            return;
        }
    }
    if (!spool_->seek(spooled_) || spool_->write(tail_) != tail_.size()) {
        failed_ = true;
        return;
    }
    spooled_ += tail_.size();
    tail_.clear();
}

void TransferLog::clear() {
    QMutexLocker lock(&mutex_);
    spool_.reset();
    ends_.clear();
    ends_.squeeze();
    tail_.clear();
    spooled_ = 0;
    longest_ = 0;
    failed_ = false;
}

qsizetype TransferLog::size() const {
    QMutexLocker lock(&mutex_);
    return ends_.size();
}

int TransferLog::longest() const {
    QMutexLocker lock(&mutex_);
    return longest_;
}

// Caller holds the mutex.
QByteArray TransferLog::bytes(qint64 from, qint64 to) const {
    QByteArray out;
    if (from < spooled_) {
        const qint64 end = qMin(to, spooled_);
        spool_->seek(from);
        out = spool_->read(end - from);
        from = end;
    }
    if (from < to) out += tail_.mid(from - spooled_, to - from);
    return out;
}

QString TransferLog::at(qsizetype i) const {
    QMutexLocker lock(&mutex_);
    if (i < 0 || i >= ends_.size()) return {};
    const qint64 from = i == 0 ? 0 : ends_[i - 1];
    return QString::fromUtf8(bytes(from, ends_[i] - 1));
}

QStringList TransferLog::lines(qsizetype from, qsizetype n) const {
    QMutexLocker lock(&mutex_);
    QStringList out;
    from = qMax<qsizetype>(from, 0);
    const qsizetype to = qMin(from + n, ends_.size());
    if (from >= to) return out;
    const qint64 start = from == 0 ? 0 : ends_[from - 1];
    const QByteArray b = bytes(start, ends_[to - 1]);
    out.reserve(to - from);
    qsizetype at = 0;
    for (qsizetype i = from; i < to; ++i) {
        const qsizetype len = ends_[i] - start - at - 1;
        out.append(QString::fromUtf8(b.constData() + at, len));
        at += len + 1;
    }
    return out;
}

bool TransferLog::writeFile(const QString& path, QString* error) const {
    // The lines there are now. The lock is held for one chunk's read at a
    // time, so the window showing the log is never kept waiting for the file.
    qsizetype count = 0;
    {
        QMutexLocker lock(&mutex_);
        count = ends_.size();
    }
    // Written beside and renamed over: a failure leaves the earlier file whole.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = f.errorString();
        return false;
    }
    // GB18030: GBK's bytes for every GBK character, a form for every other.
    QStringEncoder enc("GB18030");
    qint64 from = 0;
    qsizetype line = 0;
    QByteArray out;
    while (line < count) {
        // Whole lines of about one chunk at a time.
        QByteArray utf8;
        QVector<qint64> chunkEnds;
        {
            QMutexLocker lock(&mutex_);
            qsizetype last = line;
            while (last + 1 < count && ends_[last] - from < kSpoolChunk) ++last;
            chunkEnds = ends_.mid(line, last - line + 1);
            utf8 = bytes(from, ends_[last]);
        }
        // The chunk's lines with CR LF, encoded in one go: a call per line costs more than its text.
        QByteArray crlf;
        crlf.reserve(utf8.size() + chunkEnds.size());
        qsizetype at = 0;
        for (const qint64 end : chunkEnds) {
            const qsizetype len = end - from - at - 1;
            crlf.append(utf8.constData() + at, len);
            crlf.append("\r\n", 2);
            at += len + 1;
        }
        const QString text = QString::fromUtf8(crlf);
        // The encoder would hold back a lone high surrogate without an error.
        if (!text.isValidUtf16()) {
            if (error) *error = QStringLiteral("文本含有无效的字符编码");
            f.cancelWriting();
            return false;
        }
        out = enc.encode(text);
        if (!enc.isValid() || enc.hasError()) {
            if (error) *error = QStringLiteral("文本无法以GB18030编码写出");
            f.cancelWriting();
            return false;
        }
        if (f.write(out) != out.size()) {
            if (error) *error = f.errorString();
            return false;
        }
        from = chunkEnds.last();
        line += chunkEnds.size();
    }
    if (!f.commit()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

}  // namespace exchange
