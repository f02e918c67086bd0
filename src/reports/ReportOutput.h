#pragma once

#include "reports/LaidOutDocument.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace reports {

// Where laid-out reports go. The program prints to the default printer and
// previews on screen; tests capture the jobs; the render tool writes PDFs.
class ReportOutput {
  public:
    virtual ~ReportOutput() = default;
    // One print job. Does nothing when there is nowhere to print.
    virtual void print(const LaidOutDocument& document) = 0;
    // Shows the pages; returns when the preview is closed.
    virtual void preview(const LaidOutDocument& document) = 0;
};

// Default printer and preview window.
class DeviceOutput : public ReportOutput {
  public:
    void print(const LaidOutDocument& document) override;
    void preview(const LaidOutDocument& document) override;
};

// Keeps every job in order instead of printing it.
class CapturingOutput : public ReportOutput {
  public:
    enum class Kind { Print, Preview };
    struct Job {
        Kind kind;
        LaidOutDocument document;
    };
    void print(const LaidOutDocument& document) override { jobs.append({Kind::Print, document}); }
    void preview(const LaidOutDocument& document) override { jobs.append({Kind::Preview, document}); }
    QList<Job> jobs;
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
