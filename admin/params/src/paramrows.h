#pragma once
// Reading the parameters and parameter types of a data module for the
// parameter passes: full names of sub-parameters, the Hidden filter lifted
// for a scope, a name held by another parameter, a type's editor record.

#include <wardlock/pswdsstr.h>

#include <optional>
#include <string>

namespace Security {

class TSecDModSmpDlgBaseFrm;

namespace ParamRows {

// `text` cut to at most `maxBytes` bytes, never inside a UTF-8 character.
std::string CutBytes(const std::string& text, std::size_t maxBytes);
// `text` cut to at most `maxChars` characters (UTF-8).
std::string CutText(const std::string& text, std::size_t maxChars);

// The full name of sub-parameter `sub` of the parameter named `parent`: the
// parent's name followed by `sub`, cut to 16 bytes.
tor::pswdsstr<16> SubName(const char* parent, const char* sub);

// Hidden parameters and rights are seen (and found by name) for its lifetime.
class TAllParams {
public:
    explicit TAllParams(TSecDModSmpDlgBaseFrm& module);
    ~TAllParams();
    TAllParams(const TAllParams&) = delete;
    TAllParams& operator=(const TAllParams&) = delete;

private:
    TSecDModSmpDlgBaseFrm& module_;
};

// The ParamID of a parameter named `name` other than `exceptID` (-1: none).
// Walks the parameters dataset; the current row is put back.
int OtherParamNamed(TSecDModSmpDlgBaseFrm& module, const std::string& name, int exceptID);

// What a parameter type names for its editor.
struct TParamTypeRecord {
    std::string Name;
    std::string DllName;
    std::string FncNames[5]; // by TFncTypes
    tor::pswdsstr<16> Key; // FKey, its stored bytes
};
// The type `typeID` as the data module's types dataset holds it (with the
// changes not yet applied); none when there is no such type.
std::optional<TParamTypeRecord> FindParamType(TSecDModSmpDlgBaseFrm& module, int typeID);

} // namespace ParamRows

} // namespace Security
