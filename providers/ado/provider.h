#pragma once
// ADODBProvider: the provider object of wardado, registered as "ADO". It
// creates TSecDModADOFrm data modules and hands the administration modules to
// its sibling library wardkeeperado5 ("ADOAdm"), which is not part of
// Wardlock: without it the administration operations yield null.

#include "datamodule.h"

#include <wardlock/provider.h>

namespace Security {

class ADODBProvider : public TRuntimeDBProvider<TSecDModADOFrm> {
public:
    // Keeps the options for the administration sibling; reads none itself.
    void Create(const char* registeredName) override;
    // The request's database is the connection-string template.
    TSecDModFrm* CreateDataModule(const TSecDModRequest& request) override;

protected:
    const char* SiblingFile() const override { return "wardkeeperado5.dll"; }
};

} // namespace Security
