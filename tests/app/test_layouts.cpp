// The windows built by layouts: their described size at the default font, and
// at a font half as large again, room for every label and field and no two
// controls on top of each other.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>

#include "app/TForm_login.h"
#include "app/TForm_user.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "store/Connection.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// The controls the operator sees: named labels, fields and buttons, not the
// zero-sized page-advance buttons, not the hidden search panel.
QList<QWidget*> shownControls(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || !w->isVisibleTo(window) || w->size().isEmpty()) continue;
        if (qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
            qobject_cast<QPushButton*>(w))
            controls.append(w);
    }
    return controls;
}

QRect inWindow(QWidget* w, QWidget* window) {
    return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
}

// Every control has the room its content asks for and none covers another.
void expectRoomAndNoOverlap(QWidget* window, const std::string& where) {
    const QList<QWidget*> controls = shownControls(window);
    ASSERT_GE(controls.size(), 4) << where;
    for (QWidget* w : controls) {
        const std::string name = where + " " + w->objectName().toStdString();
        QSize need = qobject_cast<QLabel*>(w) || qobject_cast<QPushButton*>(w)
                         ? w->sizeHint()
                         : QSize(w->minimumSizeHint().width(), w->sizeHint().height());
        // A label that wraps needs its longest word across and every line down.
        if (auto* l = qobject_cast<QLabel*>(w); l && l->wordWrap())
            need = QSize(l->minimumSizeHint().width(), l->heightForWidth(l->width()));
        // A button's hint includes the style's customary minimum width of a
        // text button; what it must have is room for its caption.
        if (auto* b = qobject_cast<QPushButton*>(w))
            need.setWidth(b->fontMetrics().horizontalAdvance(b->text()) +
                          2 * (b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) +
                               b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b)));
        EXPECT_GE(w->width(), need.width()) << name << " is clipped";
        EXPECT_GE(w->height(), need.height()) << name << " is clipped";
        EXPECT_GE(w->width(), w->minimumWidth()) << name;
        EXPECT_TRUE(window->rect().contains(inWindow(w, window))) << name << " lies outside the window";
    }
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(inWindow(controls[i], window).intersects(inWindow(controls[j], window)))
                << where << " " << controls[i]->objectName().toStdString() << " and "
                << controls[j]->objectName().toStdString() << " overlap";
}

class Layouts : public ::testing::TestWithParam<double> {
  protected:
    void SetUp() override {
        normal_ = QApplication::font();
        QFont f = normal_;
        f.setPointSizeF(normal_.pointSizeF() * GetParam());
        QApplication::setFont(f);
    }
    void TearDown() override { QApplication::setFont(normal_); }
    bool defaultFont() const { return GetParam() == 1.0; }

    // Shows the window and checks it, page by page where it has pages.
    enum class Size { Client, Outer };
    void check(QWidget* window, QSize described, QTabWidget* pages = nullptr, Size kind = Size::Client) {
        window->show();
        QApplication::processEvents();
        const std::string name = window->objectName().toStdString();
        const QSize size = kind == Size::Outer ? window->frameGeometry().size() : window->size();
        if (defaultFont())
            EXPECT_EQ(size, described) << name;
        else
            EXPECT_TRUE(size.width() >= described.width() && size.height() >= described.height()) << name;
        for (int i = 0; i < (pages ? pages->count() : 1); ++i) {
            if (pages) pages->setCurrentIndex(i);
            QApplication::processEvents();
            expectRoomAndNoOverlap(window, name + " page " + std::to_string(i + 1));
        }
        window->hide();
    }

    WorkDir work;
    RecordingDialogs dialogs;
    QFont normal_;
};

TEST_P(Layouts, EmployerWindow) {
    TForm_cop_info w;
    check(&w, QSize(683, 543), w.PageControl1);
}

TEST_P(Layouts, PersonWindow) {
    TForm_per_info w;
    check(&w, QSize(685, 464));
}

TEST_P(Layouts, LoginWindow) {
    {
        // The described window, once the first password was changed.
        store::Connection c;
        c.open(work.database());
        c.execute("UPDATE M_UserManager SET PASSWORD = '654321'");
        TForm_login w;
        check(&w, QSize(227, 136));
        c.execute("UPDATE M_UserManager SET PASSWORD = '123456'");
    }
    // A fresh register: the first login's hint below, the window as much taller.
    TForm_login w;
    ASSERT_TRUE(w.Label_firstLogin->isVisibleTo(&w));
    EXPECT_GT(w.height(), 136);
    check(&w, QSize(227, w.height()));
}

TEST_P(Layouts, OperatorWindow) {
    TForm_user w;
    check(&w, QSize(395, 321));
}

TEST_P(Layouts, ExchangeWindow) {
    TForm_import w;
    check(&w, QSize(688, 453));
}

// Described by their outer size, frame included.
TEST_P(Layouts, EmployerQueryWindow) {
    TForm_cop_query w;
    check(&w, QSize(699, 465), nullptr, Size::Outer);
}

TEST_P(Layouts, PersonQueryWindow) {
    TForm_Person_query w;
    check(&w, QSize(696, 480), nullptr, Size::Outer);
}

TEST_P(Layouts, RenumberDialog) {
    TForm_XGSBDJZH w;
    check(&w, QSize(302, 179), nullptr, Size::Outer);
}

INSTANTIATE_TEST_SUITE_P(Fonts, Layouts, ::testing::Values(1.0, 1.5),
                         [](const auto& info) { return info.param == 1.0 ? "Default" : "HalfAsLargeAgain"; });

// Labels the checks do not single out take the palette's text colour, so a
// dark theme shows them light; blue and teal stay.
TEST(LabelColours, PaletteTextUnlessDescribed) {
    WorkDir work;
    RecordingDialogs dialogs;
    const QPalette normal = QApplication::palette();
    QPalette dark = normal;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    TForm_per_info person;
    TForm_cop_info employer;
    const QList<QPair<QWidget*, QPair<const char*, QColor>>> labels = {
        {&person, {"Label_DBEdit_CSD", QColor(230, 230, 230)}},
        {&person, {"Label_DBEdit_DDYLJG2", QColor(230, 230, 230)}},
        {&person, {"Label_Edit_SHBXDJZBM", QColor(0, 0, 255)}},
        {&person, {"Label_DBEdit_LTXRQ", QColor(0, 128, 128)}},
        {&employer, {"Label_DBEdit_DWMC", QColor(230, 230, 230)}},
        {&employer, {"Label_Edit_BDQJFYS", QColor(230, 230, 230)}}};
    for (const auto& [window, label] : labels) {
        auto* l = window->findChild<QLabel*>(label.first);
        ASSERT_TRUE(l) << label.first;
        EXPECT_EQ(l->palette().color(QPalette::WindowText), label.second) << label.first;
    }
    QApplication::setPalette(normal);
}

}  // namespace
