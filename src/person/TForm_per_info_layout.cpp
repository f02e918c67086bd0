// The person window's controls, described once and laid out by Qt.
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "person/TForm_per_info.h"
#include "ui/FieldTable.h"
#include "ui/ScreenFit.h"

namespace {
const char* const kSpaceHint = "按空格键可以使本栏为空";
const char* const kDateHint = "输入格式2001 01 01";
constexpr QSize kClientSize(685, 464);
}  // namespace

void TForm_per_info::buildControls() {
    using ui::LabelColour;
    constexpr auto Blue = LabelColour::Blue;
    constexpr auto Teal = LabelColour::Teal;
    auto slot = [this](int n) { return [this, n](QWidget* parent) { return makeSlot(n, parent); }; };
    // Three label and field pairs a row (columns 0-1, 2-3, 4-5), or two where the
    // second field spans to the right edge.
    // clang-format off
    const QList<ui::FieldSpec> fields = {
        {.control = &Edit_SHBXDJZBM, .name = "Edit_SHBXDJZBM", .row = 0, .col = 0, .label = "社会保险登记证编码", .colour = Blue, .chars = 12},
        {.control = &Edit_DWMC, .name = "Edit_DWMC", .row = 0, .col = 2, .label = "单位名称", .chars = 30, .span = 3},
        {.control = &DBEdit_NAME, .name = "DBEdit_NAME", .column = "NAME", .row = 1, .col = 0, .label = "姓名", .colour = Blue, .chars = 12},
        {.control = &DBEdit_GMSFZ, .name = "DBEdit_GMSFZ", .column = "IDCARD", .row = 1, .col = 2, .label = "公民身份号码", .colour = Blue, .chars = 18, .span = 2},
        {.control = &DBLookupComboBox_SEX, .name = "DBLookupComboBox_SEX", .list = ADOQuery_SEX, .row = 2, .col = 0, .label = "性别", .colour = Blue, .chars = 6},
        {.control = &DBEdit_CSRQ, .name = "DBEdit_CSRQ", .column = "BIRTH", .row = 2, .col = 2, .label = "出生日期", .colour = Blue, .hint = kDateHint, .chars = 10},
        {.control = &DBLookupComboBox_NATION, .name = "DBLookupComboBox_NATION", .list = ADOQuery_MZ, .row = 2, .col = 4, .label = "民族", .colour = Blue, .chars = 8},
        {.control = &DBLookupComboBox_JFRYLB, .name = "DBLookupComboBox_JFRYLB", .list = ADOQuery_JFRYLB, .row = 3, .col = 0, .label = "缴费人员类别", .colour = Blue, .chars = 12},
        {.control = &DBLookupComboBox_YBCBRYLB, .name = "DBLookupComboBox_YBCBRYLB", .list = ADOQuery_YBCBRYLB, .row = 3, .col = 2, .label = "医疗参保人员类别", .colour = Blue, .chars = 12, .span = 2},
        {.control = &DBEdit_CSD, .name = "DBEdit_CSD", .column = "HOMEPLACE", .row = 4, .col = 0, .label = "出生地", .chars = 10},
        {.control = &DBLookupComboBox_HYZK, .name = "DBLookupComboBox_HYZK", .list = ADOQuery_HYZK, .row = 4, .col = 2, .label = "婚姻状况", .hint = kSpaceHint, .chars = 8},
        {.control = &DBLookupComboBox_HKXZ, .name = "DBLookupComboBox_HKXZ", .list = ADOQuery_HKXZ, .row = 4, .col = 4, .label = "户口性质", .hint = kSpaceHint, .chars = 8},
        {.control = &DBLookupComboBox_WHCD, .name = "DBLookupComboBox_WHCD", .list = ADOQuery_WHCD, .row = 5, .col = 0, .label = "文化程度", .colour = Blue, .chars = 10},
        {.control = &DBLookupComboBox_GRSF, .name = "DBLookupComboBox_GRSF", .list = ADOQuery_GRSF, .row = 5, .col = 2, .label = "个人身份", .hint = kSpaceHint, .chars = 8},
        {.control = &DBEdit_CJGZRQ, .name = "DBEdit_CJGZRQ", .column = "WORKDATE", .row = 5, .col = 4, .label = "参加工作日期", .hint = kDateHint, .chars = 10},
        {.control = &DBLookupComboBox_XZZW, .name = "DBLookupComboBox_XZZW", .list = ADOQuery_XZZW, .row = 6, .col = 0, .label = "行政职务", .colour = Teal, .hint = kSpaceHint, .chars = 10},
        {.control = &DBLookupComboBox_ZYJSZC, .name = "DBLookupComboBox_ZYJSZC", .list = ADOQuery_ZYJSZC, .row = 6, .col = 2, .label = "专业技术职称", .hint = kSpaceHint, .chars = 8},
        {.control = &DBLookupComboBox_GRJSDJ, .name = "DBLookupComboBox_GRJSDJ", .list = ADOQuery_GRJSDJ, .row = 6, .col = 4, .label = "工人技术等级", .hint = kSpaceHint, .chars = 8},
        {.control = &DBEdit_LTXRQ, .name = "DBEdit_LTXRQ", .column = "RETIREDATE", .row = 7, .col = 0, .label = "离退休日期", .colour = Teal, .hint = kDateHint, .chars = 10},
        {.control = &DBLookupComboBox_LTXRYLB, .name = "DBLookupComboBox_LTXRYLB", .list = ADOQuery_LTXRYLB, .row = 7, .col = 2, .label = "离退休类别", .colour = Teal, .hint = kSpaceHint, .chars = 10, .span = 2},
        {.control = &DBEdit_HKSZQXJX, .name = "DBEdit_HKSZQXJX", .column = "RESIDENT", .row = 8, .col = 0, .label = "户口所在街道名称", .chars = 12},
        {.control = &DBEdit_HKSZD, .name = "DBEdit_HKSZD", .column = "RESIDENTADDR", .row = 8, .col = 2, .label = "户口所在地", .chars = 20, .span = 3},
        {.control = &DBEdit_XJZDDZ, .name = "DBEdit_XJZDDZ", .column = "ADDRESS", .row = 9, .col = 0, .label = "现居住地地址", .colour = Blue, .chars = 12},
        {.control = &DBEdit_JZDYZBM, .name = "DBEdit_JZDYZBM", .column = "ZIP", .row = 9, .col = 2, .label = "居住地邮政编码", .colour = Blue, .chars = 6},
        {.control = &DBEdit_CBRDH, .name = "DBEdit_CBRDH", .column = "TEL", .row = 10, .col = 0, .label = "参保人电话", .colour = Blue, .chars = 12},
        {.control = &DBEdit_LXRXM, .name = "DBEdit_LXRXM", .column = "LINKMAN", .row = 10, .col = 2, .label = "联系人姓名", .chars = 8},
        {.control = &DBEdit_LXRDH, .name = "DBEdit_LXRDH", .column = "LINKMANTEL", .row = 10, .col = 4, .label = "联系人电话", .chars = 12},
        {.control = &DBEdit_DDYLJG[0], .name = "DBEdit_DDYLJG1", .row = 11, .col = 0, .label = "定点医疗机构1", .colour = Blue, .chars = 8, .block = "slots", .make = slot(1)},
        {.control = &Edit_HOSNAME[0], .name = "Edit_HOSNAME1", .row = 11, .col = 2, .chars = 12, .block = "slots"},
        {.control = &DBEdit_DDYLJG[1], .name = "DBEdit_DDYLJG2", .row = 11, .col = 3, .label = "定点医疗机构2", .chars = 8, .block = "slots", .make = slot(2)},
        {.control = &Edit_HOSNAME[1], .name = "Edit_HOSNAME2", .row = 11, .col = 5, .chars = 12, .block = "slots"},
        {.control = &DBEdit_DDYLJG[2], .name = "DBEdit_DDYLJG3", .row = 12, .col = 0, .label = "定点医疗机构3", .chars = 8, .block = "slots", .make = slot(3)},
        {.control = &Edit_HOSNAME[2], .name = "Edit_HOSNAME3", .row = 12, .col = 2, .chars = 12, .block = "slots"},
        {.control = &DBEdit_DDYLJG[3], .name = "DBEdit_DDYLJG4", .row = 12, .col = 3, .label = "定点医疗机构4", .chars = 8, .block = "slots", .make = slot(4)},
        {.control = &Edit_HOSNAME[3], .name = "Edit_HOSNAME4", .row = 12, .col = 5, .chars = 12, .block = "slots"},
        {.control = &DBEdit_DDYLJG[4], .name = "DBEdit_DDYLJG5", .row = 13, .col = 0, .label = "定点医疗机构5", .chars = 8, .block = "slots", .make = slot(5)},
        {.control = &Edit_HOSNAME[4], .name = "Edit_HOSNAME5", .row = 13, .col = 2, .chars = 12, .block = "slots"},
        {.control = &DBLookupComboBox_LXJFFS, .name = "DBLookupComboBox_LXJFFS", .list = ADOQuery_LXJFFS, .row = 14, .col = 0, .label = "离休医疗统筹缴费方式", .colour = Blue, .chars = 10},
        {.control = &DBLookupComboBox_GRZHGLZT, .name = "DBLookupComboBox_GRZHGLZT", .list = ADOQuery_GRZHGLZT, .row = 14, .col = 2, .label = "账户管理状态", .chars = 8},
        {.control = &DBEdit_JKKH, .name = "DBEdit_JKKH", .column = "JINGCARD", .row = 14, .col = 4, .label = "市商业银行京卡卡号", .chars = 10},
        {.control = &DBLookupComboBox_GWYXSBS, .name = "DBLookupComboBox_GWYXSBS", .list = ADOQuery_none, .row = 15, .col = 0, .label = "公务员医疗补助享受标识", .chars = 10},
        {.control = &DBLookupComboBox_GWYJFFS, .name = "DBLookupComboBox_GWYJFFS", .list = ADOQuery_none, .row = 15, .col = 2, .label = "公务员医疗补助缴费方式", .chars = 10, .span = 2, .labelSpan = 2},
    };
    // clang-format on
    // The slots' block: 1, 3, 5 down the left half, 2 and 4 down the right, each
    // name box beside its slot; the search panel covers a slot and what lies to
    // its right, so the right half's slots start early enough for it.
    Panel_fields = new QWidget(this);
    Panel_fields->setObjectName("Panel_fields");
    ui::FieldGrid fieldGrid(Panel_fields, ADOTable_PERSON);
    fieldGrid.build(fields);
    QGridLayout* grid = fieldGrid.grid();
    // Narrow side margins: the marks of the required labels take their room.
    grid->setContentsMargins(5, 6, 5, 3);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);

    Edit_SHBXDJZBM->setMaxLength(12);
    Edit_DWMC->setReadOnly(true);
    {
        QPalette p = Edit_DWMC->palette();
        p.setColor(QPalette::Base, palette().color(QPalette::Window));
        Edit_DWMC->setPalette(p);
    }
    for (QWidget* w :
         {static_cast<QWidget*>(DBLookupComboBox_SEX), static_cast<QWidget*>(DBEdit_CSRQ),
          static_cast<QWidget*>(DBLookupComboBox_GRZHGLZT), static_cast<QWidget*>(DBEdit_JKKH),
          static_cast<QWidget*>(DBLookupComboBox_GWYXSBS), static_cast<QWidget*>(DBLookupComboBox_GWYJFFS)})
        w->setEnabled(false);
    DBLookupComboBox_GWYXSBS->setFocusPolicy(Qt::NoFocus);
    DBLookupComboBox_GWYJFFS->setFocusPolicy(Qt::NoFocus);
    DBLookupComboBox_LXJFFS->setMaxVisibleItems(6);
    for (int i = 0; i < 5; ++i) {
        Edit_HOSNAME[i]->setEnabled(false);
        Edit_HOSNAME[i]->setAccessibleName(QString("定点医疗机构%1名称").arg(i + 1));
    }
    buildHosPanel();

    // Never shown, and they write nothing.
    DBLookupComboBox_GRCDJFFS = new ui::DBLookupComboBox(ADOQuery_GRCDJFFS, this);
    DBLookupComboBox_GRCDJFFS->setObjectName("DBLookupComboBox_GRCDJFFS");
    DBLookupComboBox_JFZQ = new ui::DBLookupComboBox(ADOQuery_JFZQ, this);
    DBLookupComboBox_JFZQ->setObjectName("DBLookupComboBox_JFZQ");
    DBEdit_STJFNX = new ui::DBEdit(ADOTable_PERSON, "EQUAL", this);
    DBEdit_STJFNX->setObjectName("DBEdit_STJFNX");
    DBEdit_STJFNX->setMaxLength(3);
    for (QWidget* w : {static_cast<QWidget*>(DBLookupComboBox_GRCDJFFS),
                       static_cast<QWidget*>(DBLookupComboBox_JFZQ), static_cast<QWidget*>(DBEdit_STJFNX)}) {
        w->setEnabled(false);
        w->hide();
    }

    for (ui::DBLookupComboBox* c :
         {DBLookupComboBox_HYZK, DBLookupComboBox_HKXZ, DBLookupComboBox_GRSF, DBLookupComboBox_XZZW,
          DBLookupComboBox_ZYJSZC, DBLookupComboBox_GRJSDJ, DBLookupComboBox_LTXRYLB})
        c->setEmptiedBy({Qt::Key_Space, Qt::Key_Backspace});

    // What the marks of the required labels mean, under the fields.
    Label_legend = new QLabel(ui::requiredLegend(), Panel_fields);
    Label_legend->setObjectName("Label_legend");
    Label_legend->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(Label_legend, 16, 0, 1, -1);
    grid->setRowStretch(16, 1);

    // The buttons' row, below the fields, which scroll on a screen too small for the window.
    Panel_buttons = new QWidget(this);
    Panel_buttons->setObjectName("Panel_buttons");
    auto* buttons = new QHBoxLayout(Panel_buttons);
    buttons->setContentsMargins(5, 0, 5, 6);
    buttons->setSpacing(30);
    auto button = [this, buttons](const char* name, const QString& text) {
        auto* b = new QPushButton(text, Panel_buttons);
        b->setObjectName(name);
        b->setMinimumWidth(90);
        buttons->addWidget(b);
        return b;
    };
    buttons->addStretch();
    Button_Insert = button("Button_Insert", "新增");
    Button_SAVE = button("Button_SAVE", "保存");
    Button_print = button("Button_print", "打印");
    Button_preview = button("Button_preview", "打印预览");
    Button_close = button("Button_close", "关闭");
    buttons->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* area = new ui::FieldsArea(Panel_fields, this);
    column->addWidget(area, 1);
    column->addWidget(Panel_buttons);
    ui::fitToScreen(this, kClientSize, area, Panel_buttons);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    QAction* printAction = PopupMenu1->addAction("打印");
    printAction->setObjectName("N_print");
    QAction* previewAction = PopupMenu1->addAction("打印预览");
    previewAction->setObjectName("N_preview");
    connect(printAction, &QAction::triggered, this, &TForm_per_info::Button_printClick);
    connect(previewAction, &QAction::triggered, this, &TForm_per_info::Button_previewClick);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(mapToGlobal(pos)); });

    // Digits only: the postcode and the five slots.
    digitsOnly_ = {DBEdit_JZDYZBM};
    for (ui::DBEdit* s : DBEdit_DDYLJG) digitsOnly_.append(s);
    static const QRegularExpression digits("[0-9]*");
    for (QWidget* w : digitsOnly_) {
        static_cast<ui::LineEdit*>(w)->setValidator(new QRegularExpressionValidator(digits, w));
        w->installEventFilter(this);
    }
}
