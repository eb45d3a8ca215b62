#include "core/direct_referrals.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "core/atomic_file.h"
#include "core/file_error.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/tree.h"

namespace qdx {

namespace {

constexpr char kMagic[8] = {'Q', 'D', 'X', 'R', 'E', 'F', 'I', '1'};
struct Header {
    char magic[8];
    platform::FileStamp affiliates;  // the affiliates file the index was built from
    int64_t n;                       // its records
    int64_t total;                   // entries
};
static_assert(sizeof(Header) == 56);
static_assert(sizeof(Referral) == 16);

// Entries and counts read at a time in the passes over the whole index.
constexpr size_t kChunk = 1 << 16;

uint64_t index_size(int64_t n, int64_t total) {
    return sizeof(Header) + 4 * static_cast<uint64_t>(n + 1) + sizeof(Referral) * total;
}

// Whether the file stamped so has been left alone long enough to be indexed.
bool still_long_enough(const platform::FileStamp& stamp) {
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    return stamp.modified <= now && now - stamp.modified > kStillBeforeIndexing;
}

void save(const AppState& state, const platform::FileStamp& stamp, const ReferralIndex& index) {
    const ReferralTree& tree = index.tree();
    const int32_t n = index.count();
    Header header{};
    std::memcpy(header.magic, kMagic, 8);
    header.affiliates = stamp;
    header.n = n;
    int64_t total = 0;
    for (int32_t p = 1; p <= n; ++p) total += static_cast<int64_t>(index.children(p).size());
    header.total = total;

    AtomicFile file(referrals_index_file(state));
    file.write(&header, sizeof header);
    std::vector<uint32_t> ends;
    ends.reserve(kChunk);
    ends.push_back(0);
    uint32_t end = 0;
    for (int32_t p = 1; p <= n; ++p) {
        end += static_cast<uint32_t>(index.children(p).size());
        ends.push_back(end);
        if (ends.size() == kChunk) {
            file.write(ends.data(), ends.size() * 4);
            ends.clear();
        }
    }
    file.write(ends.data(), ends.size() * 4);
    std::vector<Referral> entries;
    entries.reserve(kChunk);
    for (int32_t p = 1; p <= n; ++p)
        for (int32_t c : index.children(p)) {
            entries.push_back({c, tree.levelOf(c), tree.dateOf(c)});
            if (entries.size() == kChunk) {
                file.write(entries.data(), entries.size() * sizeof(Referral));
                entries.clear();
            }
        }
    file.write(entries.data(), entries.size() * sizeof(Referral));
    file.commit();
}

bool read_exactly(const platform::File& file, uint64_t at, void* buffer, size_t size) {
    const platform::Io io = file.readAt(at, buffer, size);
    return io.error == 0 && io.bytes == size;
}

}  // namespace

std::filesystem::path referrals_index_file(const AppState& state) {
    return state.dataFile("referrals.idx");
}

DirectReferrals DirectReferrals::fromAffiliates(const AppState& state) {
    DirectReferrals d;
    const auto path = state.dataFile(file::kAffiliates);
    RecordFile affiliates = open_input(path, AffiliateRecord::kSize);
    if (!affiliates.isOpen()) {
        d.memory_.emplace();
        return d;
    }
    platform::FileStamp before, after;
    const bool stamped = platform::file_stamp(path, before) == 0;
    d.memory_.emplace(ReferralTree::fromFile(affiliates));
    d.n_ = d.memory_->count();
    // Saved only when the file read is the file stamped.
    if (d.n_ > 0 && stamped && platform::file_stamp(path, after) == 0 && after == before &&
        still_long_enough(before)) {
        try {
            save(state, before, *d.memory_);
        } catch (const FileError&) {
            // A folder that takes no index: the report goes on without one.
        }
    }
    return d;
}

DirectReferrals DirectReferrals::build(const AppState& state) { return fromAffiliates(state); }

DirectReferrals DirectReferrals::open(const AppState& state) {
    const auto path = state.dataFile(file::kAffiliates);
    platform::FileStamp stamp;
    if (!file_exists(path) || platform::file_stamp(path, stamp) != 0) return fromAffiliates(state);
    DirectReferrals d;
    Header header{};
    uint64_t size = 0;
    if (d.file_.open(referrals_index_file(state), platform::Mode::Read) != 0 ||
        d.file_.size(size) != 0 || !read_exactly(d.file_, 0, &header, sizeof header) ||
        std::memcmp(header.magic, kMagic, 8) != 0 || !(header.affiliates == stamp) ||
        header.n != record_count_for(stamp.size, AffiliateRecord::kSize) || header.n < 1 ||
        header.n > INT32_MAX || header.total < 0 || header.total > header.n ||
        size != index_size(header.n, header.total)) {
        d.file_.close();
        return fromAffiliates(state);
    }
    d.n_ = static_cast<int32_t>(header.n);
    d.total_ = static_cast<uint32_t>(header.total);
    d.entriesAt_ = sizeof(Header) + 4 * static_cast<uint64_t>(header.n + 1);
    return d;
}

bool DirectReferrals::referralsOf(int32_t referrer, std::vector<Referral>& out) const {
    if (referrer < 1 || referrer > n_) return true;
    if (memory_) {
        const ReferralTree& tree = memory_->tree();
        for (int32_t c : memory_->children(referrer))
            out.push_back({c, tree.levelOf(c), tree.dateOf(c)});
        return true;
    }
    uint32_t range[2];
    if (!read_exactly(file_, sizeof(Header) + 4 * static_cast<uint64_t>(referrer - 1), range, 8) ||
        range[0] > range[1] || range[1] > total_)
        return false;
    const size_t at = out.size();
    out.resize(at + (range[1] - range[0]));
    if (!read_exactly(file_, entriesAt_ + sizeof(Referral) * static_cast<uint64_t>(range[0]),
                      out.data() + at, sizeof(Referral) * (range[1] - range[0])))
        return false;
    return std::all_of(out.begin() + static_cast<long>(at), out.end(),
                       [&](const Referral& r) { return r.id >= 1 && r.id <= n_; });
}

bool DirectReferrals::countRegistered(const DateRange& range,
                                      const std::function<void(int32_t, int32_t)>& visit) const {
    if (memory_) {
        const ReferralTree& tree = memory_->tree();
        for (int32_t p = 1; p <= n_; ++p) {
            int32_t registered = 0;
            for (int32_t c : memory_->children(p)) registered += range.contains(tree.dateOf(c));
            visit(p, registered);
        }
        return true;
    }
    // The counts and the entries are each read a chunk at a time, in step.
    std::vector<uint32_t> ends(kChunk + 1);
    std::vector<Referral> entries(kChunk);
    uint64_t entriesFrom = 0, entriesTo = 0;  // the entries in memory
    uint32_t previous = 0;
    for (int32_t first = 1; first <= n_;) {
        const auto count = static_cast<size_t>(std::min<int64_t>(kChunk, n_ - first + 1));
        if (!read_exactly(file_, sizeof(Header) + 4 * static_cast<uint64_t>(first), ends.data(),
                          count * 4))
            return false;
        for (size_t i = 0; i < count; ++i) {
            const uint32_t end = ends[i];
            if (end < previous || end > total_) return false;
            int32_t registered = 0;
            for (uint64_t e = previous; e < end; ++e) {
                if (e >= entriesTo) {
                    entriesFrom = e;
                    entriesTo = std::min<uint64_t>(e + kChunk, total_);
                    if (!read_exactly(file_, entriesAt_ + sizeof(Referral) * entriesFrom,
                                      entries.data(), sizeof(Referral) * (entriesTo - entriesFrom)))
                        return false;
                }
                registered += range.contains(entries[e - entriesFrom].date);
            }
            previous = end;
            visit(first + static_cast<int32_t>(i), registered);
        }
        first += static_cast<int32_t>(count);
    }
    return previous == total_;
}

std::optional<Network> network_of(const DirectReferrals& referrals, int32_t id, int32_t idLevel,
                                  int32_t levels, bool registered, const DateRange& range) {
    Network network;
    network.bits.assign(static_cast<size_t>(referrals.count()) / 64 + 1, 0);
    auto firstMeeting = [&](int32_t k) {
        uint64_t& word = network.bits[static_cast<size_t>(k) >> 6];
        const uint64_t bit = uint64_t{1} << (static_cast<unsigned>(k) & 63);
        if (word & bit) return false;
        word |= bit;
        return true;
    };
    std::vector<NetworkMember>& members = network.members;
    firstMeeting(id);
    members.push_back({id, 1, idLevel, 0});
    std::vector<size_t> generation{0}, next;  // indices into members
    std::vector<Referral> below;
    for (int32_t rank = 1; !generation.empty(); ++rank) {
        const bool deeper = rank < levels;
        if (!deeper && !registered) break;
        next.clear();
        for (size_t at : generation) {
            below.clear();
            if (!referrals.referralsOf(members[at].id, below)) return std::nullopt;
            if (registered)
                members[at].registered = static_cast<int32_t>(
                    std::count_if(below.begin(), below.end(),
                                  [&](const Referral& r) { return range.contains(r.date); }));
            if (!deeper) continue;
            for (const Referral& r : below)
                if (firstMeeting(r.id)) {
                    next.push_back(members.size());
                    members.push_back({r.id, rank + 1, r.level, 0});
                }
        }
        if (!deeper) break;
        std::swap(generation, next);
    }
    std::sort(members.begin(), members.end(),
              [](const NetworkMember& a, const NetworkMember& b) { return a.id < b.id; });
    return network;
}

}  // namespace qdx
