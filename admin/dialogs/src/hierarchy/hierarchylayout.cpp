#include "hierarchy/hierarchylayout.h"

#include <algorithm>
#include <cmath>

namespace Security {

namespace {

constexpr int kMargin = 20; // from the canvas origin
constexpr int kBoxGap = 30; // between boxes or blocks of a row
constexpr int kRowGap = 40; // between wrapped rows
constexpr int kLayerGap = 70; // between a group and the groups below it: room for arrows
constexpr int kMaxRowWidth = 1400; // about a screen
constexpr int kMaxBlockRowWidth = 6000; // trees side by side

using Adjacency = std::vector<std::vector<int>>;

// Strongly connected components (Tarjan, without recursion, so a long chain
// of groups cannot exhaust the stack). Components are numbered so that every
// edge between two components goes from a higher number to a lower one.
std::vector<int> StrongComponents(const Adjacency& successors, int& count)
{
    const int n = static_cast<int>(successors.size());
    std::vector<int> index(n, -1), low(n, 0), component(n, -1);
    std::vector<bool> onStack(n, false);
    std::vector<int> stack;
    std::vector<std::pair<int, size_t>> calls; // node, next successor to visit
    int nextIndex = 0;
    count = 0;
    auto visit = [&](int node) {
        index[node] = low[node] = nextIndex++;
        stack.push_back(node);
        onStack[node] = true;
        calls.emplace_back(node, 0);
    };
    for (int root = 0; root < n; ++root) {
        if (index[root] != -1)
            continue;
        visit(root);
        while (!calls.empty()) {
            const int node = calls.back().first;
            const size_t next = calls.back().second;
            if (next < successors[node].size()) {
                calls.back().second = next + 1;
                const int successor = successors[node][next];
                if (index[successor] == -1)
                    visit(successor);
                else if (onStack[successor])
                    low[node] = std::min(low[node], index[successor]);
                continue;
            }
            if (low[node] == index[node]) {
                int member;
                do {
                    member = stack.back();
                    stack.pop_back();
                    onStack[member] = false;
                    component[member] = count;
                } while (member != node);
                ++count;
            }
            calls.pop_back();
            if (!calls.empty())
                low[calls.back().first] = std::min(low[calls.back().first], low[node]);
        }
    }
    return component;
}

// Boxes or blocks in rows no wider than `wrapWidth` (a single wider one gets a
// row of its own), each row centred on the widest; returns each one's offset
// and the size of the whole.
struct Rows {
    std::vector<QPoint> offsets;
    std::vector<int> row; // the row of each
    int rowCount = 0;
    QSize size;
};

Rows ArrangeRows(const std::vector<QSize>& sizes, int wrapWidth, int gap, int rowGap)
{
    struct Row {
        size_t first = 0;
        size_t count = 0;
        int width = 0;
        int height = 0;
    };
    std::vector<Row> rows;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const int wider = rows.empty() ? 0 : rows.back().width + gap + sizes[i].width();
        if (rows.empty() || wider > wrapWidth) {
            rows.push_back({ i, 1, sizes[i].width(), sizes[i].height() });
            continue;
        }
        rows.back().width = wider;
        rows.back().count += 1;
        rows.back().height = std::max(rows.back().height, sizes[i].height());
    }
    Rows result;
    result.offsets.resize(sizes.size());
    result.row.resize(sizes.size());
    result.rowCount = static_cast<int>(rows.size());
    int width = 0;
    for (const Row& row : rows)
        width = std::max(width, row.width);
    int y = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r > 0)
            y += rowGap;
        int x = (width - rows[r].width) / 2;
        for (size_t i = rows[r].first; i < rows[r].first + rows[r].count; ++i) {
            result.offsets[i] = QPoint(x, y);
            result.row[i] = static_cast<int>(r);
            x += sizes[i].width() + gap;
        }
        y += rows[r].height;
    }
    result.size = QSize(width, y);
    return result;
}

// How wide a row of blocks may grow. Arrows to the groups of a second row of
// blocks would cross the first row, so rows of blocks are allowed to be a
// few screens wide before they wrap.
int WrapWidth(const std::vector<QSize>& sizes)
{
    int widest = 0;
    for (const QSize& size : sizes)
        widest = std::max(widest, size.width());
    return std::max(kMaxBlockRowWidth, widest);
}

// One component's block: its own boxes in rows on top, below them the blocks
// of the components it is the tree parent of.
struct Block {
    QSize size;
    int headWidth = 0; // of the rows of the component's own boxes
    std::vector<QPoint> memberOffsets; // of the component's members, in order
    std::vector<QPoint> childOffsets; // of its tree children, in order
};

// When the blocks below a group wrap into several rows, the arrows from the
// group to the heads of lower rows pass the rows above. With every head
// centred on its block they would run through the heads above them, so the
// heads of later rows stand further right: the head of row r of n at
// (r + 1) / (n + 1) of its block's width.
void StaggerHeads(std::vector<Block>& blocks, const std::vector<int>& children, const Rows& rows)
{
    for (size_t i = 0; i < children.size(); ++i) {
        Block& block = blocks[children[i]];
        if (block.memberOffsets.empty())
            continue;
        const int room = block.size.width() - block.headWidth;
        int left = block.memberOffsets.front().x();
        for (const QPoint& offset : block.memberOffsets)
            left = std::min(left, offset.x());
        const int wanted = room * (rows.row[i] + 1) / (rows.rowCount + 1);
        for (QPoint& offset : block.memberOffsets)
            offset.rx() += wanted - left;
    }
}

} // namespace

void LayOutUnplaced(
    std::vector<TLayoutItem>& items, const std::vector<std::pair<int, int>>& strongEdges)
{
    std::vector<int> unplaced;
    int placedBottom = -1;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        if (items[i].Placed)
            placedBottom = std::max(placedBottom, items[i].TopLeft.y() + items[i].Size.height());
        else
            unplaced.push_back(i);
    }
    if (unplaced.empty())
        return;

    // The graph of the strong relations among the unplaced items, in local
    // numbering (dataset order kept).
    std::vector<int> local(items.size(), -1);
    for (int i = 0; i < static_cast<int>(unplaced.size()); ++i)
        local[unplaced[i]] = i;
    const int n = static_cast<int>(unplaced.size());
    Adjacency successors(n);
    std::vector<bool> related(n, false);
    for (const auto& [from, to] : strongEdges) {
        if (from < 0 || to < 0 || from >= static_cast<int>(items.size())
            || to >= static_cast<int>(items.size()) || from == to)
            continue;
        const int a = local[from], b = local[to];
        if (a < 0 || b < 0)
            continue;
        successors[a].push_back(b);
        related[a] = related[b] = true;
    }

    // Groups administering each other round a cycle form one component.
    int componentCount = 0;
    const std::vector<int> component = StrongComponents(successors, componentCount);
    std::vector<std::vector<int>> members(componentCount);
    for (int node = 0; node < n; ++node)
        members[component[node]].push_back(node);
    // Longest path from the top: no edge enters a component from a lower
    // number, so the components are visited from the highest number down.
    std::vector<int> layer(componentCount, 0);
    for (int c = componentCount - 1; c >= 0; --c)
        for (int node : members[c])
            for (int next : successors[node])
                if (component[next] != c)
                    layer[component[next]] = std::max(layer[component[next]], layer[c] + 1);
    // Each component hangs below one administering component: one in the
    // layer right above it (the first in dataset order among several).
    std::vector<int> parent(componentCount, -1);
    for (int c = 0; c < componentCount; ++c)
        for (int node : members[c])
            for (int next : successors[node]) {
                const int d = component[next];
                if (d == c || layer[c] + 1 != layer[d])
                    continue;
                if (parent[d] == -1 || members[c].front() < members[parent[d]].front())
                    parent[d] = c;
            }
    std::vector<std::vector<int>> children(componentCount);
    std::vector<int> roots, isolated;
    for (int c = 0; c < componentCount; ++c) {
        if (parent[c] != -1)
            children[parent[c]].push_back(c);
        else if (members[c].size() == 1 && !related[members[c].front()])
            isolated.push_back(members[c].front());
        else
            roots.push_back(c);
    }
    auto byDatasetOrder = [&](int a, int b) { return members[a].front() < members[b].front(); };
    for (auto& list : children)
        std::sort(list.begin(), list.end(), byDatasetOrder);
    std::sort(roots.begin(), roots.end(), byDatasetOrder);
    std::sort(isolated.begin(), isolated.end());

    // Blocks from the leaves up, in an explicit order instead of recursion (a
    // hierarchy may be thousands of groups deep).
    std::vector<int> order;
    for (std::vector<int> stack(roots.rbegin(), roots.rend()); !stack.empty();) {
        const int c = stack.back();
        stack.pop_back();
        order.push_back(c);
        stack.insert(stack.end(), children[c].begin(), children[c].end());
    }
    std::vector<Block> blocks(componentCount);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const int c = *it;
        std::vector<QSize> memberSizes;
        for (int node : members[c])
            memberSizes.push_back(items[unplaced[node]].Size);
        const Rows head = ArrangeRows(memberSizes, kMaxRowWidth, kBoxGap, kRowGap);
        std::vector<QSize> childSizes;
        for (int child : children[c])
            childSizes.push_back(blocks[child].size);
        const Rows below = ArrangeRows(childSizes, WrapWidth(childSizes), kBoxGap, kLayerGap);
        if (below.rowCount > 1)
            StaggerHeads(blocks, children[c], below);
        Block& block = blocks[c];
        const int width = std::max(head.size.width(), below.size.width());
        block.headWidth = head.size.width();
        const QPoint headShift((width - head.size.width()) / 2, 0);
        for (const QPoint& offset : head.offsets)
            block.memberOffsets.push_back(offset + headShift);
        const int belowTop = head.size.height() + (childSizes.empty() ? 0 : kLayerGap);
        const QPoint belowShift((width - below.size.width()) / 2, belowTop);
        for (const QPoint& offset : below.offsets)
            block.childOffsets.push_back(offset + belowShift);
        block.size = QSize(width, belowTop + below.size.height());
    }

    // The trees side by side, then the groups without strong relations.
    std::vector<QSize> rootSizes;
    for (int root : roots)
        rootSizes.push_back(blocks[root].size);
    const Rows forest = ArrangeRows(rootSizes, WrapWidth(rootSizes), kLayerGap, kLayerGap);
    const QPoint origin(kMargin, placedBottom < 0 ? kMargin : placedBottom + kLayerGap);
    std::vector<std::pair<int, QPoint>> pending; // component, top left of its block
    for (size_t i = 0; i < roots.size(); ++i)
        pending.emplace_back(roots[i], origin + forest.offsets[i]);
    while (!pending.empty()) {
        const auto [c, topLeft] = pending.back();
        pending.pop_back();
        const Block& block = blocks[c];
        for (size_t i = 0; i < members[c].size(); ++i)
            items[unplaced[members[c][i]]].TopLeft = topLeft + block.memberOffsets[i];
        for (size_t i = 0; i < children[c].size(); ++i)
            pending.emplace_back(children[c][i], topLeft + block.childOffsets[i]);
    }
    std::vector<QSize> loneSizes;
    for (int node : isolated)
        loneSizes.push_back(items[unplaced[node]].Size);
    const Rows lone = ArrangeRows(loneSizes, kMaxRowWidth, kBoxGap, kRowGap);
    const QPoint loneOrigin(origin.x() + std::max(0, forest.size.width() - lone.size.width()) / 2,
        origin.y() + forest.size.height() + (roots.empty() ? 0 : kLayerGap));
    for (size_t i = 0; i < isolated.size(); ++i)
        items[unplaced[isolated[i]]].TopLeft = loneOrigin + lone.offsets[i];
}

QPoint FreePlaceNear(QPoint wanted, QSize size, const std::vector<QRect>& occupied)
{
    constexpr int kStep = 20;
    constexpr int kGap = 10;
    constexpr int kRings = 60;
    auto isFree = [&](QPoint topLeft) {
        const QRect candidate = QRect(topLeft, size).adjusted(-kGap, -kGap, kGap, kGap);
        return std::none_of(occupied.begin(), occupied.end(),
            [&](const QRect& other) { return other.intersects(candidate); });
    };
    auto clamp
        = [](QPoint p) { return QPoint(std::max(p.x(), kMargin), std::max(p.y(), kMargin)); };
    wanted = clamp(wanted);
    if (isFree(wanted))
        return wanted;
    for (int ring = 1; ring <= kRings; ++ring) {
        // The square ring at `ring` steps, nearest candidates first.
        std::vector<QPoint> candidates;
        for (int dy = -ring; dy <= ring; ++dy)
            for (int dx = -ring; dx <= ring; ++dx)
                if (std::max(std::abs(dx), std::abs(dy)) == ring)
                    candidates.push_back(clamp(wanted + QPoint(dx, dy) * kStep));
        std::stable_sort(candidates.begin(), candidates.end(), [&](QPoint a, QPoint b) {
            return (a - wanted).manhattanLength() < (b - wanted).manhattanLength();
        });
        for (QPoint candidate : candidates)
            if (isFree(candidate))
                return candidate;
    }
    // Crowded all around: below everything.
    int bottom = 0;
    for (const QRect& other : occupied)
        bottom = std::max(bottom, other.bottom());
    return QPoint(wanted.x(), bottom + kLayerGap);
}

} // namespace Security
