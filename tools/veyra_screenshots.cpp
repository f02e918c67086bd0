// veyra-screenshots OUTDIR: pictures of every window for the documentation,
// over a fresh database with a sample employer and person, on a desktop of
// 1280 × 800: at the default font ("-default"), at fonts half as large again
// ("-150": QT_FONT_DPI=144, which needs a process of its own, so the program
// runs itself once more for those) and in a dark palette ("-dark"). Runs
// offscreen unless QT_QPA_PLATFORM says otherwise.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMessageBox>
#include <QPalette>
#include <QProcess>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstdio>

#include "app/Backups.h"
#include "app/Desktop.h"
#include "app/TForm1.h"
#include "app/TForm_login.h"
#include "app/TForm_user.h"
#include "app/globals/Globals.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "reports/PreviewDialog.h"
#include "reports/ReportOutput.h"
#include "reports/TForm_print1.h"
#include "reports/tools/SampleForms.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "ui/Dialogs.h"

namespace {

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(30, 30, 30));
    p.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(60, 60, 64));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    p.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::Base, QColor(45, 45, 48));
    return p;
}

// A picture kept small: the 256 colours it uses most (the backgrounds, the
// text, the frames, all exact), every other pixel (the edges of smoothed
// text) in the nearest of them; the highest compression.
bool savePicture(const QImage& shot, const QString& path) {
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> uses;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) ++uses[line[x]];
    }
    QList<QRgb> byUse = uses.keys();
    std::sort(byUse.begin(), byUse.end(),
              [&](QRgb a, QRgb b) { return uses[a] > uses[b] || (uses[a] == uses[b] && a < b); });
    const QList<QRgb> palette = byUse.mid(0, 256);
    QHash<QRgb, int> index;
    auto nearest = [&](QRgb c) {
        int best = 0;
        long bestDistance = LONG_MAX;
        for (int i = 0; i < palette.size(); ++i) {
            const long dr = qRed(c) - qRed(palette[i]), dg = qGreen(c) - qGreen(palette[i]),
                       db = qBlue(c) - qBlue(palette[i]);
            const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
            if (d < bestDistance) bestDistance = d, best = i;
        }
        return best;
    };
    QImage indexed(image.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette.toVector());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            auto it = index.constFind(line[x]);
            if (it == index.constEnd()) it = index.insert(line[x], nearest(line[x]));
            out[x] = uchar(*it);
        }
    }
    return indexed.save(path, "PNG", 0);
}

// The messages of the commands run for the pictures (an export says "操作完毕！")
// go nowhere; the question is shown by the program's own dialogs.
class Quiet : public ui::Dialogs {
  public:
    void message(QWidget*, const QString&) override {}
    bool confirm(QWidget*, const QString&) override { return false; }
    void error(QWidget*, const QString& text) override {
        std::fprintf(stderr, "veyra-screenshots: %s\n", qPrintable(text));
    }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    void beep() override {}
};

class Shooter {
  public:
    Shooter(QString dir, QString look) : dir_(std::move(dir)), look_(std::move(look)) {}

    void shoot(QWidget* w, const QString& name) {
        if (!w->isVisible()) w->show();
        QApplication::processEvents();
        const QString path = QStringLiteral("%1/%2-%3.png").arg(dir_, name, look_);
        if (!savePicture(w->grab().toImage(), path))
            std::fprintf(stderr, "veyra-screenshots: cannot write %s\n", qPrintable(path));
        std::printf("%s %dx%d\n", qPrintable(path), w->width(), w->height());
        w->hide();
    }

    // A question of the program, as the dialogs seam shows it.
    void shootQuestion(QWidget* parent, const QString& text, const QString& name) {
        QTimer::singleShot(0, [this, name] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            shoot(box, name);
            for (QAbstractButton* b : box->buttons())
                if (b->text() == "No") b->click();
        });
        parent->show();
        ui::Dialogs& quiet = ui::dialogs();
        ui::setDialogs(nullptr);
        ui::dialogs().confirm(parent, text);
        ui::setDialogs(&quiet);
        parent->hide();
    }

  private:
    QString dir_;
    QString look_;
};

void shootAll(const QString& out, const QString& look, const reports::samples::Sample& sample) {
    Shooter s(out, look);
    Quiet quiet;
    ui::setDialogs(&quiet);

    TForm1 main;
    s.shoot(&main, "main");
    TForm_login login;
    s.shoot(&login, "login");
    TForm_user user;
    s.shoot(&user, "operators");

    TForm_cop_info employer;
    employer.activeTables();
    employer.ADOTable_corporation->insert();
    employer.clearScreen();
    employer.Edit_BXDJZBM->setEnabled(true);
    s.shoot(&employer, "employer");

    TForm_per_info person;
    Form_per_info = &person;
    person.ADOTable_PERSON->insert();
    person.ADOTable_DDYLJG->insert();
    s.shoot(&person, "person");
    // The institution search over the first slot.
    person.show();
    person.DBEdit_DDYLJGEnter(1);
    person.Edit_hosinput->setText("东城");
    s.shoot(&person, "person-institutions");
    s.shootQuestion(&person, "数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No", "question");
    Form_per_info = nullptr;

    TForm_cop_query employers;
    employers.show();
    employers.Button1Click();
    s.shoot(&employers, "employer-query");
    TForm_XGSBDJZH renumber;
    oldSSN = sample.employerSsn;
    s.shoot(&renumber, "renumber");
    TForm_Person_query persons;
    persons.show();
    persons.Button_QueryAllClick();
    s.shoot(&persons, "person-query");

    TForm_import exchange;
    exchange.show();
    exchange.Button4Click();
    s.shoot(&exchange, "exchange");

    app::TForm_restore restore;
    restore.FormShow();
    s.shoot(&restore, "restore");

    TForm_print1 module;
    reports::CapturingOutput laid;
    module.setOutput(&laid);
    module.previewPersonForm("IDCARD='" + sample.personIdCard + "'");
    reports::PreviewDialog preview(laid.jobs.first().document);
    s.shoot(&preview, "preview");
    ui::setDialogs(nullptr);
}

// The pictures at 1.5: this program again, at QT_FONT_DPI=144.
int runLarge(const QString& out) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_FONT_DPI", "144");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {out, "--large"});
    child.waitForFinished(-1);
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Offscreen, on a desktop of 1280 × 800.
    QTemporaryDir work;
    const QString screen = work.filePath("screen.json");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        QFile f(screen);
        if (f.open(QIODevice::WriteOnly))
            f.write(R"({"screens": [{"name": "desk", "x": 0, "y": 0, "width": 1280, "height": 800,
                        "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        f.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screen));
    }
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QStringList args = QApplication::arguments();
    const bool large = args.size() == 3 && args[2] == "--large";
    if (args.size() != 2 && !large) {
        std::fprintf(stderr, "usage: veyra-screenshots OUTDIR\n");
        return 2;
    }
    const QString out = QDir(args[1]).absolutePath();
    QDir().mkpath(out);
    // A fixed day and hour, so the pictures change only when the windows do.
    platform::setNow(QDateTime(QDate(2026, 12, 10), QTime(9, 30)));
    platform::setToday(QDate(2026, 12, 10));
    platform::setSettingsFilePath(work.filePath("Veyra.ini"));
    platform::setShortDateFormat("yyyy-MM-dd");
    platform::writeSetting("DataDir", work.filePath("orvanta"));
    store::createWorkingDirectory(work.path());
    store::setWorkingDatabasePath(work.filePath(store::workingDatabaseFileName()));
    app::installQtTranslations();
    reports::samples::Sample sample;
    {
        store::Connection db;
        db.open(store::workingDatabasePath());
        sample = reports::samples::insertSample(db);
    }
    store::makeBackup(store::workingDatabasePath(), store::backupDirectory(), store::BackupReason::Manual,
                      {});

    if (large) {
        shootAll(out, "150", sample);
        return 0;
    }
    shootAll(out, "default", sample);
    QApplication::setPalette(darkPalette());
    shootAll(out, "dark", sample);
    return runLarge(out);
}
