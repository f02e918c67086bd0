// What a desktop expects of the program: Qt's own texts in Chinese, the
// window icon and desktop entry, names for controls that show no label.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QIcon>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>

#include "app/Desktop.h"
#include "app/TForm_login.h"
#include "employer/TForm_cop_info.h"
#include "person/TForm_per_info.h"
#include "support/PrivateDisplay.h"
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

const char* const kWmClassChild = "VEYRA_WMCLASS_CHILD";

// The half that runs on the private display: the program's name as run()
// sets it, a window, and its WM_CLASS as the X server holds it.
TEST(DesktopIdentity, ChildPrintsItsWmClass) {
    if (qEnvironmentVariableIsEmpty(kWmClassChild))
        GTEST_SKIP() << "runs only as the child of the test below";
    QCoreApplication::setApplicationName(QString());
    app::setDesktopIdentity();
    QWidget w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(w.winId()), "WM_CLASS"});
    ASSERT_TRUE(xprop.waitForFinished(10000));
    std::printf("%s", xprop.readAllStandardOutput().constData());
    std::fflush(stdout);
}

// Docks and task switchers match the window to the menu entry by its class.
TEST(DesktopIdentity, TheDesktopEntryNamesTheWindowsClass) {
    if (!qEnvironmentVariableIsEmpty(kWmClassChild)) GTEST_SKIP();
    QFile entry(VEYRA_DESKTOP_ENTRY);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    QString wmClass;
    for (const QString& line : QString::fromUtf8(entry.readAll()).split('\n'))
        if (line.startsWith("StartupWMClass=")) wmClass = line.mid(15);
    ASSERT_FALSE(wmClass.isEmpty()) << "no StartupWMClass";

    if (!PrivateDisplay::available(false) || QStandardPaths::findExecutable("xprop").isEmpty())
        GTEST_SKIP() << "needs Xvfb and xprop";
    PrivateDisplay x;
    const QString failed = x.start(false);
    ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();
    QProcessEnvironment env = x.environment();
    env.insert(kWmClassChild, "1");
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=DesktopIdentity.ChildPrintsItsWmClass"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    ASSERT_EQ(child.exitCode(), 0) << out.toStdString() << child.readAllStandardError().toStdString();
    // WM_CLASS(STRING) = "instance", "class"
    const QRegularExpressionMatch m =
        QRegularExpression(R"re(WM_CLASS\(STRING\) = "([^"]*)", "([^"]*)")re").match(out);
    ASSERT_TRUE(m.hasMatch()) << out.toStdString();
    EXPECT_EQ(m.captured(2), wmClass);
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
