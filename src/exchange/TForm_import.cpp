#include "exchange/TForm_import.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include "platform/Settings.h"
#include "store/DatabaseFactory.h"
#include "ui/Dialogs.h"
#include "ui/Placement.h"

QString exportFilePath;

// The window's side of a command: progress bars, log area and message boxes.
// Called on the window's thread only (the relay below hands everything over).
class TForm_import::Progress {
  public:
    explicit Progress(TForm_import& w) : w_(w) {}

    void tableStarted(exchange::Register t, int total) {
        restoreLabels();
        QProgressBar* b = bar(t);
        // A maximum of 0 would turn the bar into a busy indicator.
        b->setRange(0, qMax(total, 1));
        b->setValue(0);
        w_.Memo1->showAppended();
    }
    void rowReached(exchange::Register t, int row) {
        if (row > 0) bar(t)->setValue(row);
        w_.Memo1->showAppended();
    }
    void tableFinished(exchange::Register t, int rows) {
        bar(t)->setValue(rows);
        w_.Memo1->showAppended();
    }
    void logLines() { w_.Memo1->showAppended(); }
    void message(const QString& text) {
        restoreLabels();
        w_.Memo1->showAppended();
        ui::dialogs().message(&w_, text);
    }
    // The file checks and the export's checksum show on the first bar, under
    // a label saying what is being done.
    void checking(const QString& stage, qint64 done, qint64 total) {
        checking_ = true;
        w_.StaticText1->setText(stage + "……");
        if (total > 0) {
            w_.ProgressBar1->setRange(0, 1000);
            w_.ProgressBar1->setValue(int(qMin<qint64>(1000, done * 1000 / total)));
        } else {
            w_.ProgressBar1->setRange(0, 0);
        }
    }
    void restoreLabels() {
        if (!checking_) return;
        checking_ = false;
        w_.StaticText1->setText(kEmployersLabel);
        w_.ProgressBar1->setRange(0, 100);
        w_.ProgressBar1->setValue(0);
    }

    static inline const QString kEmployersLabel = QStringLiteral("单位信息导入进度");

  private:
    QProgressBar* bar(exchange::Register t) const {
        switch (t) {
            case exchange::Register::Employers:
                return w_.ProgressBar1;
            case exchange::Register::Persons:
                return w_.ProgressBar2;
            default:
                return w_.ProgressBar3;
        }
    }

    TForm_import& w_;
    bool checking_ = false;
};

// A command runs on a thread of its own, so the window repaints whatever the
// engine is doing (a file check, a commit, the log file). What the window
// shows is handed to its thread: rows, lines and checks at most every 30 ms
// each, starts and ends of tables always, and a message box waits for the
// operator as before.
class TForm_import::Relay : public exchange::CommandObserver {
  public:
    Relay(TForm_import& w, Progress& p) : w_(w), p_(p) {
        for (QElapsedTimer& c : clocks_) c.start();
    }

    void tableStarted(exchange::Register t, int total) override {
        post([this, t, total] { p_.tableStarted(t, total); });
    }
    void rowReached(exchange::Register t, int row) override {
        if (due(Rows)) post([this, t, row] { p_.rowReached(t, row); });
    }
    void tableFinished(exchange::Register t, int rows) override {
        post([this, t, rows] { p_.tableFinished(t, rows); });
    }
    void logLines(qsizetype) override {
        if (due(Lines)) post([this] { p_.logLines(); });
    }
    void checking(const QString& stage, qint64 done, qint64 total) override {
        if (due(Checks)) post([this, stage, done, total] { p_.checking(stage, done, total); });
    }
    void message(const QString& text) override {
        if (QThread::currentThread() == w_.thread())
            p_.message(text);
        else
            QMetaObject::invokeMethod(
                &w_, [this, &text] { p_.message(text); }, Qt::BlockingQueuedConnection);
    }

  private:
    enum Kind { Rows, Lines, Checks };
    bool due(Kind k) {
        if (clocks_[k].elapsed() < 30) return false;
        clocks_[k].restart();
        return true;
    }
    template <class F>
    void post(F f) {
        if (QThread::currentThread() == w_.thread())
            f();
        else
            QMetaObject::invokeMethod(&w_, std::move(f), Qt::QueuedConnection);
    }

    TForm_import& w_;
    Progress& p_;
    QElapsedTimer clocks_[3];
};

namespace {
template <class W>
W* make(QWidget* parent, const char* name, const QRect& geometry) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* l = make<QLabel>(parent, name, geometry);
    l->setText(text);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* b = make<QPushButton>(parent, name, geometry);
    b->setText(text);
    // The window has no key preview; a button must not take Enter as default.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}
}  // namespace

TForm_import::TForm_import(QWidget* parent)
    : QDialog(parent),
      progress_(std::make_unique<Progress>(*this)),
      relay_(std::make_unique<Relay>(*this, *progress_)),
      commands_(log_, *relay_),
      ADOConnection_from(commands_.from),
      submission(commands_.submission),
      ADOConnection_to(commands_.to) {
    setObjectName("Form_import");
    setWindowTitle("数据导入");
    buildLayout();
    FormCreate();
}

TForm_import::~TForm_import() {
    commands_.closeConnections();
}

void TForm_import::buildLayout() {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(688, 453);
    QFont f(QStringLiteral("新宋体"));
    f.setPixelSize(12);
    setFont(f);

    const int left = 8, width = 672;
    StaticText4 = label(this, "StaticText4", "数据 来源文件名称", QRect(left, 14, 120, 20));
    Edit_fromfile = make<QLineEdit>(this, "Edit_fromfile", QRect(132, 12, 460, 24));
    Edit_fromfile->setReadOnly(true);
    Button2 = button(this, "Button2", "选择", QRect(600, 11, 80, 26));

    StaticText5 = label(this, "StaticText5", "数据 本地文件名称", QRect(left, 48, 120, 20));
    Edit_tofile = make<QLineEdit>(this, "Edit_tofile", QRect(132, 46, 548, 24));
    Edit_tofile->setReadOnly(true);
    QPalette menuColour = Edit_tofile->palette();
    menuColour.setColor(QPalette::Base, palette().color(QPalette::Window));
    Edit_tofile->setPalette(menuColour);

    Button1 = button(this, "Button1", "导入到本地库", QRect(left, 82, 150, 28));
    Button4 = button(this, "Button4", "导出到报盘文件", QRect(178, 82, 150, 28));
    Button_makeFloppy = button(this, "Button_makeFloppy", "生成软盘文件", QRect(348, 82, 150, 28));
    Button_makeFloppy->setEnabled(false);
    Button3 = button(this, "Button3", "关闭", QRect(580, 82, 100, 28));

    StaticText1 = label(this, "StaticText1", Progress::kEmployersLabel, QRect(left, 118, width, 16));
    ProgressBar1 = make<QProgressBar>(this, "ProgressBar1", QRect(left, 135, width, 16));
    StaticText2 = label(this, "StaticText2", "个人信息导入进度", QRect(left, 155, width, 16));
    ProgressBar2 = make<QProgressBar>(this, "ProgressBar2", QRect(left, 172, width, 16));
    StaticText3 = label(this, "StaticText3", "定点医疗机构信息导入进度", QRect(left, 192, width, 16));
    ProgressBar3 = make<QProgressBar>(this, "ProgressBar3", QRect(left, 209, width, 16));
    for (QProgressBar* b : {ProgressBar1, ProgressBar2, ProgressBar3}) {
        b->setRange(0, 100);
        b->setValue(0);
        b->setTextVisible(false);
    }

    Memo1 = new LogArea(log_, this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(QRect(left, 232, width, 213));
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette memoColour = Memo1->palette();
    memoColour.setColor(QPalette::Base, palette().color(QPalette::Window));
    Memo1->setPalette(memoColour);

    // What a screen reader calls the fields, the bars and the log.
    StaticText4->setBuddy(Edit_fromfile);
    StaticText5->setBuddy(Edit_tofile);
    Edit_fromfile->setAccessibleName("数据来源文件名称");
    Edit_tofile->setAccessibleName("数据本地文件名称");
    ProgressBar1->setAccessibleName(Progress::kEmployersLabel);
    ProgressBar2->setAccessibleName(StaticText2->text());
    ProgressBar3->setAccessibleName(StaticText3->text());
    Memo1->setAccessibleName("导入导出日志");

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button_makeFloppy, &QPushButton::clicked, this, [this] { Button_makeFloppyClick(); });

    // Centred on the desktop, not over the main window.
    ui::centreOnScreen(this);
}

void TForm_import::FormCreate() {
    Edit_tofile->setText(store::workingDatabasePath());
    QDir().mkpath(platform::dataDir());  // a failure shows later, when a file is written there
}

void TForm_import::FormShow() {
    log_.clear();
    Memo1->clear();
    progress_->restoreLabels();
    Edit_fromfile->clear();
    Button_makeFloppy->setEnabled(false);
    resetBars();
}

void TForm_import::resetBars() {
    for (QProgressBar* b : {ProgressBar1, ProgressBar2, ProgressBar3}) b->setValue(0);
}

void TForm_import::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) FormShow();
}

void TForm_import::closeEvent(QCloseEvent* e) {
    // The window takes no input while a transfer runs.
    if (running_) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void TForm_import::reject() {
    if (!running_) QDialog::reject();
}

void TForm_import::Button3Click() {
    close();
}

TForm_import::Busy::Busy(TForm_import& w) : w_(w) {
    w_.running_ = true;
    for (QPushButton* b : {w_.Button1, w_.Button2, w_.Button4, w_.Button_makeFloppy, w_.Button3}) {
        buttons_.append({b, b->isEnabled()});
        b->setEnabled(false);
    }
}

TForm_import::Busy::~Busy() {
    // Clicks that arrived meanwhile meet the disabled buttons now, not the next command.
    QCoreApplication::processEvents();
    for (const auto& [b, enabled] : buttons_) b->setEnabled(enabled);
    w_.running_ = false;
}

exchange::CommandResult TForm_import::runCommand(const std::function<exchange::CommandResult()>& command) {
    exchange::CommandResult result = exchange::CommandResult::Refused;
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            result = command();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    // What the thread handed over before it ended arrives before its end does.
    QEventLoop loop;
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    // Input is taken as it comes: the disabled buttons drop the clicks.
    loop.exec();
    worker->wait();
    Memo1->showAppended();
    if (failure) std::rethrow_exception(failure);
    return result;
}

void TForm_import::appendLog(const QStringList& lines) {
    if (lines.isEmpty()) return;
    log_.append(lines);
    Memo1->showAppended();
}
