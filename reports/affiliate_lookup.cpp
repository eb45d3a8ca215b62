#include "reports/affiliate_lookup.h"

#include <algorithm>

#include "core/record_file.h"
#include "core/tree.h"

namespace qdx {

void visit_affiliates(const AppState& state, const std::vector<int32_t>& ids,
                      const std::function<void(size_t, const AffiliateRecord&)>& visit) {
    RecordFile file = open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    const int64_t n = file.isOpen() ? file.count() : 0;
    const uint8_t zeros[AffiliateRecord::kSize] = {};
    const AffiliateRecord absent = AffiliateRecord::decode(zeros);
    auto onFile = [n](int32_t id) { return id >= 1 && id <= n; };

    if (ids.size() * 32 < static_cast<size_t>(n)) {
        for (size_t i = 0; i < ids.size(); ++i)
            visit(i, onFile(ids[i]) ? file.read<AffiliateRecord>(ids[i]) : absent);
        return;
    }
    // Many records: one pass over the file, meeting the wanted IDs in order.
    std::vector<size_t> order(ids.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return ids[a] < ids[b]; });
    size_t next = 0;
    while (next < order.size() && !onFile(ids[order[next]])) visit(order[next++], absent);
    if (next < order.size()) {
        const int64_t last = std::min<int64_t>(n, ids[order.back()]);
        file.scan(ids[order[next]], last, [&](int64_t k, const uint8_t* bytes) {
            if (next == order.size() || ids[order[next]] != k) return;
            const AffiliateRecord record = AffiliateRecord::decode(bytes);
            while (next < order.size() && ids[order[next]] == k) visit(order[next++], record);
        });
    }
    while (next < order.size()) visit(order[next++], absent);
}

}  // namespace qdx
