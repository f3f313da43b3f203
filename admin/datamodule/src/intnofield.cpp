#include "wardlock/keeper/intnofield.h"

#include <utility>
#include <vector>

namespace tor {

using vcl::TDataSet;

namespace {

// The owner's handlers that numbering must not trigger: every Edit/Post/Next
// of the numbering would otherwise run the owner's logic (and the memory
// fields' write-back, through the numbering field's own BeforePost).
constexpr TDataSet::TDataSetNotifyEvent TDataSet::*kSuspended[] = {
    &TDataSet::AfterPost,
    &TDataSet::BeforePost,
    &TDataSet::AfterEdit,
    &TDataSet::BeforeEdit,
    &TDataSet::AfterScroll,
    &TDataSet::BeforeScroll,
    &TDataSet::OnCalcFields,
    &TDataSet::BeforeCancel,
    &TDataSet::AfterCancel,
};

} // namespace

struct TIntNoField::UpdateHandler {
    TIntNoField* field;
    void operator()(TDataSet* ds, vcl::TUpdateKind kind, vcl::TUpdateAction& action) const
    {
        field->OnUpdateRecord(ds, kind, action);
    }
};

void TIntNoField::OnUpdateRecord(TDataSet*, vcl::TUpdateKind, vcl::TUpdateAction& action)
{
    action = vcl::uaApplied;
}

bool TIntNoField::IsOwnHandler(const decltype(TDataSet::OnUpdateRecord)& handler) const
{
    const UpdateHandler* own = handler.target<UpdateHandler>();
    return own && own->field == this;
}

decltype(TDataSet::OnUpdateRecord) TIntNoField::MakeHandler()
{
    return UpdateHandler { this };
}

void TIntNoField::IntAfterOpen(TDataSet* dataSet)
{
    Number(dataSet);
}

void TIntNoField::IntAfterRequery(TDataSet* dataSet)
{
    Number(dataSet);
}

void TIntNoField::IntBeforePost(TDataSet* dataSet)
{
    if (dataSet->State() != vcl::dsInsert || !IsNull())
        return;
    // Without recomputing the calculated fields: that would replace the
    // memory values being posted with the (empty) slot of the new number.
    const bool autoCalc = dataSet->AutoCalcFields();
    dataSet->SetAutoCalcFields(false);
    try {
        SetAsInteger(static_cast<int>(RecCount()));
    } catch (...) {
        dataSet->SetAutoCalcFields(autoCalc);
        throw;
    }
    dataSet->SetAutoCalcFields(autoCalc);
}

// Writes 0, 1, 2, ... into the field over the unfiltered rows in result
// order, as ordinary edits that are dropped from the update cache row by row.
// Rows the owner changed before (a numbering again, after a requery) keep
// their cached change, with the new number in it.
void TIntNoField::Number(TDataSet* ds)
{
    // Moving to the first row would post the edit behind the owner's
    // handlers (they are suspended below): refuse instead, losing nothing.
    if (ds->State() == vcl::dsEdit || ds->State() == vcl::dsInsert)
        throw vcl::EDatabaseError("Cannot number the rows of " + ds->Name()
            + " while a record is being edited; post or cancel it first");
    numbered_ = false;
    ds->DisableControls();

    // Everything below is put back however the numbering ends.
    std::vector<TDataSet::TDataSetNotifyEvent> handlers;
    for (auto member : kSuspended) {
        handlers.push_back(std::exchange(ds->*member, nullptr));
    }
    const bool wasFiltered = ds->Filtered();
    const bool wasCached = ds->CachedUpdates();
    const bool wasReadOnly = ds->ReadOnly();
    const auto ownerUpdateRecord = ds->OnUpdateRecord;
    std::vector<bool> required;
    for (int i = 0; i < ds->FieldCount(); ++i) {
        required.push_back(ds->Fields(i)->Required());
        ds->Fields(i)->SetRequired(false); // a null in a required column must not stop it
    }
    bool ownHandlerNeeded = IsOwnHandler(ownerUpdateRecord);

    auto restore = [&] {
        if (ds->State() == vcl::dsEdit || ds->State() == vcl::dsInsert)
            ds->Cancel(); // the numbering's own edit of the row that failed
        if (ds->Active() && ds->Filtered() != wasFiltered)
            ds->SetFiltered(wasFiltered);
        if (!wasCached)
            ds->SetCachedUpdates(false);
        ds->SetReadOnly(wasReadOnly);
        // The owner's own update-record handler survives the numbering; the
        // field's handler stays only where it keeps a read-only cached
        // dataset editable.
        if (ownerUpdateRecord && !IsOwnHandler(ownerUpdateRecord))
            ds->OnUpdateRecord = ownerUpdateRecord;
        else if (wasCached && ownHandlerNeeded)
            ds->OnUpdateRecord = MakeHandler();
        else
            ds->OnUpdateRecord = nullptr;
        for (int i = 0; i < ds->FieldCount() && i < static_cast<int>(required.size()); ++i)
            ds->Fields(i)->SetRequired(required[static_cast<size_t>(i)]);
        for (size_t i = 0; i < std::size(kSuspended); ++i)
            ds->*kSuspended[i] = handlers[i];
        ds->EnableControls();
    };

    try {
        if (wasFiltered)
            ds->SetFiltered(false);
        // Cached for the duration, so that no edit can reach the database.
        ds->SetReadOnly(false);
        if (!wasCached)
            ds->SetCachedUpdates(true);
        if (!ds->CanModify()) {
            ds->OnUpdateRecord = MakeHandler();
            ownHandlerNeeded = true;
        }
        ds->First();
        for (int i = 0; !ds->Eof(); ++i) {
            const bool ownersChange = ds->UpdateStatus() != vcl::usUnmodified;
            ds->Edit();
            SetAsInteger(i);
            ds->Post();
            if (!ownersChange)
                ds->CommitRecord(); // drops the numbering edit without writing anything
            ds->Next();
        }
        numbered_ = true;
        if (wasFiltered)
            ds->SetFiltered(true);
        ds->First();
    } catch (...) {
        numbered_ = false;
        restore();
        throw;
    }
    restore();
}

} // namespace tor
