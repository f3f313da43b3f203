#pragma once
// TSecDModLease: an administration data module obtained from the security's
// administration provider for as long as the lease lives, and given back
// through the same provider when it ends (the module belongs to the library
// that made it). Every administration form holds its data module this way.

#include <wardlock/keeper/secdmodbase.h>

namespace Security {

// Holds an administration data module for its own lifetime.
class TSecDModLease {
public:
    // Which module the provider makes: the simple one (own rights and values)
    // or the full one (users, groups, hierarchy, types and settings).
    enum class Kind { Simple, Full };

    // Asks the provider of `security` for a module of `kind` for `userID`
    // and `groupID` (-1: all). Throws EDBConnectionFailed (message 2) when
    // the security has no provider, the provider fails or makes none.
    TSecDModLease(TSecurity* security, Kind kind, int userID = -1, int groupID = -1);
    ~TSecDModLease();
    TSecDModLease(const TSecDModLease&) = delete;
    TSecDModLease& operator=(const TSecDModLease&) = delete;

    // The security the module administers.
    TSecurity* Security() const noexcept { return security_; }
    // The module, simple or full; never null while the lease lives.
    TSecDModSmpDlgBaseFrm* Module() const noexcept { return module_; }
    // The full module; null for a simple lease.
    TSecDModDlgBaseFrm* FullModule() const noexcept { return fullModule_; }

private:
    TSecurity* security_;
    TSecDModSmpDlgBaseFrm* module_ = nullptr;
    TSecDModDlgBaseFrm* fullModule_ = nullptr;
};

} // namespace Security
