#pragma once
// The filter text of a dataset (private): "Field = value" conditions joined
// by "and"/"or", parsed once when the text is set and tested on stored rows.

#include "row_store.h"

#include <QVariant>

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {

// One condition list of a filter text: OR of AND groups.
struct FilterCondition {
    std::string field;
    enum Op { Eq, Ne, Lt, Gt, Le, Ge } op = Eq;
    QVariant value; // null: compare with null
};
struct FilterExpr {
    std::vector<std::vector<FilterCondition>> anyOf; // OR of ANDs
    bool empty() const { return anyOf.empty(); }
};
// Throws EDatabaseError "Invalid filter expression ..." on bad text.
FilterExpr ParseFilter(const std::string& text);

// Whether column `col` of stored record `rec` meets the condition.
bool ConditionHolds(const store::RowStore& s, int col, uint32_t rec, const FilterCondition& c);

} // namespace vcl
