#pragma once

#include <QString>
#include <exception>
#include <string>

namespace lumbex {

// The one error type: a user-facing sentence, shown verbatim (stderr, status line or alert).
// Failures of a system call also carry its error number, so that a caller that knows better
// what the user was doing can say so in its own words with the same reason.
class LumbexError : public std::exception {
public:
    explicit LumbexError(QString message, int systemError = 0)
        : message_(std::move(message)), utf8_(message_.toStdString()), systemError_(systemError) {}

    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }
    // The errno of the failed system call; 0 for every other failure.
    int systemError() const noexcept { return systemError_; }

private:
    QString message_;
    std::string utf8_;
    int systemError_ = 0;
};

} // namespace lumbex
