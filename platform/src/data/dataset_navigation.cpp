// TDataSet: the views, the current row and its calculated fields,
// navigation, bookmarks, and which rows the filter lets through.

#include "wardlock/data/dataset.h"

#include "dataset_private.h"
#include "text_util.h"

#include <algorithm>

namespace vcl {

// ---------------------------------------------------------------- views and current row

void TDataSet::NotifyViews(TDataEvent event, TField* field)
{
    if (d_->disableCount > 0) {
        d_->heldEvents = true;
        return;
    }
    if (dataSources_.empty())
        return;
    const auto sources = dataSources_;
    for (TDataSource* ds : sources)
        ds->Notify(event, field);
}

void TDataSet::DataEvent(TDataEvent event, TField* field)
{
    if (event == deFieldChange && field) {
        if (field->FieldKind() == fkData) {
            d_->modified = true;
            if (d_->autoCalc && d_->hasCalcFields && IsEditState(d_->state))
                ComputeCalcFields(0, true);
        }
        field->Change();
    }
    NotifyViews(event, field);
}

void TDataSet::DisableControls()
{
    if (d_->disableCount++ == 0) {
        d_->disableState = d_->state;
        d_->heldEvents = false;
    }
}

void TDataSet::EnableControls()
{
    if (d_->disableCount == 0 || --d_->disableCount > 0)
        return;
    if (d_->state != d_->disableState)
        NotifyViews(deUpdateState, nullptr);
    if (d_->heldEvents || d_->state != d_->disableState)
        NotifyViews(deDataSetChange, nullptr);
    d_->heldEvents = false;
}

void TDataSet::ComputeCalcFields(uint32_t record, bool editBuffer)
{
    if (!d_->hasCalcFields)
        return;
    std::vector<QVariant>& calc = editBuffer ? d_->editBuf : d_->calcBuf;
    ReadContext ctx { editBuffer ? -1 : static_cast<int64_t>(record), &calc };
    Restore<ReadContext*> useCtx(d_->ctx, &ctx);
    Restore<TDataSetState> calcState(d_->state, dsCalcFields);
    for (TField* f : d_->fields) {
        if (f->FieldKind() == fkData)
            continue;
        QVariant value;
        if (f->FieldKind() == fkLookup && f->LookupDataSet() && f->LookupDataSet()->Active()) {
            std::vector<QVariant> keys;
            for (const auto& name : text::SplitFieldList(f->KeyFields()))
                keys.push_back(FieldByName(name)->Value());
            value = f->LookupDataSet()->Lookup(f->LookupKeyFields(), keys, f->LookupResultField());
        }
        calc[static_cast<size_t>(f->Index())] = value;
    }
    Fire(OnCalcFields, this);
}

void TDataSet::RecomputeCurrent()
{
    if (!d_->hasCalcFields)
        return; // no calculated or lookup field reads calcBuf
    if (d_->cur >= 0)
        ComputeCalcFields(d_->view[static_cast<size_t>(d_->cur)], false);
    else
        std::fill(d_->calcBuf.begin(), d_->calcBuf.end(), QVariant());
}

void TDataSet::ReadRecord(int row, const std::function<void()>& read)
{
    CheckActive();
    if (row < 0 || row >= RecordCount())
        DatabaseError("Row " + std::to_string(row) + " out of range");
    std::vector<QVariant> calc(d_->fields.size());
    const uint32_t rec = d_->view[static_cast<size_t>(row)];
    if (d_->hasCalcFields) {
        ReadContext ctx { rec, &calc };
        Restore<ReadContext*> useCtx(d_->ctx, &ctx);
        Restore<TDataSetState> calcState(d_->state, dsCalcFields);
        for (TField* f : d_->fields) {
            if (f->FieldKind() == fkLookup && f->LookupDataSet() && f->LookupDataSet()->Active()) {
                std::vector<QVariant> keys;
                for (const auto& name : text::SplitFieldList(f->KeyFields()))
                    keys.push_back(FieldByName(name)->Value());
                calc[static_cast<size_t>(f->Index())] = f->LookupDataSet()->Lookup(
                    f->LookupKeyFields(), keys, f->LookupResultField());
            }
        }
        Fire(OnCalcFields, this);
    }
    ReadContext ctx { rec, &calc };
    Restore<ReadContext*> useCtx(d_->ctx, &ctx);
    read();
}

void TDataSet::SetCurrent(int index)
{
    d_->cur = d_->view.empty() ? -1 : std::clamp(index, 0, static_cast<int>(d_->view.size()) - 1);
    RecomputeCurrent();
}

void TDataSet::Resync()
{
    CheckActive();
    if (!IsEditState(d_->state))
        SetCurrent(d_->cur);
    NotifyViews(deDataSetChange, nullptr);
}

// ---------------------------------------------------------------- navigation

void TDataSet::First()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    SetCurrent(0);
    d_->bof = true;
    d_->eof = d_->view.empty();
    NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
}

void TDataSet::Last()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    SetCurrent(static_cast<int>(d_->view.size()) - 1);
    d_->eof = true;
    d_->bof = d_->view.empty();
    NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
}

void TDataSet::Next()
{
    MoveBy(1);
}
void TDataSet::Prior()
{
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance)
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    const int count = static_cast<int>(d_->view.size());
    int moved = 0;
    if (count == 0) {
        d_->eof = d_->bof = true;
    } else if (distance > 0 && !d_->eof) {
        int target = d_->cur + distance;
        if (target >= count) {
            target = count - 1;
            d_->eof = true;
        }
        moved = target - d_->cur;
        if (moved != 0)
            d_->bof = false;
        if (moved != 0)
            SetCurrent(target);
    } else if (distance < 0 && !d_->bof) {
        int target = d_->cur + distance;
        if (target < 0) {
            target = 0;
            d_->bof = true;
        }
        moved = target - d_->cur;
        if (moved != 0)
            d_->eof = false;
        if (moved != 0)
            SetCurrent(target);
    }
    if (moved != 0)
        NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
    return moved;
}

int TDataSet::GetRecNo() const
{
    if (!Active() || d_->state == dsInsert)
        return -1;
    if (d_->ctx && d_->ctx->record >= 0) {
        // Number of the record being calculated or read.
        uint64_t key = d_->orderKey(static_cast<uint32_t>(d_->ctx->record));
        auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
            [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
        if (it != d_->view.end() && *it == d_->ctx->record)
            return static_cast<int>(it - d_->view.begin()) + 1;
        return -1;
    }
    return d_->cur < 0 ? -1 : d_->cur + 1;
}

void TDataSet::DoSetRecNo(int recNo)
{
    CheckActive();
    CheckBrowseMode();
    if (recNo < 1 || recNo > RecordCount())
        return;
    if (recNo - 1 == d_->cur)
        return;
    Fire(BeforeScroll, this);
    SetCurrent(recNo - 1);
    d_->bof = d_->eof = false;
    NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
}

bool TDataSet::IsSequenced() const
{
    return !d_->filtered;
}

TBookmark TDataSet::GetBookmark() const
{
    if (!Active() || d_->cur < 0 || d_->state == dsInsert)
        return {};
    return { d_->view[static_cast<size_t>(d_->cur)], d_->generation };
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const
{
    return Active() && bookmark.IsValid() && bookmark.generation == d_->generation
        && bookmark.record < d_->flags.size() && d_->visible(bookmark.record);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const
{
    if (!a.IsValid() || !b.IsValid())
        return a.IsValid() ? 1 : (b.IsValid() ? -1 : 0);
    uint64_t ka = d_->orderKey(a.record), kb = d_->orderKey(b.record);
    return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    CheckActive();
    CheckBrowseMode();
    if (!BookmarkValid(bookmark))
        DatabaseError("Record not found");
    Fire(BeforeScroll, this);
    uint64_t key = d_->orderKey(bookmark.record);
    auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
        [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
    SetCurrent(static_cast<int>(it - d_->view.begin()));
    d_->bof = d_->eof = false;
    NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
}

// ---------------------------------------------------------------- filter

void TDataSet::SetFilter(const std::string& filter)
{
    FilterExpr parsed = ParseFilter(filter); // throws and keeps the old filter on bad text
    d_->filterText = filter;
    d_->filter = std::move(parsed);
    if (Active() && d_->filtered) {
        CheckBrowseMode();
        RebuildView();
        NotifyViews(deDataSetChange, nullptr); // other rows are shown
        First();
    }
}

void TDataSet::SetFiltered(bool filtered)
{
    if (!Active()) {
        d_->filtered = filtered;
        return;
    }
    CheckBrowseMode();
    const bool old = d_->filtered;
    d_->filtered = filtered;
    try {
        RebuildView();
    } catch (...) {
        d_->filtered = old;
        RebuildView();
        SetCurrent(0);
        throw;
    }
    // Rows that come back after an empty view: the views read the first one,
    // never a record that is not there.
    if (d_->cur < 0 && !d_->view.empty())
        d_->cur = 0;
    NotifyViews(deDataSetChange, nullptr); // other rows are shown
    First();
}

bool TDataSet::RecordPasses(uint32_t rec)
{
    if (!d_->filtered)
        return true;
    if (!d_->filter.empty()) {
        bool any = false;
        for (const auto& group : d_->filter.anyOf) {
            bool all = true;
            for (const auto& cond : group) {
                TField* f = FindField(cond.field);
                if (!f || f->FieldKind() != fkData)
                    DatabaseError("Field '" + cond.field + "' not found");
                if (!ConditionHolds(d_->store, f->column_, rec, cond)) {
                    all = false;
                    break;
                }
            }
            if (all) {
                any = true;
                break;
            }
        }
        if (!any)
            return false;
    }
    if (OnFilterRecord) {
        std::vector<QVariant> calc(d_->fields.size());
        ReadContext ctx { rec, &calc };
        Restore<ReadContext*> useCtx(d_->ctx, &ctx);
        Restore<TDataSetState> filterState(d_->state, dsFilter);
        bool accept = true;
        OnFilterRecord(this, accept);
        return accept;
    }
    return true;
}

void TDataSet::RebuildView()
{
    d_->view.clear();
    d_->view.reserve(d_->base.size());
    for (uint32_t rec : d_->base) {
        uint8_t& fl = d_->flags[rec];
        if (fl & TDataSetPrivate::kDeleted)
            continue;
        if (RecordPasses(rec)) {
            fl |= TDataSetPrivate::kVisible;
            d_->view.push_back(rec);
        } else {
            fl &= static_cast<uint8_t>(~TDataSetPrivate::kVisible);
        }
    }
    if (d_->cur >= static_cast<int>(d_->view.size()))
        d_->cur = static_cast<int>(d_->view.size()) - 1;
}

int TDataSet::PositionOf(uint32_t rec) const
{
    // Every fetched row visible and none inserted: the record is its position.
    if (!d_->ordered && d_->view.size() == d_->base.size() && rec < d_->view.size()
        && d_->view[rec] == rec)
        return static_cast<int>(rec);
    uint64_t key = d_->orderKey(rec);
    auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
        [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
    return static_cast<int>(it - d_->view.begin());
}

void TDataSet::InsertIntoView(uint32_t rec)
{
    uint64_t key = d_->orderKey(rec);
    auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
        [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
    d_->view.insert(it, rec);
}

} // namespace vcl
