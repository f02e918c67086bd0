#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

#include "ui/Dialogs.h"
#include "ui/Modal.h"

class QWidget;
struct sqlite3;

namespace testing_support {

// What a window showed, in order.
struct Shown {
    enum Kind { Message, Confirm, Error, OpenFile, Beep } kind;
    QString text;
};

// Records every message and answers questions from a script. A question
// without a scripted answer fails the test loudly (and answers No).
class RecordingDialogs : public ui::Dialogs {
  public:
    RecordingDialogs();
    ~RecordingDialogs() override;

    void message(QWidget*, const QString& text) override;
    bool confirm(QWidget*, const QString& text) override;
    void error(QWidget*, const QString& text) override;
    QString openFile(QWidget*, const QString& caption, const QString& dir, const QString& filter) override;
    QString chooseDirectory(QWidget*, const QString& caption, const QString& dir) override;
    void beep() override;

    void answer(bool yes) { answers.append(yes); }
    void answerFile(const QString& path) { files.append(path); }
    void answerDirectory(const QString& path) { directories.append(path); }

    QList<Shown> shown;
    QList<bool> answers;
    QStringList files;
    QStringList directories;
    // Runs when a message box would be shown (the window's state at that moment).
    std::function<void(const Shown&)> onShow;

    QStringList texts() const;
    QStringList messages() const;  // plain message boxes only
    QStringList errors() const;
    void clear() { shown.clear(); }
};

// Replaces modal shows: records the window and runs an optional script
// instead of blocking.
class ModalRecorder {
  public:
    ModalRecorder();
    ~ModalRecorder();
    QList<QWidget*> windows;
    std::function<int(QWidget*)> script;
};

// A temporary working directory with a fresh Enterprise.mdb and
// structure.mdb, its own settings file and a short date of yyyy-MM-dd.
class WorkDir {
  public:
    WorkDir();
    ~WorkDir();
    QString path() const { return dir_.path(); }
    QString database() const;
    QString templateFile() const;
    QString file(const QString& name) const;

  private:
    QTemporaryDir dir_;
};

// The engine's work while it lives: rows handed out and virtual machine steps
// of every statement, on the connections given to watch() and on every
// connection opened meanwhile. Shows whether a command's work grows with the
// register without timing it.
class EngineWork {
  public:
    EngineWork();
    ~EngineWork();
    EngineWork(const EngineWork&) = delete;
    EngineWork& operator=(const EngineWork&) = delete;
    void watch(sqlite3* db);
    void clear() { rows = steps = 0; }
    qint64 rows = 0;
    qint64 steps = 0;
};

// A copy of a file under tests/fixtures in dir (the originals are never opened).
QString copyFixture(const QString& relative, const QString& dir, const QString& name = QString());

// Fills a register file with `count` employers (numbers prefix + a counter,
// long names), in one transaction: a file large enough to take a while.
void addManyEmployers(const QString& database, const QString& prefix, int count, int nameRepeats = 4);

// A file's permission bits (0600 and the like); 0 when it does not exist.
unsigned fileMode(const QString& path);

// Types text as key presses, one per character (a pair outside the BMP is one
// press, as a keyboard or input method delivers it); unlike QTest::keyClicks it
// takes Chinese characters (delivered as key events carrying the text).
void typeText(QWidget* target, const QString& text);

}  // namespace testing_support
