#include "app/Desktop.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

QString installQtTranslations() {
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // qtbase holds the widgets' and the print dialog's texts.
    auto* translator = new QTranslator(qApp);
    for (const QLocale& locale : {QLocale::system(), QLocale(QLocale::Chinese, QLocale::China)}) {
        if (locale.language() == QLocale::C) continue;
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), dir)) {
            QCoreApplication::installTranslator(translator);
            return locale.name();
        }
    }
    delete translator;
    return QString();
}

void setDesktopIdentity() {
    // Also the class of WM_CLASS on X11, which the desktop entry's StartupWMClass names.
    QCoreApplication::setApplicationName(QStringLiteral("Veyra"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/veyra/icons/veyra-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

}  // namespace app
