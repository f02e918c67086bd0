#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

#include "exchange/ExchangeCommands.h"
#include "exchange/LogArea.h"
#include "exchange/TransferLog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QProgressBar;

// Path of the last export, kept for the floppy copy for the life of the program.
extern QString exportFilePath;

// Import and export of submission files.
class TForm_import : public QDialog {
    Q_OBJECT
  public:
    explicit TForm_import(QWidget* parent = nullptr);
    ~TForm_import() override;

    void FormCreate();
    void FormShow();
    void Button1Click();  // import into the working database
    void Button2Click();  // choose the submission file
    void Button3Click();  // close
    void Button4Click();  // export to the day's submission file
    void Button_makeFloppyClick();

    bool checkSSNDbl(const QString& ssn);
    bool checkIDcardDbl(const QString& idcard);
    bool checkMedDbl(const QString& idcard);

    // The whole log area, one entry per line.
    QStringList logLines() const { return log_.all(); }
    const exchange::TransferLog& log() const { return log_; }
    void appendLog(const QStringList& lines);

    QLabel* StaticText4;
    QLineEdit* Edit_fromfile;
    QPushButton* Button2;
    QLabel* StaticText5;
    QLineEdit* Edit_tofile;
    QPushButton* Button1;
    QPushButton* Button4;
    QPushButton* Button_makeFloppy;
    QPushButton* Button3;
    QLabel* StaticText1;
    QProgressBar* ProgressBar1;
    QLabel* StaticText2;
    QProgressBar* ProgressBar2;
    QLabel* StaticText3;
    QProgressBar* ProgressBar3;
    LogArea* Memo1;

  private:
    class Progress;
    class Relay;
    exchange::TransferLog log_;
    std::unique_ptr<Progress> progress_;
    std::unique_ptr<Relay> relay_;
    exchange::ExchangeCommands commands_;

  public:
    // The export's source is the working database; the import's source is a
    // checked private copy of the submission file.
    store::Connection& ADOConnection_from;
    exchange::SubmissionFile& submission;
    store::Connection& ADOConnection_to;

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

  private:
    void buildLayout();
    void resetBars();
    // Runs a command off the window's thread; the window repaints meanwhile
    // and takes no input until it ends.
    exchange::CommandResult runCommand(const std::function<exchange::CommandResult()>& command);

    // While a command runs its buttons are disabled, so a second click is
    // dropped there and then instead of waiting to start the command again.
    class Busy {
      public:
        explicit Busy(TForm_import& w);
        ~Busy();

      private:
        TForm_import& w_;
        QList<std::pair<QPushButton*, bool>> buttons_;
    };

    bool running_ = false;
};
