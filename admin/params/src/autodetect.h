#pragma once
// Autodetection of a parameter type's entry points: the library named in the
// type row is loaded (from the known folders only), its export
// _TorSecurityGetFunctionNames fills the names of its five functions and its
// key, and they are stored in the type row.

#include <wardlock/pswdsstr.h>

#include <optional>
#include <string>

namespace Security {

class TSecDModSmpDlgBaseFrm;

namespace ParamEditors {

struct TDetectedNames {
    std::string Insert;
    std::string Iterate;
    std::string Rename;
    std::string Show;
    std::string Key;
    tor::pswdsstr<16> KeyValue;
};

// Asks the library `dllName` for its names, handing it `progID` in the key
// slot and `window` as the host's window. None when the library cannot be
// loaded, lacks the export, fails, writes outside the record or gives a name
// longer than 255 bytes.
std::optional<TDetectedNames> DetectFunctionNames(
    const std::string& dllName, const tor::pswdsstr<16>& progID, void* window);

// The whole autodetection on the current row of the data module's parameter
// types: asks first (message 97, Yes/No), detects with the "ProgID" setting,
// and stores the names and the key in the row (which stays in edit when it
// was). Failing, shows message 219 and changes nothing. True when stored.
bool AutodetectParamType(TSecDModSmpDlgBaseFrm& module, void* window);

} // namespace ParamEditors

} // namespace Security
