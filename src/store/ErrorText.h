#pragma once

#include <QString>
#include <exception>

namespace store {

class Error;

// What the operator is told about a failure. An engine error becomes what
// happened and what to do, in the operator's words, followed by the engine's
// own text (and the file) for support; an error of the program's own is its
// text as it is. Every error box and every window's own catch uses this.
QString errorText(const std::exception& e);
// The same as one line (the transfer log).
QString errorLine(const std::exception& e);

// What happened and what to do, without the engine's text; empty for an
// error of the program's own.
struct ErrorWords {
    QString what;
    QString todo;
};
ErrorWords errorWords(const Error& e);

// For a refused UNIQUE, NOT NULL or CHECK: the column concerned ("IDCARD"),
// empty when the engine's text names none.
QString constraintColumn(const Error& e);

}  // namespace store
