#pragma once
// Reading the affiliate records a report lists, in bulk: the one reader of
// the affiliates file by lists of record numbers.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "core/app_state.h"
#include "core/records.h"

namespace qdx {

class RecordFile;

// Hands the stored bytes of the record each of `numbers` names to
// `visit(index into numbers, bytes)`. When the numbers lie close together
// the file is read in one forward pass from the first to the last of them,
// else record by record; a number that is not on file reads as an all-zero
// record, as a read past the file's end does.
void visit_affiliate_records(const RecordFile& affiliates, std::span<const int32_t> numbers,
                             const std::function<void(size_t, const uint8_t*)>& visit);

// The same for the application's affiliates file.
void visit_affiliate_bytes(const AppState& state, std::span<const int32_t> ids,
                           const std::function<void(size_t, const uint8_t*)>& visit);

// The same with the records decoded.
void visit_affiliates(const AppState& state, std::span<const int32_t> ids,
                      const std::function<void(size_t, const AffiliateRecord&)>& visit);

// Records of an affiliates file fetched by record number, a list at a time,
// through one file opened on the first load: for windows of rows that are
// read again and again (a report's detail columns, a payout file's rows).
class AffiliateRecordBlock {
  public:
    explicit AffiliateRecordBlock(std::filesystem::path affiliatesFile);
    ~AffiliateRecordBlock();
    AffiliateRecordBlock(const AffiliateRecordBlock&) = delete;
    AffiliateRecordBlock& operator=(const AffiliateRecordBlock&) = delete;

    // Reads the records `numbers` names; record(i) is then numbers[i]'s.
    void load(std::span<const int32_t> numbers);
    const uint8_t* record(size_t i) const { return bytes_.data() + i * AffiliateRecord::kSize; }

  private:
    struct File;
    std::unique_ptr<File> file_;
    std::vector<uint8_t> bytes_;
};

}  // namespace qdx
