#include "employer/TForm_XGSBDJZH.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QShowEvent>

#include "app/globals/Globals.h"
#include "ui/Dialogs.h"
#include "ui/KeyPreview.h"
#include "ui/Placement.h"

namespace {
const QSize kOuterSize(302, 179);  // frame included
}

TForm_XGSBDJZH::TForm_XGSBDJZH(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_XGSBDJZH");
    setWindowTitle("修改社保登记证号码");

    Label1 = new QLabel("原社保登记证号码", this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setReadOnly(true);
    Edit1->setEnabled(false);
    Label2 = new QLabel("新社保登记证号码", this);
    Edit2 = new ui::LineEdit(this);
    Edit2->setObjectName("Edit2");
    Edit2->setMaxLength(12);
    // Typed keys are filtered below (with a beep); this keeps pasted text to digits too.
    Edit2->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), Edit2));
    Edit2->installEventFilter(this);
    Button1 = new QPushButton("确定", this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton("取消", this);
    Button2->setObjectName("Button2");

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    grid->addLayout(buttons, 2, 0, 1, 2);
    setTabOrder(Edit2, Button1);
    setTabOrder(Button1, Button2);
    setFixedSize(kOuterSize);
    ui::centreOnScreen(this);

    connect(Button1, &QPushButton::clicked, this, &TForm_XGSBDJZH::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm_XGSBDJZH::Button2Click);
    keyPreview_ = new ui::KeyPreview(this, Button2);
}

void TForm_XGSBDJZH::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    if (!placed_) {
        placed_ = true;
        ui::placeWithOuterSize(this, kOuterSize, ui::Sizing::Fixed);
    }
    FormShow();
}

void TForm_XGSBDJZH::FormShow() {
    ssnChangeConfirmed = 0;
    Edit1->setText(oldSSN);
    Edit2->clear();
    Edit2->setFocus(Qt::OtherFocusReason);
}

bool TForm_XGSBDJZH::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit2 && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        const QString t = ke->text();
        // Only typed characters are judged; moves, Delete and shortcuts pass.
        const bool typed = !t.isEmpty() && t.at(0).isPrint() && !(ke->modifiers() & Qt::ControlModifier);
        if (typed && !(t.size() == 1 && t.at(0) >= '0' && t.at(0) <= '9')) {
            ui::dialogs().beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_XGSBDJZH::Button1Click() {
    if (Edit2->text().trimmed().size() != 12) {
        ui::dialogs().message(this, "请输入12位社保登记证号码");
        Edit2->setFocus(Qt::OtherFocusReason);
        return;
    }
    ssnChangeConfirmed = 1;
    newSSN = Edit2->text();
    accept();
}

void TForm_XGSBDJZH::Button2Click() {
    ssnChangeConfirmed = 0;
    reject();
}

void TForm_XGSBDJZH::done(int r) {
    if (r != QDialog::Accepted) ssnChangeConfirmed = 0;
    QDialog::done(r);
}
