#include "ui/Dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

namespace ui {
namespace {
// "\r" breaks lines in the program's texts.
QString displayable(const QString& text) {
    QString t = text;
    t.replace("\r\n", "\n").replace('\r', '\n');
    return t;
}

// A question is answered by its buttons only: Esc and the title bar's close
// button would otherwise count as "No", and a "No" to "要保存吗？" throws the
// typed record away.
class Question : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->matches(QKeySequence::Cancel)) return;
        QMessageBox::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override { e->ignore(); }
};

class QtDialogs : public Dialogs {
  public:
    void message(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), displayable(text), QMessageBox::Ok, parent);
        fitCaption(&box);
        box.exec();
    }
    bool confirm(QWidget* parent, const QString& text) override {
        Question box(QMessageBox::Question, applicationTitle(), displayable(text), QMessageBox::NoButton,
                     parent);
        // The texts tell the operator what "Yes" and "No" do, so the buttons say exactly that.
        QPushButton* yes = box.addButton("Yes", QMessageBox::YesRole);
        box.addButton("No", QMessageBox::NoRole);
        box.setDefaultButton(yes);
        fitCaption(&box);
        box.exec();
        return box.clickedButton() == yes;
    }
    void error(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, applicationTitle(), displayable(text), QMessageBox::Ok,
                        parent);
        fitCaption(&box);
        box.exec();
    }
    QString openFile(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    }
    QString chooseDirectory(QWidget* parent, const QString& caption, const QString& dir) override {
        return QFileDialog::getExistingDirectory(parent, caption, dir);
    }
    void beep() override { QApplication::beep(); }
};

QtDialogs& qtDialogs() {
    static QtDialogs d;
    return d;
}
Dialogs* installed = nullptr;
}  // namespace

Dialogs& dialogs() {
    return installed ? *installed : qtDialogs();
}

void setDialogs(Dialogs* d) {
    installed = d;
}

QString applicationTitle() {
    return QStringLiteral("Veyra");
}

void fitCaption(QMessageBox* box) {
    // The title bar's own font is the window manager's; the application's
    // title font is the nearest guess, made bold as most themes draw it.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    // The title bar also holds the window icon and up to three buttons.
    const int frameRoom = 4 * box->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 24;
    const int width = QFontMetrics(font).horizontalAdvance(box->windowTitle()) + frameRoom;
    // QMessageBox sizes itself from its grid; a spacer across it is the way to widen it.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
}

}  // namespace ui
