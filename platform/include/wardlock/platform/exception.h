#pragma once
// Base of every exception the Wardlock libraries throw: a message text, as the
// component framework's Exception carries.

#include <exception>
#include <string>

namespace vcl {

// An error with a message text; what() gives the same text.
class Exception : public std::exception {
public:
    // Keeps `message`.
    explicit Exception(std::string message)
        : message_(std::move(message))
    {
    }
    // The message text (UTF-8).
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }

private:
    std::string message_;
};

// Invalid or duplicate component name.
class EComponentError : public Exception {
public:
    // Made with the message text.
    using Exception::Exception;
};

} // namespace vcl
