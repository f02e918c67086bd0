#pragma once

#include "reports/LaidOutDocument.h"
#include "reports/ReportDefinition.h"
#include "reports/ReportOutput.h"
#include "store/Connection.h"
#include "store/Query.h"

#include <QObject>
#include <QString>

// The report module: never shown, created once at start. It holds its own
// connection and the row sets of the two saved queries behind the printed
// forms, and prints or previews the forms for a filter text such as
// "SSN='…'" or "idcard = '…'". Errors (a row set that cannot be opened, a
// filter that is no such test) go back to the caller as store::Error.
class TForm_print1 : public QObject {
    Q_OBJECT
  public:
    enum class Sheets { One, Two, Both };

    // Connects to the working database.
    explicit TForm_print1(QObject* parent = nullptr);
    explicit TForm_print1(const QString& databasePath, QObject* parent = nullptr);
    ~TForm_print1() override;

    // Sheet one and/or two to the printer; both sheets are two jobs, sheet one first.
    void printEmployerForm(const QString& filter, Sheets sheets);
    // One sheet (One or Two) in the preview window; returns when it is closed.
    void previewEmployerForm(const QString& filter, Sheets sheet);
    void printPersonForm(const QString& filter);
    void previewPersonForm(const QString& filter);

    // The print jobs of one command (the rows of a list): without a default
    // printer the operator chooses where they go once, not for each job.
    class Batch {
      public:
        explicit Batch(TForm_print1* module);  // nullptr: no module, nothing to do
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        reports::ReportOutput* output_;
    };

    // Where the laid-out forms go; nullptr returns to the printer and preview window.
    void setOutput(reports::ReportOutput* output) { output_ = output; }

    const reports::ReportDefinition& QuickRep1() const { return quickRep1_; }
    const reports::ReportDefinition& QuickRep2() const { return quickRep2_; }
    const reports::ReportDefinition& QuickRep3() const { return quickRep3_; }

    store::Connection ADOConnection1;
    store::StoredQuery ADOStoredProc1;  // cop_print1, one row per employer
    store::StoredQuery ADOStoredProc2;  // person_print, one row per person
    store::Query ADOQuery_EJ;           // the current employer's second-level company

  public Q_SLOTS:
    // Reads the second-level company of the employer ADOStoredProc1 stands on.
    void ADOStoredProc1AfterScroll();

  private:
    void openFiltered(store::StoredQuery& rows, const QString& filter);
    reports::LaidOutDocument layEmployer(const reports::ReportDefinition& report);
    reports::LaidOutDocument layPerson();
    reports::ReportOutput& output();

    reports::ReportDefinition quickRep1_;
    reports::ReportDefinition quickRep2_;
    reports::ReportDefinition quickRep3_;
    reports::DeviceOutput deviceOutput_;
    reports::ReportOutput* output_ = nullptr;
};
