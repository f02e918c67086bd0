#pragma once

#include <QAction>
#include <QMainWindow>
#include <QMargins>
#include <QRect>

// The main window: an empty frame with the menu of the whole program.
class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);

    // The date-format check: makes the user's short date format give today's
    // date in ten characters, saying so when it replaced the user's own;
    // asks for the end of the program only when it could not.
    void FormCreate();
    // Runs the login once the window is shown; closes the window without one.
    void FormShow();
    bool endRequested() const { return endRequested_; }

    void N2Click();   // 单位增加
    void N3Click();   // 单位 查询编辑, 单位打印
    void N6Click();   // 人员增加
    void N7Click();   // 人员 查询编辑, 个人打印
    void N17Click();  // 导入/导出
    void N9Click();   // 编辑维护
    void N8Click();   // 退出
    void aboutClick();
    void N23Click();  // 数据备份
    void N24Click();  // 数据恢复

    QAction *N2, *N3, *N6, *N7, *N12, *N13, *N17, *N9, *N8, *N23, *N24, *About;

    // Outer size of the window when restored from maximized.
    static constexpr QSize kRestoredSize{696, 480};
    // The client rectangle whose frame (outer) rectangle has the given size
    // and is centred in the desktop rectangle.
    static QRect centredClientRect(QSize outer, QMargins frame, QRect desktop);

  protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    bool endRequested_ = false;
    bool shownOnce_ = false;
    bool restoredOnce_ = false;
};
