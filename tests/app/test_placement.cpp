// Window sizes and centring under a real window manager. Offscreen there is
// no frame, so the outer size cannot go wrong there; a window manager adds
// its frame only some events after the window is shown. The test starts a
// private X server (Xvfb) with openbox and runs the measuring half of itself
// in a child process on that display; it skips where either program is missing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_query.h"
#include "person/TForm_Person_query.h"
#include "support/PrivateDisplay.h"
#include "support/TestSupport.h"

namespace {

const char* const kChildVariable = "VEYRA_PLACEMENT_CHILD";

// Shows a window and waits until the window manager has framed it (or a
// few seconds passed), then prints its outer rectangle and the desktop.
void measure(const char* name, QWidget& w) {
    w.show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 4000 && w.frameGeometry().size() == w.size()) QTest::qWait(50);
    QTest::qWait(500);  // the window places itself again once framed
    const QRect f = w.frameGeometry();
    const QRect d = w.screen()->availableGeometry();
    std::printf("PLACED %s %d %d %d %d %d %d %d %d\n", name, f.x(), f.y(), f.width(), f.height(), d.x(),
                d.y(), d.width(), d.height());
    std::fflush(stdout);
    w.hide();
}

// The half that runs on the private display.
TEST(WindowPlacement, ChildMeasuresOnTheDisplay) {
    if (qEnvironmentVariableIsEmpty(kChildVariable))
        GTEST_SKIP() << "runs only as the child of the test below";
    testing_support::WorkDir work;
    TForm_cop_query cop;
    measure("cop_query", cop);
    TForm_Person_query person;
    measure("person_query", person);
    TForm_XGSBDJZH change;
    measure("change_number", change);
}

TEST(WindowPlacement, OuterSizeAndCentreUnderAWindowManager) {
    if (!qEnvironmentVariableIsEmpty(kChildVariable)) GTEST_SKIP();
    if (!testing_support::PrivateDisplay::available(true)) GTEST_SKIP() << "needs Xvfb and openbox";
    testing_support::PrivateDisplay x;
    const QString failed = x.start(true);
    ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();

    QProcessEnvironment env = x.environment();
    QProcess child;
    env.insert(kChildVariable, "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=WindowPlacement.ChildMeasuresOnTheDisplay"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    ASSERT_EQ(child.exitCode(), 0) << out.toStdString() << child.readAllStandardError().toStdString();

    struct Expected {
        const char* name;
        QSize outer;
    };
    for (const Expected& e : {Expected{"cop_query", {699, 465}}, Expected{"person_query", {696, 480}},
                              Expected{"change_number", {302, 179}}}) {
        SCOPED_TRACE(e.name);
        QStringList f;
        for (const QString& line : out.split('\n'))
            if (line.startsWith(QString("PLACED %1 ").arg(e.name))) f = line.split(' ').mid(2);
        ASSERT_EQ(f.size(), 8) << out.toStdString();
        const QRect outer(f[0].toInt(), f[1].toInt(), f[2].toInt(), f[3].toInt());
        const QRect desktop(f[4].toInt(), f[5].toInt(), f[6].toInt(), f[7].toInt());
        EXPECT_EQ(outer.size(), e.outer);
        // Centred on the desktop, to the pixel that halving may lose.
        EXPECT_LE(std::abs(outer.center().x() - desktop.center().x()), 1) << outer.x();
        EXPECT_LE(std::abs(outer.center().y() - desktop.center().y()), 1) << outer.y();
    }
}

}  // namespace
