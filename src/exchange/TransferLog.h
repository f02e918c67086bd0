#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringEncoder>
#include <QStringList>
#include <QVector>
#include <memory>
#include <vector>

namespace exchange {

// Log lines in the form the transfer log file holds them: GB18030 (GBK's
// bytes for every GBK character, a form for every other), each line ended
// by CR LF. A batch is built on the transfer's side and handed over whole.
class EncodedLines {
  public:
    void add(const QString& line);
    // A line made of a text encoded beforehand (see encode()) and a value as
    // the engine gives it (UTF-8).
    void add(const QByteArray& encodedPrefix, int prefixChars, const char* utf8, qsizetype bytes);
    static QByteArray encode(const QString& text);

    qsizetype size() const { return ends_.size(); }
    bool isEmpty() const { return ends_.isEmpty(); }
    void clear();

  private:
    friend class TransferLog;
    void ended(int chars);
    QStringEncoder enc_{"GB18030", QStringConverter::Flag::Stateless};
    QByteArray bytes_;
    QVector<qsizetype> ends_;  // offset just past each line's CR LF
    QHash<int, QString> odd_;  // lines without a GB18030 form (a lone surrogate), as given
    int longest_ = 0;
};

// The lines of the log area since the window was last shown, stored once,
// in the file's own form: the window's log area and veyra-transfer's output
// read them back from here, and during a transfer the lines go straight into
// the new version of the day's log file. Only offsets stay in memory, so a
// transfer of millions of lines costs no more memory than a few. Appending
// (one thread at a time) and reading may happen on different threads.
class TransferLog {
  public:
    TransferLog();
    ~TransferLog();
    TransferLog(const TransferLog&) = delete;
    TransferLog& operator=(const TransferLog&) = delete;

    void append(const QStringList& lines);
    void append(const QString& line) { append(QStringList{line}); }
    void append(const EncodedLines& lines);
    void clear();
    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    QString at(qsizetype i) const;
    // Lines [from, from + n), in order.
    QStringList lines(qsizetype from, qsizetype n) const;
    QStringList all() const { return lines(0, size()); }
    // The same lines as one text, each followed by '\n'.
    QString text(qsizetype from, qsizetype n) const;
    // The same as UTF-8 (what a terminal shows), each line followed by '\n'.
    QByteArray utf8(qsizetype from, qsizetype n) const;
    // The longest line so far, in characters (for a horizontal scroll range).
    int longest() const;

    // Writes every line to a file of its own, replacing it only once every
    // byte reached it. Lines appended meanwhile are left for the next file.
    bool writeFile(const QString& path, QString* error) const;

    // The log file of a transfer, written as its lines arrive: from
    // beginFile() the log goes into a new version of the file at path that
    // starts with every line so far; commitFile() flushes it to the disk and
    // puts it in place of the file (lines appended later go to the next
    // version); abandonFile() leaves the file at path as it was. A failure
    // to create or write the new version is told by commitFile().
    void beginFile(const QString& path);
    bool commitFile(QString* error);
    void abandonFile();

  private:
    struct Segment;
    struct Pending;
    // Offsets just past each line's CR LF, in blocks that never move: a log
    // of millions of lines grows without copying what it holds.
    class LineEnds {
      public:
        qsizetype size() const { return size_; }
        bool isEmpty() const { return size_ == 0; }
        qint64 operator[](qsizetype i) const { return blocks_[size_t(i >> kShift)][i & kMask]; }
        qint64 last() const { return (*this)[size_ - 1]; }
        void append(qint64 end) {
            if (size_t(size_ >> kShift) == blocks_.size())
                blocks_.push_back(std::make_unique<qint64[]>(kMask + 1));
            blocks_[size_t(size_ >> kShift)][size_ & kMask] = end;
            ++size_;
        }
        void clear() {
            blocks_.clear();
            size_ = 0;
        }

      private:
        static constexpr int kShift = 16;
        static constexpr qsizetype kMask = (qsizetype(1) << kShift) - 1;
        std::vector<std::unique_ptr<qint64[]>> blocks_;
        qsizetype size_ = 0;
    };
    void appendBytes(const char* data, qsizetype n, const QVector<qsizetype>& ends, int longest,
                     const QHash<int, QString>& odd);
    void spill();
    QByteArray bytes(qint64 from, qint64 to) const;
    void dropSegments();

    mutable QMutex mutex_;
    std::vector<Segment> segments_;  // the stored bytes, oldest first
    LineEnds ends_;
    QByteArray tail_;    // appended bytes not yet stored
    qint64 stored_ = 0;  // bytes in the segments
    int longest_ = 0;
    QHash<qsizetype, QString> odd_;  // lines without a GB18030 form, by index
    // Runs of characters beyond ASCII (the fixed words of the lines, mostly)
    // as UTF-8, so that each is converted once.
    mutable QHash<QByteArray, QByteArray> runs_;
    bool spillFailed_ = false;  // nothing can be stored: everything stays in tail_
    std::unique_ptr<Pending> pending_;
};

}  // namespace exchange
