#pragma once
// The grid's generic ascending sort, shared by the report tables and the
// register windows' search grid.
#include <span>
#include <string>
#include <vector>

#include "core/regional.h"

namespace qdx {

using GridRows = std::vector<std::vector<std::string>>;

// Sorts the rows by the cells of `column`, ascending and stable. Two cells
// that both read as numbers (regional decimal separator) compare as numbers;
// otherwise empty cells come first, then numbers, then other texts by their
// bytes. Rows without that column count as empty.
void sort_grid_rows(std::span<std::vector<std::string>> rows, size_t column,
                    const Regional& regional);

}  // namespace qdx
