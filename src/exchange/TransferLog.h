#pragma once

#include <QFile>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

class QTemporaryFile;

namespace exchange {

// The lines of the log area since the window was last shown. A transfer of a
// million rows writes millions of lines, so they are spooled to a private
// temporary file as UTF-8 and only their offsets are kept in memory; a line
// is read back when it is shown or written. Appending and reading may happen
// on different threads.
class TransferLog {
  public:
    TransferLog();
    ~TransferLog();
    TransferLog(const TransferLog&) = delete;
    TransferLog& operator=(const TransferLog&) = delete;

    void append(const QStringList& lines);
    void append(const QString& line) { append(QStringList{line}); }
    void clear();
    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    QString at(qsizetype i) const;
    // Lines [from, from + n), in order.
    QStringList lines(qsizetype from, qsizetype n) const;
    QStringList all() const { return lines(0, size()); }
    // The longest line so far, in characters (for a horizontal scroll range).
    int longest() const;

    // Writes every line, each ended by CR LF, as GB18030, replacing the file
    // only once every byte reached it.
    // Streams: memory stays small whatever the number of lines. Lines appended
    // meanwhile are left for the next file.
    bool writeFile(const QString& path, QString* error) const;

  private:
    QByteArray bytes(qint64 from, qint64 to) const;

    mutable QMutex mutex_;
    std::unique_ptr<QTemporaryFile> spool_;
    QVector<qint64> ends_;  // offset just past each line's '\n'
    QByteArray tail_;       // appended bytes not yet in the spool
    qint64 spooled_ = 0;    // bytes in the spool file
    int longest_ = 0;
    bool failed_ = false;  // the spool could not be written: keep everything in tail_
};

}  // namespace exchange
