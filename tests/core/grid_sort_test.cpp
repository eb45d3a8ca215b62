#include "core/grid_sort.h"

#include <gtest/gtest.h>

namespace qdx {
namespace {

std::vector<std::string> column(const GridRows& rows, size_t c) {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(c < row.size() ? row[c] : "-");
    return out;
}

TEST(GridSort, NumbersAsNumbersEmptyFirstTextLast) {
    GridRows rows{{"10"}, {"b"}, {"2"}, {""}, {"a"}, {"2.5"}, {"-1"}, {}};
    sort_grid_rows(rows, 0, Regional{});
    EXPECT_EQ(column(rows, 0),
              (std::vector<std::string>{"", "-", "-1", "2", "2.5", "10", "a", "b"}));
}

TEST(GridSort, IsStableAndUsesTheRegionalSeparator) {
    Regional comma;
    comma.decimalSeparator = ',';
    GridRows rows{{"1", "2,5"}, {"2", "10"}, {"3", "2,5"}, {"4", "3"}, {"5", "2.5"}};
    sort_grid_rows(rows, 1, comma);
    EXPECT_EQ(column(rows, 0), (std::vector<std::string>{"1", "3", "4", "2", "5"}));
}

}  // namespace
}  // namespace qdx
