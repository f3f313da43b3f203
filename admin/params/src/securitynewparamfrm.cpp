#include "securitynewparamfrm.h"

#include "dialogchecks.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/secdmodbase.h>

namespace Security {

namespace {

constexpr const char* kDefaultType = "Default";
// The default value is a value column of 16 characters.
constexpr int kValueBytes = 16;

vcl::TDataSet* TypesOf(TSecDModSmpDlgBaseFrm& module)
{
    vcl::TDataSource* source = module.Current.ParamTypesDS;
    return source ? source->DataSet() : nullptr;
}

} // namespace

TSecurityNewParamFrm::TSecurityNewParamFrm(vcl::TComponent* owner, TSecDModSmpDlgBaseFrm& module)
    : vcl::TForm(owner)
    , module_(module)
{
    setupUi(this);
    TypesGrid->SetColumns({ tor::TGridColumn("Name", "Name", true),
        tor::TGridColumn("FullName", "Full name", true) });
    TypesGrid->SetDataSource(module_.Current.ParamTypesDS);
    TypesGrid->SetReadOnly(true);
    if (vcl::TDataSet* types = TypesOf(module_); types && types->Active())
        types->Locate("Name", kDefaultType);
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityNewParamFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityNewParamFrm::reject);
}

TSecurityNewParamFrm::~TSecurityNewParamFrm() = default;

ParamCommands::TNewParamData TSecurityNewParamFrm::Data() const
{
    ParamCommands::TNewParamData data;
    data.Name = Utf8(ParamName);
    data.FullName = Utf8(FullName);
    data.Description = Utf8(Description);
    data.DefaultValue = Utf8(DefaultValue);
    vcl::TDataSet* types = TypesOf(module_);
    if (types && types->Active() && !types->IsEmpty())
        data.ParamTypeID = types->FieldByName("ParamTypeID")->AsInteger();
    data.UserCanModify = UserCanModify->isChecked();
    data.Hidden = Hidden->isChecked();
    data.Protected = FProtected->isChecked();
    return data;
}

void TSecurityNewParamFrm::accept()
{
    if (CheckNames(this, ParamName, FullName)
        && CheckTextLimits(this,
            { { ParamName, kNameBytes }, { FullName, kFullNameBytes },
                { Description, kDescriptionBytes }, { DefaultValue, kValueBytes } }))
        vcl::TForm::accept();
}

} // namespace Security
