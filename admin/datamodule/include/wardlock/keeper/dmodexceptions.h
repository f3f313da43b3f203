#pragma once
// The exceptions of the administration data modules. Each carries a text of
// the module's string table, formatted with one argument (a name, a number);
// texts without a placeholder ignore the argument.

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/exception.h>

#include <string>

namespace Security {

// Base of the administration data modules' exceptions: the message is a string-table text, which
// the dialogs show as it is.
class ESecDModException : public vcl::Exception {
public:
    // The string-table text `id` formatted with `arg`.
    ESecDModException(int id, const std::string& arg);
    // Ready-made message text.
    explicit ESecDModException(std::string message);
    ~ESecDModException() override;
};

// A named or numbered object of the security database is missing (223).
class ESecNotFound : public ESecDModException {
public:
    // Text 223 with `arg` (the missing object's name or number).
    explicit ESecNotFound(const std::string& arg = {});
    ~ESecNotFound() override;

protected:
    // Another not-found text of the string table (for the subclasses).
    ESecNotFound(int id, const std::string& arg);
};

// 209: "The parameter named %s could not be found."
class EParamNameNotFound : public ESecNotFound {
public:
    // Made with the parameter's name.
    explicit EParamNameNotFound(const std::string& name);
    ~EParamNameNotFound() override;
};

// 224: "The right named %s could not be found."
class ERightNameNotFound : public ESecNotFound {
public:
    // Made with the right's name.
    explicit ERightNameNotFound(const std::string& name);
    ~ERightNameNotFound() override;
};

// 202: "Unknown parameter type." (the text has no place for the name).
class EParamTypeNotFound : public ESecNotFound {
public:
    // Made with the type's name (not shown).
    explicit EParamTypeNotFound(const std::string& typeName);
    ~EParamTypeNotFound() override;
};

// 223 with the type number as decimal text.
class EPrmTypeNumberNotFound : public ESecNotFound {
public:
    // Made with the type's number.
    explicit EPrmTypeNumberNotFound(int typeID);
    ~EPrmTypeNumberNotFound() override;
};

// A failure of the security database. Its message is the string-table text;
// the failure underneath stays available as the cause.
class ESecDBException : public ESecDModException {
public:
    // String-table text `id`; `cause` is the underlying failure's message.
    ESecDBException(int id, const std::string& cause);
    ~ESecDBException() override;
    // The underlying failure's message (the database's text).
    const std::string& Cause() const noexcept { return cause_; }

private:
    std::string cause_;
};

// 213: applying the cached changes failed (rolled back, caches kept).
class EDBDataUpdateFailed : public ESecDBException {
public:
    // Made with the underlying failure's message.
    explicit EDBDataUpdateFailed(const std::string& cause);
    ~EDBDataUpdateFailed() override;
};

// 214: a command sequence failed (rolled back).
class EDBOperationFailed : public ESecDBException {
public:
    // Made with the underlying failure's message.
    explicit EDBOperationFailed(const std::string& cause);
    ~EDBOperationFailed() override;
};

// 2: the administration provider could not connect or open its datasets.
class EDBConnectionFailed : public ESecDBException {
public:
    // Made with the underlying failure's message.
    explicit EDBConnectionFailed(const std::string& cause);
    ~EDBConnectionFailed() override;
};

} // namespace Security
