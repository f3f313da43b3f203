// TDataSet: cached updates (pending rows with their original values, apply,
// commit, cancel).

#include "wardlock/data/dataset.h"

#include "dataset_private.h"

#include <algorithm>

namespace vcl {

void TDataSet::InternalApplyRecord(TUpdateKind)
{
    DatabaseError("No update object or OnUpdateRecord handler to apply the cached updates");
}

void TDataSet::MarkPending(uint32_t rec, TUpdateStatus status)
{
    auto it = d_->pending.find(rec);
    if (status == usModified) {
        if (it != d_->pending.end())
            return; // inserted stays inserted; modified keeps its originals
        uint32_t shadow = d_->addRecord(TDataSetPrivate::kShadow);
        d_->store.copyRecord(rec, shadow);
        d_->pending[rec] = { usModified, shadow };
        d_->pendingOrder.push_back(rec);
    } else if (status == usInserted) {
        d_->pending[rec] = { usInserted, -1 };
        d_->pendingOrder.push_back(rec);
    } else if (status == usDeleted) {
        if (it != d_->pending.end() && it->second.status == usInserted) {
            d_->pending.erase(it); // never reached the database
            return;
        }
        if (it != d_->pending.end()) {
            it->second.status = usDeleted;
            return;
        }
        d_->pending[rec] = { usDeleted, -1 };
        d_->pendingOrder.push_back(rec);
    }
}

void TDataSet::SetCachedUpdates(bool cached)
{
    if (cached == d_->cached)
        return;
    if (Active() && !cached && UpdatesPending())
        DatabaseError("Cannot switch cached updates off while updates are pending");
    if (Active())
        CheckBrowseMode();
    d_->cached = cached;
}

bool TDataSet::UpdatesPending() const
{
    return !d_->pending.empty();
}

TUpdateStatus TDataSet::UpdateStatus() const
{
    if (!Active() || d_->state == dsInsert)
        return d_->state == dsInsert ? usInserted : usUnmodified;
    int64_t rec = d_->ctx && d_->ctx->record >= 0
        ? d_->ctx->record
        : (d_->cur < 0 ? -1 : d_->view[static_cast<size_t>(d_->cur)]);
    if (rec < 0)
        return usUnmodified;
    auto it = d_->pending.find(static_cast<uint32_t>(rec));
    return it == d_->pending.end() ? usUnmodified : it->second.status;
}

void TDataSet::SetUpdateObject(TDataSetUpdateObject* updateObject)
{
    if (updateObject == d_->updateObject)
        return;
    if (d_->updateObject && d_->updateObject->DataSet() == this)
        d_->updateObject->SetDataSet(nullptr);
    d_->updateObject = updateObject;
    if (updateObject)
        updateObject->SetDataSet(this);
}

void TDataSet::ApplyOne(uint32_t rec, TUpdateKind kind)
{
    ReadContext ctx { rec, nullptr };
    Restore<ReadContext*> useCtx(d_->ctx, &ctx);
    for (int attempt = 0;; ++attempt) {
        TUpdateAction action = uaFail;
        try {
            if (OnUpdateRecord) {
                OnUpdateRecord(this, kind, action);
            } else if (d_->updateObject) {
                d_->updateObject->Apply(kind);
                action = uaApplied;
            } else {
                InternalApplyRecord(kind);
                action = uaApplied;
            }
            if (action == uaFail)
                DatabaseError("Update failed");
        } catch (EDatabaseError& error) {
            action = uaFail;
            if (OnUpdateError)
                OnUpdateError(this, error, kind, action);
            if (action == uaFail || (action == uaRetry && attempt >= 100))
                throw;
        }
        switch (action) {
        case uaAbort:
            throw EAbort();
        case uaRetry:
            continue;
        default:
            return;
        }
    }
}

void TDataSet::ApplyUpdates()
{
    CheckActive();
    if (!d_->cached)
        DatabaseError("Cached updates are not enabled");
    CheckBrowseMode();
    // Rows are applied in the order they first changed; nothing is marked
    // applied here, so a failed apply leaves the whole cache pending.
    const auto order = d_->pendingOrder;
    std::vector<uint32_t> seen;
    for (uint32_t rec : order) {
        auto it = d_->pending.find(rec);
        if (it == d_->pending.end())
            continue;
        if (std::find(seen.begin(), seen.end(), rec) != seen.end())
            continue;
        seen.push_back(rec);
        TUpdateKind kind = it->second.status == usInserted ? ukInsert
            : it->second.status == usDeleted               ? ukDelete
                                                           : ukModify;
        ApplyOne(rec, kind);
    }
}

void TDataSet::CommitUpdates()
{
    CheckActive();
    d_->pending.clear();
    d_->pendingOrder.clear();
    NotifyViews(deDataSetChange, nullptr);
}

void TDataSet::CancelUpdates()
{
    CheckActive();
    if (IsEditState(d_->state))
        Cancel();
    if (d_->pending.empty())
        return;
    const int64_t current = d_->cur < 0 ? -1 : d_->view[static_cast<size_t>(d_->cur)];
    for (const auto& [rec, p] : d_->pending) {
        switch (p.status) {
        case usInserted:
            d_->flags[rec] |= TDataSetPrivate::kDeleted;
            break;
        case usDeleted:
            d_->flags[rec] &= static_cast<uint8_t>(~TDataSetPrivate::kDeleted);
            [[fallthrough]];
        case usModified:
            if (p.shadow >= 0)
                d_->store.copyRecord(static_cast<uint32_t>(p.shadow), rec);
            break;
        default:
            break;
        }
    }
    d_->pending.clear();
    d_->pendingOrder.clear();
    d_->indexes.clear(); // values went back: rebuild on the next Locate
    RebuildView();
    int index = d_->cur;
    if (current >= 0 && d_->visible(static_cast<uint32_t>(current))) {
        auto it = std::find(d_->view.begin(), d_->view.end(), static_cast<uint32_t>(current));
        index = static_cast<int>(it - d_->view.begin());
    }
    SetCurrent(index < 0 ? 0 : index);
    d_->eof = d_->view.empty();
    d_->bof = d_->view.empty() || d_->cur == 0;
    NotifyViews(deDataSetChange, nullptr);
}

void TDataSet::RevertRecord()
{
    CheckActive();
    if (IsEditState(d_->state))
        Cancel();
    if (d_->cur < 0)
        return;
    const uint32_t rec = d_->view[static_cast<size_t>(d_->cur)];
    auto it = d_->pending.find(rec);
    if (it == d_->pending.end())
        return;
    if (it->second.status == usInserted) {
        d_->flags[rec] |= TDataSetPrivate::kDeleted;
        d_->view.erase(d_->view.begin() + d_->cur);
    } else if (it->second.shadow >= 0) {
        d_->store.copyRecord(static_cast<uint32_t>(it->second.shadow), rec);
        d_->indexes.clear();
    }
    d_->pending.erase(it);
    SetCurrent(d_->cur);
    NotifyViews(deDataSetChange, nullptr);
}

void TDataSet::CommitRecord()
{
    CheckActive();
    if (IsEditState(d_->state))
        DatabaseError("Post or cancel the record being edited first");
    if (d_->cur < 0)
        return;
    const uint32_t rec = d_->view[static_cast<size_t>(d_->cur)];
    if (d_->pending.erase(rec) == 0)
        return;
    // Usually the latest change: searched from the end.
    auto& order = d_->pendingOrder;
    auto it = std::find(order.rbegin(), order.rend(), rec);
    if (it != order.rend())
        order.erase(std::next(it).base());
    NotifyViews(deRecordChange, nullptr);
}

} // namespace vcl
