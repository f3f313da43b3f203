#pragma once
// The exceptions of the administration data modules. Each carries a text of
// the module's string table, formatted with one argument (a name, a number);
// texts without a placeholder ignore the argument.

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/exception.h>

#include <string>

namespace Security {

class ESecDModException : public vcl::Exception {
public:
    // The string-table text `id` formatted with `arg`.
    ESecDModException(int id, const std::string& arg);
    explicit ESecDModException(std::string message);
    ~ESecDModException() override;
};

// A named or numbered object of the security database is missing (223).
class ESecNotFound : public ESecDModException {
public:
    explicit ESecNotFound(const std::string& arg = {});
    ~ESecNotFound() override;

protected:
    ESecNotFound(int id, const std::string& arg);
};

// 209: "The parameter named %s could not be found."
class EParamNameNotFound : public ESecNotFound {
public:
    explicit EParamNameNotFound(const std::string& name);
    ~EParamNameNotFound() override;
};

// 224: "The right named %s could not be found."
class ERightNameNotFound : public ESecNotFound {
public:
    explicit ERightNameNotFound(const std::string& name);
    ~ERightNameNotFound() override;
};

// 202: "Unknown parameter type." (the text has no place for the name).
class EParamTypeNotFound : public ESecNotFound {
public:
    explicit EParamTypeNotFound(const std::string& typeName);
    ~EParamTypeNotFound() override;
};

// 223 with the type number as decimal text.
class EPrmTypeNumberNotFound : public ESecNotFound {
public:
    explicit EPrmTypeNumberNotFound(int typeID);
    ~EPrmTypeNumberNotFound() override;
};

// A failure of the security database. Its message is the string-table text;
// the failure underneath stays available as the cause.
class ESecDBException : public ESecDModException {
public:
    ESecDBException(int id, const std::string& cause);
    ~ESecDBException() override;
    const std::string& Cause() const noexcept { return cause_; }

private:
    std::string cause_;
};

// 213: applying the cached changes failed (rolled back, caches kept).
class EDBDataUpdateFailed : public ESecDBException {
public:
    explicit EDBDataUpdateFailed(const std::string& cause);
    ~EDBDataUpdateFailed() override;
};

// 214: a command sequence failed (rolled back).
class EDBOperationFailed : public ESecDBException {
public:
    explicit EDBOperationFailed(const std::string& cause);
    ~EDBOperationFailed() override;
};

// 2: the administration provider could not connect or open its datasets.
class EDBConnectionFailed : public ESecDBException {
public:
    explicit EDBConnectionFailed(const std::string& cause);
    ~EDBConnectionFailed() override;
};

} // namespace Security
