#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>

#include "ui/Dialogs.h"

namespace {

// A short text must not make the box narrower than its caption in the title bar.
TEST(MessageBoxWidth, RoomForTheCaptionWhateverTheText) {
    QFont title = QApplication::font("QMdiSubWindowTitleBar");
    title.setBold(true);
    for (const QString& text :
         {QStringLiteral("x"), QStringLiteral("保存成功"), QString(80, QChar(0x4e2d))}) {
        QMessageBox box(QMessageBox::NoIcon, ui::applicationTitle(), text, QMessageBox::Ok);
        ui::fitCaption(&box);
        box.show();
        QApplication::processEvents();
        EXPECT_GE(box.width(), QFontMetrics(title).horizontalAdvance(box.windowTitle()) + 100)
            << text.size() << " characters of text";
        box.hide();
    }
}

}  // namespace
