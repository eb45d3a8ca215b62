#pragma once
// The search grid's generic ascending sort: cells that read as numbers are
// compared as numbers; empty cells come first, then numbers, then other
// texts by their bytes.
#include <string>
#include <vector>

#include "core/regional.h"

namespace qdx {

using GridRows = std::vector<std::vector<std::string>>;

// Sorts the rows (titles excluded) by `column`; rows that compare equal keep
// their order.
void sort_grid_rows(GridRows& rows, size_t column, const Regional& regional);

}  // namespace qdx
