// The hash indexes of exact Locate, built on first use and kept up to date
// as records change.

#include "locate_index.h"

#include "dataset_private.h"

namespace vcl {

namespace {

// The key of a number or boolean cell is the cell itself (text is keyed by
// its bytes).
uint64_t NumberKey(const store::RowStore& s, int col, uint32_t rec)
{
    return s.cell(col, rec);
}

} // namespace

ColumnIndex& IndexFor(TDataSetPrivate& d, int col)
{
    if (d.indexes.size() <= static_cast<size_t>(col))
        d.indexes.resize(static_cast<size_t>(col) + 1);
    auto& slot = d.indexes[static_cast<size_t>(col)];
    if (slot)
        return *slot;
    slot = std::make_unique<ColumnIndex>();
    ColumnIndex& ix = *slot;
    ix.next.assign(d.store.recordCount(), ColumnIndex::kNone);
    const bool textual
        = d.store.kind(col) == store::Kind::Text || d.store.kind(col) == store::Kind::Bytes;
    // Walk backwards and push to the front: each chain ends up in base order.
    for (auto it = d.base.rbegin(); it != d.base.rend(); ++it) {
        uint32_t rec = *it;
        uint32_t* head;
        if (d.store.isNull(col, rec))
            head = &ix.nulls;
        else if (textual)
            head = &ix.texts.try_emplace(d.store.getText(col, rec), ColumnIndex::kNone)
                        .first->second;
        else
            head = &ix.numbers.try_emplace(NumberKey(d.store, col, rec), ColumnIndex::kNone)
                        .first->second;
        ix.next[rec] = *head;
        *head = rec;
    }
    return ix;
}

static uint32_t* HeadFor(TDataSetPrivate& d, ColumnIndex& ix, int col, uint32_t rec, bool create)
{
    if (d.store.isNull(col, rec))
        return &ix.nulls;
    const bool textual
        = d.store.kind(col) == store::Kind::Text || d.store.kind(col) == store::Kind::Bytes;
    if (textual) {
        auto key = d.store.getText(col, rec);
        if (create)
            return &ix.texts.try_emplace(key, ColumnIndex::kNone).first->second;
        auto it = ix.texts.find(key);
        return it == ix.texts.end() ? nullptr : &it->second;
    }
    uint64_t key = NumberKey(d.store, col, rec);
    if (create)
        return &ix.numbers.try_emplace(key, ColumnIndex::kNone).first->second;
    auto it = ix.numbers.find(key);
    return it == ix.numbers.end() ? nullptr : &it->second;
}

// Removes `rec` from its chain (called before its value changes).
void IndexRemove(TDataSetPrivate& d, int col, uint32_t rec)
{
    if (d.indexes.size() <= static_cast<size_t>(col) || !d.indexes[static_cast<size_t>(col)])
        return;
    ColumnIndex& ix = *d.indexes[static_cast<size_t>(col)];
    uint32_t* link = HeadFor(d, ix, col, rec, false);
    while (link && *link != ColumnIndex::kNone) {
        if (*link == rec) {
            *link = ix.next[rec];
            ix.next[rec] = ColumnIndex::kNone;
            return;
        }
        link = &ix.next[*link];
    }
}

// Adds `rec` to its chain in base order (called after its value is set).
void IndexAdd(TDataSetPrivate& d, int col, uint32_t rec)
{
    if (d.indexes.size() <= static_cast<size_t>(col) || !d.indexes[static_cast<size_t>(col)])
        return;
    ColumnIndex& ix = *d.indexes[static_cast<size_t>(col)];
    if (ix.next.size() < d.store.recordCount())
        ix.next.resize(d.store.recordCount(), ColumnIndex::kNone);
    uint32_t* link = HeadFor(d, ix, col, rec, true);
    const uint64_t key = d.orderKey(rec);
    while (*link != ColumnIndex::kNone && d.orderKey(*link) < key)
        link = &ix.next[*link];
    ix.next[rec] = *link;
    *link = rec;
}

} // namespace vcl
