// Width limits count characters (code points), as the store does: a field
// takes as many characters as its column holds, never half a pair, and shows
// a stored value whole.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QRegularExpressionValidator>
#include <QTest>
#include <QVBoxLayout>

#include "store/Connection.h"
#include "store/Error.h"
#include "store/Table.h"
#include "support/TestSupport.h"
#include "ui/DBEdit.h"
#include "ui/LineEdit.h"

using namespace testing_support;

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // U+1F600
const QString kExtB = QString::fromUtf8("\xF0\xA0\x80\x80");   // U+20000 𠀀
const QString kCombined = QString::fromUtf8("e\xCC\x81");      // e + combining acute: one cluster

enum class Way { Keys, Paste, InputMethod };

struct EntryCase {
    const char* name;
    QString before;  // already in the field (SHORTNAME, 20 characters)
    Way way;
    QString entered;
    QString after;  // what the field then shows, and the store keeps
};

void PrintTo(const EntryCase& c, std::ostream* os) {
    *os << c.name;
}

class FieldEntry : public ::testing::TestWithParam<EntryCase> {
  protected:
    void SetUp() override {
        c.open(w.database());
        window.resize(400, 200);
        auto* layout = new QVBoxLayout(&window);
        table = std::make_unique<store::Table>(&c, "M_CORPORATION");
        table->open();
        table->insert();
        table->setValue("SSN", "110000000001");
        field = new ui::DBEdit(table.get(), "SHORTNAME", &window);
        other = new ui::DBEdit(table.get(), "NAME", &window);
        layout->addWidget(field);
        layout->addWidget(other);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void enter(Way way, const QString& text) {
        field->setFocus();
        field->end(false);
        switch (way) {
            case Way::Keys:
                typeText(field, text);
                break;
            case Way::Paste:
                QGuiApplication::clipboard()->setText(text);
                field->paste();
                break;
            case Way::InputMethod: {
                QInputMethodEvent commit;
                commit.setCommitString(text);
                QApplication::sendEvent(field, &commit);
                break;
            }
        }
    }
    WorkDir w;
    store::Connection c;
    QWidget window;
    std::unique_ptr<store::Table> table;
    ui::DBEdit* field = nullptr;
    ui::DBEdit* other = nullptr;
};

TEST_P(FieldEntry, FieldKeepsWholeCharactersUpToItsWidthAndTheStoreKeepsThem) {
    const EntryCase& e = GetParam();
    field->setFocus();
    typeText(field, e.before);
    ASSERT_EQ(field->text(), e.before);
    enter(e.way, e.entered);
    EXPECT_EQ(field->text(), e.after) << e.name;
    EXPECT_TRUE(field->text().isValidUtf16()) << e.name;
    EXPECT_LE(store::characterCount(field->text()), 20);
    other->setFocus();  // leaving the field writes it
    table->post();
    // Exactly what was shown, and the engine counts it as the field did.
    EXPECT_EQ(c.scalar("SELECT SHORTNAME FROM M_CORPORATION").toString(), e.after) << e.name;
    EXPECT_EQ(c.scalar("SELECT length(SHORTNAME) FROM M_CORPORATION").toInt(),
              store::characterCount(e.after));
}

const QString k19 = QString(19, QChar(u'单'));
const QString k18 = QString(18, QChar(u'a'));

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldEntry,
    ::testing::Values(
        // The last free place takes a character outside the BMP, by any way in.
        EntryCase{"emoji typed last", k19, Way::Keys, kEmoji, k19 + kEmoji},
        EntryCase{"ext b pasted last", k19, Way::Paste, kExtB, k19 + kExtB},
        EntryCase{"ext b from input method", k19, Way::InputMethod, kExtB, k19 + kExtB},
        // A full field takes nothing more: no half pair is left behind.
        EntryCase{"emoji into a full field", k19 + "Ø", Way::Keys, kEmoji, k19 + "Ø"},
        EntryCase{"paste into a full field", k19 + "x", Way::Paste, kEmoji + kEmoji, k19 + "x"},
        // An insertion too long is shortened by whole characters from its end.
        EntryCase{"paste cut after the emoji", k19, Way::Paste, kEmoji + "x", k19 + kEmoji},
        EntryCase{"paste cut before the emoji", k19, Way::Paste, "x" + kEmoji, k19 + "x"},
        EntryCase{"input method cut", k18, Way::InputMethod, kExtB + kEmoji + kExtB, k18 + kExtB + kEmoji},
        // A cluster is kept or dropped as one.
        EntryCase{"combining mark", k19, Way::Paste, kCombined, k19},
        EntryCase{"combining mark fits", k18, Way::Paste, kCombined, k18 + kCombined},
        // Twenty characters in 24 UTF-16 units all fit.
        EntryCase{"four outside the bmp", QString(16, QChar(u'保')), Way::Keys,
                  kEmoji + kExtB + kEmoji + kExtB + "z",
                  QString(16, QChar(u'保')) + kEmoji + kExtB + kEmoji + kExtB},
        EntryCase{"ascii and gbk", "abc", Way::Keys, "保存数据成功", "abc保存数据成功"}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == ' ') ch = '_';
        return n;
    });

TEST_F(FieldEntry, StoredValueOfFullWidthShowsWhole) {
    const QString stored =
        QString(16, QChar(u'成')) + kEmoji + kExtB + kEmoji + kExtB;  // 20 characters, 24 units
    c.execute("INSERT INTO M_CORPORATION (SSN, SHORTNAME) VALUES ('110000000002', ?)", {stored});
    table->cancel();
    table->requery();
    ASSERT_TRUE(table->locate("SSN", "110000000002"));
    EXPECT_EQ(field->text(), stored);
    EXPECT_EQ(field->maxLength(), 20);
    // Typing at its end adds nothing; deleting one character frees one place.
    field->setFocus();
    field->end(false);
    typeText(field, kEmoji);
    EXPECT_EQ(field->text(), stored);
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->text(), stored.chopped(2));  // the whole pair went
    typeText(field, kEmoji);
    EXPECT_EQ(field->text(), stored.chopped(2) + kEmoji);
}

TEST(LineEdit, PlainFieldLimitsByCharactersAndKeepsItsValidator) {
    ui::LineEdit e;
    e.setMaxLength(12);
    EXPECT_EQ(e.maxLength(), 12);
    e.setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9A-Za-z\\x{1F600}]*"), &e));
    e.setFocus();
    typeText(&e, "11000000000" + kEmoji + "9");
    EXPECT_EQ(e.text(), "11000000000" + kEmoji);
    e.clear();
    typeText(&e, "12中3");  // refused by the validator, not by the limit
    EXPECT_EQ(e.text(), "123");
    // A text set from the program is held to the limit too, by whole characters.
    e.setText(QString(11, QChar(u'1')) + kEmoji + kEmoji);
    EXPECT_EQ(e.text(), QString(11, QChar(u'1')) + kEmoji);
}

TEST(LineEdit, HalfAPairIsNeverTaken) {
    ui::LineEdit e;
    e.setMaxLength(5);
    QGuiApplication::clipboard()->setText(QStringLiteral("ab") + QChar(0xD83D));
    e.paste();
    EXPECT_TRUE(e.text().isEmpty());
}

}  // namespace
