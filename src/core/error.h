#pragma once

#include <QString>
#include <exception>
#include <string>

namespace lumbex {

// The one error type: a user-facing sentence, shown verbatim (stderr, status line or alert).
class LumbexError : public std::exception {
public:
    explicit LumbexError(QString message)
        : message_(std::move(message)), utf8_(message_.toStdString()) {}

    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

} // namespace lumbex
