#pragma once

#include <QString>
#include <exception>
#include <string>

namespace lumbex {

// The one error type: a user-facing sentence, shown verbatim (stderr, status line or alert).
// Failures of a system call also carry its error number, so that a caller that knows better
// what the user was doing can say so in its own words with the same reason. Callers tell failures
// apart by their kind, never by the words of the message.
class LumbexError : public std::exception {
public:
    // What a caller may need to tell apart without reading the message.
    enum class Kind {
        Plain,
        // The work finished for content the person changed meanwhile: a status to read, not a
        // failure to alert about.
        Outdated,
    };

    explicit LumbexError(QString message, int systemError = 0)
        : message_(std::move(message)), utf8_(message_.toStdString()), systemError_(systemError) {}
    LumbexError(Kind kind, QString message) : LumbexError(std::move(message)) { kind_ = kind; }

    const QString& message() const noexcept { return message_; }
    Kind kind() const noexcept { return kind_; }
    const char* what() const noexcept override { return utf8_.c_str(); }
    // The errno of the failed system call; 0 for every other failure.
    int systemError() const noexcept { return systemError_; }

private:
    QString message_;
    std::string utf8_;
    int systemError_ = 0;
    Kind kind_ = Kind::Plain;
};

} // namespace lumbex
