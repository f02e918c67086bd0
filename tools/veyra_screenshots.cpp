// veyra-screenshots OUTDIR: pictures of the registration windows for the
// documentation, at the default font, at 13 pt and in a dark palette, over a
// fresh database in a temporary directory. Run it offscreen or under Xvfb.
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QPalette>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

#include "app/Desktop.h"
#include "app/globals/Globals.h"
#include "employer/TForm_cop_info.h"
#include "person/TForm_per_info.h"
#include "platform/Settings.h"
#include "store/DatabaseFactory.h"

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

void shoot(QWidget* w, const QString& path) {
    w->show();
    QApplication::processEvents();
    if (!w->grab().save(path)) std::fprintf(stderr, "veyra-screenshots: cannot write %s\n", qPrintable(path));
    std::printf("%s %dx%d\n", qPrintable(path), w->width(), w->height());
    w->hide();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: veyra-screenshots OUTDIR\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    QTemporaryDir work;
    platform::setSettingsFilePath(work.filePath("Veyra.ini"));
    platform::setShortDateFormat("yyyy-MM-dd");
    store::createWorkingDirectory(work.path());
    store::setWorkingDatabasePath(work.filePath(store::workingDatabaseFileName()));
    app::installQtTranslations();

    const QFont normal = QApplication::font();
    QFont large = normal;
    large.setPointSizeF(13);
    struct Look {
        const char* name;
        QFont font;
        QPalette palette;
    } looks[] = {{"default", normal, QApplication::palette()},
                 {"13pt", large, QApplication::palette()},
                 {"dark", normal, darkPalette()}};
    for (const Look& look : looks) {
        QApplication::setFont(look.font);
        QApplication::setPalette(look.palette);
        {
            TForm_cop_info employer;
            employer.activeTables();
            employer.ADOTable_corporation->insert();
            employer.clearScreen();
            employer.Edit_BXDJZBM->setEnabled(true);
            shoot(&employer, QStringLiteral("%1/employer-%2.png").arg(out, look.name));
        }
        {
            TForm_per_info person;
            shoot(&person, QStringLiteral("%1/person-%2.png").arg(out, look.name));
        }
    }
    return 0;
}
