#pragma once

#include <QString>
#include <stdexcept>

struct sqlite3;

namespace store {

// Every failure of the data layer. An engine error carries SQLite's extended
// result code and the engine's own text (and the file it concerns); an error
// of ours carries only its text (code 0). The data layer never shows either:
// the windows turn them into the operator's words (errorText, ErrorText.h).
class Error : public std::runtime_error {
  public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    Error(int code, const QString& engineText, const QString& file = QString())
        : std::runtime_error(engineText.toStdString()), text_(engineText), code_(code), file_(file) {}

    // The engine's text, or ours.
    const QString& text() const { return text_; }
    // SQLite's extended result code; 0 for an error of our own.
    int code() const { return code_; }
    int primaryCode() const { return code_ & 0xff; }
    bool fromEngine() const { return code_ != 0; }
    // The database file the engine was working on, when known.
    const QString& file() const { return file_; }

  private:
    QString text_;
    int code_ = 0;
    QString file_;
};

// The engine's error on a connection as an Error (rc: the failing call's result).
Error engineError(sqlite3* db, int rc);

}  // namespace store
