#pragma once

#include "reports/LaidOutDocument.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;

namespace reports {

// Where laid-out reports go. The program prints to the default printer and
// previews on screen; tests capture the jobs; the render tool writes PDFs.
class ReportOutput {
  public:
    virtual ~ReportOutput() = default;
    // One print job.
    virtual void print(const LaidOutDocument& document) = 0;
    // Shows the pages; returns when the preview is closed.
    virtual void preview(const LaidOutDocument& document) = 0;
    // The print jobs between these belong to one command (both sheets, the
    // rows of a list); the calls nest.
    virtual void beginBatch() {}
    virtual void endBatch() {}
};

// Default printer and preview window. Without a default printer the operator
// is told so and chooses a printer or a PDF file in the print dialog, once
// for all the jobs of a command.
class DeviceOutput : public ReportOutput {
  public:
    DeviceOutput();
    ~DeviceOutput() override;
    void print(const LaidOutDocument& document) override;
    void preview(const LaidOutDocument& document) override;
    void beginBatch() override { ++depth_; }
    void endBatch() override;

  private:
    int depth_ = 0;
    // The command's choice in the print dialog: declined, or where the jobs go.
    bool declined_ = false;
    std::unique_ptr<QPrinter> chosen_;
    QStringList files_;  // the PDF files written for the command
};

// Keeps every job in order instead of printing it.
class CapturingOutput : public ReportOutput {
  public:
    enum class Kind { Print, Preview };
    struct Job {
        Kind kind;
        LaidOutDocument document;
        int batch = 0;  // the command (outermost batch) the job belongs to; 0: none
    };
    void print(const LaidOutDocument& document) override { jobs.append({Kind::Print, document, batch()}); }
    void preview(const LaidOutDocument& document) override {
        jobs.append({Kind::Preview, document, batch()});
    }
    void beginBatch() override {
        if (depth_++ == 0) ++batches_;
    }
    void endBatch() override { --depth_; }
    QList<Job> jobs;

  private:
    int batch() const { return depth_ > 0 ? batches_ : 0; }
    int depth_ = 0;
    int batches_ = 0;
};

// Writes each job to a PDF file in a directory: "01 <title>.pdf", "02 …".
class PdfOutput : public ReportOutput {
  public:
    explicit PdfOutput(QString directory) : directory_(std::move(directory)) {}
    void print(const LaidOutDocument& document) override;
    void preview(const LaidOutDocument& document) override { print(document); }
    // The next file is written under this name (without ".pdf") instead of the numbered title.
    void setNextName(const QString& name) { nextName_ = name; }
    const QStringList& files() const { return files_; }

  private:
    QString directory_;
    QString nextName_;
    QStringList files_;
};

}  // namespace reports
