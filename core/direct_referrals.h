#pragma once
// The direct referrals of every affiliate, kept in data/referrals.idx beside
// the affiliates file, so that a report on one affiliate's network reads that
// network and not the whole file. The affiliates file stays the record: the
// index is trusted only while the file's length, time of change and identity
// are those it was built from, and it is written only once the file has been
// still for a few seconds, so that a change within the same tick of the file
// system's clock cannot leave a stale index trusted.
//
// Layout: the header, then for referrers 1..n the end of each one's entries
// (n + 1 counts, the first 0), then the entries, grouped by referrer and in
// record order within a group: the record's number, Level and date. Records
// naming 0 or a referrer not on file are not listed.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "core/app_state.h"
#include "core/date_range.h"
#include "core/platform/platform.h"
#include "core/referral_index.h"

namespace qdx {

// A record naming a referrer.
struct Referral {
    int32_t id = 0;
    int32_t level = 0;
    double date = 0;
};

std::filesystem::path referrals_index_file(const AppState& state);

// How long the affiliates file must have been unchanged before an index of
// it is written.
constexpr int64_t kStillBeforeIndexing = 5'000'000'000;  // ns

class DirectReferrals {
  public:
    // The index when it matches the affiliates file; otherwise built from the
    // file (opened as an input: created empty when missing) in one pass, and
    // saved when the file has been still long enough and the folder takes it.
    static DirectReferrals open(const AppState& state);
    // Built from the affiliates file whatever the index holds, and saved as
    // open() saves it.
    static DirectReferrals build(const AppState& state);

    int32_t count() const { return n_; }
    bool fromIndex() const { return file_.isOpen(); }
    // Appends the records naming `referrer` (1..count) in record order; false
    // when the index proves damaged.
    bool referralsOf(int32_t referrer, std::vector<Referral>& out) const;
    // For referrer = 1..count in turn, visit(referrer, registered): how many
    // of its referrals registered within `range`. False when the index proves
    // damaged (visit may have been called for some referrers).
    bool countRegistered(const DateRange& range,
                         const std::function<void(int32_t, int32_t)>& visit) const;

  private:
    static DirectReferrals fromAffiliates(const AppState& state);

    int32_t n_ = 0;
    std::optional<ReferralIndex> memory_;
    platform::File file_;
    uint64_t entriesAt_ = 0;  // where the entries begin in the index file
    uint32_t total_ = 0;      // entries in the index file
};

// An affiliate's network down to `levels` ranks by the sub_level rule: the
// affiliate itself at rank 1, its direct referrals at 2, and so on; a member
// met again on a referral cycle keeps its nearest rank.
struct NetworkMember {
    int32_t id = 0;
    int32_t rank = 0;
    int32_t level = 0;       // the stored Level
    int32_t registered = 0;  // direct referrals registered in the range (when asked for)
};
struct Network {
    std::vector<NetworkMember> members;  // ascending IDs
    std::vector<uint64_t> bits;          // bit k: affiliate k is a member
    bool has(int64_t k) const {
        return (bits[static_cast<size_t>(k) >> 6] >> (static_cast<unsigned>(k) & 63)) & 1;
    }
};

// The network of `id` (1..count; `idLevel` its stored Level). With
// `registered`, each member's referrals registered within `range` are
// counted, which reads the referrals of the deepest rank too. Nothing when
// the index proves damaged.
std::optional<Network> network_of(const DirectReferrals& referrals, int32_t id, int32_t idLevel,
                                  int32_t levels, bool registered, const DateRange& range);

}  // namespace qdx
