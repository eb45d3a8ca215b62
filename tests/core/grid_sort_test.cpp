#include "core/grid_sort.h"

#include <gtest/gtest.h>

namespace qdx {
namespace {

std::vector<std::string> column(const GridRows& rows, size_t c) {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(c < row.size() ? row[c] : "-");
    return out;
}

// Numbers as numbers (with the regional separator), empty cells first, text
// last; equal cells keep their order.
TEST(GridSort, NumbersEmptyCellsAndTextStably) {
    Regional comma;
    comma.decimalSeparator = ',';
    GridRows rows{{"1", "10"}, {"2", "b"},  {"3", "2,5"}, {"4", ""},    {"5", "a"},
                  {"6", "2"},  {"7", "-1"}, {"8", "2,5"}, {"9", "2.5"}, {"10"}};
    sort_grid_rows(rows, 1, comma);
    EXPECT_EQ(column(rows, 0),
              (std::vector<std::string>{"4", "10", "7", "6", "3", "8", "1", "9", "5", "2"}));
}

}  // namespace
}  // namespace qdx
