#include "provider.h"

namespace Security {

void BDEDBProvider::Create(const char* registeredName)
{
    DBProviderBase::Create(registeredName);
    CreateOptionsList();
}

TSecDModFrm* BDEDBProvider::CreateDataModule(const TSecDModRequest& request)
{
    const bool bdeSqlParams = Option("BDESQLParams") != "0";
    return new TSecDModBDEFrm(
        request.Owner, request.Name, request.Database, request.DBUser, bdeSqlParams);
}

} // namespace Security
