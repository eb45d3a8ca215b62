#include "reports/report_sort.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace qdx {

void sort_rows(ReportTable& table, size_t first, size_t last, size_t c) {
    if (last <= first + 1) return;
    using Kind = ReportTable::Kind;
    // Keys as the grid reads its cells: empty, number, or other text.
    struct Key {
        int kind;
        double number = 0;
        std::string text;
    };
    const size_t n = last - first;
    std::vector<Key> keys(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t r = first + i;
        const Kind k = table.kind(r, c);
        const double v = table.number(r, c);
        if ((k == Kind::Long || k == Kind::Single || k == Kind::Rounded) && !std::isnan(v)) {
            keys[i] = {1, v, {}};
            continue;
        }
        std::string t = table.text(r, c);
        if (t.empty())
            keys[i] = {0, 0, {}};
        else if (std::optional<double> x = parse_number(t, table.regional()))
            keys[i] = {1, *x, {}};
        else
            keys[i] = {2, 0, std::move(t)};
    }
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const Key &x = keys[a], &y = keys[b];
        if (x.kind != y.kind) return x.kind < y.kind;
        if (x.kind == 1) return x.number < y.number;
        if (x.kind == 2) return x.text < y.text;
        return false;
    });
    table.reorderRows(first, order);
}

}  // namespace qdx
