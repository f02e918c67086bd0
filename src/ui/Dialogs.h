#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace ui {

// Every message the program shows goes through here, so tests can record
// the texts and answer the questions from a script.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Message box: the text, an OK button, the application title as caption.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // Confirmation box with Yes and No; true for Yes. Only the two buttons
    // answer it: Esc and the close button leave it open.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // Standard error box: an error's own text.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // Open-file dialog; empty when cancelled.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& dir,
                             const QString& filter) = 0;
    // Folder chooser; empty when cancelled (or where no chooser exists).
    virtual QString chooseDirectory(QWidget*, const QString&, const QString&) { return {}; }
    virtual void beep() = 0;
};

// The installed implementation (the Qt one unless a test installed another).
Dialogs& dialogs();
// Installs d (not owned); nullptr restores the Qt implementation.
void setDialogs(Dialogs* d);

// The caption of every plain message box.
QString applicationTitle();

// Widens a message box so the window manager can show its whole caption
// beside its own buttons (a short text otherwise gives a box narrower than
// "Veyra" with the title bar's buttons).
void fitCaption(QMessageBox* box);

}  // namespace ui
