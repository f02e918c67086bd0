// The log area's lines: spooled to a private file in chunks, read back by
// index, written out as the transfer log file, and read by the window while a
// command on another thread appends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#include "exchange/LogArea.h"
#include "exchange/TransferLog.h"

namespace {

// Line i: ASCII, Chinese, a character outside the BMP, an empty line now and then.
QString lineText(int i) {
    if (i % 97 == 0) return QString();
    return QString("本条个人信息重复，其身份证号码为：1101011949%1 𠀋😀 %2")
        .arg(i, 8, 10, QChar('0'))
        .arg(QString(i % 13, QChar('x')));
}

QStringList expectedLines(int n) {
    QStringList lines;
    for (int i = 0; i < n; ++i) lines.append(lineText(i));
    return lines;
}

void writeLines(const QString& path, const QStringList& lines) {
    exchange::TransferLog log;
    log.append(lines);
    QString why;
    ASSERT_TRUE(log.writeFile(path, &why)) << why.toStdString();
}

TEST(TransferLog, LinesAcrossSeveralSpoolChunksReadBackAndWriteOutWhole) {
    // About 5 MB of text: several chunks in the spool and a tail in memory.
    const int n = 60000;
    const QStringList expected = expectedLines(n);
    exchange::TransferLog log;
    for (int from = 0; from < n; from += 777) log.append(expected.mid(from, 777));
    ASSERT_EQ(log.size(), n);
    EXPECT_EQ(log.all(), expected);
    for (int i : {0, 1, 97, n / 2, n - 1}) EXPECT_EQ(log.at(i), expected[i]) << i;
    EXPECT_TRUE(log.at(n).isNull());
    EXPECT_TRUE(log.at(-1).isNull());
    EXPECT_EQ(log.lines(0, 5), expected.mid(0, 5));
    EXPECT_EQ(log.lines(n - 3, 10), expected.mid(n - 3));
    EXPECT_TRUE(log.lines(n, 1).isEmpty());
    int longest = 0;
    for (const QString& l : expected) longest = qMax(longest, int(l.size()));
    EXPECT_EQ(log.longest(), longest);

    QTemporaryDir dir;
    const QString path = dir.filePath("log.txt");
    QString why;
    ASSERT_TRUE(log.writeFile(path, &why)) << why.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringEncoder enc("GB18030");
    QByteArray bytes;
    for (const QString& l : expected) {
        bytes += enc.encode(l);
        bytes += "\r\n";
    }
    EXPECT_TRUE(f.readAll() == bytes);

    // Cleared, it starts again from nothing, spool included.
    log.clear();
    EXPECT_EQ(log.size(), 0);
    EXPECT_TRUE(log.at(0).isNull());
    log.append({"甲", QString(), "乙"});
    EXPECT_EQ(log.all(), QStringList({"甲", QString(), "乙"}));
    EXPECT_EQ(log.longest(), 1);
}

TEST(TransferLog, AFileThatCannotBeWrittenIsReportedAndTheLinesStay) {
    exchange::TransferLog log;
    log.append({"一", "二"});
    QTemporaryDir dir;
    QString why;
    EXPECT_FALSE(log.writeFile(dir.filePath("missing/log.txt"), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(log.all(), QStringList({"一", "二"}));
}

QByteArray gb18030(const QStringList& lines) {
    QStringEncoder enc("GB18030");
    QByteArray bytes;
    for (const QString& l : lines) bytes += enc.encode(l) + "\r\n";
    return bytes;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// During a transfer the lines go straight into the new version of the log
// file: it takes the file's place at the commit with every line so far, the
// lines after it wait for the next version, and a transfer that is rolled
// back leaves the file as it was. Nothing else is left in the folder.
TEST(TransferLog, TheLogFileIsWrittenAsTheLinesArriveAndReplacedAtTheCommit) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.txt");
    exchange::TransferLog log;
    const QStringList start{"开始", "甲"};
    log.append(start);
    // A large transfer: its lines reach the file in several chunks meanwhile.
    const QStringList first = expectedLines(30000);
    log.beginFile(path);
    for (int from = 0; from < first.size(); from += 1000) log.append(first.mid(from, 1000));
    EXPECT_FALSE(QFileInfo::exists(path));
    QString why;
    ASSERT_TRUE(log.commitFile(&why)) << why.toStdString();
    EXPECT_TRUE(fileBytes(path) == gb18030(start + first));
    log.append(QStringList{"操作完毕！"});
    EXPECT_TRUE(fileBytes(path) == gb18030(start + first));

    // Rolled back: the earlier file stays, byte for byte.
    log.beginFile(path);
    log.append({"本条个人信息重复，其身份证号码为：110101194001010011", "出错原因：x"});
    log.abandonFile();
    EXPECT_TRUE(fileBytes(path) == gb18030(start + first));

    // The next one holds everything since the start, the rolled-back lines too.
    log.beginFile(path);
    log.append(QStringList{"第二次"});
    ASSERT_TRUE(log.commitFile(&why)) << why.toStdString();
    EXPECT_TRUE(fileBytes(path) == gb18030(log.all()));
    EXPECT_EQ(log.all().size(), start.size() + first.size() + 4);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"log.txt"});
    // The lines read back from where they are stored.
    EXPECT_EQ(log.at(2), first[0]);
    EXPECT_EQ(log.lines(int(start.size()), 3), first.mid(0, 3));
    EXPECT_EQ(log.text(0, 2), "开始\n甲\n");
    // What veyra-transfer prints: the same text as UTF-8, characters of two
    // and four bytes in the file included.
    EXPECT_TRUE(log.utf8(0, log.size()) == log.text(0, log.size()).toUtf8());
}

// A log file that cannot be made (no such folder) or takes a line without a
// GB18030 form is reported at the commit; the earlier file stays and every
// line stays in the log as it was given.
TEST(TransferLog, ALogFileThatCannotBeWrittenIsToldAtTheCommit) {
    QTemporaryDir dir;
    exchange::TransferLog log;
    log.append(QStringList{"一"});
    log.beginFile(dir.filePath("missing/log.txt"));
    log.append(expectedLines(20000));
    QString why;
    EXPECT_FALSE(log.commitFile(&why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(log.size(), 20001);
    EXPECT_EQ(log.at(20000), expectedLines(20000).last());

    const QString path = dir.filePath("log.txt");
    writeLines(path, {"旧"});
    const QString lone = QString("半个") + QChar(0xd800);
    log.beginFile(path);
    log.append(QStringList{lone});
    EXPECT_FALSE(log.commitFile(&why));
    EXPECT_EQ(why, "文本含有无效的字符编码");
    EXPECT_EQ(log.at(log.size() - 1), lone);
    EXPECT_TRUE(log.utf8(log.size() - 1, 1) == lone.toUtf8() + '\n');
    EXPECT_TRUE(fileBytes(path) == gb18030({"旧"}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"log.txt"});
}

// The window reads the count and the last line while a command appends:
// every line it sees is whole and in its place.
TEST(TransferLog, ReadWhileAnotherThreadAppends) {
    const int n = 80000;
    const QStringList expected = expectedLines(n);
    exchange::TransferLog log;
    std::unique_ptr<QThread> writer(QThread::create([&] {
        for (int from = 0; from < n; from += 50) log.append(expected.mid(from, 50));
    }));
    writer->start();
    int reads = 0;
    while (!writer->isFinished() || reads == 0) {
        const qsizetype size = log.size();
        if (size > 0) {
            ASSERT_EQ(log.at(size - 1), expected[int(size - 1)]) << size;
            const QStringList some = log.lines(size / 2, 3);
            ASSERT_EQ(some, expected.mid(int(size / 2), int(some.size())));
            ++reads;
        }
    }
    writer->wait();
    EXPECT_EQ(log.all(), expected);
}

// The log area follows the end while the operator leaves it there, stays
// where the operator scrolled to, and counts a million lines as easily as ten.
TEST(LogArea, FollowsTheEndUnlessScrolledAway) {
    exchange::TransferLog log;
    LogArea area(log);
    area.resize(400, 200);
    area.show();
    const auto atEnd = [&] {
        return area.verticalScrollBar()->value() == area.verticalScrollBar()->maximum();
    };

    log.append(expectedLines(1000));
    area.showAppended();
    EXPECT_EQ(area.lineCount(), 1000);
    EXPECT_TRUE(atEnd());
    const qsizetype page = area.lineCount() - area.firstVisibleLine();
    EXPECT_GT(page, 3);

    area.verticalScrollBar()->setValue(10);
    log.append(expectedLines(500));
    area.showAppended();
    EXPECT_EQ(area.lineCount(), 1500);
    EXPECT_EQ(area.firstVisibleLine(), 10);

    area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum());
    QStringList many;
    for (int i = 0; i < 1000000; ++i) many.append(QString::number(i));
    log.append(many);
    area.showAppended();
    EXPECT_EQ(area.lineCount(), 1001500);
    EXPECT_EQ(area.firstVisibleLine(), 1001500 - page);
    EXPECT_EQ(area.toPlainText().size(), log.all().join('\n').size());

    log.clear();
    area.clear();
    EXPECT_EQ(area.lineCount(), 0);
    EXPECT_TRUE(area.toPlainText().isEmpty());
    EXPECT_EQ(area.firstVisibleLine(), 0);
}

// Lines can be picked with the mouse and the keyboard and copied whole.
TEST(LogArea, SelectedLinesAreCopied) {
    exchange::TransferLog log;
    const QStringList lines = expectedLines(300);
    log.append(lines);
    LogArea area(log);
    area.resize(400, 200);
    area.show();
    area.showAppended();
    const auto key = [&](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, k, m);
        QApplication::sendEvent(&area, &press);
    };

    EXPECT_TRUE(area.selectedText().isEmpty());
    key(Qt::Key_Home);
    EXPECT_EQ(area.firstVisibleLine(), 0);
    key(Qt::Key_Down);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(area.selectedText(), lines.mid(1, 3).join('\n'));

    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(area.selectedText(), lines.mid(1).join('\n'));
    EXPECT_EQ(area.firstVisibleLine(), area.verticalScrollBar()->maximum());

    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), lines.join('\n'));
}

}  // namespace
