// Every window on a small desktop at a large font: 1280 × 800 with the fonts
// half as large again (QT_FONT_DPI=144, which Qt turns into a scale factor of
// 1.5: the desktop is 853 × 533 to the windows). Each window, frame included,
// lies on the screen and every button of it can be seen and clicked; the
// fields that do not fit scroll, and the focused one comes into view.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <functional>
#include <memory>

#include "app/Backups.h"
#include "app/TForm1.h"
#include "app/TForm_login.h"
#include "app/TForm_user.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "reports/PreviewDialog.h"
#include "support/Desktop.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

QRect globalRect(const QWidget* w) {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

// The part of a widget that shows: clipped by every scroll area and window around it.
QRect shownPart(const QWidget* w) {
    QRect r = globalRect(w);
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (auto* area = qobject_cast<const QAbstractScrollArea*>(p)) r &= globalRect(area->viewport());
        if (p->isWindow()) r &= globalRect(p);
    }
    return r;
}

// What is wrong with the window on this screen, one line each.
QStringList misfits(QWidget* w) {
    QStringList wrong;
    const QRect desk = w->screen()->availableGeometry();
    const QString name = w->objectName();
    if (!desk.contains(w->frameGeometry()))
        wrong << QString("%1: frame %2,%3 %4x%5 is off the desktop %6x%7")
                     .arg(name)
                     .arg(w->frameGeometry().x())
                     .arg(w->frameGeometry().y())
                     .arg(w->frameGeometry().width())
                     .arg(w->frameGeometry().height())
                     .arg(desk.width())
                     .arg(desk.height());
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
        // The zero-sized page-advance controls and the buttons of hidden panels are not shown.
        if (!b->isVisibleTo(w) || b->size().isEmpty() || !qobject_cast<QPushButton*>(b)) continue;
        if (shownPart(b) != globalRect(b) || !desk.contains(globalRect(b)))
            wrong << QString("%1: button %2 “%3” is not wholly on the screen")
                         .arg(name, b->objectName(), b->text());
    }
    return wrong;
}

void showFramed(QWidget* w) {
    w->show();
    waitForFrame(w);
    QTest::qWait(300);  // placed again once framed
}

// Focusing each control in turn brings it wholly into view.
QStringList unseenWhenFocused(QWidget* w, const QList<QWidget*>& controls) {
    QStringList wrong;
    for (QWidget* c : controls) {
        // The zero-sized page-advance controls show nothing to bring into view.
        if (!c->isEnabled() || !c->isVisibleTo(w) || c->focusPolicy() == Qt::NoFocus || c->size().isEmpty())
            continue;
        c->setFocus(Qt::OtherFocusReason);
        QTest::qWait(20);
        if (shownPart(c) != globalRect(c))
            wrong << w->objectName() + ": " + c->objectName() + " focused but not in view";
    }
    return wrong;
}

TEST(WindowsFit, OnTheDesktop) {
    if (!onPrivateDesktop()) GTEST_SKIP() << "runs only as the child of WindowsFit.UnderAWindowManager";
    WorkDir work;
    RecordingDialogs dialogs;
    ModalRecorder modal;
    QStringList wrong;
    auto check = [&](QWidget* w, const std::function<void()>& more = {}) {
        showFramed(w);
        wrong << misfits(w);
        if (more) more();
        w->hide();
    };

    TForm1 main;
    main.showMaximized();
    waitForFrame(&main);
    wrong << misfits(&main);
    main.hide();

    TForm_login login;
    check(&login);
    TForm_user user;
    check(&user);

    TForm_cop_info employer;
    employer.activeTables();
    employer.ADOTable_corporation->insert();
    employer.clearScreen();
    employer.Edit_BXDJZBM->setEnabled(true);
    check(&employer, [&] {
        for (int page = 0; page < employer.PageControl1->count(); ++page) {
            employer.PageControl1->setCurrentIndex(page);
            wrong << unseenWhenFocused(&employer,
                                       employer.PageControl1->widget(page)->findChildren<QWidget*>());
        }
        employer.ADOTable_corporation->cancel();
    });

    TForm_per_info person;
    check(&person, [&] {
        wrong << unseenWhenFocused(&person, {person.DBEdit_NAME, person.DBLookupComboBox_LXJFFS});
    });

    TForm_cop_query employers;
    check(&employers);
    TForm_Person_query persons;
    check(&persons);
    TForm_XGSBDJZH renumber;
    check(&renumber);
    TForm_import exchange;
    check(&exchange);
    app::TForm_restore restore;
    restore.FormShow();
    check(&restore);
    reports::LaidOutDocument doc;
    doc.title = "预览";
    doc.pages.append(reports::LaidOutPage());
    reports::PreviewDialog preview(doc);
    check(&preview);

    EXPECT_TRUE(wrong.isEmpty()) << wrong.join('\n').toStdString();
    // The scale this ran at: the screen is 1280 × 800 device pixels at 1.5.
    EXPECT_EQ(QApplication::primaryScreen()->devicePixelRatio(), 1.5);
}

TEST(WindowsFit, UnderAWindowManager) {
    if (onPrivateDesktop()) GTEST_SKIP();
    PrivateDesktop desktop(QSize(1280, 800));
    if (desktop.missingPrograms()) GTEST_SKIP() << desktop.whyNot().toStdString();
    ASSERT_TRUE(desktop.whyNot().isEmpty()) << desktop.whyNot().toStdString();
    QProcessEnvironment large;
    large.insert("QT_FONT_DPI", "144");
    const auto child = desktop.run("WindowsFit.OnTheDesktop", large);
    EXPECT_EQ(child.exitCode, 0) << child.out.toStdString();
    EXPECT_TRUE(child.out.contains("[  PASSED  ] 1 test")) << child.out.toStdString();
}

}  // namespace
