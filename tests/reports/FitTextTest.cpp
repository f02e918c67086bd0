// Fitting a value into its cell: smaller first, then more lines, and only
// then a cut at a character boundary with a mark.
#include "reports/FitText.h"
#include "reports/Fonts.h"

#include <gtest/gtest.h>

#include <QTextBoundaryFinder>

using namespace reports;

namespace {

FontSpec arial(double pt) {
    FontSpec f;
    f.pointSize = pt;
    return f;
}

double widthAt(double pt, const QString& s) {
    return textSizeMm(arial(pt), s).width();
}

bool onGraphemeBoundary(const QString& text, qsizetype at) {
    QTextBoundaryFinder f(QTextBoundaryFinder::Grapheme, text);
    f.setPosition(at);
    return f.isAtBoundary();
}

// What every fitted value obeys, whatever the case.
void expectSound(const FittedText& f, const QString& text, double width, double room, double designPt) {
    EXPECT_GE(f.pointSize, kMinPointSize - 1e-9);
    EXPECT_LE(f.pointSize, designPt);
    ASSERT_FALSE(f.lines.isEmpty());
    for (const QString& line : f.lines) {
        EXPECT_LE(widthAt(f.pointSize, line), width + 1e-6) << line.toStdString();
        EXPECT_TRUE(line.isValidUtf16()) << "half a pair";
    }
    if (f.lines.size() > 1) {
        EXPECT_LE(f.lines.size() * lineHeightMm(arial(f.pointSize)), room + 1e-6);
    }
    QString printed = f.lines.join(QString());
    if (f.cut) {
        ASSERT_TRUE(printed.endsWith(kCutMark));
        printed.chop(kCutMark.size());
        EXPECT_EQ(f.pointSize, kMinPointSize);  // cut only at the smallest size
    }
    QString whole = text;
    whole.remove(QLatin1Char(' '));
    printed.remove(QLatin1Char(' '));
    if (f.cut) {
        EXPECT_TRUE(whole.startsWith(printed)) << printed.toStdString();
        EXPECT_TRUE(onGraphemeBoundary(whole, printed.size()));
        EXPECT_LT(printed.size(), whole.size());
    } else {
        EXPECT_EQ(printed, whole);
    }
}

struct FitCase {
    const char* name;
    QString text;
    double width;  // mm
    double room;   // mm below the top
    double pt;     // the form's size
    int lines;     // expected number of lines
    bool smaller;  // printed below the form's size
    bool cut;
};

void PrintTo(const FitCase& c, std::ostream* os) {
    *os << c.name;
}

class Fitting : public ::testing::TestWithParam<FitCase> {};

TEST_P(Fitting, ValueIsFittedInTheDescribedOrder) {
    const FitCase& c = GetParam();
    const FittedText f = fitText(arial(c.pt), c.text, c.width, c.room);
    if (c.text.isEmpty()) {
        EXPECT_TRUE(f.lines.isEmpty());
        EXPECT_EQ(f.pointSize, c.pt);
        return;
    }
    expectSound(f, c.text, c.width, c.room, c.pt);
    EXPECT_EQ(f.lines.size(), c.lines) << c.name;
    EXPECT_EQ(f.pointSize < c.pt, c.smaller) << c.name << " " << f.pointSize;
    EXPECT_EQ(f.cut, c.cut) << c.name;
}

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");
const QString kExtB = QString::fromUtf8("\xF0\xA0\x80\x80");

INSTANTIATE_TEST_SUITE_P(
    Cases, Fitting,
    ::testing::Values(
        // Fits as it is: untouched.
        FitCase{"fits", "13900000000", 22, 4, 10, 1, false, false},
        // A little too long: one step smaller, still one line (the phone number of the person form).
        FitCase{"phone one step", "010-64210000", 21.9, 7.6, 10, 1, true, false},
        // Down to the smallest size on one line before a second line is used.
        FitCase{"smallest one line", QString(8, QChar(u'中')), 19.0, 6.5, 10, 1, true, false},
        // Too long for one line even at 6 pt: two lines where the cell is tall enough.
        FitCase{"two lines", "中等专业学校或中等技术学校", 19.0, 6.5, 10, 2, true, false},
        // The same in a cell of one line: cut at the smallest size, with the mark.
        FitCase{"cut in a low cell", "中等专业学校或中等技术学校", 19.0, 3.0, 10, 1, true, true},
        // Two lines full: the second is cut.
        FitCase{"cut on the second line", QString(40, QChar(u'户')), 30.0, 6.5, 10, 2, true, true},
        // A long number breaks between digits, not at its end only.
        FitCase{"long digits", QString(45, QChar(u'7')), 30.0, 6.5, 10, 2, true, false},
        // Latin words break at spaces.
        FitCase{"words", "Bank of Beijing Dongcheng District Sub Branch Office", 30.0, 6.5, 10, 2, true,
                false},
        // Characters outside the BMP are never split.
        FitCase{"outside the bmp cut", QString(30, QChar(u'a')).replace(QChar(u'a'), kExtB) + kEmoji, 12.0,
                3.0, 10, 1, true, true},
        FitCase{"empty", "", 10, 4, 10, 0, false, false}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == ' ') ch = '_';
        return n;
    });

TEST(Fitting, EveryStepIsHalfAPointAndTheLargestThatFitsIsChosen) {
    const QString text = "010-64210000";
    const double width = widthAt(8.5, text) + 0.01;  // fits at 8.5, not at 9
    const FittedText f = fitText(arial(10), text, width, 4);
    EXPECT_EQ(f.pointSize, 8.5);
    EXPECT_EQ(f.lines, QStringList{text});
}

}  // namespace
