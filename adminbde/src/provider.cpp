#include "provider.h"

#include "datamodule.h"

namespace Security {

void BDEAdmDBProvider::Create(const char* registeredName)
{
    DBProviderBase::Create(registeredName);
    CreateOptionsList();
}

TSecDModSmpDlgBaseFrm* BDEAdmDBProvider::CreateSmpDlgModule(const TSecAdmRequest& request)
{
    if (NewLayout())
        return new TSecDModSmpDlgBDENewFrm(
            request.Owner, CachedMode(), BdeSqlParams(), request.UserID, request.GroupID);
    return new TSecDModSmpDlgBDEOldFrm(
        request.Owner, CachedMode(), BdeSqlParams(), request.UserID, request.GroupID);
}

TSecDModDlgBaseFrm* BDEAdmDBProvider::CreateDlgModule(const TSecAdmRequest& request)
{
    if (NewLayout())
        return new TSecDModDlgBDENewFrm(
            request.Owner, CachedMode(), BdeSqlParams(), request.UserID, request.GroupID);
    return new TSecDModDlgBDEOldFrm(
        request.Owner, CachedMode(), BdeSqlParams(), request.UserID, request.GroupID);
}

} // namespace Security
