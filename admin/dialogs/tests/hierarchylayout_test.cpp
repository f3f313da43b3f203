// The automatic layout of boxes without a stored position, and free places
// for new boxes: administering groups above the groups they administer,
// nothing overlapping, placed boxes left alone.

#include "hierarchy/groupframe.h"
#include "hierarchy/hierarchylayout.h"

#include <gtest/gtest.h>

#include <random>

using namespace Security;

namespace {

std::vector<TLayoutItem> Unplaced(int count, QSize size = QSize(110, 44))
{
    return std::vector<TLayoutItem>(static_cast<size_t>(count), TLayoutItem { size, false, {} });
}

// The first pair of items whose boxes overlap, as text; empty when none do.
std::string FirstOverlap(const std::vector<TLayoutItem>& items)
{
    for (size_t a = 0; a < items.size(); ++a)
        for (size_t b = a + 1; b < items.size(); ++b)
            if (QRect(items[a].TopLeft, items[a].Size)
                    .intersects(QRect(items[b].TopLeft, items[b].Size)))
                return std::to_string(a) + " and " + std::to_string(b);
    return {};
}

TEST(HierarchyLayout, LayersFollowTheStrongRelations)
{
    struct Case {
        const char* name;
        int count;
        std::vector<std::pair<int, int>> edges;
        // Pairs (upper, lower): the first stands in a higher row.
        std::vector<std::pair<int, int>> above;
        // Pairs that share a row.
        std::vector<std::pair<int, int>> level;
    };
    const Case cases[] = {
        { "a chain", 3, { { 0, 1 }, { 1, 2 } }, { { 0, 1 }, { 1, 2 } }, {} },
        { "listed against dataset order", 3, { { 2, 1 }, { 1, 0 } }, { { 2, 1 }, { 1, 0 } }, {} },
        { "longest path decides", 4, { { 0, 1 }, { 1, 2 }, { 0, 2 }, { 3, 2 } },
            { { 0, 1 }, { 1, 2 }, { 3, 2 } }, { { 0, 3 } } },
        { "a cycle shares a layer", 3, { { 0, 1 }, { 1, 0 }, { 1, 2 } }, { { 0, 2 } },
            { { 0, 1 } } },
        { "groups without relations come last", 3, { { 1, 2 } }, { { 1, 0 }, { 2, 0 } }, {} },
        { "a self-listing group is not a cycle", 2, { { 0, 0 }, { 0, 1 } }, { { 0, 1 } }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TLayoutItem> items = Unplaced(c.count);
        LayOutUnplaced(items, c.edges);
        EXPECT_EQ(FirstOverlap(items), "");
        for (const auto& [upper, lower] : c.above)
            EXPECT_LT(items[upper].TopLeft.y(), items[lower].TopLeft.y())
                << upper << " over " << lower;
        for (const auto& [a, b] : c.level)
            EXPECT_EQ(items[a].TopLeft.y(), items[b].TopLeft.y()) << a << " beside " << b;
    }
}

TEST(HierarchyLayout, PlacedBoxesStayAndTheOthersGoBelowThem)
{
    std::vector<TLayoutItem> items = Unplaced(4);
    items[1] = { QSize(120, 50), true, QPoint(300, 500) };
    items[3] = { QSize(120, 50), true, QPoint(40, 20) };
    LayOutUnplaced(items, { { 0, 2 }, { 1, 0 } });
    EXPECT_EQ(items[1].TopLeft, QPoint(300, 500));
    EXPECT_EQ(items[3].TopLeft, QPoint(40, 20));
    EXPECT_GE(items[0].TopLeft.y(), 550);
    EXPECT_GT(items[2].TopLeft.y(), items[0].TopLeft.y());
    EXPECT_EQ(FirstOverlap(items), "");
}

TEST(HierarchyLayout, NothingToDoWhenEverythingIsPlaced)
{
    std::vector<TLayoutItem> items = { { QSize(100, 40), true, QPoint(5, 6) } };
    LayOutUnplaced(items, {});
    EXPECT_EQ(items[0].TopLeft, QPoint(5, 6));
}

// A company's database: 300 groups of different widths, a tree of strong
// relations with some cross links, and groups without relations.
TEST(HierarchyLayout, ThreeHundredGroupsNeitherOverlapNorPileUp)
{
    std::mt19937 random(7);
    std::vector<TLayoutItem> items;
    for (int i = 0; i < 300; ++i)
        items.push_back({ QSize(100 + static_cast<int>(random() % 120), 44), false, {} });
    std::vector<std::pair<int, int>> edges;
    for (int i = 1; i < 260; ++i)
        edges.emplace_back(static_cast<int>(random() % static_cast<unsigned>(i)), i);
    for (int k = 0; k < 80; ++k) {
        const int a = static_cast<int>(random() % 260);
        const int b = static_cast<int>(random() % 260);
        if (a < b)
            edges.emplace_back(a, b);
    }
    LayOutUnplaced(items, edges);
    EXPECT_EQ(FirstOverlap(items), "");
    // Every administered group stands below one of its administrators.
    for (int i = 1; i < 260; ++i) {
        bool below = false;
        for (const auto& [from, to] : edges)
            below = below || (to == i && items[from].TopLeft.y() < items[i].TopLeft.y());
        EXPECT_TRUE(below) << i;
    }
    int right = 0, bottom = 0;
    for (const TLayoutItem& item : items) {
        EXPECT_GE(item.TopLeft.x(), 0);
        EXPECT_GE(item.TopLeft.y(), 0);
        right = std::max(right, item.TopLeft.x() + item.Size.width());
        bottom = std::max(bottom, item.TopLeft.y() + item.Size.height());
    }
    // Rows of subtrees wrap at a few screens (6000 pixels); the whole fits
    // the stored 16-bit coordinates.
    EXPECT_LE(right, 6000 + 20);
    EXPECT_LE(bottom, kMaxPositionCoordinate);
}

TEST(HierarchyLayout, ALongChainNeedsNoDeepRecursion)
{
    constexpr int kCount = 20000;
    std::vector<TLayoutItem> items = Unplaced(kCount, QSize(100, 10));
    std::vector<std::pair<int, int>> edges;
    for (int i = 0; i + 1 < kCount; ++i)
        edges.emplace_back(i, i + 1);
    LayOutUnplaced(items, edges);
    for (int i = 0; i + 1 < kCount; ++i)
        ASSERT_LT(items[i].TopLeft.y(), items[i + 1].TopLeft.y()) << i;

    // Closed into one cycle, the whole chain is one layer.
    edges.emplace_back(kCount - 1, 0);
    items = Unplaced(kCount, QSize(100, 10));
    LayOutUnplaced(items, edges);
    EXPECT_EQ(items[0].TopLeft.y(), items[1].TopLeft.y());
}

TEST(HierarchyLayout, FreePlaceNearAWantedPoint)
{
    const std::vector<QRect> occupied = { QRect(20, 20, 100, 40), QRect(20, 120, 100, 40) };
    struct Case {
        const char* name;
        QPoint wanted;
        bool exact;
    };
    const Case cases[] = {
        { "free where wanted", QPoint(300, 300), true },
        { "on a box", QPoint(30, 30), false },
        { "between two boxes", QPoint(20, 70), false },
        { "left of the canvas", QPoint(-100, 400), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QSize size(100, 40);
        const QPoint place = FreePlaceNear(c.wanted, size, occupied);
        if (c.exact) {
            EXPECT_EQ(place, c.wanted);
        }
        EXPECT_GE(place.x(), 0);
        EXPECT_GE(place.y(), 0);
        for (const QRect& other : occupied)
            EXPECT_FALSE(QRect(place, size).intersects(other));
        EXPECT_LE((place - c.wanted).manhattanLength(), 400);
    }
}

} // namespace
