#pragma once

#include <QListView>

namespace exchange {
class TransferLog;
}

// The log area of the data exchange window: a read-only view of a
// TransferLog that reads only the lines it shows, so millions of lines cost
// no more than their offsets.
class LogArea : public QListView {
    Q_OBJECT
  public:
    LogArea(exchange::TransferLog& log, QWidget* parent = nullptr);

    // Shows lines appended to the log since the last call, following the end
    // while the view is at the end.
    void showAppended();
    // The log was cleared.
    void clear();
    bool isReadOnly() const { return true; }
    // Every line shown, joined by '\n'.
    QString toPlainText() const;

  private:
    class Model;
    Model* model_;
};
