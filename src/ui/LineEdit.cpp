#include "ui/LineEdit.h"

#include <QTextBoundaryFinder>
#include <QValidator>

namespace ui {

namespace {
using store::characterCount;

// Drops whole grapheme clusters from the end until text has at most max characters.
void cutToLimit(QString& text, int max) {
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    clusters.toEnd();
    qsizetype size = text.size();
    while (size > 0 && characterCount(text.left(size)) > max) {
        const qsizetype start = clusters.toPreviousBoundary();
        if (start < 0) break;
        size = start;
    }
    text.truncate(size);
}
}  // namespace

class LineEdit::Limit : public QValidator {
  public:
    explicit Limit(LineEdit* edit) : QValidator(edit) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { accepted_ = t; });
    }

    State validate(QString& input, int& pos) const override {
        // Half a pair is no character: refuse it (a broken paste), never store it.
        if (!input.isValidUtf16()) return Invalid;
        if (max > 0 && !uncut && characterCount(input) > max) trim(input, pos);
        return inner ? inner->validate(input, pos) : Acceptable;
    }

    void fixup(QString& input) const override {
        if (inner) inner->fixup(input);
    }

    int max = 0;
    bool uncut = false;
    QPointer<const QValidator> inner;

  private:
    // The part of input that differs from the text accepted last is what was
    // just inserted; whole clusters are dropped from its end until it fits.
    void trim(QString& input, int& pos) const {
        const QString& before = accepted_;
        qsizetype prefix = 0;
        const qsizetype common = std::min(before.size(), input.size());
        while (prefix < common && before.at(prefix) == input.at(prefix)) ++prefix;
        qsizetype suffix = 0;
        while (suffix < common - prefix &&
               before.at(before.size() - 1 - suffix) == input.at(input.size() - 1 - suffix))
            ++suffix;
        // Keep pairs out of the middle of either boundary.
        if (prefix > 0 && input.at(prefix - 1).isHighSurrogate()) --prefix;
        qsizetype end = input.size() - suffix;
        if (end < input.size() && input.at(end).isLowSurrogate()) ++end;
        if (end < prefix) end = prefix;

        QString inserted = input.mid(prefix, end - prefix);
        int excess = characterCount(input) - max;
        QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, inserted);
        clusters.toEnd();
        qsizetype keep = inserted.size();
        while (excess > 0 && keep > 0) {
            const qsizetype start = clusters.toPreviousBoundary();
            if (start < 0) break;
            excess -= characterCount(inserted.mid(start, keep - start));
            keep = start;
        }
        input.remove(prefix + keep, inserted.size() - keep);
        pos = int(prefix + keep);
        // Still too long (a text set from the program): cut at the end.
        if (excess > 0) {
            cutToLimit(input, max);
            pos = std::min(pos, int(input.size()));
        }
    }

    QString accepted_;
};

LineEdit::LineEdit(QWidget* parent) : LineEdit(QString(), parent) {}

LineEdit::LineEdit(const QString& text, QWidget* parent) : QLineEdit(parent), limit_(new Limit(this)) {
    QLineEdit::setValidator(limit_);
    setText(text);
}

void LineEdit::setMaxLength(int characters) {
    limit_->max = characters;
    // Apply it to what is there, as QLineEdit does.
    if (characters > 0 && characterCount(text()) > characters) {
        QString t = text();
        cutToLimit(t, characters);
        setText(t);
    }
}

int LineEdit::maxLength() const {
    return limit_->max > 0 ? limit_->max : QLineEdit::maxLength();
}

void LineEdit::setValidator(const QValidator* validator) {
    limit_->inner = validator;
}

const QValidator* LineEdit::validator() const {
    return limit_->inner.data();
}

void LineEdit::setTextUncut(const QString& text) {
    limit_->uncut = true;
    setText(text);
    limit_->uncut = false;
}

}  // namespace ui
