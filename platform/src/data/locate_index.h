#pragma once
// Hash indexes for exact Locate (private): one per column, built on the
// first Locate by that column, kept up to date by every change of a stored
// value, and dropped when the rows are reloaded or values go back wholesale.

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vcl {

struct TDataSetPrivate;

// Key -> records in base order, chained through `next`.
struct ColumnIndex {
    static constexpr uint32_t kNone = UINT32_MAX;
    std::unordered_map<uint64_t, uint32_t> numbers;
    std::unordered_map<std::string_view, uint32_t> texts; // views into the arena
    uint32_t nulls = kNone;
    std::vector<uint32_t> next;
};

// The index of column `col`, built when missing.
ColumnIndex& IndexFor(TDataSetPrivate& d, int col);
// Removes `rec` from its chain (called before its value changes); nothing
// when the column has no index.
void IndexRemove(TDataSetPrivate& d, int col, uint32_t rec);
// Adds `rec` to its chain in base order (called after its value is set).
void IndexAdd(TDataSetPrivate& d, int col, uint32_t rec);

} // namespace vcl
