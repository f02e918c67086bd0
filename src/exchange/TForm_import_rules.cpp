// Commands of the data exchange window: import, export and the floppy copy.
// The commands themselves are ExchangeCommands; the window adds its file
// chooser, its messages and its buttons.
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "exchange/FloppyCopy.h"
#include "exchange/Paths.h"
#include "exchange/TForm_import.h"
#include "exchange/Transfer.h"
#include "platform/Mounts.h"
#include "platform/Settings.h"
#include "ui/Dialogs.h"

bool TForm_import::checkSSNDbl(const QString& ssn) {
    return exchange::countsAny(ADOConnection_to, exchange::kCheckSSNDbl, ssn);
}

bool TForm_import::checkIDcardDbl(const QString& idcard) {
    return exchange::countsAny(ADOConnection_to, exchange::kCheckIDcardDbl, idcard);
}

bool TForm_import::checkMedDbl(const QString& idcard) {
    return exchange::countsAny(ADOConnection_to, exchange::kCheckMedDbl, idcard);
}

void TForm_import::Button2Click() {
    const QString path = ui::dialogs().openFile(this, QString(), platform::dataDir(), "*.mdb");
    if (!path.isEmpty()) Edit_fromfile->setText(path);
}

void TForm_import::Button1Click() {
    if (running_) return;
    Busy busy(*this);
    resetBars();
    const QString from = Edit_fromfile->text();
    if (from.isEmpty() || !QFileInfo(from).isFile()) {
        ui::dialogs().message(this, "请选择数据源文件");
        return;
    }
    const QString to = Edit_tofile->text();
    runCommand([&] { return commands_.importFile(from, to); });
}

void TForm_import::Button4Click() {
    if (running_) return;
    exchange::CommandResult r = exchange::CommandResult::Refused;
    {
        Busy busy(*this);
        resetBars();
        exportFilePath = exchange::exportPathForToday();
        const QString from = Edit_tofile->text();
        const QString to = exportFilePath;
        r = runCommand([&] { return commands_.exportTo(from, to); });
    }
    if (r == exchange::CommandResult::Committed || r == exchange::CommandResult::RolledBack)
        Button_makeFloppy->setEnabled(true);
}

void TForm_import::Button_makeFloppyClick() {
    if (running_) return;
    Busy busy(*this);
    const QString floppyPath = exchange::floppyPathForToday();
    // A failed export leaves no file under the day's name: nothing to copy,
    // and the floppy is not to blame.
    if (!QFileInfo(exportFilePath).isFile()) {
        ui::dialogs().message(
            this, QString("报盘文件“%1”不存在（导出没有完成），软盘文件未生成").arg(exportFilePath));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // With no medium in, the directory of an empty mount point is on the
    // local disk: a copy there would look like success.
    const bool ok = !platform::isUnmountedMountPoint(platform::floppyDir()) &&
                    exchange::copyVerified(exportFilePath, floppyPath);
    QApplication::restoreOverrideCursor();
    ui::dialogs().message(this, ok ? "软盘文件生成完毕！" : "软盘文件未生成，请检查软盘是否有足够空间");
}
