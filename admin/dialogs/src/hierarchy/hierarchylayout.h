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
// The unplaced items are laid out as trees of their strong relations
// (`strongEdges`: pairs of item indices, administering group first), the way
// organisation charts are drawn: each group hangs below one group that
// strongly administers it (one in the layer right above it, layers counted
// along the longest chain of strong relations), with the groups hanging below
// it in a row under it, in dataset order, so that the arrows of the tree run
// between boxes, not across them. Groups that administer each other round a
// cycle stand side by side as one. Rows of subtrees and of trees wrap only
// when they grow a few screens wide; groups without strong relations come
// last, in screen-wide rows of their own. A group administered by several
// groups hangs below only one of them; the other arrows run across.
//
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
