// The windows built by layouts: their described size at the default font, and
// at a font half as large again, room for every label and field and no two
// controls on top of each other.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <cmath>

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
#include "ui/DBGrid.h"
#include "ui/ScreenFit.h"

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

// Where a control must lie: the fields it scrolls with, or else the window.
QWidget* placeOf(QWidget* w, QWidget* window) {
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (auto* area = qobject_cast<ui::FieldsArea*>(p)) return area->widget();
    return window;
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
        QWidget* place = placeOf(w, window);
        EXPECT_TRUE(place->rect().contains(inWindow(w, place)))
            << name << " lies outside the " << (place == window ? "window" : "fields");
    }
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(placeOf(controls[i], window) == placeOf(controls[j], window) &&
                         inWindow(controls[i], window).intersects(inWindow(controls[j], window)))
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
            EXPECT_TRUE((size.width() >= described.width() && size.height() >= described.height()) ||
                        size.width() >= window->screen()->availableGeometry().width() - 40 ||
                        size.height() >= window->screen()->availableGeometry().height() - 40)
                << name << " shrank below its described size with room on the screen";
        // Never larger than the screen: what does not fit scrolls.
        EXPECT_TRUE(window->screen()->availableGeometry().size().expandedTo(size) ==
                    window->screen()->availableGeometry().size())
            << name << " is larger than the screen";
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

// The result grids at the default font and at 13 pt: every column as wide as
// its caption and every value in view, nothing cut; at the default font never
// narrower than described.
TEST(ResultGrids, CaptionsAndValuesWholeAtTheCurrentFont) {
    const QFont normal = QApplication::font();
    for (double points : {normal.pointSizeF(), 13.0}) {
        SCOPED_TRACE(points);
        QFont f = normal;
        f.setPointSizeF(points);
        QApplication::setFont(f);
        WorkDir work;
        RecordingDialogs dialogs;
        {
            store::Connection c;
            c.open(work.database());
            c.execute(
                "INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110100192001', "
                "'北京市东城区某某某某某某某某有限责任公司')");
            for (int i = 0; i < 30; ++i)
                c.execute("INSERT INTO M_PERSON (SSN, IDCARD, NAME) VALUES ('110100192001', ?, '欧阳某某')",
                          {QString("1101001920010%1").arg(10000 + i)});
        }
        TForm_cop_query employers;
        TForm_Person_query persons;
        for (ui::QueryWindow* w :
             {static_cast<ui::QueryWindow*>(&employers), static_cast<ui::QueryWindow*>(&persons)}) {
            w->show();
            QApplication::processEvents();
            if (w == &employers)
                employers.Button1Click();
            else
                persons.Button_QueryAllClick();
            QApplication::processEvents();
            ui::DBGrid* grid = w->DBGrid1;
            const auto& described = grid->datasetModel()->gridColumns();
            ASSERT_GT(grid->model()->rowCount(), 0);
            for (int col = 0; col < grid->model()->columnCount(); ++col) {
                const std::string where = w->objectName().toStdString() + " column " + std::to_string(col);
                const int width = grid->columnWidth(col);
                EXPECT_GE(width, grid->horizontalHeader()->sectionSizeHint(col)) << where << ": caption cut";
                for (int row = 0; row < grid->model()->rowCount() &&
                                  grid->rowViewportPosition(row) < grid->viewport()->height();
                     ++row)
                    EXPECT_GE(width, grid->sizeHintForIndex(grid->model()->index(row, col)).width())
                        << where << " row " << row << ": value cut";
                if (points == normal.pointSizeF()) {
                    EXPECT_GE(width, described[col].width) << where;
                }
            }
            w->hide();
        }
    }
    QApplication::setFont(normal);
}

// Relative luminance and contrast ratio as WCAG defines them, worked out
// here apart from the program.
double luminanceOf(const QColor& c) {
    auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double contrastOf(const QColor& a, const QColor& b) {
    const double x = luminanceOf(a), y = luminanceOf(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// On a light palette the required fields' labels keep the described blue and
// teal; on a dark one they take a colour of the same hue that reads at 4.5:1
// at least against the window, also when the palette changes under an open
// window. Other labels take the palette's text colour. A mark before the
// label and what a screen reader hears say the same without colour.
TEST(LabelColours, DescribedOnALightPaletteReadableOnADarkOne) {
    WorkDir work;
    RecordingDialogs dialogs;
    const QPalette normal = QApplication::palette();
    QPalette light = normal;
    light.setColor(QPalette::Window, QColor(239, 239, 239));
    light.setColor(QPalette::WindowText, Qt::black);
    QPalette dark = normal;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    const QColor blue(0, 0, 255), teal(0, 128, 128), none;
    const struct {
        const char* field;
        QColor described;  // invalid: the palette's text colour
        QString mark;
        QString description;
    } labels[] = {
        {"Edit_SHBXDJZBM", blue, "*", "必填"},
        {"DBEdit_DDYLJG1", blue, "*", "必填"},
        {"DBLookupComboBox_LXJFFS", blue, "*", "必填"},
        {"DBEdit_LTXRQ", teal, "△", "在一定条件下必填"},
        {"DBLookupComboBox_XZZW", teal, "△", "在一定条件下必填"},
        {"DBEdit_CSD", none, "", ""},
        {"DBEdit_DDYLJG2", none, "", ""},
    };
    auto check = [&](TForm_per_info& w, const QPalette& p, const char* when) {
        const bool isDark = &p == &dark;
        for (const auto& l : labels) {
            SCOPED_TRACE(std::string(when) + " " + l.field);
            auto* field = w.findChild<QWidget*>(l.field);
            auto* label = w.findChild<QLabel*>(QString("Label_") + l.field);
            ASSERT_TRUE(field && label);
            const QColor shown = label->palette().color(QPalette::WindowText);
            const QColor background = label->palette().color(QPalette::Window);
            EXPECT_EQ(background, p.color(QPalette::Window));
            if (!l.described.isValid()) {
                EXPECT_EQ(shown, p.color(QPalette::WindowText));
            } else if (!isDark) {
                EXPECT_EQ(shown, l.described);
            } else {
                EXPECT_GE(contrastOf(shown, background), 4.5) << shown.name().toStdString();
                EXPECT_NEAR(shown.hslHueF(), l.described.hslHueF(), 0.01) << shown.name().toStdString();
            }
            EXPECT_TRUE(label->text().startsWith(l.mark)) << label->text().toStdString();
            EXPECT_EQ(field->accessibleDescription(), l.description);
            if (!l.mark.isEmpty()) {
                EXPECT_EQ(l.mark + field->accessibleName(), label->text());
            }
        }
        const auto* legend = w.findChild<QLabel*>("Label_legend");
        ASSERT_TRUE(legend);
        EXPECT_TRUE(legend->text().contains("* 必填") && legend->text().contains("△ 按条件必填"))
            << legend->text().toStdString();
    };

    QApplication::setPalette(light);
    {
        TForm_per_info person;
        check(person, light, "made on a light palette");
        QApplication::setPalette(dark);
        QApplication::processEvents();
        check(person, dark, "turned dark");
        QApplication::setPalette(light);
        QApplication::processEvents();
        check(person, light, "light again");
    }
    QApplication::setPalette(dark);
    {
        TForm_per_info person;
        check(person, dark, "made on a dark palette");
        TForm_cop_info employer;
        auto* l = employer.findChild<QLabel*>("Label_DBEdit_DWMC");
        ASSERT_TRUE(l);
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(230, 230, 230));
    }
    QApplication::setPalette(normal);
}

}  // namespace
