// The pending-change protocol of the administration data modules: applying
// every cached change in one transaction, cancelling them, and reopening the
// datasets that direct writes made stale.

#include "valuehelpers.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmodsmp.h>
#include <wardlock/security.h>

namespace Security {

using vcl::TDataSet;
using namespace ValueHelpers;

namespace {

// Disables the controls of the datasets for its lifetime.
class ControlsOff {
public:
    explicit ControlsOff(std::initializer_list<TDataSet*> dataSets)
        : dataSets_(dataSets)
    {
        for (TDataSet* dataSet : dataSets_)
            dataSet->DisableControls();
    }
    ~ControlsOff()
    {
        for (TDataSet* dataSet : dataSets_)
            dataSet->EnableControls();
    }
    ControlsOff(const ControlsOff&) = delete;
    ControlsOff& operator=(const ControlsOff&) = delete;

private:
    std::vector<TDataSet*> dataSets_;
};

} // namespace

void TSecDModSmpDlgFrm::Transacted(const std::function<void()>& body)
{
    StartTransaction();
    try {
        body();
        Commit();
    } catch (...) {
        // The first failure is the one reported; a rollback that fails too
        // (the connection broke) has nothing to add.
        if (InTransaction()) {
            try {
                Rollback();
            } catch (...) {
            }
        }
        throw;
    }
}

bool TSecDModSmpDlgFrm::AnyUpdatesPending()
{
    for (int t = 0; t < kSecTableCount; ++t)
        if (DataSetUpdatesPending(GetTable(static_cast<TSecTables>(t))))
            return true;
    return DataSetUpdatesPending(SecurityParams);
}

void TSecDModSmpDlgFrm::ApplyCachedTables()
{
    for (int t = 0; t < kSecTableCount; ++t)
        DataSetApplyUpdates(GetTable(static_cast<TSecTables>(t)));
    DataSetApplyUpdates(SecurityParams);
}

// After the cached changes reached the database: the user tables are read
// again (values created since the last apply now have their ids), the
// new-value caches start empty, the other caches are forgotten.
void TSecDModSmpDlgFrm::AfterApplied()
{
    for (TDataSet* dataSet : { static_cast<TDataSet*>(Users), static_cast<TDataSet*>(Groups),
             static_cast<TDataSet*>(Forms), static_cast<TDataSet*>(Params),
             static_cast<TDataSet*>(GroupParams), static_cast<TDataSet*>(GroupRights),
             static_cast<TDataSet*>(SecurityParams) })
        DataSetCommitUpdates(dataSet);
    for (TDataSet* dataSet :
        { static_cast<TDataSet*>(UserRights), static_cast<TDataSet*>(UserParams),
            static_cast<TDataSet*>(NewUserRights), static_cast<TDataSet*>(NewUserParams) })
        DataSetReopen(dataSet);
    setModified(false);
    valuesEdited_ = false;
    FillParams();
    FillForms();
}

void TSecDModSmpDlgFrm::ApplyUpdates()
{
    try {
        CheckAndPost();
        Transacted([this] { ApplyCachedTables(); });
    } catch (const std::exception& error) {
        // Rolled back; every cache and the modified flag are kept, so the
        // administrator can correct the data and apply again.
        throw EDBDataUpdateFailed(error.what());
    }
    AfterApplied();
}

void TSecDModSmpDlgFrm::HandLoggedUserBack()
{
    if (FindUser(LoggedUserID()))
        FillUser();
}

bool TSecDModSmpDlgFrm::CancelUpdates()
{
    if (OnConfirmDiscard && !OnConfirmDiscard())
        return false;
    const int userID = CUserID();
    const int groupID = CGroupID();
    {
        // Values are filled once, at the end.
        SuspensionOff noRefill(*this);
        for (int t = 0; t < kSecTableCount; ++t) {
            TDataSet* table = GetTable(static_cast<TSecTables>(t));
            if (table->Active() && IsEditing(table))
                table->Cancel();
            DataSetCancelUpdates(table);
        }
        // Undone edits of the logged user's own record are undone in the
        // logged-in security as well.
        HandLoggedUserBack();
        setModified(false);
        valuesEdited_ = false;
        FindUser(userID);
        FindGroup(groupID);
    }
    FillParams();
    FillForms();
    return true;
}

void TSecDModSmpDlgFrm::SaveRefreshState()
{
    for (int t = 0; t < kSecTableCount; ++t)
        if (DataSetUpdatesPending(GetTable(static_cast<TSecTables>(t))))
            refreshSet_.set(static_cast<size_t>(t));
}

void TSecDModSmpDlgFrm::RemoveRefreshState()
{
    for (int t = 0; t < kSecTableCount; ++t)
        if (DataSetUpdatesPending(GetTable(static_cast<TSecTables>(t))))
            refreshSet_.reset(static_cast<size_t>(t));
}

void TSecDModSmpDlgFrm::ClearModifiedIfClean()
{
    if (!AnyUpdatesPending())
        setModified(false);
}

// Reopens the tables marked stale. A table that still holds cached edits is
// not reopened (that would drop them) and stays marked.
void TSecDModSmpDlgFrm::RefreshTables()
{
    SuspensionOff noRefill(*this);
    for (int t = 0; t < kSecTableCount; ++t) {
        if (!refreshSet_.test(static_cast<size_t>(t)))
            continue;
        TDataSet* table = GetTable(static_cast<TSecTables>(t));
        if (DataSetUpdatesPending(table))
            continue;
        DataSetReopen(table);
        refreshSet_.reset(static_cast<size_t>(t));
    }
    ClearModifiedIfClean();
}

void TSecDModSmpDlgFrm::Refresh()
{
    ControlsOff off { Groups, Forms, Params, Users };
    RefreshTables();
    FillForms();
    FillParams();
}

void TSecDModSmpDlgFrm::ReopenTables()
{
    SuspensionOff noRefill(*this);
    for (int t = 0; t < kSecTableCount; ++t)
        DataSetReopen(GetTable(static_cast<TSecTables>(t)));
    refreshSet_.reset();
}

void TSecDModSmpDlgFrm::RefreshAll()
{
    ControlsOff off { Groups, Forms, Params, Users };
    ReopenTables();
    FindUser(LoggedUserID());
    FillForms();
    FillParams();
}

// ---------------------------------------------------------------- not in the simple module

void TSecDModSmpDlgFrm::NotSupported()
{
    throw vcl::Exception("Operation not supported");
}

bool TSecDModSmpDlgFrm::InsParam(
    const char*, const char*, int, const char*, bool, bool, bool, const char*)
{
    NotSupported();
}

bool TSecDModSmpDlgFrm::InsParam(
    const char*, const char*, const char*, const char*, bool, bool, bool, const char*)
{
    NotSupported();
}

bool TSecDModSmpDlgFrm::DelParam()
{
    NotSupported();
}

bool TSecDModSmpDlgFrm::RenParam(const char*)
{
    NotSupported();
}

void TSecDModSmpDlgFrm::InsRight(
    const char*, const char*, const char*, bool, bool, bool, bool, bool, bool, bool, bool, bool)
{
    NotSupported();
}

void TSecDModSmpDlgFrm::DelRight()
{
    NotSupported();
}

vcl::TDataSet* TSecDModSmpDlgFrm::NewUserStart()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::NewUserCancel(vcl::TDataSet*)
{
    NotSupported();
}

void TSecDModSmpDlgFrm::NewUserEnd(const char*, const char*, const tor::pswdsstr<16>&, int,
    SecPasswdOption, SecPasswdOption, SecPasswdOption, SecPasswdOption, SecPasswdOption)
{
    NotSupported();
}

void TSecDModSmpDlgFrm::ChangeGroup(
    const char*, const char*, const char*, bool, bool, bool, bool, bool, int)
{
    NotSupported();
}

void TSecDModSmpDlgFrm::ChangeGroup(int)
{
    NotSupported();
}

void TSecDModSmpDlgFrm::DelUser()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::DelGroup()
{
    NotSupported();
}

std::uint16_t TSecDModSmpDlgFrm::NewGroupStart()
{
    NotSupported();
}

int TSecDModSmpDlgFrm::NewGroupMiddle(const char*, const char*, const char*, bool, bool, bool, bool,
    bool, bool, int, bool, int, TCheckBoxState, TCheckBoxState, TCheckBoxState, TCheckBoxState,
    unsigned short, int)
{
    NotSupported();
}

void TSecDModSmpDlgFrm::NewGroupEnd(bool)
{
    NotSupported();
}

bool TSecDModSmpDlgFrm::ChangeUserGroupStart()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::ChangeUserGroupEnd()
{
    NotSupported();
}

std::span<const GroupHierarchyEntry> TSecDModSmpDlgFrm::ChangeGroupHierachyStart(std::uint16_t&)
{
    NotSupported();
}

void TSecDModSmpDlgFrm::ChangeGroupHierachyEnd(
    const ModGroupIterator&, const ModGroupIterator&, std::span<const int>)
{
    NotSupported();
}

void TSecDModSmpDlgFrm::StartParamOp()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::CommitParamOp()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::RollbackParamOp()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::ApplyParamTypes()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::CancelParamTypes()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::ApplySecParams()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::CancelSecParams()
{
    NotSupported();
}

void TSecDModSmpDlgFrm::ApplyGroupFilter()
{
    NotSupported();
}

} // namespace Security
