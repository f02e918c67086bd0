#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Every test runs offscreen, in a UTF-8 locale and over the source tree's
    // data, whatever the shell that started it had; set before the
    // application reads them.
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LANG", "C.UTF-8");
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("VEYRA_DATA_DIR", VEYRA_TEST_DATA_DIR);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Veyra");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
