#include "core/grid_sort.h"

#include <algorithm>
#include <optional>

namespace qdx {

namespace {

struct SortKey {
    int kind;  // 0 empty, 1 number, 2 text
    double number = 0;
    const std::string* text = nullptr;
};

SortKey key_of(const std::vector<std::string>& row, size_t column, const Regional& regional) {
    if (column >= row.size() || row[column].empty()) return {0};
    if (std::optional<double> n = parse_number(row[column], regional)) return {1, *n};
    return {2, 0, &row[column]};
}

bool less(const SortKey& a, const SortKey& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    if (a.kind == 1) return a.number < b.number;
    if (a.kind == 2) return *a.text < *b.text;
    return false;
}

}  // namespace

void sort_grid_rows(std::span<std::vector<std::string>> rows, size_t column,
                    const Regional& regional) {
    // Keys are read once; the rows are then moved into their sorted order.
    std::vector<size_t> order(rows.size());
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        order[i] = i;
        keys.push_back(key_of(rows[i], column, regional));
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return less(keys[a], keys[b]); });
    std::vector<std::vector<std::string>> sorted;
    sorted.reserve(rows.size());
    for (size_t i : order) sorted.push_back(std::move(rows[i]));
    std::move(sorted.begin(), sorted.end(), rows.begin());
}

}  // namespace qdx
