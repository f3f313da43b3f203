#pragma once
// Automatic places for group boxes that have none yet, and free places for
// boxes added while editing.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <utility>
#include <vector>

namespace Security {

struct TLayoutItem {
    QSize Size;
    bool Placed = false; // keeps TopLeft as it is
    QPoint TopLeft;
};

// Gives every item that is not placed a place, leaving placed items where
// they are.
//
// The unplaced items are laid out in layers by the strong relations among
// them (`strongEdges`: pairs of item indices, administering group first): a
// group stands above every group it strongly administers, groups that
// administer each other round a cycle share a layer, and the order within a
// layer follows the neighbours in the layers around it, so that arrows cross
// less. A layer wider than a screen wraps into several rows. Items without
// strong relations among the unplaced ones come last, in rows of their own.
// The block starts at the canvas's top left when nothing is placed, else
// below the lowest placed item, so laid-out boxes never overlap each other or
// a placed box.
void LayOutUnplaced(
    std::vector<TLayoutItem>& items, const std::vector<std::pair<int, int>>& strongEdges);

// The place nearest to `wanted` (searching outwards on a grid) where a box of
// `size` overlaps none of the `occupied` rectangles and keeps a small gap to
// them; never left of or above the canvas origin.
QPoint FreePlaceNear(QPoint wanted, QSize size, const std::vector<QRect>& occupied);

} // namespace Security
