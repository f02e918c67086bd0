#include "ui/FieldTable.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>

namespace ui {

namespace {

QWidget* create(const FieldSpec& f, QWidget* parent, store::Dataset* table) {
    if (f.make) {
        QWidget* w = f.make(parent);
        std::visit([w](auto target) { *target = static_cast<std::remove_pointer_t<decltype(target)>>(w); },
                   f.control);
        return w;
    }
    return std::visit(
        [&](auto target) -> QWidget* {
            using T = std::remove_pointer_t<std::remove_pointer_t<decltype(target)>>;
            T* w = nullptr;
            if constexpr (std::is_same_v<T, DBEdit>)
                w = new DBEdit(table, QString::fromLatin1(f.column), parent);
            else if constexpr (std::is_same_v<T, DBLookupComboBox>)
                w = new DBLookupComboBox(f.list, parent);
            else
                w = new T(parent);
            *target = w;
            return w;
        },
        f.control);
}

QColor describedColour(LabelColour c) {
    switch (c) {
        case LabelColour::Blue:
            return QColor(0, 0, 255);
        case LabelColour::Teal:
            return QColor(0, 128, 128);
        case LabelColour::Text:
            break;
    }
    return {};
}

double luminance(const QColor& c) {
    auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// A label of a required field: its colour follows the palette it is shown in.
class FieldLabel : public QLabel {
  public:
    FieldLabel(const QString& text, LabelColour colour, QWidget* parent)
        : QLabel(text, parent), colour_(colour) {
        applyColour();
    }

  protected:
    void changeEvent(QEvent* e) override {
        QLabel::changeEvent(e);
        if (e->type() == QEvent::PaletteChange) applyColour();
    }

  private:
    void applyColour() {
        const QColor c = labelColour(colour_, palette());
        if (!c.isValid() || palette().color(QPalette::WindowText) == c) return;
        QPalette p = palette();
        p.setColor(QPalette::WindowText, c);
        setPalette(p);
    }
    LabelColour colour_;
};

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor labelColour(LabelColour c, const QPalette& palette) {
    const QColor described = describedColour(c);
    if (!described.isValid()) return described;
    const QColor background = palette.color(QPalette::Window);
    // A light palette (dark text on a light window) keeps the described colours.
    if (luminance(background) >= luminance(palette.color(QPalette::WindowText))) return described;
    float h = 0, sat = 0, l = 0;
    described.getHslF(&h, &sat, &l);
    QColor lighter = described;
    for (; l <= 1.0f && contrastRatio(lighter, background) < 4.5; l += 0.01f)
        lighter = QColor::fromHslF(h, sat, std::min(l, 1.0f));
    return lighter;
}

QString requiredMark(LabelColour c) {
    switch (c) {
        case LabelColour::Blue:
            return QStringLiteral("*");
        case LabelColour::Teal:
            return QStringLiteral("△");
        case LabelColour::Text:
            break;
    }
    return {};
}

QString requiredDescription(LabelColour c) {
    switch (c) {
        case LabelColour::Blue:
            return QStringLiteral("必填");
        case LabelColour::Teal:
            return QStringLiteral("在一定条件下必填");
        case LabelColour::Text:
            break;
    }
    return {};
}

QString requiredLegend() {
    return QStringLiteral("* 必填　△ 按条件必填");
}

int widthForChars(const QWidget* control, int chars) {
    const int text = control->fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('0')));
    if (auto* combo = qobject_cast<const QComboBox*>(control)) {
        QStyleOptionComboBox opt;
        opt.initFrom(combo);
        opt.editable = combo->isEditable();
        return combo->style()->sizeFromContents(QStyle::CT_ComboBox, &opt, QSize(text, 1), combo).width();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
        QStyleOptionFrame opt;
        opt.initFrom(edit);
        opt.lineWidth =
            edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
        // The text margins and the cursor, as QLineEdit counts them.
        return edit->style()
            ->sizeFromContents(QStyle::CT_LineEdit, &opt, QSize(text + 4 + 2, 1), edit)
            .width();
    }
    return text;
}

FieldGrid::FieldGrid(QWidget* page, store::Dataset* table)
    : page_(page), table_(table), grid_(new QGridLayout(page)) {}

FieldGrid::Nested& FieldGrid::nestedFor(const FieldSpec& f) {
    const QString key =
        f.group ? "group:" + QString::fromUtf8(f.group) : "block:" + QString::fromUtf8(f.block);
    for (Nested& n : nested_)
        if (n.key == key) return n;
    QGridLayout* g = nullptr;
    if (f.group) {
        auto* box = new QGroupBox(QString::fromUtf8(f.group), page_);
        g = new QGridLayout(box);
        grid_->addWidget(box, f.row, 0, 1, -1);
    } else {
        g = new QGridLayout;
        g->setContentsMargins(0, 0, 0, 0);
        g->setSpacing(grid_->spacing());
        grid_->addLayout(g, f.row, 0, 1, -1);
    }
    nested_.append({key, f.row, g});
    return nested_.last();
}

QLabel* FieldGrid::labelOf(const QWidget* control) const {
    for (const auto& [w, l] : labels_)
        if (w == control) return l;
    return nullptr;
}

void FieldGrid::build(const QList<FieldSpec>& fields) {
    for (const FieldSpec& f : fields) {
        QGridLayout* g = grid_;
        int row = f.row;
        if (f.group || f.block) {
            const Nested& n = nestedFor(f);
            g = n.grid;
            row = f.row - n.firstRow;
        }
        QWidget* parent = g->parentWidget() ? g->parentWidget() : page_;
        QWidget* w = create(f, parent, table_);
        w->setObjectName(QString::fromLatin1(f.name));
        if (f.hint) w->setToolTip(QString::fromUtf8(f.hint));
        w->setMinimumWidth(widthForChars(w, f.chars));
        int col = f.col;
        if (f.label) {
            const QString text = QString::fromUtf8(f.label);
            auto* l = new FieldLabel(requiredMark(f.colour) + text, f.colour, parent);
            l->setObjectName("Label_" + w->objectName());
            l->setBuddy(w);
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (f.colour != LabelColour::Text) {
                // A screen reader names the field without the mark and says that it is required.
                w->setAccessibleName(text);
                w->setAccessibleDescription(requiredDescription(f.colour));
            }
            g->addWidget(l, row, col, 1, f.labelSpan);
            labels_.append({w, l});
            col += f.labelSpan;
        }
        g->addWidget(w, row, col, 1, f.span);
    }
    // In a nested grid only the last column grows; the others keep their width.
    for (const Nested& n : nested_) {
        const int last = n.grid->columnCount() - 1;
        n.grid->setColumnStretch(last, 1);
        for (int i = 0; i < n.grid->count(); ++i) {
            int row, col, rows, cols;
            n.grid->getItemPosition(i, &row, &col, &rows, &cols);
            QWidget* w = n.grid->itemAt(i)->widget();
            if (w && col + cols - 1 < last && !qobject_cast<QLabel*>(w))
                w->setMaximumWidth(w->minimumWidth());
        }
    }
}

}  // namespace ui
