#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include "app/globals/Globals.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/DatabaseFactory.h"

namespace testing_support {

RecordingDialogs::RecordingDialogs() { ui::setDialogs(this); }
RecordingDialogs::~RecordingDialogs() { ui::setDialogs(nullptr); }

void RecordingDialogs::message(QWidget*, const QString& text) {
    shown.append({Shown::Message, text});
    if (onShow) onShow(shown.last());
}

bool RecordingDialogs::confirm(QWidget*, const QString& text) {
    shown.append({Shown::Confirm, text});
    if (onShow) onShow(shown.last());
    if (answers.isEmpty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    return answers.takeFirst();
}

void RecordingDialogs::error(QWidget*, const QString& text) {
    shown.append({Shown::Error, text});
    if (onShow) onShow(shown.last());
}

QString RecordingDialogs::openFile(QWidget*, const QString& caption, const QString&, const QString&) {
    shown.append({Shown::OpenFile, caption});
    return files.isEmpty() ? QString() : files.takeFirst();
}

void RecordingDialogs::beep() { shown.append({Shown::Beep, QString()}); }

QStringList RecordingDialogs::texts() const {
    QStringList t;
    for (const Shown& s : shown)
        if (s.kind != Shown::Beep && s.kind != Shown::OpenFile) t.append(s.text);
    return t;
}

QStringList RecordingDialogs::messages() const {
    QStringList t;
    for (const Shown& s : shown)
        if (s.kind == Shown::Message) t.append(s.text);
    return t;
}

QStringList RecordingDialogs::errors() const {
    QStringList t;
    for (const Shown& s : shown)
        if (s.kind == Shown::Error) t.append(s.text);
    return t;
}

ModalRecorder::ModalRecorder() {
    ui::setModalHandler([this](QWidget* w) {
        windows.append(w);
        return script ? script(w) : 0;
    });
}

ModalRecorder::~ModalRecorder() { ui::setModalHandler({}); }

WorkDir::WorkDir() {
    platform::setSettingsFilePath(dir_.filePath("settings/Veyra.ini"));
    platform::setShortDateFormat("yyyy-MM-dd");
    platform::writeSetting("DataDir", dir_.filePath("orvanta"));
    platform::writeSetting("FloppyDir", dir_.filePath("floppy"));
    store::createWorkingDirectory(dir_.path());
    store::setWorkingDatabasePath(database());
    resetGlobals();
}

WorkDir::~WorkDir() {
    store::setWorkingDatabasePath(QString());
    platform::setSettingsFilePath(QString());
    platform::setToday(QDate());
}

QString WorkDir::database() const { return dir_.filePath("Enterprise.mdb"); }
QString WorkDir::templateFile() const { return dir_.filePath("structure.mdb"); }
QString WorkDir::file(const QString& name) const { return dir_.filePath(name); }

}  // namespace testing_support
