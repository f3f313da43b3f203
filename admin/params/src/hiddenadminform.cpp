#include "hiddenadminform.h"

#include "paramcommands.h"

#include <wardlock/data/dataset.h>

namespace Security {

THiddenAdminForm::THiddenAdminForm(TSecurity* security, void* window)
    : lease_(security, TSecDModLease::Kind::Full)
    , window_(window)
{
    TSecDModDlgBaseFrm* module = lease_.FullModule();
    // As on the full dialog's working pages: every setting can be reached,
    // the administration account's hidden rows included.
    if (vcl::TDataSet* settings = module->Current.SecurityParams)
        settings->SetFiltered(false);
    module->OnParamPosted = [this](const std::string& oldName, bool renamed) {
        ParamCommands::ParamPosted(*this, oldName, renamed);
    };
}

THiddenAdminForm::~THiddenAdminForm()
{
    if (TSecDModDlgBaseFrm* module = lease_.FullModule())
        module->OnParamPosted = nullptr;
}

} // namespace Security
