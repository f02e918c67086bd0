#include "exchange/LogArea.h"

#include <QAbstractListModel>
#include <QScrollBar>

#include "exchange/TransferLog.h"

class LogArea::Model : public QAbstractListModel {
  public:
    Model(exchange::TransferLog& log, QObject* parent) : QAbstractListModel(parent), log_(log) {}

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(shown_); }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return log_.at(index.row());
    }
    // Rows are counted here, on the window's thread, so that the view never
    // sees a row it was not told of.
    bool catchUp() {
        const qsizetype now = log_.size();
        if (now == shown_) return false;
        if (now < shown_) {
            beginResetModel();
            shown_ = now;
            endResetModel();
            return true;
        }
        beginInsertRows({}, int(shown_), int(now - 1));
        shown_ = now;
        endInsertRows();
        return true;
    }
    void reset() {
        beginResetModel();
        shown_ = log_.size();
        endResetModel();
    }

  private:
    exchange::TransferLog& log_;
    qsizetype shown_ = 0;
};

LogArea::LogArea(exchange::TransferLog& log, QWidget* parent)
    : QListView(parent), model_(new Model(log, this)) {
    setModel(model_);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
}

void LogArea::showAppended() {
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    if (model_->catchUp() && atEnd) scrollToBottom();
}

void LogArea::clear() {
    model_->reset();
}

QString LogArea::toPlainText() const {
    QStringList lines;
    for (int i = 0; i < model_->rowCount({}); ++i) lines.append(model_->index(i).data().toString());
    return lines.join('\n');
}
