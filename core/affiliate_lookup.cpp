#include "core/affiliate_lookup.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "core/record_file.h"
#include "core/tree.h"

namespace qdx {

namespace {

constexpr size_t kSize = AffiliateRecord::kSize;

// A pass reads every record from the first wanted to the last; record by
// record costs one read call each. On a million affiliates a call cost about
// 20 records of a pass with the file in the page cache and over 100 with it
// cold, so a pass is taken while the span holds at most 32 records per
// wanted one, and always when it fits in one of the pass's 1 MB reads.
constexpr int64_t kSpanPerRecord = 32;
constexpr int64_t kOneBlock = (1 << 20) / static_cast<int64_t>(kSize);

}  // namespace

void visit_affiliate_records(const RecordFile& file, std::span<const int32_t> numbers,
                             const std::function<void(size_t, const uint8_t*)>& visit) {
    static constexpr uint8_t kAbsent[kSize] = {};
    const int64_t n = file.isOpen() ? file.count() : 0;
    // Each wanted number with its place in the list, which keeps equal
    // numbers in list order once sorted.
    std::vector<uint64_t> wanted;
    wanted.reserve(numbers.size());
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] >= 1 && numbers[i] <= n)
            wanted.push_back(uint64_t(uint32_t(numbers[i])) << 32 | i);
        else
            visit(i, kAbsent);
    }
    if (wanted.empty()) return;
    // Most lists come by number already; sorting them would only cost time.
    if (!std::is_sorted(wanted.begin(), wanted.end())) std::sort(wanted.begin(), wanted.end());
    auto number = [](uint64_t w) { return static_cast<int64_t>(w >> 32); };
    auto place = [](uint64_t w) { return static_cast<size_t>(w & 0xffffffffu); };
    const int64_t first = number(wanted.front());
    const int64_t last = number(wanted.back());
    const auto count = static_cast<int64_t>(wanted.size());
    if (last - first > kSpanPerRecord * count + kOneBlock) {
        uint8_t record[kSize];
        for (uint64_t w : wanted) {
            file.readRaw(number(w), record);
            visit(place(w), record);
        }
        return;
    }
    size_t next = 0;
    file.scanBlocks(first, last, [&](int64_t k0, const uint8_t* block, size_t inBlock) {
        const int64_t end = k0 + static_cast<int64_t>(inBlock);
        while (next < wanted.size() && number(wanted[next]) < end) {
            const uint64_t w = wanted[next++];
            visit(place(w), block + static_cast<size_t>(number(w) - k0) * kSize);
        }
    });
}

void visit_affiliate_bytes(const AppState& state, std::span<const int32_t> ids,
                           const std::function<void(size_t, const uint8_t*)>& visit) {
    const RecordFile file = open_input(state.dataFile(file::kAffiliates), kSize);
    visit_affiliate_records(file, ids, visit);
}

void visit_affiliates(const AppState& state, std::span<const int32_t> ids,
                      const std::function<void(size_t, const AffiliateRecord&)>& visit) {
    visit_affiliate_bytes(state, ids, [&](size_t i, const uint8_t* bytes) {
        visit(i, AffiliateRecord::decode(bytes));
    });
}

struct AffiliateRecordBlock::File {
    explicit File(std::filesystem::path p) : path(std::move(p)) {}
    std::filesystem::path path;
    RecordFile records;
    bool opened = false;
};

AffiliateRecordBlock::AffiliateRecordBlock(std::filesystem::path affiliatesFile)
    : file_(std::make_unique<File>(std::move(affiliatesFile))) {}

AffiliateRecordBlock::~AffiliateRecordBlock() = default;

void AffiliateRecordBlock::load(std::span<const int32_t> numbers) {
    bytes_.resize(numbers.size() * kSize);
    if (!file_->opened) {
        file_->records = open_input(file_->path, kSize);
        file_->opened = true;
    }
    visit_affiliate_records(file_->records, numbers, [&](size_t i, const uint8_t* bytes) {
        std::memcpy(bytes_.data() + i * kSize, bytes, kSize);
    });
}

}  // namespace qdx
