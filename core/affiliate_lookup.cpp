#include "core/affiliate_lookup.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "core/record_file.h"
#include "core/tree.h"

namespace qdx {

void visit_affiliate_bytes(const AppState& state, std::span<const int32_t> ids,
                           const std::function<void(size_t, const uint8_t*)>& visit) {
    RecordFile file = open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    const int64_t n = file.isOpen() ? file.count() : 0;
    static constexpr uint8_t kAbsent[AffiliateRecord::kSize] = {};
    auto onFile = [n](int32_t id) { return id >= 1 && id <= n; };

    if (ids.size() * 32 < static_cast<size_t>(n)) {
        uint8_t record[AffiliateRecord::kSize];
        for (size_t i = 0; i < ids.size(); ++i) {
            if (!onFile(ids[i])) {
                visit(i, kAbsent);
                continue;
            }
            file.readRaw(ids[i], record);
            visit(i, record);
        }
        return;
    }
    // Many records: one pass over the file, meeting the wanted IDs in order.
    // Most lists come by ID already; sorting them would only cost time.
    std::vector<size_t> order(ids.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (!std::is_sorted(ids.begin(), ids.end()))
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return ids[a] < ids[b]; });
    size_t next = 0;
    while (next < order.size() && !onFile(ids[order[next]])) visit(order[next++], kAbsent);
    if (next < order.size()) {
        const int64_t last = std::min<int64_t>(n, ids[order.back()]);
        file.scan(ids[order[next]], last, [&](int64_t k, const uint8_t* bytes) {
            while (next < order.size() && ids[order[next]] == k) visit(order[next++], bytes);
        });
    }
    while (next < order.size()) visit(order[next++], kAbsent);
}

void visit_affiliates(const AppState& state, std::span<const int32_t> ids,
                      const std::function<void(size_t, const AffiliateRecord&)>& visit) {
    visit_affiliate_bytes(state, ids, [&](size_t i, const uint8_t* bytes) {
        visit(i, AffiliateRecord::decode(bytes));
    });
}

}  // namespace qdx
