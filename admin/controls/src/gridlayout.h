#pragma once
// What the grid remembers of its columns while it lives: the widths the user
// gave them and the order he moved them into, by field name, so that both
// survive the dataset being re-read (which rebuilds the columns) and can be
// kept in the settings.

#include "wardlock/keeper/tordbgrid.h"

#include <map>
#include <string>
#include <vector>

namespace tor {

struct TTorDBGrid::Layout {
    // Lower-cased field name -> width in pixels.
    std::map<std::string, int> widths;
    // Field names in the visual order the user chose (empty: the listed order).
    std::vector<std::string> order;
    // The field of the current cell, kept while the rows are rebuilt.
    std::string currentField;
    // Set while the grid arranges the header itself.
    bool applying = false;
};

} // namespace tor
