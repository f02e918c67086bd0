#pragma once

#include <QString>
#include <stdexcept>

namespace store {

// Every failure of the data layer: the engine's own text, or ours where the
// engine has none. Windows show text() in the standard error box.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

}  // namespace store
