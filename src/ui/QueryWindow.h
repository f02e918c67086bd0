#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "store/Connection.h"
#include "store/KeyedQuery.h"
#include "store/Query.h"
#include "ui/DBGrid.h"
#include "ui/LineEdit.h"

namespace ui {

class KeyPreview;

// What the two query windows share: their own connection, the list in a grid
// (keys kept, rows read as the grid shows them), a scratch query, the top
// panel with the count line, the placement at the first showing, "请先查询"
// for a command without a list (and a word that nothing was found for one
// whose query found nothing), and closing the list with the window. Each
// window adds its search fields and its own commands.
class QueryWindow : public QDialog {
    Q_OBJECT
  public:
    store::Connection ADOConnection1;
    store::Query* ADOQuery_temp;  // scratch: counts, updates, deletes

    QFrame* Panel1;
    QLabel* StatusBar1;
    ui::DBGrid* DBGrid1 = nullptr;

    // The commands both windows have, each its own way.
    virtual void FormShow() = 0;
    virtual void Button_queryClick() = 0;
    virtual void DBGrid1DblClick() = 0;  // also 编辑
    virtual void Button_deleteClick() = 0;
    virtual void Button_printClick() = 0;  // 选择打印
    void Button_closeClick();

  protected:
    QueryWindow(const char* objectName, const QString& title, const char* listName, QSize outerSize,
                QWidget* parent);

    // Buttons and text fields of the top panel, named.
    struct ButtonSpec {
        QPushButton** button;
        const char* name;
        const char* caption;
    };
    void makeButtons(std::initializer_list<ButtonSpec> specs);
    LineEdit* edit(const char* name, int maxLength);

    // The buttons of the commands both windows have.
    struct CommonButtons {
        QPushButton* query;
        QPushButton* edit;
        QPushButton* remove;
        QPushButton* print;
        QPushButton* close;
    };
    // After the panel is built: the grid, the layout, the keyboard order
    // (the grid last), the size and the common commands.
    void finishLayout(const QList<GridColumn>& columns, QList<QWidget*> tabOrder,
                      const CommonButtons& buttons);

    // Each button's command.
    void onClick(const QList<std::pair<QPushButton*, std::function<void()>>>& commands);
    // Each showing starts without a list, with an empty count line and empty
    // search fields, the first of them focused.
    void startShowing(std::initializer_list<QLineEdit*> searchFields);
    // The list is open and has rows; otherwise "请先查询", or that the query
    // found nothing, was shown.
    bool listReady();
    // Enter in the last search field runs "查询" instead of moving on.
    void queryOnEnterIn(QLineEdit* lastSearchField);
    void showCount();
    // A column of a listed row as text (null as empty).
    QString textOf(int row, int column) const;
    // Drops the current row from the list after its stored rows were deleted.
    void dropCurrentRow();

    void showEvent(QShowEvent* e) override;
    // Closing by any means closes the list.
    void done(int r) override;

    store::KeyedQuery* list_;

  private:
    QSize outerSize_;
    KeyPreview* keyPreview_ = nullptr;
    bool placed_ = false;  // outer size and centre set at the first showing
};

}  // namespace ui
