#pragma once

#include <QAbstractScrollArea>

namespace exchange {
class TransferLog;
}

// The log area of the data exchange window: a read-only view of a
// TransferLog. It draws only the lines on screen, each one text line high, so
// a log of millions of lines costs no more than their offsets, and following
// the end costs the same at the millionth line as at the first.
class LogArea : public QAbstractScrollArea {
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
    // The lines selected (whole lines, from the mouse or the keyboard), joined by '\n'.
    QString selectedText() const;
    // Lines shown so far, and the first one on screen.
    qsizetype lineCount() const { return shown_; }
    qsizetype firstVisibleLine() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    int lineHeight() const;
    int visibleLines() const;
    // The view shows the last line (following the end).
    bool atEnd() const;
    void updateScrollBars();
    qsizetype lineAt(int y) const;
    void moveCurrent(qsizetype line, bool extend);

    exchange::TransferLog& log_;
    qsizetype shown_ = 0;
    // Selected lines run from anchor_ to current_, either way round; none while anchor_ < 0.
    qsizetype anchor_ = -1;
    qsizetype current_ = -1;
};
