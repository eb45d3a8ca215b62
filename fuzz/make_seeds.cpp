// Makes the fuzzers' seed inputs from the example application folders:
//   qdx_fuzz_seeds EXAMPLES_DIR OUT_DIR
// writes OUT_DIR/{records,regional,reports,csv,safety}/ with a few small inputs each.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/ole_date.h"
#include "core/records.h"
#include "core/regional.h"
#include "fuzz/report_input.h"

namespace fs = std::filesystem;

namespace {

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

constexpr int32_t kAffiliates = 16;  // a seed keeps the first affiliates only

// The sales or payments of the kept affiliates, at most `limit`.
std::string money_of_kept(const std::string& file, size_t limit, double& firstDate) {
    std::string out;
    for (size_t at = 0; at + qdx::MoneyRecord::kSize <= file.size() && limit > 0;
         at += qdx::MoneyRecord::kSize) {
        auto r = qdx::MoneyRecord::decode(reinterpret_cast<const uint8_t*>(file.data() + at));
        if (r.affiliateId < 1 || r.affiliateId > kAffiliates) continue;
        out.append(file, at, qdx::MoneyRecord::kSize);
        firstDate = std::min(firstDate, r.date);
        --limit;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qdx_fuzz_seeds EXAMPLES_DIR OUT_DIR\n");
        return 2;
    }
    const fs::path examples = argv[1], out = argv[2];
    for (const char* target : {"records", "regional", "reports", "csv", "safety", "payees"})
        fs::create_directories(out / target);

    std::vector<fs::path> worlds;
    for (const auto& entry : fs::directory_iterator(examples))
        if (fs::is_directory(entry.path() / "app" / "data")) worlds.push_back(entry.path());
    std::sort(worlds.begin(), worlds.end());

    qdx::Regional gb, de, us;
    de.shortDateFormat = "dd.MM.yyyy";
    de.decimalSeparator = ',';
    us.shortDateFormat = "M/d/yyyy";

    // Typed text the readers know, besides what the examples give.
    const char* typed[] = {"15 March 2003",
                           "2003-03-15",
                           "15-Mar-2003",
                           "15. M\xE4rz 2003",
                           "15.03.2003 \xD0\xB3.",
                           " 1.234,5 ",
                           "-0,0005",
                           "1E+07",
                           "2,5e-3"};
    for (size_t k = 0; k < std::size(typed); ++k)
        write(out / "regional" / ("typed-" + std::to_string(k)), typed[k]);

    // Files to import, as spreadsheets and shops write them: the first byte
    // is the delimiter.
    const char* files[] = {
        ",\xEF\xBB\xBF\"affiliate_id\",\"date\",\"sum\",\"details\"\r\n"
        "\"2\",\"2003-03-10\",\"12.5\",\"Order 71, \"\"blue\"\"\"\r\n"
        "3,2003-03-11,1000,\"two\r\nlines\"\r\n",
        ";Name;Surname;Referrer's ID;Date\nRen\xE9;M\xFCller;0;15.03.2003\nAnn;;1;16.03.2003\n",
        "\taffiliate_id\tdate\tsum\n1\t15/03/2003\t1,5\n\n2\t\"16/03/2003\"\t2\n",
        ",a,b\n\"unclosed,1\n"};
    for (size_t k = 0; k < std::size(files); ++k)
        write(out / "csv" / ("file-" + std::to_string(k)), files[k]);

    // A history (behind an even byte) and a manifest (behind an odd one).
    const char* safety[] = {
        "h2026-12-07T01:40:00+01:00\tann\tQdx\taffiliates\t7\tsaved: Name: Ann \xE2\x86\x92 Anna\n"
        "2026-12-07T01:41:00+01:00\tann\tqdx-import\tsales\t80\timport of s.csv\n"
        "2026-12-07T01:42:00+01:00\tann\tQdx\tsales\t3\tsaved: Su",
        "mqdx-backup 1\ncreated 2026-12-07T01:40:00+01:00\n"
        "file 16 ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad data/sales.qdx\n"
        "file 0 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 addinfo/s 1.txt\n"
        "end 2\n"};
    for (size_t k = 0; k < std::size(safety); ++k)
        write(out / "safety" / ("text-" + std::to_string(k)), safety[k]);

    for (size_t w = 0; w < worlds.size(); ++w) {
        const fs::path data = worlds[w] / "app" / "data";
        const std::string name = worlds[w].filename().string();
        const std::string affiliates = read(data / qdx::file::kAffiliates);
        const std::string settings = read(data / qdx::file::kSettings);
        const std::string salesFile = read(data / qdx::file::kSales);
        const std::string paymentsFile = read(data / qdx::file::kPayments);

        // One record of each stored kind, behind its type byte.
        const std::pair<int, const std::string*> kinds[] = {
            {0, &affiliates}, {1, &settings}, {2, &salesFile}, {2, &paymentsFile}};
        int n = 0;
        for (auto [type, file] : kinds)
            write(out / "records" / (name + "-" + std::to_string(n++)),
                  std::string(1, static_cast<char>(type)) + file->substr(0, 225));

        // The dates and sums of the first sales as each locale writes them.
        for (size_t at = 0; at + 16 <= salesFile.size() && at < 3 * 16; at += 16) {
            auto r = qdx::MoneyRecord::decode(reinterpret_cast<const uint8_t*>(&salesFile[at]));
            const std::string stem = name + "-" + std::to_string(at / 16);
            write(out / "regional" / (stem + "-gb-date"), qdx::format_date(r.date, gb));
            write(out / "regional" / (stem + "-de-date"), qdx::format_date(r.date, de));
            write(out / "regional" / (stem + "-us-date"), qdx::format_date(r.date, us));
            write(out / "regional" / (stem + "-de-sum"), qdx::format_single(r.sum, de));
            write(out / "regional" / (stem + "-gb-sum"), qdx::format_single(r.sum, gb));
        }

        // A small folder: the first affiliates and their sales and payments,
        // under two of the reports, from the first sale on for about a year.
        double first = 1e9;
        std::vector<std::string> files = {
            affiliates.substr(0, kAffiliates * qdx::AffiliateRecord::kSize), settings,
            money_of_kept(salesFile, 40, first), money_of_kept(paymentsFile, 20, first)};
        const auto from = static_cast<uint16_t>(first < 1e9 ? first - qdx::fuzz::kFirstDay : 0);
        for (int k = 0; k < 2; ++k) {
            const int report = static_cast<int>((2 * w + static_cast<size_t>(k)) % 7);
            const auto flags = static_cast<uint8_t>(report | (k ? 8 : 0));
            write(out / "reports" / (name + "-" + std::to_string(report)),
                  qdx::fuzz::join_report_input(flags, static_cast<uint16_t>(1 + w), from, 400,
                                               files));
        }
    }
    return 0;
}
