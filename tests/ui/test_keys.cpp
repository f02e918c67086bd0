#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/ExitNotifier.h"
#include "ui/KeyPreview.h"

using namespace testing_support;

namespace {

struct Window {
    QDialog dialog;
    QLineEdit* a = new QLineEdit(&dialog);
    QLineEdit* b = new QLineEdit(&dialog);
    QPushButton* save = new QPushButton("保存", &dialog);
    QPushButton* close = new QPushButton("关闭", &dialog);
    int saves = 0, closes = 0, f1 = 0;
    ui::KeyPreview* keys;
    Window() {
        auto* l = new QVBoxLayout(&dialog);
        for (QWidget* w : {static_cast<QWidget*>(a), static_cast<QWidget*>(b), static_cast<QWidget*>(save),
                           static_cast<QWidget*>(close)})
            l->addWidget(w);
        save->setDefault(true);
        QObject::connect(save, &QPushButton::clicked, [this] { ++saves; });
        QObject::connect(close, &QPushButton::clicked, [this] { ++closes; });
        keys = new ui::KeyPreview(&dialog, close);
        keys->setF1Handler([this] { ++f1; });
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
};

TEST(KeyPreview, EnterMovesLikeTabPressesFocusedButtonsAndEscCancels) {
    Window w;
    w.a->setFocus();
    QTest::keyClick(w.a, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w.b);
    EXPECT_EQ(w.saves, 0);  // never the default button
    QTest::keyClick(w.b, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(QApplication::focusWidget(), w.save);
    QTest::keyClick(w.save, Qt::Key_Return);
    EXPECT_EQ(w.saves, 1);
    QTest::keyClick(w.save, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(w.saves, 2);  // Enter on a button presses it, with or without Shift
    w.b->setFocus();
    QTest::keyClick(w.b, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), w.a);
    QTest::keyClick(w.a, Qt::Key_Escape);
    EXPECT_EQ(w.closes, 1);
    EXPECT_TRUE(w.dialog.isVisible());  // Esc runs the cancel button's handler, nothing else
    QTest::keyClick(w.a, Qt::Key_F1);
    EXPECT_EQ(w.f1, 1);
}

// Every window's preview sees only its own window's keys, whichever window was
// made first, and a closed window's preview is gone with it.
TEST(KeyPreview, EachWindowHandlesOnlyItsOwnKeys) {
    auto first = std::make_unique<Window>();
    Window second;
    second.a->setFocus();
    QTest::keyClick(second.a, Qt::Key_Escape);
    QTest::keyClick(second.a, Qt::Key_F1);
    EXPECT_EQ(second.closes, 1);
    EXPECT_EQ(second.f1, 1);
    EXPECT_EQ(first->closes, 0);
    EXPECT_EQ(first->f1, 0);

    QApplication::setActiveWindow(&first->dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&first->dialog));
    first->a->setFocus();
    QTest::keyClick(first->a, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), first->b);
    QTest::keyClick(first->b, Qt::Key_Escape);
    EXPECT_EQ(first->closes, 1);
    EXPECT_EQ(second.closes, 1);

    first.reset();
    QApplication::setActiveWindow(&second.dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&second.dialog));
    second.a->setFocus();
    QTest::keyClick(second.a, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), second.b);
    QTest::keyClick(second.b, Qt::Key_Escape);
    EXPECT_EQ(second.closes, 2);
}

TEST(ExitNotifier, FiresOnlyForMovesInsideTheWindow) {
    Window w;
    ui::ExitNotifier exits(&w.dialog);
    int leftA = 0;
    exits.onExit(w.a, [&] { ++leftA; });
    w.a->setFocus();
    QTest::keyClick(w.a, Qt::Key_Return);
    EXPECT_EQ(leftA, 1);

    // Another window taking the focus and giving it back is not an exit.
    w.a->setFocus();
    leftA = 0;
    {
        QDialog other;
        auto* e = new QLineEdit(&other);
        other.show();
        QApplication::setActiveWindow(&other);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
        e->setFocus();
    }
    QApplication::setActiveWindow(&w.dialog);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w.dialog));
    EXPECT_EQ(QApplication::focusWidget(), w.a);
    EXPECT_EQ(leftA, 0);
    w.b->setFocus();
    EXPECT_EQ(leftA, 1);
}

TEST(ExitNotifier, ComboPopupIsNotLeavingTheList) {
    QDialog d;
    auto* combo = new QComboBox(&d);
    combo->addItems({"甲", "乙"});
    auto* next = new QLineEdit(&d);
    auto* l = new QVBoxLayout(&d);
    l->addWidget(combo);
    l->addWidget(next);
    d.show();
    QApplication::setActiveWindow(&d);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
    ui::ExitNotifier exits(&d);
    int left = 0;
    exits.onExit(combo, [&] { ++left; });
    combo->setFocus();
    combo->showPopup();
    QTest::qWait(20);
    combo->hidePopup();
    QTest::qWait(20);
    EXPECT_EQ(left, 0);
    next->setFocus();
    EXPECT_EQ(left, 1);
}

}  // namespace
