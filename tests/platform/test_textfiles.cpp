// Text files in GB18030: every character has bytes, GBK characters keep
// GBK's bytes, and a file that cannot be written says so and keeps the old one.
#include "exchange/MountSupport.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct CharCase {
    const char* what;
    const char* utf8;
    const char* gb18030Hex;  // worked out from the standard's tables, not by the encoder
};

class Gb18030Bytes : public ::testing::TestWithParam<CharCase> {};

TEST_P(Gb18030Bytes, CharacterHasItsStandardBytes) {
    const CharCase& c = GetParam();
    QString why;
    EXPECT_EQ(platform::encodeGb18030(QString::fromUtf8(c.utf8), &why).toHex(), QByteArray(c.gb18030Hex))
        << c.what;
    EXPECT_TRUE(why.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Characters, Gb18030Bytes,
                         ::testing::Values(CharCase{"ascii", "A1-x", "41312d78"},
                                           CharCase{"gbk chinese", "保存数据成功",
                                                    "b1a3b4e6cafdbeddb3c9b9a6"},
                                           // Two-byte GBK punctuation stays two bytes.
                                           CharCase{"gbk punctuation", "：！", "a3baa3a1"},
                                           // Not in GBK: four bytes, BMP range table (U+00D8 is index 81).
                                           CharCase{"latin O slash", "Ø", "81308931"},
                                           CharCase{"umlaut", "jörg", "6a81308b327267"},
                                           // Outside the BMP: 0x90308130 + (cp - 0x10000) in base 10/126/10.
                                           CharCase{"emoji", "\xF0\x9F\x98\x80", "9439fc36"},
                                           CharCase{"cjk extension b", "\xF0\xA0\x80\x80", "95328236"},
                                           CharCase{"mixed", "单位😀号", "b5a5cebb9439fc36bac5"}),
                         [](const auto& info) {
                             std::string n = info.param.what;
                             for (char& ch : n)
                                 if (ch == ' ') ch = '_';
                             return n;
                         });

// GBK readers read the files as before: every GBK character keeps its
// bytes. The user-defined areas map to no character and are left out.
TEST(Gb18030, EveryGbkCharacterKeepsItsGbkBytes) {
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            QByteArray gbk;
            gbk.append(char(lead)).append(char(trail));
            QStringDecoder decoder("GBK");
            const QString ch = decoder.decode(gbk);
            ASSERT_FALSE(decoder.hasError());
            ASSERT_EQ(ch.size(), 1);
            const char16_t u = ch.at(0).unicode();
            if (u >= 0xE000 && u <= 0xF8FF) continue;  // private use
            ++checked;
            ASSERT_EQ(platform::encodeGb18030(ch).toHex(), gbk.toHex()) << "U+" << std::hex << int(u);
        }
    }
    EXPECT_GT(checked, 21000);  // the GBK repertoire, not an empty loop
}

TEST(Gb18030, AnUnpairedSurrogateIsRefusedNotDropped) {
    for (const QString& text : {QStringLiteral("ab") + QChar(0xD83D), QChar(0xDE00) + QStringLiteral("ab")}) {
        QString why;
        EXPECT_TRUE(platform::encodeGb18030(text, &why).isEmpty());
        EXPECT_FALSE(why.isEmpty());
    }
}

class TextFileWriter : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString file(const QString& name) const { return dir.filePath(name); }
};

TEST_F(TextFileWriter, WritesCrLfLinesAndReplacesTheFile) {
    const QString path = file("离休统筹导数日志文件2026-12-10.log");
    ASSERT_TRUE(platform::writeGb18030TextFile(path, "old\n"));
    QString why;
    ASSERT_TRUE(platform::writeGb18030TextFile(path, "路径：/home/jörg\n重复：A😀\r\n", &why))
        << why.toStdString();
    EXPECT_EQ(bytesOf(path).toHex(), QByteArray("c2b7beb6a3ba2f686f6d652f6a81308b3272670d0a"
                                                "d6d8b8b4a3ba419439fc360d0a"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary left behind
}

TEST_F(TextFileWriter, FailureLeavesTheEarlierFileAndSaysWhy) {
    const QString path = file("log.log");
    ASSERT_TRUE(platform::writeGb18030TextFile(path, "earlier\n"));
    QString why;
    EXPECT_FALSE(platform::writeGb18030TextFile(path, QStringLiteral("x") + QChar(0xD800), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(bytesOf(path), "earlier\r\n");

    // A directory in the way.
    const QString blocked = file("blocked.log");
    QDir().mkpath(blocked);
    why.clear();
    EXPECT_FALSE(platform::writeGb18030TextFile(blocked, "x\n", &why));
    EXPECT_FALSE(why.isEmpty());
}

TEST_F(TextFileWriter, AFullDiskFailsLoudlyAndKeepsTheEarlierFile) {
    TmpfsMount disk(file("small"), 64 * 1024);
    if (!disk.ok()) GTEST_SKIP() << "cannot mount a small file system here";
    const QString path = file("small/log.log");
    ASSERT_TRUE(platform::writeGb18030TextFile(path, "earlier\n"));
    QString why;
    EXPECT_FALSE(platform::writeGb18030TextFile(path, QString(200 * 1024, QChar(u'字')), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(bytesOf(path), "earlier\r\n");
    EXPECT_EQ(QDir(file("small")).entryList(QDir::Files).size(), 1);
}

}  // namespace
