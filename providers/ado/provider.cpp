#include "provider.h"

namespace Security {

void ADODBProvider::Create(const char* registeredName)
{
    DBProviderBase::Create(registeredName);
    CreateOptionsList();
}

TSecDModFrm* ADODBProvider::CreateDataModule(const TSecDModRequest& request)
{
    return new TSecDModADOFrm(request.Owner, request.Name, request.Database, request.DBUser);
}

} // namespace Security
