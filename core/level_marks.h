#pragma once
// The ranks of an affiliate's network written into the integer field of the
// activity file.
#include <cstdint>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "core/date_range.h"
#include "core/direct_referrals.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/referral_index.h"

namespace qdx {

// Marks the activity records 1..last (at most the file's records) one
// affiliate after another: every record with volume above zero gets its
// rank under the affiliate (ReferralIndex::ranks), 0 outside. The markings
// are kept in memory and written by save(): a run of pages marks hundreds
// of thousands of networks, and a write per changed record cost more than
// the pages.
class LevelMarker {
  public:
    // `computed` holds the records 1..n build_activity has just written
    // (entry 0 unused); records n+1..last, left from a larger file, are read
    // from the file.
    LevelMarker(const AppState& state, const std::vector<ActivityRecord>& computed, int64_t last);

    // Marks for `id` and hands back the ranked records, ascending.
    std::vector<std::pair<int32_t, int32_t>> mark(ReferralIndex& index, int32_t id,
                                                  int32_t levelsInUse);
    // Writes records 1..last as the latest marking leaves them, in one block.
    void save();
    float volume(int32_t record) const { return volume_[static_cast<size_t>(record)]; }

  private:
    RecordFile activity_;
    std::vector<float> volume_;     // 1..last
    std::vector<int32_t> integer_;  // 1..last, the record's integer field
    bool markedOnce_ = false;
    std::vector<int32_t> lastRanked_;  // records the last marking ranked above 0
};

// Writes records 1..n (n = the volumes' last entry) of the activity file as
// build_activity and a marking for the network's root leave them: each
// record's volume, and as its integer, when the volume is above zero, its
// rank in the network (0 outside it), else its referrals registered within
// `range`. Records above n are left as they are. False when the index of
// the referrals proves damaged (the file may then be half written).
bool write_marked_activity(const AppState& state, const std::vector<float>& volumes,
                           const Network& network, const DirectReferrals& referrals,
                           const DateRange& range);

}  // namespace qdx
