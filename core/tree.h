#pragma once
// The referral tree: each affiliate names at most one referrer; affiliates
// without one are roots. Lookups read the affiliates file when called;
// operations that walk the tree for many affiliates load a ReferralTree once.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/app_state.h"
#include "core/record_file.h"

namespace qdx {

// Record count of data/affiliates.qdx; 0 when it does not exist.
int32_t count_affiliates(const AppState& state);
// Referrer's ID / Level of record id; 0 when id is outside 1..count.
int32_t get_referrer(const AppState& state, int32_t id);
int32_t get_level(const AppState& state, int32_t id);
// The reward level (1..levelsInUse) at which `upline` earns from sales of
// `affiliate`, or 0. An upline of 0 stands for a virtual root above all roots.
int32_t sub_level(const AppState& state, int32_t upline, int32_t affiliate);

// Opens a file an operation reads: created empty when missing, as long as its
// folder exists; with the folder missing the result is closed and holds nothing.
RecordFile open_input(const std::filesystem::path& path, size_t recordLength);

// The referrer, level and registration date of every affiliate, read in one pass.
class ReferralTree {
  public:
    // What is read of each affiliate: the referrer alone is a quarter of the
    // memory, for the computations that only walk up the tree (levels and
    // dates then read as 0).
    enum class Read { Everything, ReferrersOnly };
    static ReferralTree load(const AppState& state, Read read = Read::Everything);
    static ReferralTree fromFile(const RecordFile& affiliates, Read read = Read::Everything);

    int32_t count() const { return static_cast<int32_t>(referrer_.size()) - 1; }
    bool contains(int64_t id) const { return id >= 1 && id <= count(); }
    int32_t referrerOf(int64_t id) const { return contains(id) ? referrer_[id] : 0; }
    int32_t levelOf(int64_t id) const { return contains(id) && !level_.empty() ? level_[id] : 0; }
    double dateOf(int64_t id) const { return contains(id) && !date_.empty() ? date_[id] : 0; }
    // sub_level over the loaded table, with at most levelsInUse - 1 steps.
    int32_t subLevel(int32_t upline, int32_t affiliate, int32_t levelsInUse) const;

  private:
    std::vector<int32_t> referrer_{0}, level_{0};
    std::vector<double> date_{0};
};

}  // namespace qdx
