// TDataSet: edit, insert, post, cancel and delete.

#include "wardlock/data/dataset.h"

#include "dataset_private.h"

#include <algorithm>

namespace vcl {

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode, nullptr);
    if (IsEditState(d_->state)) {
        if (d_->modified)
            Post();
        else
            Cancel();
    } else if (d_->state == dsSetKey) {
        d_->state = dsBrowse;
        NotifyViews(deUpdateState, nullptr);
    }
}

void TDataSet::BeginEditBuffer(bool insert)
{
    const size_t n = d_->fields.size();
    d_->editBuf.assign(n, QVariant());
    if (insert || d_->cur < 0)
        return;
    const uint32_t rec = d_->view[static_cast<size_t>(d_->cur)];
    for (size_t i = 0; i < n; ++i) {
        TField* f = d_->fields[i];
        d_->editBuf[i] = f->FieldKind() == fkData
            ? store::ReadVariant(d_->store, f->column_, rec, f->DataType())
            : d_->calcBuf[i];
    }
}

void TDataSet::Edit()
{
    CheckActive();
    if (IsEditState(d_->state))
        return;
    if (d_->view.empty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    if (!GetCanModify())
        DatabaseError("Cannot modify a read-only dataset");
    Fire(BeforeEdit, this);
    BeginEditBuffer(false);
    d_->state = dsEdit;
    d_->modified = false;
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deRecordChange, nullptr);
    Fire(AfterEdit, this);
}

void TDataSet::Insert()
{
    StartInsert(false);
}

void TDataSet::Append()
{
    StartInsert(true);
}

// Insert and Append differ only in where the new record goes: before the
// current record, or after the last one.
void TDataSet::StartInsert(bool atEnd)
{
    CheckActive();
    CheckBrowseMode();
    if (!GetCanModify())
        DatabaseError("Cannot modify a read-only dataset");
    Fire(BeforeInsert, this);
    Fire(BeforeScroll, this);
    if (atEnd)
        d_->insertPos = static_cast<int>(d_->view.size());
    else
        d_->insertPos = d_->cur < 0 ? 0 : d_->cur;
    BeginEditBuffer(true);
    d_->state = dsInsert;
    d_->eof = d_->bof = false;
    try {
        Fire(OnNewRecord, this);
    } catch (...) {
        d_->state = dsBrowse;
        SetCurrent(d_->insertPos);
        NotifyViews(deDataSetChange, nullptr);
        throw;
    }
    d_->modified = false;
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterInsert, this);
    Fire(AfterScroll, this);
}

void TDataSet::InternalPostRecord(TUpdateKind) { }

void TDataSet::WriteEditBuffer(uint32_t rec, bool newRecord)
{
    for (size_t i = 0; i < d_->fields.size(); ++i) {
        TField* f = d_->fields[i];
        if (f->FieldKind() != fkData || f->column_ < 0)
            continue;
        const QVariant& v = d_->editBuf[i];
        if (!newRecord) {
            QVariant old = store::ReadVariant(d_->store, f->column_, rec, f->DataType());
            if (old == v && old.isNull() == v.isNull())
                continue;
            IndexRemove(*d_, f->column_, rec);
        }
        store::StoreVariant(d_->store, f->column_, rec, v, f->FieldName());
        IndexAdd(*d_, f->column_, rec);
    }
}

void TDataSet::Post()
{
    CheckActive();
    if (d_->state == dsSetKey) {
        d_->state = dsBrowse;
        NotifyViews(deUpdateState, nullptr);
        return;
    }
    if (!IsEditState(d_->state))
        return;
    DataEvent(deCheckBrowseMode, nullptr);
    Fire(BeforePost, this);
    for (TField* f : d_->fields)
        if (f->Required() && f->FieldKind() == fkData
            && d_->editBuf[static_cast<size_t>(f->Index())].isNull())
            DatabaseError("Field '" + f->DisplayName() + "' must have a value");
    const bool inserting = d_->state == dsInsert;
    if (!d_->cached)
        InternalPostRecord(inserting ? ukInsert : ukModify);

    uint32_t rec;
    if (inserting) {
        // Order key between the neighbours in the unfiltered order.
        uint64_t before = 0, after = 0;
        bool hasAfter = d_->insertPos < static_cast<int>(d_->view.size());
        if (!d_->ordered)
            d_->makeOrderKeys();
        size_t basePos = d_->base.size();
        if (hasAfter) {
            uint32_t next = d_->view[static_cast<size_t>(d_->insertPos)];
            after = d_->keys[next];
            basePos
                = static_cast<size_t>(std::lower_bound(d_->base.begin(), d_->base.end(), after,
                                          [&](uint32_t r, uint64_t k) { return d_->keys[r] < k; })
                    - d_->base.begin());
        }
        before = basePos > 0 ? d_->keys[d_->base[basePos - 1]] : 0;
        if (!hasAfter)
            after = before + (uint64_t(1) << 21);
        if (after - before < 2) {
            for (size_t i = 0; i < d_->base.size(); ++i)
                d_->keys[d_->base[i]] = static_cast<uint64_t>(i + 1) << 20;
            before = basePos > 0 ? d_->keys[d_->base[basePos - 1]] : 0;
            after = basePos < d_->base.size() ? d_->keys[d_->base[basePos]]
                                              : before + (uint64_t(1) << 21);
        }
        rec = d_->addRecord(0);
        d_->keys[rec] = before + (after - before) / 2;
        d_->base.insert(d_->base.begin() + static_cast<std::ptrdiff_t>(basePos), rec);
        WriteEditBuffer(rec, true);
        if (d_->cached)
            MarkPending(rec, usInserted);
    } else {
        rec = d_->view[static_cast<size_t>(d_->cur)];
        if (d_->cached) {
            bool changed = false;
            for (size_t i = 0; i < d_->fields.size() && !changed; ++i) {
                TField* f = d_->fields[i];
                if (f->FieldKind() != fkData || f->column_ < 0)
                    continue;
                QVariant old = store::ReadVariant(d_->store, f->column_, rec, f->DataType());
                changed = !(old == d_->editBuf[i] && old.isNull() == d_->editBuf[i].isNull());
            }
            if (changed)
                MarkPending(rec, usModified);
        }
        WriteEditBuffer(rec, false);
    }
    d_->state = dsBrowse;
    d_->modified = false;
    // The row may no longer pass the filter.
    auto pos = std::find(d_->view.begin(), d_->view.end(), rec);
    if (pos != d_->view.end())
        d_->view.erase(pos);
    if (RecordPasses(rec)) {
        d_->flags[rec] |= TDataSetPrivate::kVisible;
        InsertIntoView(rec);
        uint64_t key = d_->orderKey(rec);
        auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
            [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
        d_->cur = static_cast<int>(it - d_->view.begin());
    } else {
        d_->flags[rec] &= static_cast<uint8_t>(~TDataSetPrivate::kVisible);
    }
    SetCurrent(d_->cur < 0 ? 0 : d_->cur);
    if (inserting && !d_->cached && d_->cur >= 0 && d_->view[static_cast<size_t>(d_->cur)] == rec) {
        InternalAfterInsert();
        RecomputeCurrent();
    }
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterPost, this);
}

void TDataSet::Cancel()
{
    CheckActive();
    if (d_->state == dsSetKey) {
        d_->state = dsBrowse;
        NotifyViews(deUpdateState, nullptr);
        return;
    }
    if (!IsEditState(d_->state))
        return;
    Fire(BeforeCancel, this);
    const bool inserting = d_->state == dsInsert;
    d_->state = dsBrowse;
    d_->modified = false;
    SetCurrent(inserting ? d_->insertPos : d_->cur);
    if (inserting) {
        d_->bof = d_->cur <= 0;
        d_->eof = d_->view.empty();
    }
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterCancel, this);
}

void TDataSet::Delete()
{
    CheckActive();
    if (d_->state == dsInsert || d_->state == dsSetKey) {
        Cancel();
        return;
    }
    if (d_->view.empty())
        DatabaseError("Cannot perform this operation on an empty dataset");
    if (!GetCanModify())
        DatabaseError("Cannot modify a read-only dataset");
    DataEvent(deCheckBrowseMode, nullptr);
    Fire(BeforeDelete, this);
    Fire(BeforeScroll, this);
    if (d_->state == dsEdit) {
        d_->state = dsBrowse;
        d_->modified = false;
    }
    const uint32_t rec = d_->view[static_cast<size_t>(d_->cur)];
    if (!d_->cached)
        InternalPostRecord(ukDelete);
    else
        MarkPending(rec, usDeleted);
    d_->flags[rec] |= TDataSetPrivate::kDeleted;
    d_->view.erase(d_->view.begin() + d_->cur);
    SetCurrent(d_->cur);
    d_->eof = d_->view.empty();
    d_->bof = d_->view.empty() || d_->cur == 0;
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterDelete, this);
    Fire(AfterScroll, this);
}

} // namespace vcl
