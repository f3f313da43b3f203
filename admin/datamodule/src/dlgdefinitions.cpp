// Definitions in the full administration data module: new and removed rights
// and parameters, parameter types and the security database's settings.

#include "valuehelpers.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/security.h>

namespace Security {

using vcl::TDataSet;
using namespace ValueHelpers;

// The parameter and every group's row for it. Inside StartParamOp the
// caller's transaction holds them; otherwise they get one of their own.
bool TSecDModDlgFrm::InsParam(const char* name, const char* fullName, int paramTypeID,
    const char* defaultValue, bool hidden, bool userCanModify, bool isProtected,
    const char* description)
{
    try {
        SetQueryParamAsString(InsertParams, "Name", name);
        SetQueryParamAsString(InsertParams, "FullName", fullName);
        SetQueryParamAsBoolean(InsertParams, "UserCanModify", userCanModify);
        SetQueryParamAsString(InsertParams, "Description", description);
        SetQueryParamAsString(InsertParams, "DefaultValue", defaultValue);
        SetQueryParamAsInteger(InsertParams, "ParamTypeID", paramTypeID);
        SetQueryParamAsBoolean(InsertParams, "FProtected", isProtected);
        SetQueryParamAsBoolean(InsertParams, "Hidden", hidden);
        SetQueryParamAsString(InsertGroupParams, "ParamName", name);
        SetQueryParamAsInteger(InsertGroupParams, "GroupID", LoggedGroupID());
        SetQueryParamAsString(InsertGroupParams, "YesString", YesString().c_str());
        if (InTransaction())
            ExecCommands({ InsertParams, InsertGroupParams });
        else
            Transacted([&] { ExecCommands({ InsertParams, InsertGroupParams }); });
    } catch (const std::exception& error) {
        throw EDBOperationFailed(error.what());
    }
    MarkForRefresh(stParams);
    MarkForRefresh(stGroupParams);
    MarkModifiedInCachedMode();
    SetValuesEdited(true);
    return true;
}

bool TSecDModDlgFrm::InsParam(const char* name, const char* fullName, const char* paramTypeName,
    const char* defaultValue, bool hidden, bool userCanModify, bool isProtected,
    const char* description)
{
    return InsParam(name, fullName, GetParamTypeID(paramTypeName), defaultValue, hidden,
        userCanModify, isProtected, description);
}

bool TSecDModDlgFrm::DelParam()
{
    if (!HasCurrentRow(Params))
        return false;
    Params->Delete();
    return true;
}

bool TSecDModDlgFrm::RenParam(const char* newName)
{
    if (!HasCurrentRow(Params))
        return false;
    EditAndPost(Params, [&] { ParamsName->SetAsString(newName ? newName : ""); });
    return true;
}

void TSecDModDlgFrm::StartParamOp()
{
    BeginPRTrans();
    try {
        StartTransaction();
    } catch (...) {
        EndPRTrans();
        throw;
    }
}

void TSecDModDlgFrm::CommitParamOp()
{
    struct End {
        TSecDModDlgFrm& module;
        ~End() { module.EndPRTrans(); }
    } end { *this };
    Commit();
    Refresh();
}

void TSecDModDlgFrm::RollbackParamOp()
{
    struct End {
        TSecDModDlgFrm& module;
        ~End() { module.EndPRTrans(); }
    } end { *this };
    if (InTransaction())
        Rollback();
}

// The form and every group's row for it in one transaction; the creating
// administrator's group gets the rights given, the others the defaults.
void TSecDModDlgFrm::InsRight(const char* name, const char* fullName, const char* description,
    bool defInsert, bool defDelete, bool defModify, bool defView, bool hidden, bool insert,
    bool deleteRight, bool modify, bool view)
{
    try {
        SetQueryParamAsString(InsertRights, "Name", name);
        SetQueryParamAsString(InsertRights, "FullName", fullName);
        SetQueryParamAsString(InsertRights, "Description", description);
        SetQueryParamAsBoolean(InsertRights, "DefInsert", defInsert);
        SetQueryParamAsBoolean(InsertRights, "DefDelete", defDelete);
        SetQueryParamAsBoolean(InsertRights, "DefModify", defModify);
        SetQueryParamAsBoolean(InsertRights, "DefView", defView);
        SetQueryParamAsBoolean(InsertRights, "Hidden", hidden);
        SetQueryParamAsString(InsertGroupRights, "FormName", name);
        SetQueryParamAsBoolean(InsertGroupRights, "FInsert", insert);
        SetQueryParamAsBoolean(InsertGroupRights, "FDelete", deleteRight);
        SetQueryParamAsBoolean(InsertGroupRights, "FModify", modify);
        SetQueryParamAsBoolean(InsertGroupRights, "FView", view);
        SetQueryParamAsInteger(InsertGroupRights, "GroupID", LoggedGroupID());
        Transacted([&] { ExecCommands({ InsertRights, InsertGroupRights }); });
    } catch (const std::exception& error) {
        throw EDBOperationFailed(error.what());
    }
    MarkForRefresh(stForms);
    MarkForRefresh(stGroupRights);
    Refresh();
}

void TSecDModDlgFrm::DelRight()
{
    if (!HasCurrentRow(Forms))
        return;
    Forms->Delete();
    MarkForRefresh(stForms);
    MarkForRefresh(stGroupRights);
}

// ---------------------------------------------------------------- types and settings

void TSecDModDlgFrm::ApplyParamTypes()
{
    try {
        Transacted([this] { DataSetApplyUpdates(ParamTypes); });
    } catch (const std::exception& error) {
        throw vcl::Exception(error.what());
    }
    DataSetCommitUpdates(ParamTypes);
    DataSetReopen(ParamTypes);
}

void TSecDModDlgFrm::CancelParamTypes()
{
    DataSetCancelUpdates(ParamTypes);
}

void TSecDModDlgFrm::ApplySecParams()
{
    try {
        Transacted([this] { DataSetApplyUpdates(SecurityParams); });
    } catch (const std::exception& error) {
        throw vcl::Exception(error.what());
    }
    DataSetCommitUpdates(SecurityParams);
}

void TSecDModDlgFrm::CancelSecParams()
{
    DataSetCancelUpdates(SecurityParams);
}

// ---------------------------------------------------------------- events

void TSecDModDlgFrm::ParamsBeforeEdit(TDataSet* dataSet)
{
    TSecDModSmpDlgFrm::ParamsBeforeEdit(dataSet);
    rememberedParamName_ = ParamsName->AsString();
}

void TSecDModDlgFrm::ParamsAfterPost(TDataSet*)
{
    if (OnParamPosted)
        OnParamPosted(rememberedParamName_, ParamsName->AsString() != rememberedParamName_);
}

void TSecDModDlgFrm::ParamsNameValidate(vcl::TField* field)
{
    if (OnParamNameValidate)
        OnParamNameValidate(field);
}

void TSecDModDlgFrm::ParamTypesBeforePost(TDataSet*)
{
    if (ParamTypesName->AsString().empty() || ParamTypesFullName->AsString().empty())
        throw ESecDModException(sEnterNames, {});
}

} // namespace Security
