#include "wardlock/keeper/secdmodlease.h"

#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/provider.h>
#include <wardlock/security.h>

namespace Security {

TSecDModLease::TSecDModLease(TSecurity* security, Kind kind, int userID, int groupID)
    : security_(security)
{
    DBProviderBase* provider = security ? security->Provider() : nullptr;
    if (!provider)
        throw EDBConnectionFailed("the security has no database provider");
    try {
        const TSecAdmRequest request { security, userID, groupID };
        if (kind == Kind::Full) {
            fullModule_ = provider->CreateDlgModule(request);
            module_ = fullModule_;
        } else {
            module_ = provider->CreateSmpDlgModule(request);
        }
    } catch (const EDBConnectionFailed&) {
        throw;
    } catch (const std::exception& error) {
        throw EDBConnectionFailed(error.what());
    }
    if (!module_)
        throw EDBConnectionFailed("the provider made no administration data module");
}

TSecDModLease::~TSecDModLease()
{
    DBProviderBase* provider = security_ ? security_->Provider() : nullptr;
    if (!provider || !module_)
        return;
    try {
        provider->DestroyObject({ security_, module_ });
    } catch (...) {
        // A provider that fails to take its module back leaves nothing to do here.
    }
}

} // namespace Security
