// The first start's short date rule and the dated file names it leads to;
// the files the programs make are their owner's alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Settings.h"
#include "support/TestSupport.h"

namespace {

class Settings : public ::testing::Test {
  protected:
    void SetUp() override { platform::setSettingsFilePath(dir.filePath("config/Veyra.ini")); }
    void TearDown() override {
        platform::setSettingsFilePath(QString());
        platform::setToday(QDate());
    }
    QTemporaryDir dir;
};

TEST_F(Settings, TheFirstStartMakesTodaysDateTenCharacters) {
    const QDate day(2004, 5, 6);
    struct Case {
        const char* stored;  // nullptr: no sShortDate at all
        platform::ShortDateSetup::Outcome outcome;
        const char* after;
    } cases[] = {
        {nullptr, platform::ShortDateSetup::Installed, "yyyy-MM-dd"},  // as an installer would
        {"yyyy-MM-dd", platform::ShortDateSetup::Kept, "yyyy-MM-dd"},
        {"dd/MM/yyyy", platform::ShortDateSetup::Kept, "dd/MM/yyyy"},  // only the length counts
        {"dd.MM.yyyy", platform::ShortDateSetup::Kept, "dd.MM.yyyy"},
        {"yyyy-M-d", platform::ShortDateSetup::Replaced, "yyyy-MM-dd"},  // 2004-5-6
        {"yyyy/M/d", platform::ShortDateSetup::Replaced, "yyyy-MM-dd"},  // zh_CN's own
        {"M/d/yy", platform::ShortDateSetup::Replaced, "yyyy-MM-dd"},    // en_US's own
    };
    for (const Case& c : cases) {
        QFile::remove(platform::settingsFilePath());
        platform::writeSetting("DataDir", "/srv/data");
        if (c.stored) platform::setShortDateFormat(c.stored);
        const platform::ShortDateSetup s = platform::setUpShortDateFormat(day);
        EXPECT_EQ(s.outcome, c.outcome) << c.stored;
        EXPECT_EQ(platform::readSetting("sShortDate"), c.after) << c.stored;
        EXPECT_EQ(platform::shortDateFormat(), c.after) << c.stored;  // in force at once
        EXPECT_EQ(platform::readSetting("DataDir"), "/srv/data") << c.stored;
        if (c.outcome == platform::ShortDateSetup::Replaced) {
            const QString notice = platform::shortDateNotice(s);
            EXPECT_TRUE(notice.contains(QString("“%1”").arg(c.stored))) << notice.toStdString();
            EXPECT_TRUE(notice.contains(day.toString(c.stored))) << notice.toStdString();
            EXPECT_TRUE(notice.contains("yyyy-MM-dd")) << notice.toStdString();
            EXPECT_FALSE(notice.contains("重新启动")) << notice.toStdString();
        }
    }
}

// A settings file that cannot be written: the locale's format is judged as
// any other, and a wrong one is reported as such.
TEST_F(Settings, AnUnwritableSettingsFileLeavesTheFormatAndSaysWhy) {
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    platform::setSettingsFilePath(dir.filePath("plain/Veyra.ini"));
    const QString locale = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (const QDate day : {QDate(2004, 5, 6), QDate(2004, 12, 16)}) {
        const platform::ShortDateSetup s = platform::setUpShortDateFormat(day);
        EXPECT_EQ(s.format, locale);
        if (day.toString(locale).length() == 10) {
            EXPECT_EQ(s.outcome, platform::ShortDateSetup::Kept);
            continue;
        }
        EXPECT_EQ(s.outcome, platform::ShortDateSetup::Unwritable);
        const QString notice = platform::shortDateNotice(s);
        EXPECT_TRUE(notice.contains(platform::settingsFilePath())) << notice.toStdString();
        EXPECT_TRUE(notice.contains("sShortDate=yyyy-MM-dd")) << notice.toStdString();
    }
}

TEST_F(Settings, ADateInAFileNameHoldsNoPathSeparator) {
    platform::setToday(QDate(2026, 12, 11));
    struct Case {
        const char* format;
        const char* text;
    } cases[] = {
        {"yyyy-MM-dd", "2026-12-11"},   {"yyyy/MM/dd", "2026-12-11"}, {"yyyy/M/d", "2026-12-11"},
        {"dd\\MM\\yyyy", "11-12-2026"}, {"dd.MM.yyyy", "11.12.2026"},
    };
    for (const Case& c : cases) {
        platform::setShortDateFormat(c.format);
        EXPECT_EQ(platform::todayText(), c.text) << c.format;
    }
}

// A copy is its owner's alone, whatever the source's mode, and also where
// it replaces a file an earlier release left readable by all.
TEST(PrivateFiles, CopiesAreTheOwnersOnly) {
    QTemporaryDir dir;
    const QString src = dir.filePath("src.mdb"), dst = dir.filePath("dst.mdb");
    QFile f(src);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("register");
    f.close();
    ASSERT_EQ(::chmod(QFile::encodeName(src).constData(), 0644), 0);
    for (bool durable : {true, false}) {
        for (bool existing : {false, true}) {
            QFile::remove(dst);
            if (existing) {
                QFile old(dst);
                ASSERT_TRUE(old.open(QIODevice::WriteOnly));
                old.close();
                ASSERT_EQ(::chmod(QFile::encodeName(dst).constData(), 0644), 0);
            }
            ASSERT_TRUE(durable ? platform::copyFileDurably(src, dst) : platform::copyFile(src, dst));
            EXPECT_EQ(testing_support::fileMode(dst), 0600u) << durable << existing;
        }
    }
    EXPECT_EQ(testing_support::fileMode(src), 0644u);
}

}  // namespace
