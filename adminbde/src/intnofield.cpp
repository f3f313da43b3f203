#include "wardlock/keeperbde/intnofield.h"

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
// order, as ordinary edits that are then dropped from the update cache.
void TIntNoField::Number(TDataSet* ds)
{
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
            ds->Cancel();
        if (ds->Active() && ds->UpdatesPending())
            ds->CancelUpdates(); // only numbering edits can be pending here
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
            ds->Edit();
            SetAsInteger(i);
            ds->Post();
            ds->Next();
        }
        numbered_ = true;
        ds->CommitUpdates(); // drops the numbering edits without writing anything
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
