#include "registers/grid_sort.h"

#include <algorithm>
#include <optional>

namespace qdx {

void sort_grid_rows(GridRows& rows, size_t column, const Regional& regional) {
    struct Key {
        std::optional<double> number;
        const std::string* text;
        size_t row;
    };
    static const std::string kEmpty;
    std::vector<Key> keys;
    keys.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string& cell = column < rows[i].size() ? rows[i][column] : kEmpty;
        keys.push_back({parse_number(cell, regional), &cell, i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (a.number && b.number) return *a.number < *b.number;
        // Empty cells first, then numbers, then other texts by their bytes.
        int rankA = a.text->empty() ? 0 : a.number ? 1 : 2;
        int rankB = b.text->empty() ? 0 : b.number ? 1 : 2;
        if (rankA != rankB) return rankA < rankB;
        return *a.text < *b.text;
    });
    GridRows sorted;
    sorted.reserve(rows.size());
    for (const Key& k : keys) sorted.push_back(std::move(rows[k.row]));
    rows = std::move(sorted);
}

}  // namespace qdx
