#include "ui/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace ui {
namespace {
// "\r" breaks lines in the program's texts.
QString displayable(const QString& text) {
    QString t = text;
    t.replace("\r\n", "\n").replace('\r', '\n');
    return t;
}

class QtDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), displayable(text), QMessageBox::Ok, parent);
        box.exec();
    }
    bool confirm(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::Question, applicationTitle(), displayable(text), QMessageBox::NoButton,
                        parent);
        // The texts tell the operator what "Yes" and "No" do, so the buttons say exactly that.
        QPushButton* yes = box.addButton("Yes", QMessageBox::YesRole);
        box.addButton("No", QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.exec();
        return box.clickedButton() == yes;
    }
    void error(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, applicationTitle(), displayable(text), QMessageBox::Ok, parent);
        box.exec();
    }
    QString openFile(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    }
    void beep() override { QApplication::beep(); }
};

QtDialogs& qtDialogs() {
    static QtDialogs d;
    return d;
}
Dialogs* installed = nullptr;
}  // namespace

Dialogs& dialogs() { return installed ? *installed : qtDialogs(); }

void setDialogs(Dialogs* d) { installed = d; }

QString applicationTitle() { return QStringLiteral("Veyra"); }

}  // namespace ui
