// The detail cells of a long table read a round of rows at a time, in one
// pass over the affiliates file: reading each row's record by itself costs a
// system call a row, which at a million scattered rows is most of an export.
#include <algorithm>
#include <charconv>
#include <limits>

#include "core/parallel.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/tree.h"
#include "reports/report_table.h"

namespace qdx {

namespace {

constexpr size_t kRecord = AffiliateRecord::kSize;
// Records per read of the pass (1 MB).
constexpr int64_t kBlockRecords = (1 << 20) / static_cast<int64_t>(kRecord);
// What a round may hold: its cells and offsets, kept far below the table's own.
constexpr size_t kRoundBytes = 16u << 20;
constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();
// Cells are kept in chunks of 1 MB (an offset is a chunk's number and a place
// in it), filled without the spare room a growing string keeps.
constexpr unsigned kChunkBits = 20;
constexpr size_t kChunk = size_t{1} << kChunkBits;

// The records of blocks from..to-1 of a pass, of `parts`.
size_t part_begin(size_t blocks, size_t t, size_t parts) { return blocks * t / parts; }

}  // namespace

size_t ReportTable::detailRoundRows(const DetailRound* last) const {
    size_t perRow = 0;
    for (const Column& col : columns_)
        if (col.kind == Kind::Detail) perRow += col.field.width + 1;
    if (perRow == 0) return 0;
    perRow += 4 * records_.size();
    // After a round, what its rows took (with a margin), not what they could.
    if (last && last->count > 0)
        perRow =
            std::min(perRow, (last->bytes + 4 * last->offsets.size()) / last->count * 5 / 4 + 1);
    return std::max<size_t>(4096, kRoundBytes / perRow);
}

std::unique_ptr<ReportTable::DetailRound> ReportTable::readDetails(size_t first,
                                                                   size_t count) const {
    std::vector<std::vector<const Column*>> byList(records_.size());
    size_t largest = 0;  // the most one entry's cells take
    for (const Column& col : columns_)
        if (col.kind == Kind::Detail && col.list < byList.size()) {
            byList[col.list].push_back(&col);
            largest += col.field.width + 1;
        }
    if (largest == 0) return nullptr;
    auto round = std::make_unique<DetailRound>();
    round->first = first;
    round->count = count;
    round->lists = records_.size();
    round->offsets.assign(count * round->lists, kNone);

    const RecordFile file = open_input(affiliatesFile_, kRecord);
    const int64_t onFile = file.isOpen() ? file.count() : 0;
    auto numberOf = [&](size_t entry) {
        const auto& numbers = records_[entry % round->lists];
        const size_t row = first + entry / round->lists;
        if (row >= numbers.size() || byList[entry % round->lists].empty()) return kNoRecord;
        return numbers[row];
    };
    // Puts an entry's cells into `chunks` and returns where they begin.
    auto encode = [&](std::vector<std::string>& chunks, size_t entry, const uint8_t* record) {
        if (chunks.empty() || chunks.back().size() + largest > kChunk) {
            chunks.emplace_back();
            chunks.back().reserve(kChunk);
        }
        std::string& out = chunks.back();
        const auto at = static_cast<uint32_t>(((chunks.size() - 1) << kChunkBits) | out.size());
        for (const Column* col : byList[entry % round->lists]) {
            const uint8_t* field = record + col->field.offset;
            if (col->field.type == layout::Type::Int32) {
                out.append(reinterpret_cast<const char*>(field), 4);
                continue;
            }
            size_t length = col->field.width;
            while (length > 0 && field[length - 1] == ' ') --length;
            out += static_cast<char>(length);
            out.append(reinterpret_cast<const char*>(field), length);
        }
        return at;
    };

    // The entries sorted into the pass's blocks; a number not on file reads
    // as an all-zero record, as a read past the file's end does.
    const auto blocks = static_cast<size_t>((onFile + kBlockRecords - 1) / kBlockRecords);
    std::vector<uint32_t> start(blocks + 2, 0);
    std::vector<uint32_t> absent;
    for (size_t e = 0; e < round->offsets.size(); ++e) {
        const int32_t k = numberOf(e);
        if (k == kNoRecord) continue;
        if (k < 1 || k > onFile)
            absent.push_back(static_cast<uint32_t>(e));
        else
            ++start[static_cast<size_t>((k - 1) / kBlockRecords) + 2];
    }
    for (size_t b = 2; b < start.size(); ++b) start[b] += start[b - 1];
    std::vector<uint32_t> entries(start.back());
    for (size_t e = 0; e < round->offsets.size(); ++e) {
        const int32_t k = numberOf(e);
        if (k == kNoRecord || k < 1 || k > onFile) continue;
        entries[start[static_cast<size_t>((k - 1) / kBlockRecords) + 1]++] =
            static_cast<uint32_t>(e);
    }
    // start[b] is now where block b's entries begin.

    // Each core reads a stretch of the blocks into chunks of its own; the
    // chunks' numbers are moved past the other cores' afterwards.
    const size_t parts = entries.size() < 65536 ? 1 : core_count();
    std::vector<std::vector<std::string>> chunks(parts);
    run_parts(parts, [&](size_t t) {
        const size_t to = part_begin(blocks, t + 1, parts);
        for (size_t b = part_begin(blocks, t, parts); b < to;) {
            if (start[b] == start[b + 1]) {
                ++b;
                continue;
            }
            size_t end = b + 1;  // a run of blocks with something wanted
            while (end < to && start[end] != start[end + 1]) ++end;
            file.scanBlocks(
                static_cast<int64_t>(b) * kBlockRecords + 1,
                std::min(onFile, static_cast<int64_t>(end) * kBlockRecords),
                [&](int64_t k0, const uint8_t* block, size_t records) {
                    // The entries of this stretch of the file, whatever
                    // size the reads come in.
                    const int64_t k1 = k0 + static_cast<int64_t>(records);
                    const auto last = static_cast<size_t>((k1 - 2) / kBlockRecords);
                    for (auto at = static_cast<size_t>((k0 - 1) / kBlockRecords); at <= last; ++at)
                        for (uint32_t i = start[at]; i < start[at + 1]; ++i) {
                            const uint32_t e = entries[i];
                            const int64_t k = numberOf(e);
                            if (k < k0 || k >= k1) continue;
                            round->offsets[e] =
                                encode(chunks[t], e, block + static_cast<size_t>(k - k0) * kRecord);
                        }
                });
            b = end;
        }
    });
    for (size_t t = 0; t < parts; ++t) {
        const auto base = static_cast<uint32_t>(round->chunks.size() << kChunkBits);
        if (base != 0)
            for (uint32_t i = start[part_begin(blocks, t, parts)];
                 i < start[part_begin(blocks, t + 1, parts)]; ++i)
                round->offsets[entries[i]] += base;
        for (std::string& chunk : chunks[t]) {
            round->bytes += chunk.size();
            round->chunks.push_back(std::move(chunk));
        }
    }
    static constexpr uint8_t kZeros[kRecord] = {};
    for (uint32_t e : absent) round->offsets[e] = encode(round->chunks, e, kZeros);
    return round;
}

bool ReportTable::appendFromRound(std::string& out, const DetailRound& round, size_t c, size_t row,
                                  RoundPlace& place) const {
    const Column& col = columns_[c];
    if (row < round.first || row >= round.first + round.count || col.list >= round.lists)
        return false;
    const uint32_t at = round.offsets[(row - round.first) * round.lists + col.list];
    if (at == kNone) return true;  // no record: an empty cell
    // Past the cells of the entry's columns before this one, from where the
    // last cell of the entry ended when that was an earlier column.
    const auto* p = reinterpret_cast<const uint8_t*>(round.chunks[at >> kChunkBits].data()) +
                    (at & (kChunk - 1));
    // A number takes its 4 bytes, a text its length byte and that many.
    auto past = [](const Column& cell, const uint8_t* at) {
        return at + (cell.field.type == layout::Type::Int32 ? 4 : 1 + size_t{*at});
    };
    size_t k = 0;
    if (place.row == row && place.list == col.list && place.column < c) {
        p = place.next;
        k = place.column + 1;
    }
    for (; k < c; ++k) {
        const Column& other = columns_[k];
        if (other.kind == Kind::Detail && other.list == col.list) p = past(other, p);
    }
    place = {row, col.list, c, past(col, p)};
    if (col.field.type == layout::Type::Int32) {
        char text[16];
        out.append(text, std::to_chars(text, text + sizeof text, le::get_i32(p)).ptr);
        return true;
    }
    out.append(reinterpret_cast<const char*>(p + 1), *p);
    out.append(col.field.width - *p, ' ');
    return true;
}

}  // namespace qdx
