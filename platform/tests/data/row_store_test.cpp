// The in-memory row store grows its first chunk and its text arena in steps:
// values written before a step must read back after it, across the step to a
// full chunk and beyond it.
#include "data/row_store.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vcl::store::Arena;
using vcl::store::ChunkedVector;

TEST(RowStore, CellsSurviveEveryGrowthStep)
{
    for (const uint32_t count : { 1u, 16u, 17u, 4095u, 4096u, 4097u, 10000u }) {
        ChunkedVector<uint64_t> cells;
        for (uint32_t i = 0; i < count; ++i) {
            cells.resize(i + 1);
            EXPECT_EQ(cells[i], 0u) << "a new element is zero (" << count << ")";
            cells[i] = i * 3 + 1;
        }
        for (uint32_t i = 0; i < count; ++i)
            ASSERT_EQ(cells[i], i * 3 + 1) << "element " << i << " of " << count;
        EXPECT_GE(cells.bytes(), count * sizeof(uint64_t));
    }
}

TEST(RowStore, CellsResizedAtOnceAreZero)
{
    ChunkedVector<uint64_t> cells;
    cells.resize(3);
    cells[2] = 7;
    cells.resize(9000);
    EXPECT_EQ(cells[2], 7u);
    for (const uint32_t i : { 3u, 4095u, 4096u, 8999u })
        EXPECT_EQ(cells[i], 0u) << i;
    cells.clear();
    cells.resize(1);
    EXPECT_EQ(cells[0], 0u) << "a cleared vector starts over";
}

TEST(RowStore, ArenaTextsSurviveNewChunks)
{
    Arena arena;
    std::vector<std::pair<uint64_t, std::string>> kept;
    // Small texts fill the first small chunks; a text longer than a whole
    // chunk gets a chunk of its own.
    for (int i = 0; i < 3000; ++i) {
        std::string text(static_cast<size_t>(i % 300), static_cast<char>('a' + i % 26));
        kept.emplace_back(arena.add(text), text);
    }
    const std::string huge(3u << 20, 'z');
    kept.emplace_back(arena.add(huge), huge);
    kept.emplace_back(arena.add(""), "");
    for (const auto& [ref, text] : kept)
        ASSERT_EQ(arena.get(ref), text);
}

} // namespace
