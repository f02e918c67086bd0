#include "ui/QueryWindow.h"

#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "store/DatabaseFactory.h"
#include "ui/Dialogs.h"
#include "ui/KeyPreview.h"
#include "ui/Placement.h"
#include "ui/ScreenFit.h"

namespace ui {

QueryWindow::QueryWindow(const char* objectName, const QString& title, const char* listName, QSize outerSize,
                         QWidget* parent)
    : QDialog(parent), outerSize_(outerSize) {
    setObjectName(objectName);
    setWindowTitle(title);
    ADOConnection1.open(store::workingDatabasePath());
    list_ = new store::KeyedQuery(&ADOConnection1, this);
    list_->setObjectName(listName);
    ADOQuery_temp = new store::Query(&ADOConnection1, this);
    ADOQuery_temp->setObjectName("ADOQuery_temp");
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    StatusBar1 = new QLabel(Panel1);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void QueryWindow::makeButtons(std::initializer_list<ButtonSpec> specs) {
    for (const ButtonSpec& s : specs) {
        *s.button = new QPushButton(QString::fromUtf8(s.caption), Panel1);
        (*s.button)->setObjectName(s.name);
    }
}

LineEdit* QueryWindow::edit(const char* name, int maxLength) {
    auto* e = new LineEdit(Panel1);
    e->setObjectName(name);
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
}

void QueryWindow::finishLayout(const QList<GridColumn>& columns, QList<QWidget*> tabOrder,
                               const CommonButtons& buttons) {
    DBGrid1 = new ui::DBGrid(list_, columns, this);
    DBGrid1->setObjectName("DBGrid1");
    // "选择打印" prints what the operator selected, nothing before that.
    DBGrid1->setSelectionFollowsCurrent(false);
    DBGrid1->setColumnsFitContents(true);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel1);
    outer->addWidget(DBGrid1, 1);

    ui::letButtonsNarrowToCaptions(Panel1);

    tabOrder.append(DBGrid1);
    for (qsizetype i = 0; i + 1 < tabOrder.size(); ++i) setTabOrder(tabOrder[i], tabOrder[i + 1]);

    resize(outerSize_);
    centreOnScreen(this);

    // On a row, below the rows or in an empty grid: the edit command.
    connect(DBGrid1, &ui::DBGrid::gridDoubleClicked, this, [this] { DBGrid1DblClick(); });
    onClick({{buttons.query, [this] { Button_queryClick(); }},
             {buttons.edit, [this] { DBGrid1DblClick(); }},
             {buttons.remove, [this] { Button_deleteClick(); }},
             {buttons.print, [this] { Button_printClick(); }},
             {buttons.close, [this] { Button_closeClick(); }}});
    keyPreview_ = new ui::KeyPreview(this, buttons.close);
}

void QueryWindow::onClick(const QList<std::pair<QPushButton*, std::function<void()>>>& commands) {
    for (const auto& [button, command] : commands) connect(button, &QPushButton::clicked, this, command);
}

void QueryWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    if (!placed_) {
        // The frame is known only now; the size is the outer one. Later showings keep the operator's size.
        placed_ = true;
        ui::placeWithOuterSize(this, outerSize_);
    }
    FormShow();
}

void QueryWindow::startShowing(std::initializer_list<QLineEdit*> searchFields) {
    list_->close();
    StatusBar1->clear();
    for (QLineEdit* e : searchFields) e->clear();
    if (searchFields.size() > 0) (*searchFields.begin())->setFocus(Qt::OtherFocusReason);
}

void QueryWindow::done(int r) {
    list_->close();
    QDialog::done(r);
}

void QueryWindow::Button_closeClick() {
    reject();
}

bool QueryWindow::listReady() {
    if (list_->isOpen() && list_->recordCount() > 0) return true;
    // A query that found nothing is not a missing query.
    ui::dialogs().message(
        this, list_->isOpen() ? QStringLiteral("没有查到符合条件的记录") : QStringLiteral("请先查询"));
    return false;
}

void QueryWindow::queryOnEnterIn(QLineEdit* lastSearchField) {
    keyPreview_->setKeyHandler([this, lastSearchField](QWidget* target, int key, Qt::KeyboardModifiers mods) {
        if (target != lastSearchField || (key != Qt::Key_Return && key != Qt::Key_Enter) ||
            (mods & Qt::ShiftModifier))
            return false;
        Button_queryClick();
        return true;
    });
}

void QueryWindow::showCount() {
    const int n = list_->isOpen() ? list_->recordCount() : 0;
    StatusBar1->setText("显示条目：" + QString::number(n) + " 条");
}

QString QueryWindow::textOf(int row, int column) const {
    const QVariant v = list_->valueAt(row, column);
    return v.isNull() ? QString() : v.toString();
}

void QueryWindow::dropCurrentRow() {
    list_->remove();
    showCount();
}

}  // namespace ui
