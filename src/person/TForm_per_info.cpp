#include "person/TForm_per_info.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include "app/globals/Globals.h"
#include "reports/TForm_print1.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"
#include "ui/Dialogs.h"
#include "ui/ExitNotifier.h"
#include "ui/Guard.h"
#include "ui/KeyPreview.h"
#include "ui/Placement.h"

namespace {
const char* const kBlue = "#0000ff";
const char* const kTeal = "#008080";
const QString kSpaceHint = QStringLiteral("按空格键可以使本栏为空");
const QString kDateHint = QStringLiteral("输入格式2001 01 01");

constexpr int kRowHeight = 21;
int rowY(int row) {
    return 6 + (row - 1) * 24;
}  // rows counted from 1

// Column grid of the window: three items (A, B, C) or two (A, R) per row.
constexpr int kLabelA = 8, kFieldA = 146;
constexpr int kLabelB = 244, kFieldB = 350;
constexpr int kLabelC = 460, kFieldC = 562;
constexpr int kLabelR = 340, kFieldR = 452;
}  // namespace

TForm_per_info::TForm_per_info(QWidget* parent) : QDialog(parent) {
    setObjectName("Form_per_info");
    setWindowTitle("个人信息查询编辑");
    setFixedSize(685, 464);
    ADOConnection1.open(store::workingDatabasePath());

    ADOTable_PERSON = new store::Table(&ADOConnection1, "M_PERSON", this);
    ADOTable_DDYLJG = new store::Table(&ADOConnection1, "M_PSNAPPOINTEDHOSPITAL", this);
    ADOQuery_Corpinfo = new store::Query(&ADOConnection1, this);
    ADOQuery1 = new store::Query(&ADOConnection1, this);
    ADOQuery_HOS = new store::Query(&ADOConnection1, this);
    ADOQuery_HOS->setSql("select code,short_name,hos_level from d_hos");

    auto list = [this](const QString& sql) {
        auto* q = new store::Query(&ADOConnection1, this);
        q->setSql(sql);
        return q;
    };
    ADOQuery_SEX = list("select * from D_SEX");
    ADOQuery_MZ = list("select * from D_NATION");
    ADOQuery_JFRYLB = list("select * from D_FeePsnType");
    ADOQuery_YBCBRYLB = list("select * from D_MedPsnType");
    ADOQuery_HYZK = list("select * from D_MARRIAGE");
    ADOQuery_HKXZ = list("select * from D_ResidentType");
    ADOQuery_WHCD = list("select * from D_Education");
    ADOQuery_GRSF = list("select * from D_PsnStatus");
    ADOQuery_XZZW = list("select * from D_AdminDuty");
    ADOQuery_ZYJSZC = list("select * from D_SpecDuty");
    ADOQuery_GRJSDJ = list("select * from D_TechLevel");
    ADOQuery_LTXRYLB = list("select * from D_RetireType where code in ('1')");
    ADOQuery_LXJFFS = list("select * from D_PsnSRetFeeType");
    ADOQuery_GRCDJFFS = list("select * from D_PsnDeleFeeType");
    ADOQuery_GRZHGLZT = list("select * from D_PsnAcctManageState");
    ADOQuery_JFZQ = list("select * from D_FEEPERIOD");
    ADOQuery_none = new store::Query(&ADOConnection1, this);

    ADOTable_PERSON->open();
    ADOTable_DDYLJG->open();

    buildControls();
    setTabOrderOfControls();
    connectHandlers();
    openLists();
    setAdminDutyEnabled(false);

    // Until a caller starts or loads a person, typing must not change a stored row.
    ADOTable_PERSON->insert();
    ADOTable_DDYLJG->insert();
}

QLabel* TForm_per_info::addLabel(const QString& text, QWidget* buddy, int x, int y, int w,
                                 const char* colour) {
    auto* l = new QLabel(text, this);
    l->setObjectName("Label_" + buddy->objectName());
    l->setBuddy(buddy);
    l->setGeometry(x, y, w, kRowHeight);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour ? QColor(colour) : QColor(Qt::black));
    l->setPalette(p);
    if (buddy->isHidden()) l->hide();
    return l;
}

void TForm_per_info::buildControls() {
    auto edit = [this](const char* name, const QString& field, store::Table* t = nullptr) {
        auto* e = new ui::DBEdit(t ? t : ADOTable_PERSON, field, this);
        e->setObjectName(name);
        return e;
    };
    auto lookup = [this](const char* name, store::Query* q) {
        auto* c = new ui::DBLookupComboBox(q, this);
        c->setObjectName(name);
        return c;
    };
    auto place = [this](QWidget* w, int x, int y, int width) { w->setGeometry(x, y, width, kRowHeight); };

    // Row 1: employer.
    Edit_SHBXDJZBM = new ui::LineEdit(this);
    Edit_SHBXDJZBM->setObjectName("Edit_SHBXDJZBM");
    Edit_SHBXDJZBM->setMaxLength(12);
    Edit_DWMC = new QLineEdit(this);
    Edit_DWMC->setObjectName("Edit_DWMC");
    Edit_DWMC->setReadOnly(true);
    {
        QPalette p = Edit_DWMC->palette();
        p.setColor(QPalette::Base, palette().color(QPalette::Window));
        Edit_DWMC->setPalette(p);
    }
    int y = rowY(1);
    place(Edit_SHBXDJZBM, kFieldA, y, 120);
    addLabel("社会保险登记证编码", Edit_SHBXDJZBM, kLabelA, y, kFieldA - kLabelA - 4, kBlue);
    place(Edit_DWMC, 338, y, 339);
    addLabel("单位名称", Edit_DWMC, 274, y, 60);

    // Row 2.
    y = rowY(2);
    DBEdit_NAME = edit("DBEdit_NAME", "NAME");
    place(DBEdit_NAME, kFieldA, y, 180);
    addLabel("姓名", DBEdit_NAME, kLabelA, y, kFieldA - kLabelA - 4, kBlue);
    DBEdit_GMSFZ = edit("DBEdit_GMSFZ", "IDCARD");
    place(DBEdit_GMSFZ, kFieldR, y, 170);
    addLabel("公民身份号码", DBEdit_GMSFZ, kLabelR, y, kFieldR - kLabelR - 4, kBlue);

    // Row 3.
    y = rowY(3);
    DBLookupComboBox_SEX = lookup("DBLookupComboBox_SEX", ADOQuery_SEX);
    DBLookupComboBox_SEX->setEnabled(false);
    place(DBLookupComboBox_SEX, kFieldA, y, 90);
    addLabel("性别", DBLookupComboBox_SEX, kLabelA, y, kFieldA - kLabelA - 4, kBlue);
    DBEdit_CSRQ = edit("DBEdit_CSRQ", "BIRTH");
    DBEdit_CSRQ->setEnabled(false);
    DBEdit_CSRQ->setToolTip(kDateHint);
    place(DBEdit_CSRQ, kFieldB, y, 104);
    addLabel("出生日期", DBEdit_CSRQ, kLabelB, y, kFieldB - kLabelB - 4, kBlue);
    DBLookupComboBox_NATION = lookup("DBLookupComboBox_NATION", ADOQuery_MZ);
    place(DBLookupComboBox_NATION, kFieldC, y, 115);
    addLabel("民族", DBLookupComboBox_NATION, kLabelC, y, kFieldC - kLabelC - 4, kBlue);

    // Row 4.
    y = rowY(4);
    DBLookupComboBox_JFRYLB = lookup("DBLookupComboBox_JFRYLB", ADOQuery_JFRYLB);
    place(DBLookupComboBox_JFRYLB, kFieldA, y, 180);
    addLabel("缴费人员类别", DBLookupComboBox_JFRYLB, kLabelA, y, kFieldA - kLabelA - 4, kBlue);
    DBLookupComboBox_YBCBRYLB = lookup("DBLookupComboBox_YBCBRYLB", ADOQuery_YBCBRYLB);
    place(DBLookupComboBox_YBCBRYLB, kFieldR, y, 180);
    addLabel("医疗参保人员类别", DBLookupComboBox_YBCBRYLB, kLabelR, y, kFieldR - kLabelR - 4, kBlue);

    // Row 5.
    y = rowY(5);
    DBEdit_CSD = edit("DBEdit_CSD", "HOMEPLACE");
    place(DBEdit_CSD, kFieldA, y, 90);
    addLabel("出生地", DBEdit_CSD, kLabelA, y, kFieldA - kLabelA - 4);
    DBLookupComboBox_HYZK = lookup("DBLookupComboBox_HYZK", ADOQuery_HYZK);
    place(DBLookupComboBox_HYZK, kFieldB, y, 104);
    addLabel("婚姻状况", DBLookupComboBox_HYZK, kLabelB, y, kFieldB - kLabelB - 4);
    DBLookupComboBox_HKXZ = lookup("DBLookupComboBox_HKXZ", ADOQuery_HKXZ);
    place(DBLookupComboBox_HKXZ, kFieldC, y, 115);
    addLabel("户口性质", DBLookupComboBox_HKXZ, kLabelC, y, kFieldC - kLabelC - 4);

    // Row 6.
    y = rowY(6);
    DBLookupComboBox_WHCD = lookup("DBLookupComboBox_WHCD", ADOQuery_WHCD);
    place(DBLookupComboBox_WHCD, kFieldA, y, 90);
    addLabel("文化程度", DBLookupComboBox_WHCD, kLabelA, y, kFieldA - kLabelA - 4, kBlue);
    DBLookupComboBox_GRSF = lookup("DBLookupComboBox_GRSF", ADOQuery_GRSF);
    place(DBLookupComboBox_GRSF, kFieldB, y, 104);
    addLabel("个人身份", DBLookupComboBox_GRSF, kLabelB, y, kFieldB - kLabelB - 4);
    DBEdit_CJGZRQ = edit("DBEdit_CJGZRQ", "WORKDATE");
    DBEdit_CJGZRQ->setToolTip(kDateHint);
    place(DBEdit_CJGZRQ, kFieldC, y, 115);
    addLabel("参加工作日期", DBEdit_CJGZRQ, kLabelC, y, kFieldC - kLabelC - 4);

    // Row 7.
    y = rowY(7);
    DBLookupComboBox_XZZW = lookup("DBLookupComboBox_XZZW", ADOQuery_XZZW);
    place(DBLookupComboBox_XZZW, kFieldA, y, 90);
    addLabel("行政职务", DBLookupComboBox_XZZW, kLabelA, y, kFieldA - kLabelA - 4, kTeal);
    DBLookupComboBox_ZYJSZC = lookup("DBLookupComboBox_ZYJSZC", ADOQuery_ZYJSZC);
    place(DBLookupComboBox_ZYJSZC, kFieldB, y, 104);
    addLabel("专业技术职称", DBLookupComboBox_ZYJSZC, kLabelB, y, kFieldB - kLabelB - 4);
    DBLookupComboBox_GRJSDJ = lookup("DBLookupComboBox_GRJSDJ", ADOQuery_GRJSDJ);
    place(DBLookupComboBox_GRJSDJ, kFieldC, y, 115);
    addLabel("工人技术等级", DBLookupComboBox_GRJSDJ, kLabelC, y, kFieldC - kLabelC - 4);

    // Row 8.
    y = rowY(8);
    DBEdit_LTXRQ = edit("DBEdit_LTXRQ", "RETIREDATE");
    DBEdit_LTXRQ->setToolTip(kDateHint);
    place(DBEdit_LTXRQ, kFieldA, y, 100);
    addLabel("离退休日期", DBEdit_LTXRQ, kLabelA, y, kFieldA - kLabelA - 4, kTeal);
    DBLookupComboBox_LTXRYLB = lookup("DBLookupComboBox_LTXRYLB", ADOQuery_LTXRYLB);
    place(DBLookupComboBox_LTXRYLB, kFieldR, y, 140);
    addLabel("离退休类别", DBLookupComboBox_LTXRYLB, kLabelR, y, kFieldR - kLabelR - 4, kTeal);

    // Row 9.
    y = rowY(9);
    DBEdit_HKSZQXJX = edit("DBEdit_HKSZQXJX", "RESIDENT");
    place(DBEdit_HKSZQXJX, kFieldA, y, 190);
    addLabel("户口所在街道名称", DBEdit_HKSZQXJX, kLabelA, y, kFieldA - kLabelA - 4);
    DBEdit_HKSZD = edit("DBEdit_HKSZD", "RESIDENTADDR");
    place(DBEdit_HKSZD, kFieldR, y, 225);
    addLabel("户口所在地", DBEdit_HKSZD, kLabelR, y, kFieldR - kLabelR - 4);

    // Row 10.
    y = rowY(10);
    DBEdit_XJZDDZ = edit("DBEdit_XJZDDZ", "ADDRESS");
    place(DBEdit_XJZDDZ, kFieldA, y, 190);
    addLabel("现居住地地址", DBEdit_XJZDDZ, kLabelA, y, kFieldA - kLabelA - 4, kBlue);
    DBEdit_JZDYZBM = edit("DBEdit_JZDYZBM", "ZIP");
    place(DBEdit_JZDYZBM, kFieldR, y, 80);
    addLabel("居住地邮政编码", DBEdit_JZDYZBM, kLabelR, y, kFieldR - kLabelR - 4, kBlue);

    // Row 11.
    y = rowY(11);
    DBEdit_CBRDH = edit("DBEdit_CBRDH", "TEL");
    place(DBEdit_CBRDH, kFieldA, y, 90);
    addLabel("参保人电话", DBEdit_CBRDH, kLabelA, y, kFieldA - kLabelA - 4, kBlue);
    DBEdit_LXRXM = edit("DBEdit_LXRXM", "LINKMAN");
    place(DBEdit_LXRXM, kFieldB, y, 104);
    addLabel("联系人姓名", DBEdit_LXRXM, kLabelB, y, kFieldB - kLabelB - 4);
    DBEdit_LXRDH = edit("DBEdit_LXRDH", "LINKMANTEL");
    place(DBEdit_LXRDH, kFieldC, y, 115);
    addLabel("联系人电话", DBEdit_LXRDH, kLabelC, y, kFieldC - kLabelC - 4);

    // Rows 12 to 14: the institution slots and their search panel.
    buildHosSlots(rowY(12), 24);

    // Row 15.
    y = rowY(15);
    DBLookupComboBox_LXJFFS = lookup("DBLookupComboBox_LXJFFS", ADOQuery_LXJFFS);
    DBLookupComboBox_LXJFFS->setMaxVisibleItems(6);
    place(DBLookupComboBox_LXJFFS, kFieldA, y, 90);
    addLabel("离休医疗统筹缴费方式", DBLookupComboBox_LXJFFS, kLabelA, y, kFieldA - kLabelA - 4, kBlue);
    DBLookupComboBox_GRZHGLZT = lookup("DBLookupComboBox_GRZHGLZT", ADOQuery_GRZHGLZT);
    DBLookupComboBox_GRZHGLZT->setEnabled(false);
    // Narrower than the column, so the long label of the card number beside it stays clear.
    place(DBLookupComboBox_GRZHGLZT, kFieldB, y, 86);
    addLabel("账户管理状态", DBLookupComboBox_GRZHGLZT, kLabelB, y, kFieldB - kLabelB - 4);
    DBEdit_JKKH = edit("DBEdit_JKKH", "JINGCARD");
    DBEdit_JKKH->setEnabled(false);
    place(DBEdit_JKKH, kFieldC, y, 115);
    addLabel("市商业银行京卡卡号", DBEdit_JKKH, kLabelC - 20, y, kFieldC - kLabelC + 16);

    // Row 16: inert.
    y = rowY(16);
    DBLookupComboBox_GWYXSBS = lookup("DBLookupComboBox_GWYXSBS", ADOQuery_none);
    DBLookupComboBox_GWYXSBS->setEnabled(false);
    DBLookupComboBox_GWYXSBS->setFocusPolicy(Qt::NoFocus);
    place(DBLookupComboBox_GWYXSBS, kFieldA, y, 150);
    addLabel("公务员医疗补助享受标识", DBLookupComboBox_GWYXSBS, 0, y, kFieldA - 4);
    DBLookupComboBox_GWYJFFS = lookup("DBLookupComboBox_GWYJFFS", ADOQuery_none);
    DBLookupComboBox_GWYJFFS->setEnabled(false);
    DBLookupComboBox_GWYJFFS->setFocusPolicy(Qt::NoFocus);
    place(DBLookupComboBox_GWYJFFS, 482, y, 150);
    addLabel("公务员医疗补助缴费方式", DBLookupComboBox_GWYJFFS, kLabelR - 10, y, 482 - kLabelR + 6);

    // Never shown, and they write nothing.
    DBLookupComboBox_GRCDJFFS = lookup("DBLookupComboBox_GRCDJFFS", ADOQuery_GRCDJFFS);
    DBLookupComboBox_JFZQ = lookup("DBLookupComboBox_JFZQ", ADOQuery_JFZQ);
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
          DBLookupComboBox_ZYJSZC, DBLookupComboBox_GRJSDJ, DBLookupComboBox_LTXRYLB}) {
        c->setEmptiedBy({Qt::Key_Space, Qt::Key_Backspace});
        c->setToolTip(kSpaceHint);
    }

    // Row 17: buttons.
    auto button = [this](const char* name, const QString& text, int x) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(x, 424, 90, 28);
        return b;
    };
    Button_Insert = button("Button_Insert", "新增", 60);
    Button_SAVE = button("Button_SAVE", "保存", 180);
    Button_print = button("Button_print", "打印", 300);
    Button_preview = button("Button_preview", "打印预览", 420);
    Button_close = button("Button_close", "关闭", 540);

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

void TForm_per_info::setTabOrderOfControls() {
    const QList<QWidget*> order = {Edit_SHBXDJZBM,
                                   DBEdit_NAME,
                                   DBEdit_GMSFZ,
                                   DBLookupComboBox_NATION,
                                   DBLookupComboBox_JFRYLB,
                                   DBLookupComboBox_YBCBRYLB,
                                   DBEdit_CSD,
                                   DBLookupComboBox_HYZK,
                                   DBLookupComboBox_HKXZ,
                                   DBLookupComboBox_WHCD,
                                   DBLookupComboBox_GRSF,
                                   DBEdit_CJGZRQ,
                                   DBLookupComboBox_XZZW,
                                   DBLookupComboBox_ZYJSZC,
                                   DBLookupComboBox_GRJSDJ,
                                   DBEdit_LTXRQ,
                                   DBLookupComboBox_LTXRYLB,
                                   DBEdit_HKSZQXJX,
                                   DBEdit_HKSZD,
                                   DBEdit_XJZDDZ,
                                   DBEdit_JZDYZBM,
                                   DBEdit_CBRDH,
                                   DBEdit_LXRXM,
                                   DBEdit_LXRDH,
                                   DBEdit_DDYLJG[0],
                                   DBEdit_DDYLJG[1],
                                   DBEdit_DDYLJG[2],
                                   DBEdit_DDYLJG[3],
                                   DBEdit_DDYLJG[4],
                                   Edit_hosinput,
                                   DBGrid1,
                                   Button1,
                                   DBLookupComboBox_LXJFFS,
                                   Button_SAVE,
                                   Button_print,
                                   Button_Insert,
                                   Button_close,
                                   Edit_DWMC,
                                   Button_preview};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    // The disabled and inert controls are never reached; keep them out of the chain's way.
    for (QWidget* w :
         {static_cast<QWidget*>(DBLookupComboBox_SEX), static_cast<QWidget*>(DBEdit_CSRQ),
          static_cast<QWidget*>(DBLookupComboBox_GRZHGLZT), static_cast<QWidget*>(DBEdit_JKKH),
          static_cast<QWidget*>(DBLookupComboBox_GWYXSBS), static_cast<QWidget*>(DBLookupComboBox_GWYJFFS)})
        w->setFocusPolicy(Qt::NoFocus);
}

void TForm_per_info::connectHandlers() {
    keyPreview_ = new ui::KeyPreview(this, Button_close);
    keyPreview_->setF1Handler([this] { saveByF1(); });
    keyPreview_->setKeyHandler([this](QWidget* target, int key, Qt::KeyboardModifiers mods) {
        return keyPressed(target, key, mods);
    });
    exits_ = new ui::ExitNotifier(this);
    exits_->onExit(DBEdit_GMSFZ, [this] { DBEdit_GMSFZExit(); });
    exits_->onExit(DBLookupComboBox_JFRYLB, [this] { DBLookupComboBox_JFRYLBExit(); });

    connect(Edit_SHBXDJZBM, &QLineEdit::textChanged, this, &TForm_per_info::Edit_SHBXDJZBMChange);
    connect(ADOQuery_JFRYLB, &store::Dataset::afterScroll, this, &TForm_per_info::ADOQuery_JFRYLBAfterScroll);
    connect(Button_Insert, &QPushButton::clicked, this, &TForm_per_info::Button_InsertClick);
    connect(Button_SAVE, &QPushButton::clicked, this, &TForm_per_info::Button_SAVEClick);
    connect(Button_print, &QPushButton::clicked, this, &TForm_per_info::Button_printClick);
    connect(Button_preview, &QPushButton::clicked, this, &TForm_per_info::Button_previewClick);
    connect(Button_close, &QPushButton::clicked, this, &TForm_per_info::Button_closeClick);
    connect(Edit_hosinput, &QLineEdit::textChanged, this, &TForm_per_info::Edit_hosinputChange);
    connect(Button1, &QPushButton::clicked, this, &TForm_per_info::Button1Click);
    // On a row, below the rows or in an empty grid.
    connect(DBGrid1, &ui::DBGrid::gridDoubleClicked, this, &TForm_per_info::DBGrid1DblClick);
}

void TForm_per_info::openLists() {
    for (store::Query* q : {ADOQuery_SEX, ADOQuery_MZ, ADOQuery_JFRYLB, ADOQuery_YBCBRYLB, ADOQuery_HYZK,
                            ADOQuery_HKXZ, ADOQuery_WHCD, ADOQuery_GRSF, ADOQuery_XZZW, ADOQuery_ZYJSZC,
                            ADOQuery_GRJSDJ, ADOQuery_LTXRYLB, ADOQuery_LXJFFS, ADOQuery_GRCDJFFS})
        q->open();
}

bool TForm_per_info::keyPressed(QWidget* target, int key, Qt::KeyboardModifiers) {
    if (target == Edit_hosinput) return Edit_hosinputKeyDown(key);
    return false;
}

bool TForm_per_info::Edit_hosinputKeyDown(int key) {
    if (key != Qt::Key_Down) return false;
    DBGrid1->setFocus(Qt::OtherFocusReason);
    return true;
}

bool TForm_per_info::DBEdit_JZDYZBMKeyPress(const QString& typed) {
    // Control characters (Backspace among them) pass; any other non-digit is dropped.
    if (typed.isEmpty() || typed[0].unicode() < 0x20 || typed[0].unicode() == 0x7f) return false;
    for (QChar c : typed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            ui::dialogs().beep();
            return true;
        }
    }
    return false;
}

bool TForm_per_info::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && digitsOnly_.contains(static_cast<QWidget*>(watched)) &&
        DBEdit_JZDYZBMKeyPress(static_cast<QKeyEvent*>(event)->text()))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TForm_per_info::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!parentWidget()) ui::centreOnScreen(this);
    FormShow();
}

void TForm_per_info::FormShow() {
    Panel_hos->hide();
    if (Edit_SHBXDJZBM->isEnabled())
        Edit_SHBXDJZBM->setFocus(Qt::OtherFocusReason);
    else
        Button_Insert->setFocus(Qt::OtherFocusReason);
}

void TForm_per_info::closeEvent(QCloseEvent* e) {
    // The frame's close button takes the road of "关闭", with its question.
    e->ignore();
    Button_closeClick();
}

QVariant TForm_per_info::corpValue(const QString& field) const {
    if (!ADOQuery_Corpinfo->isOpen() || ADOQuery_Corpinfo->recNo() < 0) return {};
    return ADOQuery_Corpinfo->value(field);
}

void TForm_per_info::Edit_SHBXDJZBMChange() {
    ui::guarded(this, [this] {
        Edit_DWMC->clear();
        const QString ssn = Edit_SHBXDJZBM->text();
        if (ssn.trimmed().size() != 12) return;
        ADOQuery_Corpinfo->runQuery(
            "select corpsn,ssn,name,CorpSRetFeeType,corptype,Belong from M_corporation where ssn = ?", {ssn});
        if (ADOQuery_Corpinfo->recordCount() > 0) {
            Edit_DWMC->setText(ADOQuery_Corpinfo->value("name").toString());
            corpSRetFeeType_ = ADOQuery_Corpinfo->value("CorpSRetFeeType").toString();
            checkLxFeeMethod();
            checkAdminDuty();
        } else {
            ui::dialogs().message(this, "系统内无此单位名称");
            Edit_DWMC->clear();
        }
    });
}

void TForm_per_info::ClearScreen() {
    for (ui::DBLookupComboBox* c :
         {DBLookupComboBox_NATION, DBLookupComboBox_JFRYLB, DBLookupComboBox_YBCBRYLB, DBLookupComboBox_HYZK,
          DBLookupComboBox_HKXZ, DBLookupComboBox_WHCD, DBLookupComboBox_GRSF, DBLookupComboBox_XZZW,
          DBLookupComboBox_GRJSDJ, DBLookupComboBox_ZYJSZC, DBLookupComboBox_LTXRYLB,
          DBLookupComboBox_GWYJFFS, DBLookupComboBox_GWYXSBS, DBLookupComboBox_LXJFFS, DBLookupComboBox_SEX})
        c->setValue(QString());
    for (QLineEdit* e : Edit_HOSNAME) e->clear();
}

void TForm_per_info::setFieldValues() {
    if (!ADOTable_PERSON->isEditing()) ADOTable_PERSON->edit();
    ADOTable_PERSON->setValue("CORPSN", corpValue("corpsn"));
    const QList<QPair<ui::DBLookupComboBox*, const char*>> codes = {
        {DBLookupComboBox_SEX, "SEX"},
        {DBLookupComboBox_NATION, "NATION"},
        {DBLookupComboBox_HYZK, "MARRIAGE"},
        {DBLookupComboBox_HKXZ, "RESIDENTTYPE"},
        {DBLookupComboBox_WHCD, "EDUCATION"},
        {DBLookupComboBox_GRSF, "PSNSTATUS"},
        {DBLookupComboBox_XZZW, "ADMINDUTY"},
        {DBLookupComboBox_ZYJSZC, "SPECDUTY"},
        {DBLookupComboBox_GRJSDJ, "TECHLEVEL"},
        {DBLookupComboBox_LTXRYLB, "RETIRETYPE"},
        {DBLookupComboBox_JFRYLB, "FEEPSNTYPE"},
        {DBLookupComboBox_YBCBRYLB, "MEDPSNTYPE"},
        {DBLookupComboBox_LXJFFS, "PSNSRETFEETYPE"}};
    // An empty choice, or one the list no longer holds, stores an empty column.
    for (const auto& [box, column] : codes) ADOTable_PERSON->setValue(column, box->code());
    ADOTable_PERSON->setValue("SSN", Edit_SHBXDJZBM->text());
}

void TForm_per_info::loadLookup(ui::DBLookupComboBox* box, const QString& column) {
    const QVariant code = ADOTable_PERSON->value(column);
    store::Dataset* list = box->listSource();
    QString name;
    if (!code.isNull() && !code.toString().isEmpty() && list->isOpen())
        name = list->lookup("CODE", code, "NAME").toString();
    box->setValue(name);
}

void TForm_per_info::getFieldValues(const QString& psnsn, const QString& ssn, const QString& corpName) {
    ADOTable_PERSON->requery();
    ADOTable_DDYLJG->requery();
    // Never stand on another person: a serial that is gone is an error.
    if (!ADOTable_PERSON->locate("PSNSN", psnsn))
        throw store::Error(QString("找不到序号为 %1 的参保人").arg(psnsn));
    Edit_SHBXDJZBM->setText(QString());
    Edit_SHBXDJZBM->setText(ssn);
    Edit_DWMC->setText(corpName);

    loadLookup(DBLookupComboBox_NATION, "NATION");
    loadLookup(DBLookupComboBox_JFRYLB, "FEEPSNTYPE");
    loadLookup(DBLookupComboBox_YBCBRYLB, "MEDPSNTYPE");
    loadLookup(DBLookupComboBox_HYZK, "MARRIAGE");
    loadLookup(DBLookupComboBox_HKXZ, "RESIDENTTYPE");
    loadLookup(DBLookupComboBox_WHCD, "EDUCATION");
    loadLookup(DBLookupComboBox_GRSF, "PSNSTATUS");
    loadLookup(DBLookupComboBox_XZZW, "ADMINDUTY");
    if (!DBLookupComboBox_XZZW->text().isEmpty()) setAdminDutyEnabled(true);
    loadLookup(DBLookupComboBox_GRJSDJ, "TECHLEVEL");
    loadLookup(DBLookupComboBox_ZYJSZC, "SPECDUTY");
    loadLookup(DBLookupComboBox_LTXRYLB, "RETIRETYPE");
    loadLookup(DBLookupComboBox_LXJFFS, "PSNSRETFEETYPE");
    loadLookup(DBLookupComboBox_SEX, "SEX");

    if (!ADOTable_DDYLJG->locate("PSNSN", psnsn)) {
        ui::dialogs().message(this, "未找到该参保人的定点医疗机构信息");
        // A fresh row for this person, so no other person's institutions are shown or changed.
        ADOTable_DDYLJG->insert();
    }
    for (int i = 0; i < 5; ++i) Edit_HOSNAME[i]->setText(getHosName(DBEdit_DDYLJG[i]->text()));
}

bool TForm_per_info::saveIfModified() {
    bool stay = false;
    const bool ran = ui::guarded(this, [&] {
        flushBoundFields();
        if (!ADOTable_PERSON->modified() && !ADOTable_DDYLJG->modified()) return;
        if (!ui::dialogs().confirm(this, "数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No")) return;
        if (checkInput() || !storePerson()) stay = true;
    });
    return ran && !stay;
}

void TForm_per_info::Button_InsertClick() {
    if (!saveIfModified()) return;
    ui::guarded(this, [this] {
        ADOTable_PERSON->cancel();
        ADOTable_DDYLJG->cancel();
        ADOTable_PERSON->insert();
        ADOTable_DDYLJG->insert();
        Edit_SHBXDJZBM->setFocus(Qt::OtherFocusReason);
        ClearScreen();
        perInfoMode = 1;
    });
}

void TForm_per_info::Button_closeClick() {
    if (!saveIfModified()) return;
    ADOTable_PERSON->cancel();
    ADOTable_DDYLJG->cancel();
    done(QDialog::Rejected);
}

void TForm_per_info::printPerson(bool preview) {
    if (!Form_print1) {
        ui::dialogs().error(this, "打印模块未创建，无法打印");
        return;
    }
    const QString filter = "IDCARD='" + DBEdit_GMSFZ->text() + "'";
    ui::guarded(this, [&] {
        if (preview)
            Form_print1->previewPersonForm(filter);
        else
            Form_print1->printPersonForm(filter);
    });
}

void TForm_per_info::Button_printClick() {
    printPerson(false);
}

void TForm_per_info::Button_previewClick() {
    printPerson(true);
}
