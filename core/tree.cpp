#include "core/tree.h"

#include "core/files.h"
#include "core/parallel.h"
#include "core/records.h"

namespace qdx {

RecordFile open_input(const std::filesystem::path& path, size_t recordLength) {
    if (!folder_exists(path.parent_path())) return {};
    return RecordFile(path, recordLength);
}

int32_t count_affiliates(const AppState& state) {
    auto path = state.dataFile(file::kAffiliates);
    if (!file_exists(path)) return 0;
    return static_cast<int32_t>(RecordFile(path, AffiliateRecord::kSize).count());
}

namespace {

AffiliateRecord read_affiliate_or_empty(const AppState& state, int32_t id, bool& found) {
    RecordFile f = open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    found = f.isOpen() && id >= 1 && id <= f.count();
    return found ? f.read<AffiliateRecord>(id) : AffiliateRecord{};
}

}  // namespace

int32_t get_referrer(const AppState& state, int32_t id) {
    bool found;
    auto r = read_affiliate_or_empty(state, id, found);
    return found ? r.referrerId : 0;
}

int32_t get_level(const AppState& state, int32_t id) {
    bool found;
    auto r = read_affiliate_or_empty(state, id, found);
    return found ? r.level : 0;
}

int32_t sub_level(const AppState& state, int32_t upline, int32_t affiliate) {
    if (upline == affiliate) return 1;
    int32_t n = state.settings.levelsInUse - 1;
    if (n < 1) return 0;
    int32_t c = affiliate;
    for (int32_t i = 1; i <= n; ++i) {
        c = get_referrer(state, c);
        if (c == upline) return i + 1;
        if (c == 0) return 0;
    }
    return 0;
}

ReferralTree ReferralTree::load(const AppState& state, Read read) {
    auto path = state.dataFile(file::kAffiliates);
    if (!file_exists(path)) return {};
    return fromFile(RecordFile(path, AffiliateRecord::kSize), read);
}

ReferralTree ReferralTree::fromFile(const RecordFile& affiliates, Read read) {
    ReferralTree tree;
    int64_t n = affiliates.count();
    const bool everything = read == Read::Everything;
    tree.referrer_.resize(static_cast<size_t>(n) + 1, 0);
    tree.level_.assign(everything ? static_cast<size_t>(n) + 1 : 0, 0);
    tree.date_.assign(everything ? static_cast<size_t>(n) + 1 : 0, 0);
    // Each core reads a stretch of the file of its own.
    const size_t parts = n < 65536 ? 1 : core_count();
    run_parts(parts, [&](size_t t) {
        const int64_t begin = 1 + n * static_cast<int64_t>(t) / static_cast<int64_t>(parts);
        const int64_t end = 1 + n * static_cast<int64_t>(t + 1) / static_cast<int64_t>(parts);
        affiliates.scanBlocks(
            begin, end - 1, [&](int64_t first, const uint8_t* bytes, size_t count) {
                for (size_t i = 0; i < count; ++i, bytes += AffiliateRecord::kSize) {
                    auto k = static_cast<size_t>(first) + i;
                    tree.referrer_[k] = layout::get<layout::affiliate::kReferrerId>(bytes);
                    if (!everything) continue;
                    tree.level_[k] = layout::get<layout::affiliate::kLevel>(bytes);
                    tree.date_[k] = layout::get<layout::affiliate::kDate>(bytes);
                }
            });
    });
    return tree;
}

int32_t ReferralTree::subLevel(int32_t upline, int32_t affiliate, int32_t levelsInUse) const {
    if (upline == affiliate) return 1;
    int32_t n = levelsInUse - 1;
    if (n < 1) return 0;
    int32_t c = affiliate;
    for (int32_t i = 1; i <= n; ++i) {
        c = referrerOf(c);
        if (c == upline) return i + 1;
        if (c == 0) return 0;
    }
    return 0;
}

}  // namespace qdx
