#include "safety/check.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <sstream>
#include <system_error>
#include <unordered_map>

#include "core/app_state.h"
#include "core/corrections.h"
#include "core/downline_cache.h"
#include "core/downline_index.h"
#include "core/files.h"
#include "core/history.h"
#include "core/hold_period.h"
#include "core/import_journal.h"
#include "core/ole_date.h"
#include "core/payment_runs.h"
#include "core/platform/platform.h"
#include "core/record_file.h"
#include "core/records.h"
#include "reports/reports.h"

namespace qdx {

namespace fs = std::filesystem;

namespace {

std::string number(double v) {
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return std::string(text, ec == std::errc() ? end : text);
}
std::string number(float v) {
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return std::string(text, ec == std::errc() ? end : text);
}

// Reads records 1..n of a file in large blocks without opening it as a
// register (which would finish an unfinished append): the check changes nothing.
void scan_file(const fs::path& path, size_t length, int64_t n,
               const std::function<void(int64_t, const uint8_t*)>& visit) {
    platform::File file;
    if (const int err = file.open(path, platform::Mode::Read); err != 0)
        throw FileError("read", path, err);
    const int64_t perBlock = std::max<int64_t>(1, (4 << 20) / static_cast<int64_t>(length));
    std::vector<uint8_t> block(static_cast<size_t>(perBlock) * length);
    for (int64_t first = 1; first <= n; first += perBlock) {
        const int64_t count = std::min(perBlock, n - first + 1);
        const size_t want = static_cast<size_t>(count) * length;
        // What cannot be read counts as zeros, like what lies past the end.
        const size_t got =
            file.readAt(static_cast<uint64_t>(first - 1) * length, block.data(), want).bytes;
        std::fill(block.begin() + static_cast<ptrdiff_t>(got),
                  block.begin() + static_cast<ptrdiff_t>(want), 0);
        for (int64_t i = 0; i < count; ++i)
            visit(first + i, block.data() + static_cast<size_t>(i) * length);
    }
}

using platform::process_running;

struct Checker {
    fs::path appDir;
    Progress& progress;
    CheckReport report;

    void add(std::string file, int64_t record, std::string field, std::string problem,
             std::string repair, RepairKind kind = RepairKind::Nothing, int64_t value = 0) {
        report.findings.push_back({std::move(file), record, std::move(field), std::move(problem),
                                   std::move(repair), kind, value});
    }

    // Lengths noted by unfinished appends: what lies beyond is cut at the next start.
    std::unordered_map<std::string, uint64_t> appendedFrom;

    // The number of whole records of data/<name>; a trailing fragment is a finding.
    int64_t wholeRecords(const char* name, size_t length) {
        const fs::path path = appDir / "data" / name;
        std::error_code ec;
        auto size = fs::file_size(path, ec);
        if (ec) return 0;
        if (auto noted = appendedFrom.find(name); noted != appendedFrom.end())
            size = std::min<uintmax_t>(size, noted->second);
        const int64_t whole = static_cast<int64_t>(size / length);
        if (const uint64_t rest = size % length; rest != 0) {
            add(std::string("data/") + name, whole + 1, "",
                "the file ends in a fragment of " + std::to_string(rest) + " bytes after record " +
                    std::to_string(whole) + " (a record is " + std::to_string(length) + " bytes)",
                "move the " + std::to_string(rest) + " bytes out to data/" + name + ".fragment",
                RepairKind::MoveFragment);
        }
        return whole;
    }

    void checkDate(const std::string& file, int64_t k, const char* field, double date) {
        if (!is_calendar_date(date)) {
            add(file, k, field,
                "holds " + number(date) + ", which is not a calendar day of the years 100 to 9999",
                "none: type the right date in the register window");
        } else if (date != std::trunc(date)) {
            add(file, k, field,
                "holds " + number(date) + ", a time of day; stored dates are whole days",
                "none: type the date again in the register window");
        }
    }

    void checkSum(const std::string& file, int64_t k, const char* field, float sum) {
        if (std::isnan(sum))
            add(file, k, field, "is not a number (NaN)",
                "none: type the right sum in the register window");
        else if (std::isinf(sum))
            add(file, k, field, "is infinite", "none: type the right sum in the register window");
        else if (sum < 0)
            add(file, k, field, "is negative (" + number(sum) + ")",
                "none: type the right sum in the register window");
    }

    std::vector<int32_t> referrer{0}, level{0};

    void checkAffiliates() {
        const char* name = file::kAffiliates;
        const std::string file = std::string("data/") + name;
        const int64_t n = wholeRecords(name, AffiliateRecord::kSize);
        report.affiliates = n;
        if (n == 0) return;
        referrer.resize(static_cast<size_t>(n) + 1);
        level.resize(static_cast<size_t>(n) + 1);
        progress.stage("Reading the affiliates", n, "affiliates");
        scan_file(appDir / "data" / name, AffiliateRecord::kSize, n,
                  [&](int64_t k, const uint8_t* bytes) {
                      progress.step(k);
                      const int32_t id = layout::get<layout::affiliate::kId>(bytes);
                      const int32_t ref = layout::get<layout::affiliate::kReferrerId>(bytes);
                      referrer[static_cast<size_t>(k)] = ref;
                      level[static_cast<size_t>(k)] = layout::get<layout::affiliate::kLevel>(bytes);
                      if (id != k)
                          add(file, k, "Affiliate's ID",
                              "holds " + std::to_string(id) + "; it must equal the record number",
                              "none: the record's place is its ID; see what refers to it before "
                              "changing it");
                      if (ref < 0)
                          add(file, k, "Referrer's ID", "is negative (" + std::to_string(ref) + ")",
                              "none: type the right referrer in the affiliates window");
                      else if (ref > n)
                          add(file, k, "Referrer's ID",
                              "names affiliate " + std::to_string(ref) + ", beyond the file's " +
                                  std::to_string(n) + " affiliates",
                              "none: type the right referrer in the affiliates window");
                      else if (ref == k)
                          add(file, k, "Referrer's ID", "names the affiliate itself",
                              "none: type the right referrer in the affiliates window");
                      checkDate(file, k, "Date", layout::get<layout::affiliate::kDate>(bytes));
                  });
        walkTree(file, n);
    }

    // Finds the referral cycles and checks each Level against its referrer's;
    // the Levels that a repair can recompute come from the depth in the tree.
    void walkTree(const std::string& file, int64_t n) {
        progress.stage("Walking the referral tree", n, "affiliates");
        // 0 not met, 1 on the walk in hand, 2 done; depth -1 where the chain
        // is broken (a cycle or a referrer outside the file above it).
        std::vector<uint8_t> state(static_cast<size_t>(n) + 1, 0);
        std::vector<int32_t> depth(static_cast<size_t>(n) + 1, 0);
        std::vector<int32_t> path;
        auto valid = [&](int32_t r) { return r >= 1 && r <= n; };
        for (int64_t start = 1; start <= n; ++start) {
            progress.step(start);
            if (state[static_cast<size_t>(start)] == 2) continue;
            path.clear();
            int32_t c = static_cast<int32_t>(start);
            while (true) {
                state[static_cast<size_t>(c)] = 1;
                path.push_back(c);
                const int32_t r = referrer[static_cast<size_t>(c)];
                if (!valid(r) || state[static_cast<size_t>(r)] == 2) break;
                if (state[static_cast<size_t>(r)] == 1) {
                    // A cycle: from r round to c.
                    auto from = std::find(path.begin(), path.end(), r);
                    std::string members;
                    for (auto it = from; it != path.end(); ++it) {
                        state[static_cast<size_t>(*it)] = 2;
                        depth[static_cast<size_t>(*it)] = -1;
                        if (members.size() < 200)
                            members += (members.empty() ? "" : " → ") + std::to_string(*it);
                    }
                    if (r != c)  // a record naming itself is reported as such
                        add(file, r, "Referrer's ID",
                            "lies on a referral cycle: " + members + " → " + std::to_string(r),
                            "none: the owner must decide which affiliate's referrer is wrong");
                    path.erase(from, path.end());
                    break;
                }
                c = r;
            }
            // Depths from the top of the walk down.
            for (auto it = path.rbegin(); it != path.rend(); ++it) {
                const int32_t r = referrer[static_cast<size_t>(*it)];
                int32_t d = 0;
                if (r == 0)
                    d = 1;
                else if (!valid(r) || depth[static_cast<size_t>(r)] < 0)
                    d = -1;
                else
                    d = depth[static_cast<size_t>(r)] + 1;
                depth[static_cast<size_t>(*it)] = d;
                state[static_cast<size_t>(*it)] = 2;
            }
            for (int32_t m : path) state[static_cast<size_t>(m)] = 2;
        }
        for (int64_t k = 1; k <= n; ++k) {
            const auto i = static_cast<size_t>(k);
            const int32_t r = referrer[i];
            if (r < 0 || r > n || r == k) continue;  // the referrer is the finding
            const int32_t expected = r == 0 ? 1 : level[static_cast<size_t>(r)] + 1;
            if (level[i] == expected) continue;
            // Right where its referrer's Level is wrong: the referrer is the finding.
            if (depth[i] > 0 && level[i] == depth[i]) continue;
            const std::string problem =
                "is " + std::to_string(level[i]) + "; " +
                (r == 0 ? std::string("an affiliate without referrer is at 1")
                        : "its referrer " + std::to_string(r) + " is at " +
                              std::to_string(level[static_cast<size_t>(r)]) + ", so it should be " +
                              std::to_string(expected));
            if (depth[i] > 0)
                add(file, k, "Level", problem,
                    "set Level to " + std::to_string(depth[i]) + ", its depth in the tree",
                    RepairKind::RecomputeLevel, depth[i]);
            else
                add(file, k, "Level", problem,
                    "none: a referral cycle or a broken referrer lies above it; mend that first");
        }
    }

    void checkMoney(const char* name, const char* what, int64_t& count) {
        const std::string file = std::string("data/") + name;
        const int64_t n = wholeRecords(name, MoneyRecord::kSize);
        count = n;
        if (n == 0) return;
        progress.stage(std::string("Reading the ") + what, n, what);
        const int64_t affiliates = report.affiliates;
        scan_file(appDir / "data" / name, MoneyRecord::kSize, n,
                  [&](int64_t k, const uint8_t* bytes) {
                      progress.step(k);
                      const int32_t id = layout::get<layout::money::kAffiliateId>(bytes);
                      if (id < 1 || id > affiliates)
                          add(file, k, "Affiliate's ID",
                              "names affiliate " + std::to_string(id) +
                                  ", who does not exist (the register holds " +
                                  std::to_string(affiliates) + ")",
                              "none: type the right affiliate in the register window");
                      checkSum(file, k, "Sum", layout::get<layout::money::kSum>(bytes));
                      checkDate(file, k, "Date", layout::get<layout::money::kDate>(bytes));
                  });
    }

    // Refunds and voids: each names a sale or payment on file, a sum above 0
    // and a date not before it; a sale's refunds take back at most its sum,
    // and a payment is voided once. The corrections are read first, then
    // what they correct in one pass over its file.
    void checkCorrections(const char* name, const char* noun, const char* targetName,
                          const char* targetNoun, int64_t targetCount, int64_t& count) {
        const std::string file = std::string("data/") + name;
        const int64_t n = wholeRecords(name, RefundRecord::kSize);
        count = n;
        if (n == 0) return;
        progress.stage(std::string("Reading the ") + noun + "s", n, noun);
        std::unordered_map<int32_t, std::vector<std::pair<int64_t, RefundRecord>>> byTarget;
        scan_file(appDir / "data" / name, RefundRecord::kSize, n,
                  [&](int64_t k, const uint8_t* bytes) {
                      progress.step(k);
                      const RefundRecord c = RefundRecord::decode(bytes);
                      checkDate(file, k, "Date", c.date);
                      if (!std::isfinite(c.sum) || !(c.sum > 0)) {
                          add(file, k, "Sum",
                              "holds " + number(c.sum) +
                                  ", not a sum above 0; the reports leave the " + noun + " out",
                              std::string("none: the ") + noun +
                                  " changes nothing until it is "
                                  "entered again");
                          return;
                      }
                      if (c.sale < 1 || c.sale > targetCount) {
                          add(file, k, targetNoun,
                              "names " + std::string(targetNoun) + " " + std::to_string(c.sale) +
                                  ", which data/" + targetName + " does not hold (it holds " +
                                  std::to_string(targetCount) + "); the reports leave the " + noun +
                                  " out",
                              std::string("none: enter the ") + noun + " again for the right " +
                                  targetNoun);
                          return;
                      }
                      byTarget[c.sale].push_back({k, c});
                  });
        if (byTarget.empty()) return;
        const bool refunds = std::string_view(name) == file::kRefunds;
        scan_file(
            appDir / "data" / targetName, MoneyRecord::kSize, targetCount,
            [&](int64_t t, const uint8_t* bytes) {
                const auto it = byTarget.find(static_cast<int32_t>(t));
                if (it == byTarget.end()) return;
                const MoneyRecord target = MoneyRecord::decode(bytes);
                double taken = 0;
                for (const auto& [k, c] : it->second) {
                    if (std::floor(c.date) < std::floor(target.date))
                        add(file, k, "Date",
                            "is " + history_date(c.date) + ", before its " + targetNoun + " " +
                                std::to_string(t) + " of " + history_date(target.date),
                            "none: a correction dated before what it corrects changes an "
                            "earlier period; enter it again with the right date");
                    if (!refunds && k != it->second.front().first) {
                        add(file, k, "",
                            "voids payment " + std::to_string(t) + " a second time (void " +
                                std::to_string(it->second.front().first) +
                                " voids it already), so the payment is taken "
                                "off twice",
                            "none: the owner decides which void stays");
                        continue;
                    }
                    taken += static_cast<double>(c.sum);
                    if (taken > static_cast<double>(target.sum) * (1 + 1e-7))
                        add(file, k, "Sum",
                            "takes back " + number(taken) + " of " + targetNoun + " " +
                                std::to_string(t) + " with the " + noun +
                                "s before it, more than its sum of " + number(target.sum),
                            "none: the owner decides which " + std::string(noun) + " is wrong");
                }
            });
    }

    void checkCommunications() {
        const char* name = file::kCommunications;
        const std::string file = std::string("data/") + name;
        const int64_t n = wholeRecords(name, CommunicationRecord::kSize);
        report.communications = n;
        if (n == 0) return;
        progress.stage("Reading the communications", n, "communications");
        scan_file(appDir / "data" / name, CommunicationRecord::kSize, n,
                  [&](int64_t k, const uint8_t* bytes) {
                      progress.step(k);
                      checkDate(file, k, "Date", layout::get<layout::communication::kDate>(bytes));
                      checkDate(file, k, "Date of responce",
                                layout::get<layout::communication::kDateOfResponse>(bytes));
                  });
    }

    void checkSettings() {
        checkHold();
        const char* name = file::kSettings;
        const std::string file = std::string("data/") + name;
        if (wholeRecords(name, SettingsRecord::kSize) == 0) return;
        SettingsRecord s;
        scan_file(appDir / "data" / name, SettingsRecord::kSize, 1,
                  [&](int64_t, const uint8_t* bytes) { s = SettingsRecord::decode(bytes); });
        auto finite = [&](const std::string& field, float v) {
            if (!std::isfinite(v))
                add(file, 1, field, std::isnan(v) ? "is not a number (NaN)" : "is infinite",
                    "none: type the right value in the settings window");
        };
        finite("MinPayment", s.minPayment);
        for (size_t k = 0; k < s.levels.size(); ++k)
            finite("L" + std::to_string(k + 1), s.levels[k]);
    }

    // The hold period beside the settings: Payments Due refuses to run on a damaged one.
    void checkHold() {
        try {
            load_hold_days(appDir);
        } catch (const FileError&) {
            std::string text = read_whole_file(appDir / "data" / kHoldDaysFile).substr(0, 40);
            for (char& c : text)
                if (static_cast<unsigned char>(c) < 0x20) c = '?';
            add(std::string("data/") + kHoldDaysFile, 0, "",
                "holds \"" + text +
                    "\", not a whole number of days from 0 to 3650, so Payments Due is refused",
                "none: type the hold period in the AP Settings window and save it");
        }
    }

    // Side files whose record is not on file.
    void checkSideFiles() {
        progress.stage("Looking at the side files", 0, "files");
        struct Kind {
            const char* folder;
            std::string prefix;
            int64_t count;
            const char* whose;
        };
        const Kind kinds[] = {{"addinfo", "", report.affiliates, "affiliate"},
                              {"addinfo", "s", report.sales, "sale"},
                              {"addinfo", "p", report.payments, "payment"},
                              {"addinfo", "r", report.refunds, "refund"},
                              {"comm", "", report.communications, "communication"},
                              {"comm", "r", report.communications, "communication"},
                              {"comm", "c", report.communications, "communication"}};
        for (const char* folder : {"addinfo", "comm"}) {
            std::error_code ec;
            for (fs::directory_iterator it(appDir / folder, ec), end; !ec && it != end;
                 it.increment(ec)) {
                const std::string name = it->path().filename().string();
                if (name.size() < 5 || name.compare(name.size() - 4, 4, ".txt") != 0) continue;
                const std::string stem = name.substr(0, name.size() - 4);
                for (const Kind& kind : kinds) {
                    if (std::string_view(kind.folder) != folder) continue;
                    if (stem.compare(0, kind.prefix.size(), kind.prefix) != 0) continue;
                    const std::string digits = stem.substr(kind.prefix.size());
                    if (digits.empty() || digits[0] == '0' || digits.size() > 18 ||
                        digits.find_first_not_of("0123456789") != std::string::npos)
                        continue;
                    const int64_t n = std::stoll(digits);
                    if (n > kind.count)
                        add(std::string(folder) + "/" + name, n, "",
                            std::string("belongs to ") + kind.whose + " " + digits +
                                ", which is not on file (the register holds " +
                                std::to_string(kind.count) + ")",
                            "none: it would be shown with the record of that number once one is "
                            "added; move it away if it is not wanted");
                    break;
                }
            }
        }
    }

    void checkCache() {
        const AppState state(appDir);
        const fs::path folder = downline_folder(state);
        if (!folder_exists(folder)) return;
        const std::string where = "data/dwl";
        const auto counter = read_downline_counter(state);
        const int64_t n = report.affiliates;
        const std::string rebuild = "rebuild the downline cache from the affiliates file";
        if (!counter) {
            if (file_exists(downline_counter_file(state)))
                add(where + "/numb.qdx", 0, "", "holds no count of affiliates", rebuild,
                    RepairKind::RebuildCache);
            return;  // the next downline rebuilds it anyway
        }
        if (*counter > n || *counter < 0) {
            add(where + "/numb.qdx", 0, "",
                "says the cache covers " + std::to_string(*counter) +
                    " affiliates; the affiliates file holds " + std::to_string(n),
                rebuild, RepairKind::RebuildCache);
            return;
        }
        const auto c = static_cast<int32_t>(*counter);
        progress.stage("Comparing the downline cache with the tree", c, "affiliates");
        PackedLists lists;
        try {
            auto packed = load_downline_index(state);
            lists = packed && packed->n == c ? std::move(*packed)
                                             : read_list_files(DownlineFolder(state), c);
        } catch (const std::exception& e) {
            add(where, 0, "", std::string("cannot be read: ") + e.what(), rebuild,
                RepairKind::RebuildCache);
            return;
        }
        // The referrals of records 1..c, as the cache should list them.
        std::vector<int64_t> start(static_cast<size_t>(c) + 2, 0);
        for (int32_t k = 1; k <= c; ++k) {
            const int32_t r = referrer[static_cast<size_t>(k)];
            if (r >= 0 && r <= c) ++start[static_cast<size_t>(r) + 1];
        }
        for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
        std::vector<int32_t> ids(static_cast<size_t>(start.back()));
        std::vector<int64_t> fill(start.begin(), start.end() - 1);
        for (int32_t k = 1; k <= c; ++k) {
            const int32_t r = referrer[static_cast<size_t>(k)];
            if (r >= 0 && r <= c) ids[static_cast<size_t>(fill[static_cast<size_t>(r)]++)] = k;
        }
        int64_t wrong = 0;
        int32_t firstWrong = -1;
        for (int32_t id = 0; id <= c; ++id) {
            progress.step(id);
            const auto i = static_cast<size_t>(id);
            const int64_t want = start[i + 1] - start[i];
            bool same = lists.listed(id) && lists.length[i] == want;
            for (int64_t j = 0; same && j < want; ++j)
                same = lists.ids[static_cast<size_t>(lists.start[i] + j)] ==
                       ids[static_cast<size_t>(start[i] + j)];
            if (!same && wrong++ == 0) firstWrong = id;
        }
        if (wrong > 0)
            add(where + "/" + std::to_string(firstWrong) + ".qdx", firstWrong, "",
                "the downline cache is out of step with the referrers: " + std::to_string(wrong) +
                    " list" + (wrong == 1 ? "" : "s") + " differ, the first of affiliate " +
                    std::to_string(firstWrong),
                rebuild, RepairKind::RebuildCache);
    }

    void checkLedger() {
        const fs::path path = appDir / "data" / "imports.ledger";
        std::istringstream in(read_whole_file(path));
        int64_t line = 0;
        for (std::string text; std::getline(in, text);) {
            ++line;
            std::istringstream fields(text);
            std::string size, hash, date, reg, range;
            if (!(fields >> size >> hash >> date >> reg >> range)) {
                add("data/imports.ledger", line, "",
                    "line " + std::to_string(line) + " is not a ledger entry",
                    "none: the line is ignored when files are imported");
                continue;
            }
            const int64_t held = reg == "sales"        ? report.sales
                                 : reg == "payments"   ? report.payments
                                 : reg == "affiliates" ? report.affiliates
                                 : reg == "refunds"    ? report.refunds
                                                       : -1;
            long long first = 0, last = 0;
            if (held < 0 || std::sscanf(range.c_str(), "%lld..%lld", &first, &last) != 2) {
                add("data/imports.ledger", line, "",
                    "line " + std::to_string(line) + " is not a ledger entry",
                    "none: the line is ignored when files are imported");
                continue;
            }
            if (last > held || first < 1 || first > last)
                add("data/imports.ledger", line, "",
                    "names " + reg + " records " + std::to_string(first) + " to " +
                        std::to_string(last) + " imported on " + date + "; the register holds " +
                        std::to_string(held),
                    "none: the records were lost after the import (a restored older copy?); "
                    "import the file again with --force if they should be there");
        }
    }

    // Each run names payments the register holds, and each reversal voids
    // that voids.qdx holds.
    void checkPaymentRuns() {
        const fs::path data = appDir / "data";
        if (!file_exists(data / file::kPaymentRuns)) return;
        const fs::path voidsFile = data / file::kVoids;
        const int64_t voids = file_exists(voidsFile)
                                  ? record_count_for(fs::file_size(voidsFile), VoidRecord::kSize)
                                  : 0;
        for (const PaymentRun& run : read_payment_runs(data)) {
            const std::string which = "payment run " + std::to_string(run.number);
            if (run.last > report.payments)
                add("data/payment-runs.ledger", run.number, "",
                    which + " names payments " + std::to_string(run.first) + " to " +
                        std::to_string(run.last) + "; the register holds " +
                        std::to_string(report.payments),
                    "none: the payments were lost after the run (a restored older copy?)");
            if (run.reversal && run.reversal->lastVoid > voids)
                add("data/payment-runs.ledger", run.number, "",
                    which + " was reversed by voids " + std::to_string(run.reversal->firstVoid) +
                        " to " + std::to_string(run.reversal->lastVoid) +
                        "; data/voids.qdx holds " + std::to_string(voids),
                    "none: the voids were lost after the reversal (a restored older copy?)");
        }
    }

    void checkLeftovers() {
        progress.stage("Looking for files left by a stopped run", 0, "files");
        // Append journals beside the registers.
        std::error_code ec;
        for (fs::directory_iterator it(appDir / "data", ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const std::string suffix = ".qdx-append";
            if (name.size() <= suffix.size() + 1 || name[0] != '.' ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            const std::string target = name.substr(1, name.size() - suffix.size() - 1);
            unsigned long long length = 0;
            long pid = 0;
            const std::string text = read_whole_file(it->path());
            const bool whole =
                std::sscanf(text.c_str(), "qdx-append %llu %ld", &length, &pid) == 2 &&
                text.find(" end\n") != std::string::npos;
            if (whole && process_running(pid) && pid != platform::process_id())
                continue;  // still appending
            if (whole) appendedFrom[target] = length;
            add("data/" + name, 0, "",
                whole ? "an append to data/" + target + " never finished; the file was " +
                            std::to_string(length) +
                            " bytes before it, and the next start cuts it back to that"
                      : "an append to data/" + target +
                            " was stopped before it began; the next start removes the note",
                whole ? "cut data/" + target + " back to " + std::to_string(length) +
                            " bytes now and remove the note"
                      : "remove the note",
                RepairKind::FinishAppend);
        }
        if (fs::exists(pending_import_file(appDir / "data"), ec))
            add("data/" + pending_import_file({}).filename().string(), 0, "",
                "an import was stopped before its line reached the import ledger; the next start "
                "writes the line when the import's records are in the register, or removes their "
                "details files when they are not",
                "do that now", RepairKind::FinishImport);
        if (fs::exists(pending_import_file(appDir / "data", file::kPaymentRuns), ec))
            add("data/" + pending_import_file({}, file::kPaymentRuns).filename().string(), 0, "",
                "a payment run or its reversal was stopped before its line reached "
                "data/payment-runs.ledger; the next start writes the line when its records are "
                "in, or removes the note when they are not",
                "do that now", RepairKind::FinishImport);
        if (fs::exists(appDir / ".qdx-restore", ec))
            add(".qdx-restore", 0, "",
                "a restore was stopped while it put the restored folders in place",
                "put the rest of the restored data in place", RepairKind::FinishRestore);
        if (fs::exists(appDir / "HTML.partial", ec))
            add("HTML.partial", 0, "",
                "the affiliate pages of a stopped run; the pages in HTML/ are the earlier set, "
                "whole. "
                "The next run of the pages removes it",
                "remove it", RepairKind::RemoveLeftover);
        // Temporary files of replaced files, in every folder.
        for (fs::recursive_directory_iterator
                 it(appDir, fs::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const size_t mark = name.rfind(".qdx-tmp-");
            if (name.empty() || name[0] != '.' || mark == std::string::npos) continue;
            const std::string digits = name.substr(mark + 9);
            if (digits.empty() || digits.size() > 9 ||
                digits.find_first_not_of("0123456789") != std::string::npos)
                continue;
            const long pid = std::stol(digits);
            if (pid == platform::process_id() || process_running(pid)) continue;
            add(fs::relative(it->path(), appDir).generic_string(), 0, "",
                "a temporary file of a write that was stopped; the file it was to replace is "
                "whole. "
                "The next write into this folder removes it",
                "remove it", RepairKind::RemoveLeftover);
        }
    }
};

}  // namespace

CheckReport check_data(const fs::path& appDir, Progress& progress) {
    Checker c{appDir, progress, {}, {}};
    c.checkLeftovers();
    c.checkAffiliates();
    c.checkMoney(file::kSales, "sales", c.report.sales);
    c.checkMoney(file::kPayments, "payments", c.report.payments);
    c.checkCorrections(file::kRefunds, "refund", file::kSales, "sale", c.report.sales,
                       c.report.refunds);
    c.checkCorrections(file::kVoids, "void", file::kPayments, "payment", c.report.payments,
                       c.report.voids);
    c.checkCommunications();
    c.checkSettings();
    c.checkSideFiles();
    c.checkCache();
    c.checkLedger();
    c.checkPaymentRuns();
    // Findings in the order of the files: registers first, leftovers last.
    std::stable_partition(c.report.findings.begin(), c.report.findings.end(), [](const Finding& f) {
        return f.kind != RepairKind::FinishAppend && f.kind != RepairKind::RemoveLeftover &&
               f.kind != RepairKind::FinishRestore && f.kind != RepairKind::FinishImport;
    });
    return std::move(c.report);
}

std::string finding_line(const Finding& f) {
    std::string line = f.file;
    if (f.record > 0)
        line += (f.file.find("ledger") != std::string::npos ? ", line " : ", record ") +
                std::to_string(f.record);
    if (!f.field.empty()) line += ", " + f.field;
    line += ": " + f.problem + ". Repair: " + f.repair + ".";
    return line;
}

}  // namespace qdx
