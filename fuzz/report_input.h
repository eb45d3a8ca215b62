#pragma once
// The report fuzzer's input: a header choosing the report, the ID and the
// range, and the register files of the folder. Shared by the fuzzer and the
// program that makes its seeds, so that both agree on the layout.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app_state.h"

namespace qdx::fuzz {

constexpr std::string_view kFileMark = "\n#QDX-FILE#\n";
constexpr size_t kHeaderSize = 7;
constexpr double kFirstDay = 36526;  // 1 January 2000
constexpr std::array<const char*, 4> kRegisterFiles = {file::kAffiliates, file::kSettings,
                                                       file::kSales, file::kPayments};

struct ReportInput {
    int report = 0;  // 0 accounts .. 6 downline
    bool full = false, pages = false, registerPayments = false;
    uint16_t id = 0;
    double datefrom = 0, dateto = 0;
    std::vector<std::string_view> files;  // in the order of kRegisterFiles
};

inline uint16_t get_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline std::optional<ReportInput> split_report_input(const uint8_t* data, size_t size) {
    if (size < kHeaderSize) return std::nullopt;
    ReportInput in;
    in.report = (data[0] & 7) % 7;
    in.full = data[0] & 8;
    in.pages = data[0] & 16;
    in.registerPayments = data[0] & 32;
    in.id = get_u16(data + 1);
    in.datefrom = kFirstDay + get_u16(data + 3);
    in.dateto = in.datefrom + get_u16(data + 5);
    std::string_view rest(reinterpret_cast<const char*>(data) + kHeaderSize, size - kHeaderSize);
    size_t at = rest.find(kFileMark);
    while (at != std::string_view::npos && in.files.size() < kRegisterFiles.size()) {
        rest.remove_prefix(at + kFileMark.size());
        at = rest.find(kFileMark);
        in.files.push_back(rest.substr(0, at));
    }
    return in;
}

inline std::string join_report_input(uint8_t flags, uint16_t id, uint16_t from, uint16_t days,
                                     const std::vector<std::string>& files) {
    std::string out(1, static_cast<char>(flags));
    for (uint16_t v : {id, from, days}) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>(v >> 8);
    }
    for (const std::string& f : files) out += std::string(kFileMark) + f;
    return out;
}

}  // namespace qdx::fuzz
