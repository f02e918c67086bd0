#include "employer/TForm_cop_info.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QTabBar>

#include "app/globals/Globals.h"
#include "employer/FeePeriod.h"
#include "reports/TForm_print1.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Placement.h"

namespace {

const QString kSpaceEmpties = QStringLiteral("按空格键可以使本栏为空");
const QString kDateHint = QStringLiteral("输入格式2001 01 01");

QLabel* addLabel(QWidget* parent, const QString& text, int x, int y, int width) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y + 3, width, 18);
    return l;
}

// A labelled control at (x, y): label of width lw, then the control of width cw.
template <class W>
W* place(W* w, const char* name, QWidget* parent, const QString& label, int x, int y, int lw, int cw) {
    w->setObjectName(QString::fromLatin1(name));
    if (!label.isEmpty()) addLabel(parent, label, x, y, lw)->setBuddy(w);
    w->setGeometry(x + lw, y, cw, 22);
    return w;
}

QGroupBox* group(QWidget* parent, const QString& title, int x, int y, int w, int h) {
    auto* g = new QGroupBox(title, parent);
    g->setGeometry(x, y, w, h);
    return g;
}

QPushButton* pageAdvanceButton(QWidget* page, const char* name) {
    // Zero-sized but visible, so it takes the focus in tab order.
    auto* b = new QPushButton(page);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(0, 0, 0, 0);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QComboBox* greyedList(QWidget* parent, const char* name, const QString& label, int x, int y, int lw, int cw) {
    auto* c = place(new QComboBox(parent), name, parent, label, x, y, lw, cw);
    c->setEnabled(false);
    return c;
}

}  // namespace

TForm_cop_info::TForm_cop_info(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_cop_info");
    setWindowTitle("单位信息");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(683, 543);

    ADOConnection1.open(store::workingDatabasePath());
    ADOTable_corporation = new store::Table(&ADOConnection1, "M_CORPORATION", this);
    ADOQuery1 = new store::Query(&ADOConnection1, this);

    auto query = [this](const char* name, const char* sql) {
        auto* q = new store::Query(&ADOConnection1, this);
        q->setObjectName(QString::fromLatin1(name));
        q->setSql(QString::fromUtf8(sql));
        return q;
    };
    auto table = [this](const char* name, const char* tableName) {
        auto* t = new store::Table(&ADOConnection1, QString::fromLatin1(tableName), this);
        t->setObjectName(QString::fromLatin1(name));
        return t;
    };
    ADOQuery_jfdq = query("ADOQuery_jfdq", "select * from D_feeArea order by code");
    ADOQuery_dwlx = query("ADOQuery_dwlx", "select * from D_CorpType order by code");
    ADOTable_lsgx = table("ADOTable_lsgx", "D_BELONG");
    ADOTable_KHYH = table("ADOTable_KHYH", "D_DEPUTYBANKNAME");
    ADOTable_ZZLX = table("ADOTable_ZZLX", "D_IncoLicenseType");
    ADOQuery_jjlx = query("ADOQuery_jjlx", "select * from D_Ecotype order by code");
    ADOQuery_dwlb = query("ADOQuery_dwlb", "select * from D_DELEGATECORPTYPE order by code");
    ADOTable_ISZGC = table("ADOTable_ISZGC", "D_ISZGC");
    ADOQuery_hyxt = query("ADOQuery_hyxt", "select * from D_trade order by code");
    ADOQuery_hyxz = query("ADOQuery_hyxz", "select * from D_TradeProperty order by code");
    ADOQuery_hydm = query("ADOQuery_hydm", "select  *  from D_tradecode order by code");
    ADOQuery_ssxzq = query("ADOQuery_ssxzq", "select * from D_DISTRICT order by code");
    ADOTable_ZFDQ = table("ADOTable_ZFDQ", "D_FEEAREA");
    ADOQuery_jffs = query("ADOQuery_jffs", "select * from D_feeMethod order by code");
    ADOQuery_JFXS = query("ADOQuery_JFXS", "select * from D_feeType order by code");
    ADOTable_JFZQ = table("ADOTable_JFZQ", "D_FEEPERIOD");
    ADOQuery_lxxsbz = query("ADOQuery_lxxsbz", "select * from D_CORPSRETFLAG where code = '1'");
    ADOQuery_lxjffs = query("ADOQuery_lxjffs", "select * from D_CORPSRETFEETYPE order by code");
    ADOTable_ZFKHYH = table("ADOTable_ZFKHYH", "D_DEPUTYBANKNAME");

    // The exit notifier first: the page-advance handling below relies on
    // seeing the focus change after it.
    exitNotifier = new ui::ExitNotifier(this);
    buildTop();
    buildPage1();
    buildPage2();
    buildPage3();
    buildBottom();
    setKeyboardOrder();

    keyPreview = new ui::KeyPreview(this, Button_CLOSE);
    keyPreview->setF1Handler([this] { Button_saveClick(); });
    keyPreview->setKeyHandler(
        [this](QWidget* target, int key, Qt::KeyboardModifiers mods) { return keyRule(target, key, mods); });
    DBLookupComboBox_jfdq->setEmptiedBy({Qt::Key_Delete});
    for (ui::DBLookupComboBox* l : {DBLookupComboBox_jjlx, DBLookupComboBox_ISZGC, DBLookupComboBox_hyxt,
                                    DBLookupComboBox_ZFKHYHMC, DBLookupComboBox_ZZLX, DBLookupComboBox_SSXZQ})
        l->setEmptiedBy({Qt::Key_Space, Qt::Key_Backspace});

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    connect(PopupMenu1->addAction("打印预览表一"), &QAction::triggered, this, &TForm_cop_info::N1Click);
    connect(PopupMenu1->addAction("打印预览表二"), &QAction::triggered, this, &TForm_cop_info::N2Click);
    connect(PopupMenu1->addAction("打印表一"), &QAction::triggered, this, &TForm_cop_info::N3Click);
    connect(PopupMenu1->addAction("打印表二"), &QAction::triggered, this, &TForm_cop_info::N4Click);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenu1->popup(mapToGlobal(p)); });

    connectRules();
}

void TForm_cop_info::buildTop() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, 683, 496);
    Edit_BXDJZBM = place(new ui::LineEdit(Panel1), "Edit_BXDJZBM", Panel1, "社会保险登记证编码", 8, 8, 120, 110);
    Edit_BXDJZBM->setMaxLength(12);
    Edit_BXDJZBM->setEnabled(false);
    Edit_BXDJZBM->setFocusPolicy(Qt::ClickFocus);
    DBLookupComboBox_jfdq = place(new ui::DBLookupComboBox(ADOQuery_jfdq, Panel1), "DBLookupComboBox_jfdq",
                                  Panel1, "缴费地区", 270, 8, 60, 150);

    PageControl1 = new QTabWidget(Panel1);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(4, 38, 675, 456);
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
}

void TForm_cop_info::buildPage1() {
    QWidget* p = TabSheet1;
    auto* t = ADOTable_corporation;
    DBEdit_DWMC = place(new ui::DBEdit(t, "NAME", p), "DBEdit_DWMC", p, "缴费单位名称", 8, 8, 90, 330);
    DBEdit_DWDH = place(new ui::DBEdit(t, "TEL", p), "DBEdit_DWDH", p, "电话", 440, 8, 40, 180);
    DBEdit_DWDZ = place(new ui::DBEdit(t, "ADDRESS", p), "DBEdit_DWDZ", p, "缴费单位地址", 8, 36, 90, 330);
    DBEdit_DWYB = place(new ui::DBEdit(t, "ZIP", p), "DBEdit_DWYB", p, "邮编", 440, 36, 40, 80);
    DBEdit_DWYB->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), DBEdit_DWYB));

    QGroupBox* g = group(p, "工商登记执照信息", 8, 64, 650, 54);
    DBLookupComboBox_ZZLX = place(new ui::DBLookupComboBox(ADOTable_ZZLX, g), "DBLookupComboBox_ZZLX", g,
                                  "执照类型", 8, 22, 56, 150);
    DBLookupComboBox_ZZLX->setToolTip(kSpaceEmpties);
    DBEdit9 = place(new ui::DBEdit(t, "INCOLICENSENO", g), "DBEdit9", g, "执照号码", 222, 22, 56, 120);
    DBEdit_FZRQ =
        place(new ui::DBEdit(t, "INCOLICENSEDATE", g), "DBEdit_FZRQ", g, "发照日期", 406, 22, 56, 80);
    DBEdit_FZRQ->setToolTip(kDateHint);
    DBEdit_ZZYXQX =
        place(new ui::DBEdit(t, "INCOLICENSEUSEFULLIFE", g), "DBEdit_ZZYXQX", g, "有限期限", 550, 22, 56, 36);
    DBEdit_ZZYXQX->setMaxLength(3);

    g = group(p, "批准成立信息", 8, 122, 650, 54);
    DBEdit_PZDW = place(new ui::DBEdit(t, "APPROVECORP", g), "DBEdit_PZDW", g, "批准单位", 8, 22, 56, 220);
    DBEdit_PZRQ = place(new ui::DBEdit(t, "APPROVEDATE", g), "DBEdit_PZRQ", g, "批准日期", 292, 22, 56, 80);
    DBEdit_PZRQ->setToolTip(kDateHint);
    DBEdit_PZWH =
        place(new ui::DBEdit(t, "APPROVEFILENO", g), "DBEdit_PZWH", g, "批准文号", 436, 22, 56, 150);

    g = group(p, "法定代表人或负责人", 8, 180, 650, 54);
    DBEdit_FRXM = place(new ui::DBEdit(t, "DELEGATENAME", g), "DBEdit_FRXM", g, "姓名", 8, 22, 36, 120);
    DBEdit_FRSFZ =
        place(new ui::DBEdit(t, "DELEGATEIDNO", g), "DBEdit_FRSFZ", g, "身份证号码", 172, 22, 68, 150);
    DBEdit_FRDH = place(new ui::DBEdit(t, "DELEGATETEL", g), "DBEdit_FRDH", g, "电话", 400, 22, 36, 150);

    g = group(p, "缴费单位专管员", 8, 238, 650, 54);
    DBEdit_ZGYXM = place(new ui::DBEdit(t, "FEEMANAGER", g), "DBEdit_ZGYXM", g, "姓名", 8, 22, 36, 120);
    DBEdit_ZGYBM =
        place(new ui::DBEdit(t, "FEEMANAGERDEPT", g), "DBEdit_ZGYBM", g, "所在部门", 172, 22, 68, 150);
    DBEdit_ZGYDH = place(new ui::DBEdit(t, "FEEMANAGERTEL", g), "DBEdit_ZGYDH", g, "电话", 400, 22, 36, 150);

    DBLookupComboBox_dwlx = place(new ui::DBLookupComboBox(ADOQuery_dwlx, p), "DBLookupComboBox_dwlx", p,
                                  "单位类型", 8, 300, 90, 150);
    DBLookupComboBox_dwlx->setMaxVisibleItems(6);
    DBLookupComboBox_lsgx = place(new ui::DBLookupComboBox(ADOTable_lsgx, p), "DBLookupComboBox_lsgx", p,
                                  "隶属关系", 280, 300, 60, 180);
    DBEdit20 = place(new ui::DBEdit(t, "SUPERIOR", p), "DBEdit20", p, "主管部门或机构", 8, 328, 90, 400);
    DBLookupComboBox_khyh = place(new ui::DBLookupComboBox(ADOTable_KHYH, p), "DBLookupComboBox_khyh", p,
                                  "开户银行（收缴）", 8, 356, 110, 240);
    DBLookupComboBox_khyh->setMaxVisibleItems(6);
    Edit_KHYHDM = place(new ui::LineEdit(p), "Edit_KHYHDM", p, QString(), 364, 356, 0, 80);
    Edit_KHYHDM->setMaxLength(10);
    Edit_KHYHDM->setAccessibleName("开户银行（收缴）代码");
    DBEdit_KHHM =
        place(new ui::DBEdit(t, "FEEBANKACCNAME", p), "DBEdit_KHHM", p, "户名（收缴）", 8, 384, 90, 200);
    DBEdit_YHZH = place(new ui::DBEdit(t, "FEEBANKACCOUNT", p), "DBEdit_YHZH", p, "银行基本账号（收缴）", 310,
                        384, 130, 210);
    Button1 = pageAdvanceButton(p, "Button1");
    Button1->setAccessibleName("转到社会保险补充登记表");
}

void TForm_cop_info::buildPage2() {
    QWidget* p = TabSheet2;
    auto* t = ADOTable_corporation;
    DBEdit_DWMC2 = place(new ui::DBEdit(t, "NAME", p), "DBEdit_DWMC2", p, "单位名称", 8, 8, 90, 320);
    DBEdit_ZZJGDM =
        place(new ui::DBEdit(t, "ORGCODE", p), "DBEdit_ZZJGDM", p, "组织机构代码", 430, 8, 84, 140);
    DBEdit_GSZCDZ =
        place(new ui::DBEdit(t, "INCOREGADDR", p), "DBEdit_GSZCDZ", p, "工商注册地址", 8, 36, 90, 320);
    DBEdit_DWJC = place(new ui::DBEdit(t, "SHORTNAME", p), "DBEdit_DWJC", p, "单位简称", 430, 36, 84, 140);
    DBLookupComboBox_jjlx = place(new ui::DBLookupComboBox(ADOQuery_jjlx, p), "DBLookupComboBox_jjlx", p,
                                  "经济类型", 8, 64, 90, 200);
    DBLookupComboBox_jjlx->setToolTip(kSpaceEmpties);
    DBLookupComboBox_dwlb = place(new ui::DBLookupComboBox(ADOQuery_dwlb, p), "DBLookupComboBox_dwlb", p,
                                  "单位类别", 330, 64, 84, 240);
    DBEdit_DJZFZRQ =
        place(new ui::DBEdit(t, "LICENSEDDATE", p), "DBEdit_DJZFZRQ", p, "登记证发证日期", 8, 92, 90, 80);
    DBLookupComboBox_ISZGC = place(new ui::DBLookupComboBox(ADOTable_ISZGC, p), "DBLookupComboBox_ISZGC", p,
                                   "中关村科技园区投资企业标识", 330, 92, 170, 80);
    DBLookupComboBox_ISZGC->setToolTip(kSpaceEmpties);
    DBLookupComboBox_hyxt = place(new ui::DBLookupComboBox(ADOQuery_hyxt, p), "DBLookupComboBox_hyxt", p,
                                  "行业系统", 8, 120, 90, 200);
    DBLookupComboBox_hyxt->setToolTip(kSpaceEmpties);
    DBLookupComboBox_hyxz = place(new ui::DBLookupComboBox(ADOQuery_hyxz, p), "DBLookupComboBox_hyxz", p,
                                  "行业性质", 330, 120, 84, 240);
    DBLookupComboBox_hydm = place(new ui::DBLookupComboBox(ADOQuery_hydm, p), "DBLookupComboBox_hydm", p,
                                  "行业代码", 8, 148, 90, 200);
    DBEdit_EJDJZBM = place(new ui::DBEdit(t, "SUPERIORSSN", p), "DBEdit_EJDJZBM", p,
                           "二级公司社会保险登记证编码", 8, 176, 170, 110);
    DBLookupComboBox_SSXZQ = place(new ui::DBLookupComboBox(ADOQuery_ssxzq, p), "DBLookupComboBox_SSXZQ", p,
                                   "所属行政区", 330, 176, 84, 160);
    DBLookupComboBox_SSXZQ->setToolTip(kSpaceEmpties);
    DBEdit_FAX = place(new ui::DBEdit(t, "FAX", p), "DBEdit_FAX", p, "单位传真", 8, 204, 90, 150);
    DBEdit_URL = place(new ui::DBEdit(t, "URL", p), "DBEdit_URL", p, "单位网址", 330, 204, 84, 240);
    DBEdit_EMAIL = place(new ui::DBEdit(t, "EMAIL", p), "DBEdit_EMAIL", p, "单位邮件", 8, 232, 90, 320);
    Button2 = pageAdvanceButton(p, "Button2");
    Button2->setAccessibleName("转到其它补充信息");

    Edit_SBDJJG = place(new QLineEdit(p), "Edit_SBDJJG", p, "社保登记机构", 8, 276, 130, 320);
    Edit_EJGSZZJGDM = place(new QLineEdit(p), "Edit_EJGSZZJGDM", p, "二级公司组织机构代码", 8, 304, 130, 150);
    Edit_EJGSMC = place(new QLineEdit(p), "Edit_EJGSMC", p, "二级公司名称", 8, 332, 130, 320);
    for (QLineEdit* e : {Edit_SBDJJG, Edit_EJGSZZJGDM, Edit_EJGSMC}) e->setEnabled(false);
}

void TForm_cop_info::buildPage3() {
    QWidget* p = TabSheet3;
    auto* t = ADOTable_corporation;
    DBLookupComboBox_ZFDQ = place(new ui::DBLookupComboBox(ADOTable_ZFDQ, p), "DBLookupComboBox_ZFDQ", p,
                                  "报销地区", 8, 8, 130, 150);
    DBLookupComboBox_jffs = place(new ui::DBLookupComboBox(ADOQuery_jffs, p), "DBLookupComboBox_jffs", p,
                                  "缴费方式", 330, 8, 130, 150);
    DBLookupComboBox_JFXS = place(new ui::DBLookupComboBox(ADOQuery_JFXS, p), "DBLookupComboBox_JFXS", p,
                                  "缴费形式", 8, 36, 130, 150);
    DBLookupComboBox_JFZQ = place(new ui::DBLookupComboBox(ADOTable_JFZQ, p), "DBLookupComboBox_JFZQ", p,
                                  "缴费周期", 330, 36, 130, 150);
    DBLookupComboBox_JFZQ->setMaxVisibleItems(6);
    DBLookupComboBox_lxxsbz = place(new ui::DBLookupComboBox(ADOQuery_lxxsbz, p), "DBLookupComboBox_lxxsbz",
                                    p, "离休医疗统筹享受标志", 8, 64, 130, 150);
    DBLookupComboBox_lxjffs = place(new ui::DBLookupComboBox(ADOQuery_lxjffs, p), "DBLookupComboBox_lxjffs",
                                    p, "离休医疗统筹缴费方式", 330, 64, 130, 150);
    setGreyed(DBLookupComboBox_lxjffs, true);
    DBLookupComboBox_ZFKHYHMC = place(new ui::DBLookupComboBox(ADOTable_ZFKHYH, p),
                                      "DBLookupComboBox_ZFKHYHMC", p, "支付开户银行行号", 8, 92, 130, 240);
    DBLookupComboBox_ZFKHYHMC->setToolTip(kSpaceEmpties);
    Edit_ZFKHYHDM = place(new ui::LineEdit(p), "Edit_ZFKHYHDM", p, QString(), 384, 92, 0, 80);
    Edit_ZFKHYHDM->setMaxLength(10);
    Edit_ZFKHYHDM->setAccessibleName("支付开户银行代码");
    DBEdit_ZFKHYHHM = place(new ui::DBEdit(t, "PAYBANKACCNAME", p), "DBEdit_ZFKHYHHM", p, "支付开户银行户名",
                            8, 120, 130, 320);
    DBEdit_ZFKHYHZH = place(new ui::DBEdit(t, "PAYBANKACCOUNT", p), "DBEdit_ZFKHYHZH", p,
                            "支付开户银行基本账号", 8, 148, 130, 320);
    Button3 = pageAdvanceButton(p, "Button3");
    Button3->setAccessibleName("转到保存");
    Edit_BDQJFYS = place(new ui::LineEdit(p), "Edit_BDQJFYS", p, "不定期缴费月数", 8, 176, 130, 60);
    Edit_BDQJFYS->setMaxLength(9);
    Edit_BDQJFYS->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), Edit_BDQJFYS));
    setGreyed(Edit_BDQJFYS, true);

    DBLookupComboBox15 = greyedList(p, "DBLookupComboBox15", "公务员医疗补助享受标志", 8, 220, 170, 130);
    DBLookupComboBox_GWYYLBZDWLB =
        greyedList(p, "DBLookupComboBox_GWYYLBZDWLB", "公务员医疗补助单位类别", 330, 220, 170, 130);
    DBLookupComboBox17 = greyedList(p, "DBLookupComboBox17", "公务员医疗补助缴费方式", 8, 248, 170, 130);
    DBLookupComboBox_gwyxsbs =
        greyedList(p, "DBLookupComboBox_gwyxsbs", "公务员一次性补助享受标识", 330, 248, 170, 130);
    DBLookupComboBox16 = greyedList(p, "DBLookupComboBox16", "公务员一次性补助标准", 8, 276, 170, 130);
    DBEdit_BZJZRQ =
        place(new QLineEdit(p), "DBEdit_BZJZRQ", p, "公务员一次性补助截止日期", 330, 276, 170, 80);
    DBEdit_BZJZRQ->setEnabled(false);
    DBLookupComboBox_grzhglzt =
        greyedList(p, "DBLookupComboBox_grzhglzt", "个人账户管理状态", 8, 304, 170, 130);
}

void TForm_cop_info::buildBottom() {
    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(0, 496, 683, 47);
    auto button = [this](const char* name, const QString& caption, int x) {
        auto* b = new QPushButton(caption, Panel2);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, 10, 75, 27);
        // Not a tab stop; reached by the mouse, by Button3 and by the program.
        b->setFocusPolicy(Qt::ClickFocus);
        return b;
    };
    Button_insert = button("Button_insert", "新增", 250);
    Button_save = button("Button_save", "保存", 335);
    Button_print = button("Button_print", "打印", 420);
    Button_CLOSE = button("Button_CLOSE", "关闭", 505);
    Label_printNote = new QLabel("点鼠标右键可选择报表打印", Panel2);
    Label_printNote->setObjectName("Label_printNote");
    Label_printNote->setGeometry(12, 14, 220, 18);
    connect(Button_insert, &QPushButton::clicked, this, &TForm_cop_info::Button_insertClick);
    connect(Button_save, &QPushButton::clicked, this, &TForm_cop_info::Button_saveClick);
    connect(Button_print, &QPushButton::clicked, this, &TForm_cop_info::Button_printClick);
    connect(Button_CLOSE, &QPushButton::clicked, this, &TForm_cop_info::Button_CLOSEClick);
}

void TForm_cop_info::setKeyboardOrder() {
    const QList<QWidget*> order = {
        Edit_BXDJZBM, DBLookupComboBox_jfdq,
        // page 1
        DBEdit_DWMC, DBEdit_DWDH, DBEdit_DWDZ, DBEdit_DWYB, DBLookupComboBox_ZZLX, DBEdit9, DBEdit_FZRQ,
        DBEdit_ZZYXQX, DBEdit_PZDW, DBEdit_PZRQ, DBEdit_PZWH, DBEdit_FRXM, DBEdit_FRSFZ, DBEdit_FRDH,
        DBEdit_ZGYXM, DBEdit_ZGYBM, DBEdit_ZGYDH, DBLookupComboBox_dwlx, DBLookupComboBox_lsgx, DBEdit20,
        DBLookupComboBox_khyh, Edit_KHYHDM, DBEdit_KHHM, DBEdit_YHZH, Button1,
        // page 2
        DBEdit_DWMC2, DBEdit_ZZJGDM, DBEdit_GSZCDZ, DBEdit_DWJC, DBLookupComboBox_jjlx, DBLookupComboBox_dwlb,
        DBEdit_DJZFZRQ, DBLookupComboBox_ISZGC, DBLookupComboBox_hyxt, DBLookupComboBox_hyxz,
        DBLookupComboBox_hydm, DBEdit_EJDJZBM, DBLookupComboBox_SSXZQ, DBEdit_FAX, DBEdit_URL, DBEdit_EMAIL,
        Button2,
        // page 3
        DBLookupComboBox_ZFDQ, DBLookupComboBox_jffs, DBLookupComboBox_JFXS, DBLookupComboBox_JFZQ,
        DBLookupComboBox_lxxsbz, DBLookupComboBox_lxjffs, DBLookupComboBox_ZFKHYHMC, Edit_ZFKHYHDM,
        DBEdit_ZFKHYHHM, DBEdit_ZFKHYHZH, Button3, Edit_BDQJFYS};
    for (int i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void TForm_cop_info::setGreyed(QWidget* w, bool greyed) {
    w->setEnabled(!greyed);
    QPalette p = w->palette();
    p.setColor(QPalette::Disabled, QPalette::Base, p.color(QPalette::Active, QPalette::Button));
    w->setPalette(p);
}

void TForm_cop_info::activeTables() {
    ADOQuery_jfdq->open();
    ADOQuery_lxxsbz->open();
    ADOQuery_lxjffs->open();
    ADOTable_KHYH->open();
    ADOQuery_jjlx->open();
    ADOQuery_dwlb->open();
    ADOQuery_hyxt->open();
    // Its first row refilters the industry codes, which are then open already.
    ADOQuery_hyxz->open();
    ADOQuery_hydm->open();
    ADOQuery_ssxzq->open();
    ADOQuery_jffs->open();
    ADOQuery_dwlx->open();
    ADOQuery_dwlx->last();
    ADOQuery_JFXS->open();
    ADOTable_ZFKHYH->open();
    ADOTable_corporation->open();
    ADOTable_lsgx->open();
    ADOTable_ZZLX->open();
    ADOTable_ZFDQ->open();
    ADOTable_ISZGC->open();
    ADOTable_JFZQ->open();
    copTablesActive = 1;
}

void TForm_cop_info::clearScreen() {
    const QList<ui::DBLookupComboBox*> lists = {
        DBLookupComboBox_jfdq,   DBLookupComboBox_dwlx,   DBLookupComboBox_lsgx,    DBLookupComboBox_khyh,
        DBLookupComboBox_ZZLX,   DBLookupComboBox_jjlx,   DBLookupComboBox_dwlb,    DBLookupComboBox_ISZGC,
        DBLookupComboBox_hyxt,   DBLookupComboBox_hyxz,   DBLookupComboBox_hydm,    DBLookupComboBox_SSXZQ,
        DBLookupComboBox_ZFDQ,   DBLookupComboBox_jffs,   DBLookupComboBox_JFXS,    DBLookupComboBox_JFZQ,
        DBLookupComboBox_lxxsbz, DBLookupComboBox_lxjffs, DBLookupComboBox_ZFKHYHMC};
    for (auto* l : lists) l->setValue(QString());
    DBLookupComboBox_jffs->setValue("银行托收");
    DBLookupComboBox_JFXS->setValue("独立");
    DBLookupComboBox_lxxsbz->setValue("享受");
    DBLookupComboBox_ISZGC->setValue("否");
    DBLookupComboBox_JFZQ->setValue("月");
    for (QLineEdit* e : std::initializer_list<QLineEdit*>{Edit_SBDJJG, Edit_BDQJFYS, Edit_ZFKHYHDM, Edit_KHYHDM,
                                                          Edit_EJGSMC, Edit_EJGSZZJGDM})
        e->clear();
}

void TForm_cop_info::ensureEditing() {
    if (!ADOTable_corporation->isEditing()) ADOTable_corporation->edit();
}

void TForm_cop_info::setFieldValues() {
    ensureEditing();
    store::Table* t = ADOTable_corporation;
    t->setValue("SSN", Edit_BXDJZBM->text());
    if (!DBLookupComboBox_jfdq->text().isEmpty()) {
        const QString code = DBLookupComboBox_jfdq->code();
        t->setValue("FEEAREACODE", code);
        t->setValue("SSREGORG", code);
    } else {
        t->setValue("FEEAREACODE", QString());
    }
    const QList<std::pair<const char*, ui::DBLookupComboBox*>> coded = {
        {"PAYAREA", DBLookupComboBox_ZFDQ},         {"FEETYPE", DBLookupComboBox_JFXS},
        {"CORPTYPE", DBLookupComboBox_dwlx},        {"BELONG", DBLookupComboBox_lsgx},
        {"ECOTYPE", DBLookupComboBox_jjlx},         {"TRADEPROPERTY", DBLookupComboBox_hyxz},
        {"TRADECODE", DBLookupComboBox_hydm},       {"TRADE", DBLookupComboBox_hyxt},
        {"INCOLICENSETYPE", DBLookupComboBox_ZZLX}, {"DELEGATECORPTYPE", DBLookupComboBox_dwlb},
        {"FEEBANK", DBLookupComboBox_khyh},         {"PAYBANK", DBLookupComboBox_ZFKHYHMC},
        {"DISTRICTCODE", DBLookupComboBox_SSXZQ}};
    for (const auto& [column, list] : coded) t->setValue(column, list->code());

    const QString word = DBLookupComboBox_JFZQ->text();
    if (const auto months = feeperiod::monthsForWord(word)) {
        t->setValue("FEEPERIOD", *months);
    } else if (word == feeperiod::kIrregular) {
        // Digits only by the key rule; the column refuses what is no whole number.
        t->setValue("FEEPERIOD", Edit_BDQJFYS->text());
    }

    t->setValue("FEEMETHOD", DBLookupComboBox_jffs->code());
    t->setValue("SRETFLAG", DBLookupComboBox_lxxsbz->code());
    t->setValue("CORPSRETFEETYPE", DBLookupComboBox_lxjffs->code());
    t->setValue("ZGCCORP", DBLookupComboBox_ISZGC->code());
}

QString TForm_cop_info::retireFlagName(const QString& sretFlag, const QString& feeType) const {
    if (sretFlag.isEmpty()) return {};
    const QString name = ADOQuery_lxxsbz->lookup("CODE", sretFlag, "NAME").toString();
    // Both rows carry code 1, so the code alone always names "享受". A saved
    // "享受" always has a payment method (the save requires it), and "不享受"
    // never has one (choosing it empties the method).
    const QString notEntitled = QStringLiteral("不享受");
    if (name == QStringLiteral("享受") && feeType.isEmpty() &&
        !ADOQuery_lxxsbz->lookup("NAME", notEntitled, "NAME").isNull())
        return notEntitled;
    return name;
}

void TForm_cop_info::getFieldValues() {
    store::Table* t = ADOTable_corporation;
    auto stored = [t](const char* column) { return t->value(QString::fromLatin1(column)).toString(); };
    auto nameFor = [](store::Dataset* list, const QString& code) {
        if (code.isEmpty() || !list->isOpen()) return QString();
        return list->lookup("CODE", code, "NAME").toString();
    };

    Edit_BXDJZBM->setText(stored("SSN"));
    DBLookupComboBox_jfdq->setValue(nameFor(ADOQuery_jfdq, stored("FEEAREACODE")));
    DBLookupComboBox_jfdqExit();

    DBLookupComboBox_ZFDQ->setValue(nameFor(ADOTable_ZFDQ, stored("PAYAREA")));
    DBLookupComboBox_JFXS->setValue(nameFor(ADOQuery_JFXS, stored("FEETYPE")));
    DBLookupComboBox_dwlx->setValue(nameFor(ADOQuery_dwlx, stored("CORPTYPE")));
    DBLookupComboBox_lsgx->setValue(nameFor(ADOTable_lsgx, stored("BELONG")));
    DBLookupComboBox_jjlx->setValue(nameFor(ADOQuery_jjlx, stored("ECOTYPE")));
    // Refilters the industry codes before the code is looked up among them.
    DBLookupComboBox_hyxz->setValue(nameFor(ADOQuery_hyxz, stored("TRADEPROPERTY")));
    DBLookupComboBox_hydm->setValue(nameFor(ADOQuery_hydm, stored("TRADECODE")));
    DBLookupComboBox_hyxt->setValue(nameFor(ADOQuery_hyxt, stored("TRADE")));
    DBLookupComboBox_ZZLX->setValue(nameFor(ADOTable_ZZLX, stored("INCOLICENSETYPE")));
    DBLookupComboBox_dwlb->setValue(nameFor(ADOQuery_dwlb, stored("DELEGATECORPTYPE")));
    DBLookupComboBox_khyh->setValue(nameFor(ADOTable_KHYH, stored("FEEBANK")));
    DBLookupComboBox_ZFKHYHMC->setValue(nameFor(ADOTable_ZFKHYH, stored("PAYBANK")));
    DBLookupComboBox_SSXZQ->setValue(nameFor(ADOQuery_ssxzq, stored("DISTRICTCODE")));

    setGreyed(Edit_BDQJFYS, true);
    const QString period = stored("FEEPERIOD");
    const QString word = feeperiod::wordForStored(period);
    if (word == feeperiod::kIrregular) {
        setGreyed(Edit_BDQJFYS, false);
        Edit_BDQJFYS->setText(period);
    }
    DBLookupComboBox_JFZQ->setValue(word);

    DBLookupComboBox_jffs->setValue(nameFor(ADOQuery_jffs, stored("FEEMETHOD")));
    DBLookupComboBox_lxxsbz->setValue(retireFlagName(stored("SRETFLAG"), stored("CORPSRETFEETYPE")));
    DBLookupComboBox_lxjffs->setValue(nameFor(ADOQuery_lxjffs, stored("CORPSRETFEETYPE")));
    DBLookupComboBox_ISZGC->setValue(nameFor(ADOTable_ISZGC, stored("ZGCCORP")));

    const QString feeBank = DBLookupComboBox_khyh->text();
    Edit_KHYHDM->setText(feeBank.isEmpty() ? QString()
                                           : ADOTable_KHYH->lookup("NAME", feeBank, "CODE").toString());
    const QString payBank = DBLookupComboBox_ZFKHYHMC->text();
    Edit_ZFKHYHDM->setText(payBank.isEmpty() ? QString()
                                             : ADOTable_ZFKHYH->lookup("NAME", payBank, "CODE").toString());

    ADOQuery1->runQuery("select ssn,name,orgcode from M_corporation where ssn = ?",
                        {DBEdit_EJDJZBM->text().trimmed()});
    if (ADOQuery1->recordCount() > 0) {
        Edit_EJGSMC->setText(ADOQuery1->value("name").toString());
        Edit_EJGSZZJGDM->setText(ADOQuery1->value("orgcode").toString());
    }
    ADOQuery1->close();
}

void TForm_cop_info::locateRecordByBXDJZH(const QString& number) {
    ADOTable_corporation->close();
    ADOTable_corporation->open();
    // Any letter case finds the employer; the spelling given first, for a register from before the
    // key rule that may still hold the number twice.
    const QVariant serial = ADOConnection1.scalar(
        "select CORPSN from M_CORPORATION where SSN = ?1 "
        "order by SSN = ?1 COLLATE BINARY desc, CORPSN limit 1",
        {number});
    if (serial.isNull() || !ADOTable_corporation->locate("CORPSN", serial))
        throw store::Error(QStringLiteral("没有找到社会保险登记证编码为“%1”的单位").arg(number));
}

QString TForm_cop_info::printFilter() const {
    return "SSN='" + Edit_BXDJZBM->text() + "'";
}

void TForm_cop_info::printWith(const std::function<void(const QString&)>& call) {
    if (!Form_print1) {
        ui::dialogs().error(this, QStringLiteral("报表模块不可用"));
        return;
    }
    ui::guarded(this, [&] { call(printFilter()); });
}

void TForm_cop_info::Button_printClick() {
    printWith([](const QString& f) { Form_print1->printEmployerForm(f, TForm_print1::Sheets::Both); });
}
void TForm_cop_info::N1Click() {
    printWith([](const QString& f) { Form_print1->previewEmployerForm(f, TForm_print1::Sheets::One); });
}
void TForm_cop_info::N2Click() {
    printWith([](const QString& f) { Form_print1->previewEmployerForm(f, TForm_print1::Sheets::Two); });
}
void TForm_cop_info::N3Click() {
    printWith([](const QString& f) { Form_print1->printEmployerForm(f, TForm_print1::Sheets::One); });
}
void TForm_cop_info::N4Click() {
    printWith([](const QString& f) { Form_print1->printEmployerForm(f, TForm_print1::Sheets::Two); });
}

void TForm_cop_info::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::centreOnScreen(this);
    exitNotifier->setSuspended(true);
    if (Edit_BXDJZBM->isEnabled())
        Edit_BXDJZBM->setFocus(Qt::OtherFocusReason);
    else
        Button_insert->setFocus(Qt::OtherFocusReason);
    exitNotifier->setSuspended(false);
}

void TForm_cop_info::done(int r) {
    Edit_BXDJZBM->setEnabled(false);
    if (ADOTable_corporation->isOpen()) ADOTable_corporation->cancel();
    QDialog::done(r);
}
