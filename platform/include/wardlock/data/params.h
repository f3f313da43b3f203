#pragma once
// Parameters of queries, stored procedures and update statements. A parameter
// has a name, a data type and a value; names compare without regard to case.
//
// The data type is the declared type: it is set by the first typed setter when
// it is still unknown, or explicitly. A value of another type is converted to
// the declared type when the statement runs (so a boolean parameter may be set
// from 0/1, as the administration statements do).

#include "wardlock/data/db.h"

#include <QByteArray>
#include <QVariant>

#include <memory>
#include <string>
#include <vector>

namespace vcl {

// One named parameter of a statement: its declared type, direction and value. Reading a value of
// another type converts it (EConvertError when impossible).
class TParam {
public:
    TParam() = default;
    // A parameter `name` of `type` (unknown: taken from the first value) and direction `paramType`.
    TParam(const std::string& name, TFieldType type = ftUnknown, TParamType paramType = ptInput)
        : name_(name)
        , dataType_(type)
        , paramType_(paramType)
    {
    }

    // The name (as written after ':' in the statement), the declared type and the direction.
    const std::string& Name() const noexcept { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    TFieldType DataType() const noexcept { return dataType_; }
    void SetDataType(TFieldType type) { dataType_ = type; }
    TParamType ParamType() const noexcept { return paramType_; }
    void SetParamType(TParamType type) { paramType_ = type; }

    // True while the value is null (also before a value is assigned).
    bool IsNull() const { return value_.isNull(); }
    // True once a value (or null through Clear) was assigned.
    bool Bound() const noexcept { return bound_; }
    void Clear();

    // Text is UTF-8.
    std::string AsString() const;
    void SetAsString(const std::string& value);
    int AsInteger() const;
    void SetAsInteger(int value);
    void SetAsSmallInt(int value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    double AsFloat() const;
    void SetAsFloat(double value);
    // Raw bytes (Latin-1, one character per byte), for encoded values.
    QByteArray AsRaw() const;
    void SetRaw(const QByteArray& bytes);

    // The value as assigned.
    QVariant Value() const { return value_; }
    // Sets the value; an unknown data type is taken from the value.
    void SetValue(const QVariant& value);

    // The value converted to the declared type (or the value's own type when
    // none is declared); throws EConvertError naming the parameter when that
    // is impossible (e.g. "abc" for an integer).
    QVariant TypedValue() const;

private:
    void Assign(const QVariant& value, TFieldType typeIfUnknown);

    std::string name_;
    TFieldType dataType_ = ftUnknown;
    TParamType paramType_ = ptInput;
    QVariant value_;
    bool bound_ = false;
};

// The parameters of a statement, in order; it owns them. Copies are deep.
class TParams {
public:
    TParams() = default;
    // Copies every parameter.
    TParams(const TParams& other);
    TParams& operator=(const TParams& other);
    // Moves the parameters.
    TParams(TParams&&) noexcept = default;
    TParams& operator=(TParams&&) noexcept = default;

    // The number of parameters, and one of them by position (EDatabaseError for an
    // index out of range).
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TParam& Items(int index);
    const TParam& Items(int index) const;
    TParam& operator[](int index) { return Items(index); }
    const TParam& operator[](int index) const { return Items(index); }

    // Throws EDatabaseError "Parameter 'X' not found" when absent.
    TParam& ParamByName(const std::string& name);
    const TParam& ParamByName(const std::string& name) const;
    TParam* FindParam(const std::string& name);
    const TParam* FindParam(const std::string& name) const;

    // Appends a parameter and returns it.
    TParam& CreateParam(TFieldType type, const std::string& name, TParamType paramType = ptInput);
    // Removes every parameter.
    void Clear() { items_.clear(); }
    // Copies the values (and types) of same-named parameters of `source`.
    void AssignValues(const TParams& source);

    // The distinct parameter names of an SQL text (":Name" markers outside
    // string literals, "::" excluded), in order of first appearance.
    static std::vector<std::string> ParseNames(const std::string& sql);

private:
    std::vector<std::unique_ptr<TParam>> items_;
};

} // namespace vcl
