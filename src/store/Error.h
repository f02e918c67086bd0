#pragma once

#include <QString>
#include <stdexcept>

struct sqlite3;

namespace store {

// Every failure of the data layer. An engine error carries SQLite's extended
// result code and the engine's own text (and the file it concerns); an error
// of the register server carries the server's SQLSTATE instead (and the
// register's address, and the column of a refused key when known); an error
// of ours carries only its text (code 0). The data layer never shows either:
// the windows turn them into the operator's words (errorText, ErrorText.h).
class Error : public std::runtime_error {
  public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    Error(int code, const QString& engineText, const QString& file = QString())
        : std::runtime_error(engineText.toStdString()), text_(engineText), code_(code), file_(file) {}

    // A refusal or failure of the register server: its five-character
    // SQLSTATE ("23505"), its text, the register it concerns.
    static Error server(const QString& sqlState, const QString& serverText, const QString& where,
                        const QString& column = QString()) {
        Error e(0, serverText, where);
        e.sqlState_ = sqlState;
        e.column_ = column;
        return e;
    }

    // The engine's text, or ours.
    const QString& text() const { return text_; }
    // SQLite's extended result code; 0 for an error of our own.
    int code() const { return code_; }
    int primaryCode() const { return code_ & 0xff; }
    bool fromEngine() const { return code_ != 0 || fromServer(); }
    bool fromServer() const { return !sqlState_.isEmpty(); }
    // The server's SQLSTATE; empty for every other error.
    const QString& sqlState() const { return sqlState_; }
    // The column of a key, NOT NULL or CHECK rule the server refused by, when known.
    const QString& serverColumn() const { return column_; }
    // The database file the engine was working on, or the server register's
    // address, when known.
    const QString& file() const { return file_; }

  private:
    QString text_;
    int code_ = 0;
    QString file_;
    QString sqlState_;
    QString column_;
};

// The engine's error on a connection as an Error (rc: the failing call's result).
Error engineError(sqlite3* db, int rc);

}  // namespace store
