// A restore under a real window manager: after "数据恢复完毕" is closed the
// program is still running and shows its login again. Offscreen a program
// that ended would pass, so the program runs on a private X server with
// openbox, driven the way an operator would: log in, restore, OK.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "app/Backups.h"
#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/TForm_login.h"
#include "app/globals/Globals.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "support/PrivateDisplay.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kChild = "VEYRA_RESTORE_CHILD";

TEST(RestoreOnADesktop, TheProgramGoesOnWithItsLogin) {
    if (!qEnvironmentVariableIsEmpty(kChild)) GTEST_SKIP();
    if (!testing_support::PrivateDisplay::available(true)) GTEST_SKIP() << "needs Xvfb and openbox";
    testing_support::PrivateDisplay display;
    const QString why = display.start(true);
    ASSERT_TRUE(why.isEmpty()) << why.toStdString();
    QProcessEnvironment env = display.environment();
    env.insert(kChild, "1");
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=RestoreOnADesktop.ChildRestores"});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString out = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("LOGIN AFTER RESTORE")) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

// The program itself (app::run), with the toolkit's own message boxes.
TEST(RestoreOnADesktop, ChildRestores) {
    if (qEnvironmentVariableIsEmpty(kChild)) GTEST_SKIP();
    testing_support::WorkDir work;
    {
        store::Connection c;
        c.open(work.database());
        c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000001', '甲单位')");
    }
    const QString backup =
        store::makeBackup(work.database(), store::backupDirectory(), store::BackupReason::Manual);
    enum { FirstLogin, Restoring, SecondLogin, Done } state = FirstLogin;
    QTimer operatorAtTheDesk;
    QObject::connect(&operatorAtTheDesk, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        if (state == FirstLogin && modal == Form_login) {
            loginOK = 1;
            Form_login->accept();
            state = Restoring;
            QTimer::singleShot(300, [&backup] { app::restoreAndRestart(backup); });
        } else if (state == Restoring) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box || !box->text().contains("数据恢复完毕")) return;
            box->buttons().first()->click();
            state = SecondLogin;
        } else if (state == SecondLogin && modal == Form_login) {
            std::printf("LOGIN AFTER RESTORE\n");
            std::fflush(stdout);
            state = Done;
            loginOK = 1;
            Form_login->accept();
            QTimer::singleShot(300, [] { QApplication::quit(); });
        }
    });
    operatorAtTheDesk.start(100);
    // Ends by itself if the program stops waiting for the operator.
    QTimer::singleShot(60000, [] { QApplication::exit(3); });
    const int rc = app::run();
    EXPECT_EQ(state, Done);
    EXPECT_EQ(rc, 0);
}

}  // namespace
