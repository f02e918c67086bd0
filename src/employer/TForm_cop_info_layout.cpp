// The employer window's controls, described once per page and laid out by Qt.
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QVBoxLayout>

#include "employer/TForm_cop_info.h"
#include "ui/FieldTable.h"
#include "ui/ScreenFit.h"

namespace {

const char* const kSpaceEmpties = "按空格键可以使本栏为空";
const char* const kDateHint = "输入格式2001 01 01";
constexpr QSize kClientSize(683, 543);

QPushButton* pageAdvanceButton(QWidget* page, const char* name, const QString& accessibleName) {
    // Zero-sized but visible, so it takes the focus in tab order.
    auto* b = new QPushButton(page);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(0, 0, 0, 0);
    b->setFocusPolicy(Qt::TabFocus);
    b->setAccessibleName(accessibleName);
    return b;
}

// A page's grid: fields in two label and field pairs, the rest of the height below.
QGridLayout* buildPage(QWidget* page, store::Dataset* table, const QList<ui::FieldSpec>& fields) {
    ui::FieldGrid g(page, table);
    g.build(fields);
    QGridLayout* grid = g.grid();
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    for (auto* box : page->findChildren<QGroupBox*>()) box->layout()->setContentsMargins(8, 2, 8, 4);
    grid->setRowStretch(grid->rowCount(), 1);
    grid->setColumnStretch(4, 1);
    return grid;
}

}  // namespace

void TForm_cop_info::buildTop() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    ui::FieldGrid top(Panel1, nullptr);
    // clang-format off
    top.build({
        {.control = &Edit_BXDJZBM, .name = "Edit_BXDJZBM", .row = 0, .col = 0, .label = "社会保险登记证编码", .chars = 12},
        {.control = &DBLookupComboBox_jfdq, .name = "DBLookupComboBox_jfdq", .list = ADOQuery_jfdq, .row = 0, .col = 2, .label = "缴费地区", .chars = 14},
    });
    // clang-format on
    top.grid()->setColumnStretch(4, 1);
    top.grid()->setContentsMargins(8, 8, 8, 4);
    Edit_BXDJZBM->setMaxLength(12);
    Edit_BXDJZBM->setEnabled(false);
    Edit_BXDJZBM->setFocusPolicy(Qt::ClickFocus);

    PageControl1 = new QTabWidget(Panel1);
    PageControl1->setObjectName("PageControl1");
    // Pages change by keys through the page-advance controls, not the tabs.
    PageControl1->setFocusPolicy(Qt::NoFocus);
    if (auto* bar = PageControl1->findChild<QTabBar*>()) bar->setFocusPolicy(Qt::NoFocus);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName("TabSheet3");
    PageControl1->addTab(TabSheet1, "社会保险登记表");
    PageControl1->addTab(TabSheet2, "社会保险补充登记表");
    PageControl1->addTab(TabSheet3, "其它补充信息");
    top.grid()->addWidget(PageControl1, 1, 0, 1, -1);
    top.grid()->setRowStretch(1, 1);
}

void TForm_cop_info::buildPage1() {
    // clang-format off
    buildPage(TabSheet1, ADOTable_corporation, {
        {.control = &DBEdit_DWMC, .name = "DBEdit_DWMC", .column = "NAME", .row = 0, .col = 0, .label = "缴费单位名称", .chars = 30},
        {.control = &DBEdit_DWDH, .name = "DBEdit_DWDH", .column = "TEL", .row = 0, .col = 2, .label = "电话", .chars = 14},
        {.control = &DBEdit_DWDZ, .name = "DBEdit_DWDZ", .column = "ADDRESS", .row = 1, .col = 0, .label = "缴费单位地址", .chars = 30},
        {.control = &DBEdit_DWYB, .name = "DBEdit_DWYB", .column = "ZIP", .row = 1, .col = 2, .label = "邮编", .chars = 6},
        {.control = &DBLookupComboBox_ZZLX, .name = "DBLookupComboBox_ZZLX", .list = ADOTable_ZZLX, .row = 2, .col = 0, .label = "执照类型", .hint = kSpaceEmpties, .chars = 12, .group = "工商登记执照信息"},
        {.control = &DBEdit9, .name = "DBEdit9", .column = "INCOLICENSENO", .row = 2, .col = 2, .label = "执照号码", .chars = 15, .group = "工商登记执照信息"},
        {.control = &DBEdit_FZRQ, .name = "DBEdit_FZRQ", .column = "INCOLICENSEDATE", .row = 2, .col = 4, .label = "发照日期", .hint = kDateHint, .chars = 10, .group = "工商登记执照信息"},
        {.control = &DBEdit_ZZYXQX, .name = "DBEdit_ZZYXQX", .column = "INCOLICENSEUSEFULLIFE", .row = 2, .col = 6, .label = "有限期限", .chars = 3, .group = "工商登记执照信息"},
        {.control = &DBEdit_PZDW, .name = "DBEdit_PZDW", .column = "APPROVECORP", .row = 3, .col = 0, .label = "批准单位", .chars = 24, .group = "批准成立信息"},
        {.control = &DBEdit_PZRQ, .name = "DBEdit_PZRQ", .column = "APPROVEDATE", .row = 3, .col = 2, .label = "批准日期", .hint = kDateHint, .chars = 10, .group = "批准成立信息"},
        {.control = &DBEdit_PZWH, .name = "DBEdit_PZWH", .column = "APPROVEFILENO", .row = 3, .col = 4, .label = "批准文号", .chars = 16, .group = "批准成立信息"},
        {.control = &DBEdit_FRXM, .name = "DBEdit_FRXM", .column = "DELEGATENAME", .row = 4, .col = 0, .label = "姓名", .chars = 12, .group = "法定代表人或负责人"},
        {.control = &DBEdit_FRSFZ, .name = "DBEdit_FRSFZ", .column = "DELEGATEIDNO", .row = 4, .col = 2, .label = "身份证号码", .chars = 18, .group = "法定代表人或负责人"},
        {.control = &DBEdit_FRDH, .name = "DBEdit_FRDH", .column = "DELEGATETEL", .row = 4, .col = 4, .label = "电话", .chars = 14, .group = "法定代表人或负责人"},
        {.control = &DBEdit_ZGYXM, .name = "DBEdit_ZGYXM", .column = "FEEMANAGER", .row = 5, .col = 0, .label = "姓名", .chars = 12, .group = "缴费单位专管员"},
        {.control = &DBEdit_ZGYBM, .name = "DBEdit_ZGYBM", .column = "FEEMANAGERDEPT", .row = 5, .col = 2, .label = "所在部门", .chars = 18, .group = "缴费单位专管员"},
        {.control = &DBEdit_ZGYDH, .name = "DBEdit_ZGYDH", .column = "FEEMANAGERTEL", .row = 5, .col = 4, .label = "电话", .chars = 14, .group = "缴费单位专管员"},
        {.control = &DBLookupComboBox_dwlx, .name = "DBLookupComboBox_dwlx", .list = ADOQuery_dwlx, .row = 6, .col = 0, .label = "单位类型", .chars = 18},
        {.control = &DBLookupComboBox_lsgx, .name = "DBLookupComboBox_lsgx", .list = ADOTable_lsgx, .row = 6, .col = 2, .label = "隶属关系", .chars = 18},
        {.control = &DBEdit20, .name = "DBEdit20", .column = "SUPERIOR", .row = 7, .col = 0, .label = "主管部门或机构", .chars = 50, .span = 3},
        {.control = &DBLookupComboBox_khyh, .name = "DBLookupComboBox_khyh", .list = ADOTable_KHYH, .row = 8, .col = 0, .label = "开户银行（收缴）", .chars = 30},
        {.control = &Edit_KHYHDM, .name = "Edit_KHYHDM", .row = 8, .col = 3, .chars = 10},
        {.control = &DBEdit_KHHM, .name = "DBEdit_KHHM", .column = "FEEBANKACCNAME", .row = 9, .col = 0, .label = "户名（收缴）", .chars = 30},
        {.control = &DBEdit_YHZH, .name = "DBEdit_YHZH", .column = "FEEBANKACCOUNT", .row = 10, .col = 0, .label = "银行基本账号（收缴）", .chars = 30},
    });
    // clang-format on
    DBEdit_DWYB->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), DBEdit_DWYB));
    DBEdit_ZZYXQX->setMaxLength(3);
    DBLookupComboBox_dwlx->setMaxVisibleItems(6);
    DBLookupComboBox_khyh->setMaxVisibleItems(6);
    Edit_KHYHDM->setMaxLength(10);
    Edit_KHYHDM->setAccessibleName("开户银行（收缴）代码");
    Button1 = pageAdvanceButton(TabSheet1, "Button1", "转到社会保险补充登记表");
}

void TForm_cop_info::buildPage2() {
    // clang-format off
    buildPage(TabSheet2, ADOTable_corporation, {
        {.control = &DBEdit_DWMC2, .name = "DBEdit_DWMC2", .column = "NAME", .row = 0, .col = 0, .label = "单位名称", .chars = 18},
        {.control = &DBEdit_ZZJGDM, .name = "DBEdit_ZZJGDM", .column = "ORGCODE", .row = 0, .col = 2, .label = "组织机构代码", .chars = 12},
        {.control = &DBEdit_GSZCDZ, .name = "DBEdit_GSZCDZ", .column = "INCOREGADDR", .row = 1, .col = 0, .label = "工商注册地址", .chars = 18},
        {.control = &DBEdit_DWJC, .name = "DBEdit_DWJC", .column = "SHORTNAME", .row = 1, .col = 2, .label = "单位简称", .chars = 12},
        {.control = &DBLookupComboBox_jjlx, .name = "DBLookupComboBox_jjlx", .list = ADOQuery_jjlx, .row = 2, .col = 0, .label = "经济类型", .hint = kSpaceEmpties, .chars = 16},
        {.control = &DBLookupComboBox_dwlb, .name = "DBLookupComboBox_dwlb", .list = ADOQuery_dwlb, .row = 2, .col = 2, .label = "单位类别", .chars = 12},
        {.control = &DBEdit_DJZFZRQ, .name = "DBEdit_DJZFZRQ", .column = "LICENSEDDATE", .row = 3, .col = 0, .label = "登记证发证日期", .chars = 10},
        {.control = &DBLookupComboBox_ISZGC, .name = "DBLookupComboBox_ISZGC", .list = ADOTable_ISZGC, .row = 3, .col = 2, .label = "中关村科技园区投资企业标识", .hint = kSpaceEmpties, .chars = 6},
        {.control = &DBLookupComboBox_hyxt, .name = "DBLookupComboBox_hyxt", .list = ADOQuery_hyxt, .row = 4, .col = 0, .label = "行业系统", .hint = kSpaceEmpties, .chars = 16},
        {.control = &DBLookupComboBox_hyxz, .name = "DBLookupComboBox_hyxz", .list = ADOQuery_hyxz, .row = 4, .col = 2, .label = "行业性质", .chars = 12},
        {.control = &DBLookupComboBox_hydm, .name = "DBLookupComboBox_hydm", .list = ADOQuery_hydm, .row = 5, .col = 0, .label = "行业代码", .chars = 16},
        {.control = &DBEdit_EJDJZBM, .name = "DBEdit_EJDJZBM", .column = "SUPERIORSSN", .row = 6, .col = 0, .label = "二级公司社会保险登记证编码", .chars = 12},
        {.control = &DBLookupComboBox_SSXZQ, .name = "DBLookupComboBox_SSXZQ", .list = ADOQuery_ssxzq, .row = 6, .col = 2, .label = "所属行政区", .hint = kSpaceEmpties, .chars = 12},
        {.control = &DBEdit_FAX, .name = "DBEdit_FAX", .column = "FAX", .row = 7, .col = 0, .label = "单位传真", .chars = 16},
        {.control = &DBEdit_URL, .name = "DBEdit_URL", .column = "URL", .row = 7, .col = 2, .label = "单位网址", .chars = 20},
        {.control = &DBEdit_EMAIL, .name = "DBEdit_EMAIL", .column = "EMAIL", .row = 8, .col = 0, .label = "单位邮件", .chars = 30, .span = 3},
        {.control = &Edit_SBDJJG, .name = "Edit_SBDJJG", .row = 10, .col = 0, .label = "社保登记机构", .chars = 30, .span = 3},
        {.control = &Edit_EJGSZZJGDM, .name = "Edit_EJGSZZJGDM", .row = 11, .col = 0, .label = "二级公司组织机构代码", .chars = 12},
        {.control = &Edit_EJGSMC, .name = "Edit_EJGSMC", .row = 12, .col = 0, .label = "二级公司名称", .chars = 30, .span = 3},
    })->setRowMinimumHeight(9, 12);
    // clang-format on
    Button2 = pageAdvanceButton(TabSheet2, "Button2", "转到其它补充信息");
    for (QLineEdit* e : {Edit_SBDJJG, Edit_EJGSZZJGDM, Edit_EJGSMC}) e->setEnabled(false);
}

void TForm_cop_info::buildPage3() {
    // clang-format off
    buildPage(TabSheet3, ADOTable_corporation, {
        {.control = &DBLookupComboBox_ZFDQ, .name = "DBLookupComboBox_ZFDQ", .list = ADOTable_ZFDQ, .row = 0, .col = 0, .label = "报销地区", .chars = 10},
        {.control = &DBLookupComboBox_jffs, .name = "DBLookupComboBox_jffs", .list = ADOQuery_jffs, .row = 0, .col = 2, .label = "缴费方式", .chars = 10},
        {.control = &DBLookupComboBox_JFXS, .name = "DBLookupComboBox_JFXS", .list = ADOQuery_JFXS, .row = 1, .col = 0, .label = "缴费形式", .chars = 10},
        {.control = &DBLookupComboBox_JFZQ, .name = "DBLookupComboBox_JFZQ", .list = ADOTable_JFZQ, .row = 1, .col = 2, .label = "缴费周期", .chars = 10},
        {.control = &DBLookupComboBox_lxxsbz, .name = "DBLookupComboBox_lxxsbz", .list = ADOQuery_lxxsbz, .row = 2, .col = 0, .label = "离休医疗统筹享受标志", .chars = 10},
        {.control = &DBLookupComboBox_lxjffs, .name = "DBLookupComboBox_lxjffs", .list = ADOQuery_lxjffs, .row = 2, .col = 2, .label = "离休医疗统筹缴费方式", .chars = 10},
        {.control = &DBLookupComboBox_ZFKHYHMC, .name = "DBLookupComboBox_ZFKHYHMC", .list = ADOTable_ZFKHYH, .row = 3, .col = 0, .label = "支付开户银行行号", .hint = kSpaceEmpties, .chars = 20},
        {.control = &Edit_ZFKHYHDM, .name = "Edit_ZFKHYHDM", .row = 3, .col = 3, .chars = 10},
        {.control = &DBEdit_ZFKHYHHM, .name = "DBEdit_ZFKHYHHM", .column = "PAYBANKACCNAME", .row = 4, .col = 0, .label = "支付开户银行户名", .chars = 30, .span = 3},
        {.control = &DBEdit_ZFKHYHZH, .name = "DBEdit_ZFKHYHZH", .column = "PAYBANKACCOUNT", .row = 5, .col = 0, .label = "支付开户银行基本账号", .chars = 30, .span = 3},
        {.control = &Edit_BDQJFYS, .name = "Edit_BDQJFYS", .row = 6, .col = 0, .label = "不定期缴费月数", .chars = 6},
        {.control = &DBLookupComboBox15, .name = "DBLookupComboBox15", .row = 8, .col = 0, .label = "公务员医疗补助享受标志", .chars = 10},
        {.control = &DBLookupComboBox_GWYYLBZDWLB, .name = "DBLookupComboBox_GWYYLBZDWLB", .row = 8, .col = 2, .label = "公务员医疗补助单位类别", .chars = 10},
        {.control = &DBLookupComboBox17, .name = "DBLookupComboBox17", .row = 9, .col = 0, .label = "公务员医疗补助缴费方式", .chars = 10},
        {.control = &DBLookupComboBox_gwyxsbs, .name = "DBLookupComboBox_gwyxsbs", .row = 9, .col = 2, .label = "公务员一次性补助享受标识", .chars = 10},
        {.control = &DBLookupComboBox16, .name = "DBLookupComboBox16", .row = 10, .col = 0, .label = "公务员一次性补助标准", .chars = 10},
        {.control = &DBEdit_BZJZRQ, .name = "DBEdit_BZJZRQ", .row = 10, .col = 2, .label = "公务员一次性补助截止日期", .chars = 10},
        {.control = &DBLookupComboBox_grzhglzt, .name = "DBLookupComboBox_grzhglzt", .row = 11, .col = 0, .label = "个人账户管理状态", .chars = 10},
    })->setRowMinimumHeight(7, 12);
    // clang-format on
    // Shown greyed and empty: bound to nothing, never filled.
    for (QWidget* w :
         {static_cast<QWidget*>(DBLookupComboBox15), static_cast<QWidget*>(DBLookupComboBox_GWYYLBZDWLB),
          static_cast<QWidget*>(DBLookupComboBox17), static_cast<QWidget*>(DBLookupComboBox_gwyxsbs),
          static_cast<QWidget*>(DBLookupComboBox16), static_cast<QWidget*>(DBEdit_BZJZRQ),
          static_cast<QWidget*>(DBLookupComboBox_grzhglzt)})
        w->setEnabled(false);

    DBLookupComboBox_JFZQ->setMaxVisibleItems(6);
    setGreyed(DBLookupComboBox_lxjffs, true);
    Edit_ZFKHYHDM->setMaxLength(10);
    Edit_ZFKHYHDM->setAccessibleName("支付开户银行代码");
    Button3 = pageAdvanceButton(TabSheet3, "Button3", "转到保存");
    Edit_BDQJFYS->setMaxLength(9);
    Edit_BDQJFYS->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), Edit_BDQJFYS));
    setGreyed(Edit_BDQJFYS, true);
}

void TForm_cop_info::buildBottom() {
    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    auto* row = new QHBoxLayout(Panel2);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(10);
    Label_printNote = new QLabel("点鼠标右键可选择报表打印", Panel2);
    Label_printNote->setObjectName("Label_printNote");
    row->addWidget(Label_printNote);
    row->addStretch();
    auto button = [this, row](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, Panel2);
        b->setObjectName(name);
        b->setMinimumWidth(75);
        // Not a tab stop; reached by the mouse, by Button3 and by the program.
        b->setFocusPolicy(Qt::ClickFocus);
        row->addWidget(b);
        return b;
    };
    Button_insert = button("Button_insert", "新增");
    Button_save = button("Button_save", "保存");
    Button_print = button("Button_print", "打印");
    Button_CLOSE = button("Button_CLOSE", "关闭");
    row->addSpacing(90);
    connect(Button_insert, &QPushButton::clicked, this, &TForm_cop_info::Button_insertClick);
    connect(Button_save, &QPushButton::clicked, this, &TForm_cop_info::Button_saveClick);
    connect(Button_print, &QPushButton::clicked, this, &TForm_cop_info::Button_printClick);
    connect(Button_CLOSE, &QPushButton::clicked, this, &TForm_cop_info::Button_CLOSEClick);
}

void TForm_cop_info::layOut() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // On a screen too small for the window the fields scroll; the buttons stay.
    auto* fields = new ui::FieldsArea(Panel1, this);
    column->addWidget(fields, 1);
    column->addWidget(Panel2);
    ui::fitToScreen(this, kClientSize, fields, Panel2);
}
