// What a desktop expects of the program: Qt's own texts in Chinese, the
// window icon and desktop entry, names for controls that show no label.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QIcon>
#include <QPushButton>

#include "app/Desktop.h"
#include "app/TForm_login.h"
#include "employer/TForm_cop_info.h"
#include "person/TForm_per_info.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

TEST(QtTranslations, FallBackToSimplifiedChineseAndTranslateQtsOwnTexts) {
    // The tests run in the C locale, for which Qt has no translation.
    ASSERT_EQ(QLocale::system().language(), QLocale::C);
    ASSERT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
    EXPECT_EQ(app::installQtTranslations(), "zh_CN");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "取消");
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), "打印");

    // The file chooser of 数据交换 as the operator sees it.
    QFileDialog chooser(nullptr, QString(), QString(), "*.mdb");
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    auto* buttons = chooser.findChild<QDialogButtonBox*>();
    ASSERT_TRUE(buttons);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), "取消");
    EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text(), "打开(&O)");
}

TEST(DesktopIdentity, IconAndDesktopEntry) {
    app::setDesktopIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), "org.veyra.Veyra");
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 48, 256}) EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    // The pixels themselves: the icon's blue square, not an empty image.
    const QImage image = icon.pixmap(48, 48).toImage();
    EXPECT_EQ(image.pixelColor(24, 8), QColor("#1f5f9f"));
}

// Controls that show no label of their own still have a name for assistive tools.
TEST(AccessibleNames, ControlsWithoutVisibleLabel) {
    WorkDir work;
    RecordingDialogs dialogs;
    TForm_login login;
    TForm_cop_info employer;
    TForm_per_info person;
    const QList<QPair<QWidget*, const char*>> unnamed = {
        {&login, "Edit_username"},    {&login, "Edit_password"},  {&employer, "Edit_KHYHDM"},
        {&employer, "Edit_ZFKHYHDM"}, {&employer, "Button1"},     {&employer, "Button2"},
        {&employer, "Button3"},       {&person, "Edit_HOSNAME1"}, {&person, "Edit_HOSNAME2"},
        {&person, "Edit_HOSNAME3"},   {&person, "Edit_HOSNAME4"}, {&person, "Edit_HOSNAME5"}};
    QStringList names;
    for (const auto& [window, name] : unnamed) {
        auto* w = window->findChild<QWidget*>(name);
        ASSERT_TRUE(w) << name;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << name;
        names << w->accessibleName();
    }
    EXPECT_EQ(names.first(), "用户名");
    EXPECT_EQ(names.removeDuplicates(), 0) << names.join(' ').toStdString();
}

}  // namespace
