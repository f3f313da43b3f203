#include "wardlock/keeper/paramedhost.h"

#include <wardlock/keeper/secdmodbase.h>

namespace Security {

TSecParamEdHost::~TSecParamEdHost() = default;

TSecParamEdFullHost::~TSecParamEdFullHost() = default;

TSecDModSmpDlgBaseFrm* TSecParamEdFullHost::SmpDataModule() const
{
    return DataModule();
}

} // namespace Security
