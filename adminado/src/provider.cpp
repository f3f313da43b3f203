#include "provider.h"

#include "datamodule.h"

namespace Security {

void ADOAdmDBProvider::Create(const char* registeredName)
{
    DBProviderBase::Create(registeredName);
    CreateOptionsList();
}

TSecDModSmpDlgBaseFrm* ADOAdmDBProvider::CreateSmpDlgModule(const TSecAdmRequest& request)
{
    return new TSecDModSmpDlgADOFrm(request.Owner, CachedMode(), request.UserID, request.GroupID,
        NewLayout() ? TSecLayout::New : TSecLayout::Old);
}

TSecDModDlgBaseFrm* ADOAdmDBProvider::CreateDlgModule(const TSecAdmRequest& request)
{
    return new TSecDModDlgADOFrm(request.Owner, CachedMode(), request.UserID, request.GroupID,
        NewLayout() ? TSecLayout::New : TSecLayout::Old);
}

} // namespace Security
