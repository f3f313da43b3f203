// The edited subject's rights and parameter values: filling them into the
// memory fields of Forms and Params, writing edits back into the user (or
// group) tables, resetting them to the group's, and the ceilings that keep an
// administrator from handing out more than he holds.

#include "valuehelpers.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/intnofield.h>
#include <wardlock/keeper/mutfields.h>
#include <wardlock/keeper/secdmodsmp.h>
#include <wardlock/security.h>

#include <unordered_map>

namespace Security {

using vcl::TDataSet;
using namespace ValueHelpers;

// ---------------------------------------------------------------- subject

int TSecDModSmpDlgFrm::LoggedUserID() const
{
    return Security() ? Security()->User().UserID : -1;
}

int TSecDModSmpDlgFrm::LoggedGroupID() const
{
    return Security() ? Security()->User().GroupID : -1;
}

bool TSecDModSmpDlgFrm::ShowsSubject() const
{
    return ViewMode() == vmUsers || ViewMode() == vmGroups;
}

int TSecDModSmpDlgFrm::SubjectUserID()
{
    if (ViewMode() != vmUsers || !HasCurrentRow(Users))
        return -1;
    return UsersUserID->AsInteger();
}

int TSecDModSmpDlgFrm::SubjectGroupID()
{
    if (ViewMode() == vmUsers)
        return HasCurrentRow(Users) ? UsersGroupID->AsInteger() : -1;
    return HasCurrentRow(Groups) ? GroupsGroupID->AsInteger() : -1;
}

void TSecDModSmpDlgFrm::MarkModifiedInCachedMode()
{
    if (cachedMode_)
        setModified(true);
}

// ---------------------------------------------------------------- filling

void TSecDModSmpDlgFrm::ApplyUserFilter()
{
    if (!FilterSuspension())
        return;
    FinishValueEdits();
    FillParams();
    FillForms();
    SetMod();
}

void TSecDModSmpDlgFrm::FinishValueEdits()
{
    for (TDataSet* dataSet : { static_cast<TDataSet*>(Params), static_cast<TDataSet*>(Forms) })
        if (dataSet->Active() && IsEditing(dataSet))
            dataSet->CheckBrowseMode();
}

// One walk over the subject group's GroupParams rows (in ParamID order),
// merged with the user's own UserParams rows (also in ParamID order); values
// created since the last apply come from NewUserParams. Rows of parameters
// the group has no row for show the empty value, inheriting.
void TSecDModSmpDlgFrm::FillParams()
{
    if (!Params->Active() || !GroupParams->Active() || !ParamsValue->HasBuffer())
        return;
    const bool userMode = ViewMode() == vmUsers;
    const int userID = SubjectUserID();
    const int groupID = SubjectGroupID();
    FillScope scope(*this, { Params, GroupParams, UserParams });
    const unsigned rows = ParamsValue->RecCount();
    for (unsigned r = 0; r < rows; ++r) {
        ParamsValue->setDataAsString(r, {});
        ParamsUserParamID->setDataAsInteger(r, -1);
    }
    std::unordered_map<int, std::string> created;
    if (userMode && userID >= 0 && NewUserParams->Active() && !NewUserParams->IsEmpty())
        for (NewUserParams->First(); !NewUserParams->Eof(); NewUserParams->Next())
            if (NewUserParamsUserID->AsInteger() == userID)
                created[NewUserParamsParamID->AsInteger()] = NewUserParamsValue->AsString();
    if (groupID >= 0 && GroupParams->Locate("GroupID", groupID)) {
        UserRows own(UserParams, UserParamsUserID, UserParamsParamID,
            userMode && userID >= 0 && UserParams->Active(), userID);
        for (; !GroupParams->Eof() && GroupParamsGroupID->AsInteger() == groupID;
             GroupParams->Next()) {
            const int paramID = GroupParamsParamID->AsInteger();
            const int r = ParamRowOf(paramID);
            if (r < 0 || static_cast<unsigned>(r) >= rows)
                continue;
            const auto slot = static_cast<unsigned>(r);
            if (!userMode) {
                ParamsValue->setDataAsString(slot, GroupParamsValue->AsString());
                ParamsUserParamID->setDataAsInteger(slot, GroupParamsGroupParamID->AsInteger());
            } else if (own.Reach(paramID)) {
                ParamsValue->setDataAsString(slot, UserParamsValue->AsString());
                ParamsUserParamID->setDataAsInteger(slot, UserParamsUserParamID->AsInteger());
            } else if (auto found = created.find(paramID); found != created.end()) {
                ParamsValue->setDataAsString(slot, found->second);
                ParamsUserParamID->setDataAsInteger(slot, -2);
            } else {
                ParamsValue->setDataAsString(slot, GroupParamsValue->AsString());
            }
        }
    }
    Params->Resync();
}

// The same walk over GroupRights, UserRights and NewUserRights.
void TSecDModSmpDlgFrm::FillForms()
{
    if (!Forms->Active() || !GroupRights->Active() || !FormsView->HasBuffer())
        return;
    const bool userMode = ViewMode() == vmUsers;
    const int userID = SubjectUserID();
    const int groupID = SubjectGroupID();
    FillScope scope(*this, { Forms, GroupRights, UserRights });
    RightsSlots rights { FormsView, FormsInsert, FormsModify, FormsDelete };
    const unsigned rows = FormsView->RecCount();
    for (unsigned r = 0; r < rows; ++r) {
        rights.Store(r, 0);
        FormsUserRightID->setDataAsInteger(r, -1);
    }
    std::unordered_map<int, SecRightsMask> created;
    if (userMode && userID >= 0 && NewUserRights->Active() && !NewUserRights->IsEmpty())
        for (NewUserRights->First(); !NewUserRights->Eof(); NewUserRights->Next())
            if (NewUserRightsUserID->AsInteger() == userID)
                created[NewUserRightsFormID->AsInteger()] = MaskOf(NewUserRightsView,
                    NewUserRightsInsert, NewUserRightsModify, NewUserRightsDelete);
    if (groupID >= 0 && GroupRights->Locate("GroupID", groupID)) {
        UserRows own(UserRights, UserRightsUserID, UserRightsFormID,
            userMode && userID >= 0 && UserRights->Active(), userID);
        for (; !GroupRights->Eof() && GroupRightsGroupID->AsInteger() == groupID;
             GroupRights->Next()) {
            const int formID = GroupRightsFormID->AsInteger();
            const int r = FormRowOf(formID);
            if (r < 0 || static_cast<unsigned>(r) >= rows)
                continue;
            const auto slot = static_cast<unsigned>(r);
            const SecRightsMask group
                = MaskOf(GroupRightsView, GroupRightsInsert, GroupRightsModify, GroupRightsDelete);
            if (!userMode) {
                rights.Store(slot, group);
                FormsUserRightID->setDataAsInteger(slot, GroupRightsRightID->AsInteger());
            } else if (own.Reach(formID)) {
                rights.Store(slot,
                    MaskOf(UserRightsView, UserRightsInsert, UserRightsModify, UserRightsDelete));
                FormsUserRightID->setDataAsInteger(slot, UserRightsRightID->AsInteger());
            } else if (auto found = created.find(formID); found != created.end()) {
                rights.Store(slot, found->second);
                FormsUserRightID->setDataAsInteger(slot, -2);
            } else {
                rights.Store(slot, group);
            }
        }
    }
    Forms->Resync();
}

// ---------------------------------------------------------------- write-back

bool TSecDModSmpDlgFrm::LocateNewUserRow(
    TDataSet* dataSet, int userID, const char* keyField, int key)
{
    return dataSet->Locate(
        std::string("UserID;") + keyField, std::vector<QVariant> { userID, key });
}

void TSecDModSmpDlgFrm::ParamsValueBeforeUpdate(vcl::TField* field)
{
    if (filling_ || !ShowsSubject())
        return;
    const int r = ParamsRecNo->AsInteger();
    if (r < 0 || static_cast<unsigned>(r) >= ParamsUserParamID->RecCount())
        return;
    WriteBackParam(r, field->Value());
}

// Where the value of row `row` belongs: a group's row (group mode), the
// user's row created since the last apply (-2), a new such row (-1), or the
// user's own row. A row that cannot be found is left alone: no other row may
// take the value.
void TSecDModSmpDlgFrm::WriteBackParam(int row, const QVariant& value)
{
    const auto slot = static_cast<unsigned>(row);
    const int id = ParamsUserParamID->getDataAsInteger(slot);
    auto store = [&] { return [&] { GroupParamsValue->SetValue(value); }; };
    if (ViewMode() == vmGroups) {
        if (id > 0 && GroupParams->Locate("GroupParamID", id))
            EditAndPost(GroupParams, store());
        return;
    }
    const int userID = SubjectUserID();
    const int paramID = ParamsParamID->AsInteger();
    if (userID < 0)
        return;
    if (id == -2 && LocateNewUserRow(NewUserParams, userID, "ParamID", paramID)) {
        EditAndPost(NewUserParams, [&] { NewUserParamsValue->SetValue(value); });
    } else if (id == -1 || id == -2) {
        InsertAndPost(NewUserParams, [&] {
            NewUserParamsUserID->SetAsInteger(userID);
            NewUserParamsParamID->SetAsInteger(paramID);
            NewUserParamsValue->SetValue(value);
        });
        // The row is being posted: its fields' values go into their slots.
        ParamsUserParamID->SetAsInteger(-2);
    } else if (id > 0 && UserParams->Locate("UserParamID", id)) {
        EditAndPost(UserParams, [&] { UserParamsValue->SetValue(value); });
    }
}

void TSecDModSmpDlgFrm::FormsRecNoBeforeUpdate(TDataSet*)
{
    if (filling_ || !ShowsSubject())
        return;
    const int r = FormsRecNo->AsInteger();
    if (r < 0 || static_cast<unsigned>(r) >= FormsUserRightID->RecCount())
        return;
    WriteBackRights(r);
}

void TSecDModSmpDlgFrm::WriteBackRights(int row)
{
    const auto slot = static_cast<unsigned>(row);
    const int id = FormsUserRightID->getDataAsInteger(slot);
    const SecRightsMask rights = MaskOf(FormsView, FormsInsert, FormsModify, FormsDelete);
    if (ViewMode() == vmGroups) {
        if (id > 0 && GroupRights->Locate("RightID", id))
            EditAndPost(GroupRights, [&] {
                StoreMask(rights, GroupRightsView, GroupRightsInsert, GroupRightsModify,
                    GroupRightsDelete);
            });
        return;
    }
    const int userID = SubjectUserID();
    const int formID = FormsFormID->AsInteger();
    if (userID < 0)
        return;
    if (id == -2 && LocateNewUserRow(NewUserRights, userID, "FormID", formID)) {
        EditAndPost(NewUserRights, [&] {
            StoreMask(rights, NewUserRightsView, NewUserRightsInsert, NewUserRightsModify,
                NewUserRightsDelete);
        });
    } else if (id == -1 || id == -2) {
        AppendAndPost(NewUserRights, [&] {
            NewUserRightsUserID->SetAsInteger(userID);
            NewUserRightsFormID->SetAsInteger(formID);
            StoreMask(rights, NewUserRightsView, NewUserRightsInsert, NewUserRightsModify,
                NewUserRightsDelete);
        });
        FormsUserRightID->SetAsInteger(-2);
    } else if (id > 0 && UserRights->Locate("RightID", id)) {
        EditAndPost(UserRights, [&] {
            StoreMask(rights, UserRightsView, UserRightsInsert, UserRightsModify, UserRightsDelete);
        });
    }
}

// ---------------------------------------------------------------- defaults

void TSecDModSmpDlgFrm::DeleteOwnRights(int id, int userID, int formID)
{
    if (id == -2) {
        if (LocateNewUserRow(NewUserRights, userID, "FormID", formID))
            NewUserRights->Delete();
    } else if (id > 0 && UserRights->Locate("RightID", id)) {
        UserRights->Delete();
        MarkModifiedInCachedMode();
    }
}

void TSecDModSmpDlgFrm::DeleteOwnParam(int id, int userID, int paramID)
{
    if (id == -2) {
        if (LocateNewUserRow(NewUserParams, userID, "ParamID", paramID))
            NewUserParams->Delete();
    } else if (id > 0 && UserParams->Locate("UserParamID", id)) {
        UserParams->Delete();
        MarkModifiedInCachedMode();
    }
}

// The user's own right on the current form goes back to his group's. When
// the group grants more than the administrator holds, the narrowed rights are
// shown, the user's own row stays, and the refusal is raised.
void TSecDModSmpDlgFrm::SetDefaultRights()
{
    if (ViewMode() != vmUsers || !HasCurrentRow(Forms))
        return;
    FinishValueEdits();
    const int id = FormsUserRightID->AsInteger();
    const int userID = SubjectUserID();
    const int groupID = SubjectGroupID();
    if (id == -1 || userID < 0)
        return;
    const int formID = FormsFormID->AsInteger();
    bool refused = false;
    {
        FillingFlag filling(*this);
        SecRightsMask group = 0;
        if (GroupRights->Locate("GroupID;FormID", std::vector<QVariant> { groupID, formID }))
            group
                = MaskOf(GroupRightsView, GroupRightsInsert, GroupRightsModify, GroupRightsDelete);
        EditAndPost(Forms, [&] {
            StoreMask(group, FormsView, FormsInsert, FormsModify, FormsDelete);
            refused = AlterRights();
            if (!refused)
                FormsUserRightID->SetAsInteger(-1);
        });
        if (!refused)
            DeleteOwnRights(id, userID, formID);
    }
    if (refused)
        RefuseWiderRights();
}

void TSecDModSmpDlgFrm::SetDefaultParams()
{
    if (ViewMode() != vmUsers || !HasCurrentRow(Params))
        return;
    FinishValueEdits();
    const int id = ParamsUserParamID->AsInteger();
    const int userID = SubjectUserID();
    const int groupID = SubjectGroupID();
    if (id == -1 || userID < 0)
        return;
    const int paramID = ParamsParamID->AsInteger();
    bool refused = false;
    {
        FillingFlag filling(*this);
        QVariant group = QString();
        if (GroupParams->Locate("GroupID;ParamID", std::vector<QVariant> { groupID, paramID }))
            group = GroupParamsValue->Value();
        Params->Edit();
        try {
            ParamsValue->SetValue(group);
            refused = AlterParams();
            if (refused) {
                Params->Cancel();
            } else {
                ParamsUserParamID->SetAsInteger(-1);
                Params->Post();
            }
        } catch (...) {
            Params->Cancel();
            throw;
        }
        if (!refused)
            DeleteOwnParam(id, userID, paramID);
    }
    if (refused)
        RefuseWiderRights();
}

// ---------------------------------------------------------------- ceilings

bool TSecDModSmpDlgFrm::AlterRights()
{
    if (Unrestricted() || !HasCurrentRow(Forms))
        return false;
    const int held = Rights().GetRight(FormsFormID->AsInteger());
    const SecRightsMask mask = held > 0 ? static_cast<SecRightsMask>(held) : 0;
    const SecRightsMask row = MaskOf(FormsView, FormsInsert, FormsModify, FormsDelete);
    if ((row & ~mask) == 0)
        return false;
    if (IsEditing(Forms))
        StoreMask(row & mask, FormsView, FormsInsert, FormsModify, FormsDelete);
    return true;
}

bool TSecDModSmpDlgFrm::AlterParams()
{
    if (Unrestricted() || !HasCurrentRow(Params) || !ParamsProtected->AsBoolean())
        return false;
    const int paramID = ParamsParamID->AsInteger();
    const std::string type = ParamsParamTypeName->AsString();
    const std::string value = ParamsValue->AsString();
    if (type == "Boolean") {
        if (value == YesString().c_str())
            return !Rights().GetBoolParam(paramID);
        if (IsEditing(Params))
            ParamsValue->SetAsString(NoString().c_str());
        return false;
    }
    if (type == "Integer")
        return StrToIntDef(Rights().GetParam(paramID).c_str(), kMinInt)
            < StrToIntDef(value, kMinInt);
    const tor::pswdsstr<16> own = Rights().GetParam(paramID);
    const QByteArray raw = ParamsValue->AsRaw();
    return !raw.isEmpty() && raw != QByteArray(own.data(), static_cast<qsizetype>(own.length()));
}

// ---------------------------------------------------------------- events

void TSecDModSmpDlgFrm::CheckUserMove(int oldGroupID, int newGroupID)
{
    // The simple module has no hierarchy to ask: nobody moves users here.
    if (oldGroupID != newGroupID)
        RefuseWiderRights();
}

void TSecDModSmpDlgFrm::UsersBeforePost(TDataSet* dataSet)
{
    if (dataSet->State() == vcl::dsEdit) {
        const QVariant old = UsersGroupID->OldValue();
        if (!old.isNull() && !UsersGroupID->IsNull() && !Unrestricted())
            CheckUserMove(old.toInt(), UsersGroupID->AsInteger());
    }
    if (dataSet->Modified())
        MarkModifiedInCachedMode();
}

void TSecDModSmpDlgFrm::UsersAfterScroll(TDataSet*)
{
    ApplyUserFilter();
}

void TSecDModSmpDlgFrm::GroupRightsBeforeEdit(TDataSet*)
{
    MarkModifiedInCachedMode();
    valuesEdited_ = true;
}

void TSecDModSmpDlgFrm::GroupParamsBeforeEdit(TDataSet*)
{
    MarkModifiedInCachedMode();
    valuesEdited_ = true;
}

void TSecDModSmpDlgFrm::ParamsBeforePost(TDataSet* dataSet)
{
    if (!dataSet->Modified() || ViewMode() == vmDefinitions)
        return;
    valuesEdited_ = true;
    if (AlterParams())
        RefuseWiderRights();
}

void TSecDModSmpDlgFrm::FormsBeforePost(TDataSet* dataSet)
{
    if (!dataSet->Modified() || ViewMode() == vmDefinitions)
        return;
    if (AlterRights())
        RefuseWiderRights();
}

void TSecDModSmpDlgFrm::ParamsBeforeEdit(TDataSet*)
{
    setModified(true);
}

void TSecDModSmpDlgFrm::FormsBeforeEdit(TDataSet*)
{
    setModified(true);
    valuesEdited_ = true;
}

void TSecDModSmpDlgFrm::ParamsAfterScroll(TDataSet* dataSet)
{
    if (!dataSet->ControlsDisabled() && ShowsSubject() && OnParamRowChanged)
        OnParamRowChanged();
}

void TSecDModSmpDlgFrm::FormsAfterScroll(TDataSet* dataSet)
{
    if (!dataSet->ControlsDisabled() && ShowsSubject() && OnFormRowChanged)
        OnFormRowChanged();
}

} // namespace Security
