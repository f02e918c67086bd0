// A 20-character field filled to its last place with characters outside the
// BMP: what the window shows is what is stored, whole.
#include "EmployerFixture.h"

#include <QStringList>

#include "app/globals/Globals.h"

namespace {

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");
const QString kExtB = QString::fromUtf8("\xF0\xA0\x80\x80");

TEST_F(EmployerWindowTest, LastPlaceOfAFieldTakesAnEmojiAndStoresIt) {
    fillValid();
    focus(w->DBEdit_DWJC);  // SHORTNAME, 20 characters
    w->DBEdit_DWJC->selectAll();
    testing_support::typeText(w->DBEdit_DWJC,
                              "简称Ø" + kExtB + kExtB + QString(14, QChar(u'a')) + kEmoji + "b");
    const QString shown = "简称Ø" + kExtB + kExtB + QString(14, QChar(u'a')) + kEmoji;  // 20 characters
    EXPECT_EQ(w->DBEdit_DWJC->text(), shown);
    key(Qt::Key_F1);
    EXPECT_EQ(dialogs.texts(), QStringList{"数据保存成功"});
    EXPECT_EQ(storedValue(kSsn, "SHORTNAME"), shown);
    // Opened again, it shows whole.
    openStored(kSsn);
    EXPECT_EQ(w->DBEdit_DWJC->text(), shown);
}

}  // namespace
