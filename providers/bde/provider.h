#pragma once
// BDEDBProvider: the provider object of wardbde, registered as "BDE". It
// creates TSecDModBDEFrm data modules and hands the administration modules to
// its sibling library wardkeeperbde ("BDEAdm").

#include "datamodule.h"

#include <wardlock/provider.h>

namespace Security {

class BDEDBProvider : public TRuntimeDBProvider<TSecDModBDEFrm> {
public:
    void Create(const char* registeredName) override;
    // Reads the option "BDESQLParams": parameter markers stay in the query
    // texts unless its value is exactly "0".
    TSecDModFrm* CreateDataModule(const TSecDModRequest& request) override;

protected:
    const char* SiblingFile() const override { return "wardkeeperbde5.dll"; }
};

} // namespace Security
