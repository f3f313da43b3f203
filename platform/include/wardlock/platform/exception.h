#pragma once
// Base of every exception the Wardlock libraries throw: a message text, as the
// component framework's Exception carries.

#include <exception>
#include <string>

namespace vcl {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }

private:
    std::string message_;
};

// Invalid or duplicate component name.
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace vcl
