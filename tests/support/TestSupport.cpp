#include "support/TestSupport.h"

#include "store/Connection.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTest>

#include "app/globals/Globals.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "store/DatabaseFactory.h"

namespace testing_support {

namespace {
// Traces outlive an EngineWork on connections still open; they report to none then.
EngineWork* activeWork = nullptr;

int onTrace(unsigned type, void*, void* p, void*) {
    if (!activeWork) return 0;
    if (type == SQLITE_TRACE_ROW) ++activeWork->rows;
    // A statement ends (reset or finalized): its steps since its last end.
    if (type == SQLITE_TRACE_PROFILE)
        activeWork->steps += sqlite3_stmt_status(static_cast<sqlite3_stmt*>(p), SQLITE_STMTSTATUS_VM_STEP, 1);
    return 0;
}

int watchNewConnection(sqlite3* db, const char**, const void*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_ROW | SQLITE_TRACE_PROFILE, &onTrace, nullptr);
    return SQLITE_OK;
}
}  // namespace

EngineWork::EngineWork() {
    activeWork = this;
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&watchNewConnection));
}

EngineWork::~EngineWork() {
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&watchNewConnection));
    activeWork = nullptr;
}

void EngineWork::watch(sqlite3* db) {
    watchNewConnection(db, nullptr, nullptr);
}

RecordingDialogs::RecordingDialogs() {
    ui::setDialogs(this);
}
RecordingDialogs::~RecordingDialogs() {
    ui::setDialogs(nullptr);
}

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

QString RecordingDialogs::chooseDirectory(QWidget*, const QString& caption, const QString&) {
    shown.append({Shown::OpenFile, caption});
    return directories.isEmpty() ? QString() : directories.takeFirst();
}

void RecordingDialogs::beep() {
    shown.append({Shown::Beep, QString()});
}

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

ModalRecorder::~ModalRecorder() {
    ui::setModalHandler({});
}

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
    platform::setNow(QDateTime());
}

unsigned fileMode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void typeText(QWidget* target, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.unicode() < 0x80) {
            QTest::keyClick(target, ch.toLatin1());
            continue;
        }
        // A character outside the BMP arrives as one key event carrying its pair.
        QString typed(ch);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            typed += text.at(++i);
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, typed);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, typed);
        QApplication::sendEvent(target, &release);
    }
}

QString WorkDir::database() const {
    return dir_.filePath("Enterprise.mdb");
}
QString WorkDir::templateFile() const {
    return dir_.filePath("structure.mdb");
}
QString WorkDir::file(const QString& name) const {
    return dir_.filePath(name);
}

QString copyFixture(const QString& relative, const QString& dir, const QString& name) {
    const QString from = QStringLiteral(VEYRA_FIXTURES_DIR) + "/" + relative;
    const QString to = QDir(dir).filePath(name.isEmpty() ? QFileInfo(relative).fileName() : name);
    QDir().mkpath(QFileInfo(to).absolutePath());
    QFile::remove(to);
    if (!QFile::copy(from, to)) ADD_FAILURE() << "cannot copy fixture " << from.toStdString();
    // The copy is the test's own: writable whatever the checkout's modes.
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return to;
}

void addManyEmployers(const QString& database, const QString& prefix, int count, int nameRepeats) {
    store::Connection c;
    c.open(database);
    c.beginTransaction();
    for (int i = 0; i < count; ++i)
        c.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES (?, ?)",
                  {prefix + QString("%1").arg(i, 12 - int(prefix.size()), 10, QChar('0')),
                   QString("单位%1").arg(i).repeated(nameRepeats)});
    c.commit();
}

}  // namespace testing_support
