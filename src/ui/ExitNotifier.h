#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace ui {

// Raises a control's "Exit" handler when the focus moves from it to another
// control of the same window. Focus taken by a message box, a popup or
// another window raises nothing, so no handler runs twice.
class ExitNotifier : public QObject {
    Q_OBJECT
  public:
    explicit ExitNotifier(QWidget* window);

    void onExit(QWidget* control, std::function<void()> handler);
    // While suspended (the program moves the focus itself) nothing is raised.
    void setSuspended(bool s) { suspended_ = s; }
    bool suspended() const { return suspended_; }

  private:
    void focusChanged(QWidget* old, QWidget* now);
    QWidget* window_;
    QHash<QWidget*, std::function<void()>> handlers_;
    bool suspended_ = false;
};

}  // namespace ui
