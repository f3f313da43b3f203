#include "hierarchy/hierarchylayout.h"

#include <algorithm>
#include <numeric>

namespace Security {

namespace {

constexpr int kMargin = 20; // from the canvas origin
constexpr int kBoxGap = 30; // between boxes of a row
constexpr int kRowGap = 40; // between rows of one layer
constexpr int kLayerGap = 70; // between layers: room for the arrows
constexpr int kMaxRowWidth = 1400; // a layer wider than this wraps
constexpr int kSweeps = 4; // ordering passes, alternately down and up

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

// Orders each layer by the mean relative place of its neighbours in the
// layers above (downward sweeps) or below (upward sweeps).
void OrderLayers(std::vector<std::vector<int>>& layers, const std::vector<int>& layerOf,
    const Adjacency& neighbours)
{
    const int nodeCount = static_cast<int>(layerOf.size());
    std::vector<double> place(nodeCount, 0);
    auto remember = [&](const std::vector<int>& layer) {
        for (size_t i = 0; i < layer.size(); ++i)
            place[layer[i]] = (i + 0.5) / static_cast<double>(layer.size());
    };
    for (const auto& layer : layers)
        remember(layer);
    const int layerCount = static_cast<int>(layers.size());
    for (int sweep = 0; sweep < kSweeps; ++sweep) {
        const bool down = sweep % 2 == 0;
        for (int step = 1; step < layerCount; ++step) {
            const int current = down ? step : layerCount - 1 - step;
            std::vector<int>& layer = layers[current];
            std::vector<double> key(layer.size());
            for (size_t i = 0; i < layer.size(); ++i) {
                double sum = 0;
                int count = 0;
                for (int other : neighbours[layer[i]]) {
                    if (down ? layerOf[other] < current : layerOf[other] > current) {
                        sum += place[other];
                        ++count;
                    }
                }
                key[i] = count > 0 ? sum / count : place[layer[i]];
            }
            std::vector<size_t> order(layer.size());
            std::iota(order.begin(), order.end(), 0);
            std::stable_sort(
                order.begin(), order.end(), [&](size_t a, size_t b) { return key[a] < key[b]; });
            std::vector<int> sorted;
            sorted.reserve(layer.size());
            for (size_t i : order)
                sorted.push_back(layer[i]);
            layer = std::move(sorted);
            remember(layer);
        }
    }
}

struct Row {
    std::vector<int> items;
    int width = 0;
    int height = 0;
    int gapAbove = 0;
};

// Cuts a layer into rows no wider than kMaxRowWidth (a single wide box
// still gets a row of its own).
void AppendRows(std::vector<Row>& rows, const std::vector<int>& layer,
    const std::vector<TLayoutItem>& items, int gapAbove)
{
    Row row;
    row.gapAbove = gapAbove;
    for (int item : layer) {
        const QSize size = items[item].Size;
        const int widthWith = row.items.empty() ? size.width() : row.width + kBoxGap + size.width();
        if (!row.items.empty() && widthWith > kMaxRowWidth) {
            rows.push_back(std::move(row));
            row = Row {};
            row.gapAbove = kRowGap;
            row.width = size.width();
        } else {
            row.width = widthWith;
        }
        row.items.push_back(item);
        row.height = std::max(row.height, size.height());
    }
    if (!row.items.empty())
        rows.push_back(std::move(row));
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
    // numbering.
    std::vector<int> local(items.size(), -1);
    for (int i = 0; i < static_cast<int>(unplaced.size()); ++i)
        local[unplaced[i]] = i;
    const int n = static_cast<int>(unplaced.size());
    Adjacency successors(n), neighbours(n);
    for (const auto& [from, to] : strongEdges) {
        if (from < 0 || to < 0 || from >= static_cast<int>(items.size())
            || to >= static_cast<int>(items.size()) || from == to)
            continue;
        const int a = local[from], b = local[to];
        if (a < 0 || b < 0)
            continue;
        successors[a].push_back(b);
        neighbours[a].push_back(b);
        neighbours[b].push_back(a);
    }

    int componentCount = 0;
    const std::vector<int> component = StrongComponents(successors, componentCount);
    // Longest path from the top: components in order from the highest number
    // (no edge enters it from a lower one) down.
    std::vector<int> componentLayer(componentCount, 0);
    std::vector<std::vector<int>> componentMembers(componentCount);
    for (int node = 0; node < n; ++node)
        componentMembers[component[node]].push_back(node);
    for (int c = componentCount - 1; c >= 0; --c)
        for (int node : componentMembers[c])
            for (int successor : successors[node])
                if (component[successor] != c)
                    componentLayer[component[successor]]
                        = std::max(componentLayer[component[successor]], componentLayer[c] + 1);

    std::vector<int> layerOf(n, 0);
    std::vector<std::vector<int>> layers;
    std::vector<int> isolated;
    for (int node = 0; node < n; ++node) { // dataset order is the first guess
        if (neighbours[node].empty()) {
            isolated.push_back(node);
            continue;
        }
        layerOf[node] = componentLayer[component[node]];
        if (layerOf[node] >= static_cast<int>(layers.size()))
            layers.resize(layerOf[node] + 1);
        layers[layerOf[node]].push_back(node);
    }
    OrderLayers(layers, layerOf, neighbours);

    auto toItems = [&](const std::vector<int>& nodes) {
        std::vector<int> result;
        for (int node : nodes)
            result.push_back(unplaced[node]);
        return result;
    };
    std::vector<Row> rows;
    for (const auto& layer : layers)
        AppendRows(rows, toItems(layer), items, rows.empty() ? 0 : kLayerGap);
    AppendRows(rows, toItems(isolated), items, rows.empty() ? 0 : kLayerGap);

    int blockWidth = 0;
    for (const Row& row : rows)
        blockWidth = std::max(blockWidth, row.width);
    int y = placedBottom < 0 ? kMargin : placedBottom + kLayerGap;
    for (const Row& row : rows) {
        y += row.gapAbove;
        int x = kMargin + (blockWidth - row.width) / 2;
        for (int item : row.items) {
            items[item].TopLeft = QPoint(x, y);
            x += items[item].Size.width() + kBoxGap;
        }
        y += row.height;
    }
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
