#include "core/level_marks.h"

#include <algorithm>

#include "core/records.h"

namespace qdx {

LevelMarker::LevelMarker(const AppState& state, const std::vector<ActivityRecord>& computed,
                         int64_t last)
    : activity_(state.workFile(file::kActivity), ActivityRecord::kSize) {
    const int64_t m = std::min(last, activity_.count());
    volume_.assign(static_cast<size_t>(m) + 1, 0);
    integer_.assign(static_cast<size_t>(m) + 1, 0);
    const int64_t n = std::min<int64_t>(m, static_cast<int64_t>(computed.size()) - 1);
    for (int64_t i = 1; i <= n; ++i) {
        volume_[static_cast<size_t>(i)] = computed[static_cast<size_t>(i)].volume;
        integer_[static_cast<size_t>(i)] = computed[static_cast<size_t>(i)].newReferrals;
    }
    activity_.scan(n + 1, m, [&](int64_t i, const uint8_t* bytes) {
        const ActivityRecord a = ActivityRecord::decode(bytes);
        volume_[static_cast<size_t>(i)] = a.volume;
        integer_[static_cast<size_t>(i)] = a.newReferrals;
    });
}

std::vector<std::pair<int32_t, int32_t>> LevelMarker::mark(ReferralIndex& index, int32_t id,
                                                           int32_t levelsInUse) {
    const auto m = static_cast<int64_t>(volume_.size()) - 1;
    const auto ranks = index.ranks(id, levelsInUse, [&](int32_t node) {
        return node >= 1 && node <= m && volume_[static_cast<size_t>(node)] > 0;
    });
    if (!markedOnce_) {
        markedOnce_ = true;
        for (size_t i = 1; i < volume_.size(); ++i)
            if (volume_[i] > 0) integer_[i] = 0;
    } else {
        for (int32_t i : lastRanked_) integer_[static_cast<size_t>(i)] = 0;
    }
    lastRanked_.clear();
    for (const auto& [i, rank] : ranks) {
        integer_[static_cast<size_t>(i)] = rank;
        lastRanked_.push_back(i);
    }
    return ranks;
}

void LevelMarker::save() {
    if (!markedOnce_) return;
    const size_t n = volume_.size() - 1;
    std::vector<uint8_t> bytes(n * ActivityRecord::kSize);
    for (size_t i = 1; i <= n; ++i)
        ActivityRecord{volume_[i], integer_[i]}.encode(bytes.data() +
                                                       (i - 1) * ActivityRecord::kSize);
    if (n > 0) activity_.writeBlock(1, bytes.data(), n);
}

bool write_marked_activity(const AppState& state, const std::vector<float>& volumes,
                           const Network& network, const DirectReferrals& referrals,
                           const DateRange& range) {
    RecordFile activity(state.workFile(file::kActivity), ActivityRecord::kSize);
    const auto n = static_cast<int32_t>(volumes.size()) - 1;
    constexpr size_t kBlock = 1 << 16;  // records encoded before they are written
    std::vector<uint8_t> bytes(kBlock * ActivityRecord::kSize);
    size_t held = 0;
    int32_t firstHeld = 1;
    auto member = network.members.begin();
    const bool whole = referrals.countRegistered(range, [&](int32_t k, int32_t registered) {
        const float volume = volumes[static_cast<size_t>(k)];
        int32_t integer = registered;
        if (volume > 0) {
            while (member != network.members.end() && member->id < k) ++member;
            integer = member != network.members.end() && member->id == k ? member->rank : 0;
        }
        ActivityRecord{volume, integer}.encode(bytes.data() + held * ActivityRecord::kSize);
        if (++held == kBlock) {
            activity.writeBlock(firstHeld, bytes.data(), held);
            firstHeld += static_cast<int32_t>(held);
            held = 0;
        }
    });
    if (!whole) return false;
    if (held > 0) activity.writeBlock(firstHeld, bytes.data(), held);
    return firstHeld + static_cast<int32_t>(held) == n + 1;
}

}  // namespace qdx
