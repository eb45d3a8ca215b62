// The affiliates' earnings and downline pages, and the same pages written the long way.
#include "reports/affiliate_pages.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <map>
#include <random>
#include <stop_token>

#include "core/accounts.h"
#include "core/downline_cache.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "core/tree.h"
#include "reports/report_kinds.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using test::affiliate;
namespace fs = std::filesystem;

double march(int day) { return ole_from_ymd(2003, 3, day); }

std::string page(const AppState& state, const std::string& name) {
    return test::read_file(state.appDir / "HTML" / name);
}

// The pages written the long way, which also fixes their exact text: the
// activity file is marked record by record with the per-lookup sub_level,
// the downline comes from the list files, every record is read when needed.
void literal_pages(const AppState& state, const DateRange& range, int32_t id, float income) {
    const Regional& reg = state.regional;
    const std::string end = "\r\n";
    std::string e = "<html>" + end + "<title> Earnings Report </title>" + end + "<body>" + end +
                    " Your income for the period from " + format_date(range.from, reg) + " to " +
                    format_date(range.to, reg) + " is " + format_single(income, reg) + end +
                    "<br>" + end + "<br>" + end;
    if (income != 0) {
        e += "Structure of your income" + end + "<br>" + end + "<br>" + end +
             "<table cellpadding=2 border=3 align='left'> " + end +
             "<tr> <th>ID   </th><th>Sub level</th><th>Sale   </th><th>Commissions</th><th>Income "
             "  </th></tr>" +
             end;
        RecordFile activity(state.workFile(file::kActivity), ActivityRecord::kSize);
        const int64_t m = activity.count();
        for (int64_t i = 1; i <= m; ++i) {
            auto a = activity.read<ActivityRecord>(i);
            if (a.volume > 0) {
                a.newReferrals = sub_level(state, id, static_cast<int32_t>(i));
                activity.write(i, a);
            }
        }
        for (int64_t i = 1; i <= m; ++i) {
            auto a = activity.read<ActivityRecord>(i);
            if (!(a.volume > 0) || a.newReferrals == 0) continue;
            const float rate = state.settings.rewards[static_cast<size_t>(a.newReferrals)];
            float c = rate;
            if (state.settings.payType == 1) {
                float p = rate * a.volume;
                p = p / 100.0f;
                c = *parse_single(round3_double(p, reg), reg);
            }
            e += "<tr><td>" + std::to_string(i) + "</td><td>" + std::to_string(a.newReferrals - 1) +
                 "</td><td>" + format_single(a.volume, reg) + "</td><td>" +
                 format_single(rate, reg) + "</td><td>" + format_single(c, reg) + "</td></tr>" +
                 end;
        }
    }
    e += "</body></html>" + end;

    std::string d = "<html>" + end + "<title> Downline Report </title>" + end + "<body>" + end +
                    " Your downline on the date " + format_date(range.to, reg) + end + "<br>" +
                    end + "<br>" + end + "<table cellpadding=2 border=3 align='left'> " + end +
                    "<tr> <th>Sub level  </th><th>ID   </th><th>Name    </th><th>Surname   "
                    "</th><th>E-mail         </th><th>Phone  </th></tr>" +
                    end;
    auto members = get_downline(state, id, static_cast<size_t>(count_affiliates(state)));
    RecordFile affiliates(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    auto own = affiliates.read<AffiliateRecord>(id);
    if (own.date <= range.to) {
        for (int32_t member : members) {
            auto a = affiliates.read<AffiliateRecord>(member);
            d += "<tr><td>" + std::to_string(a.level - own.level) + "</td><td>" +
                 std::to_string(a.id) + "</td><td>" + a.name + "</td><td>" + a.surname +
                 "</td><td>" + a.email + "</td> <td> " + a.phone + "</td></tr>" + end;
        }
    }
    d += "</body></html>" + end;
    ensure_folder(state.appDir / "HTML");
    write_file_atomically(state.appDir / "HTML" / (" " + std::to_string(id) + ".html"), e);
    write_file_atomically(state.appDir / "HTML" / (" " + std::to_string(id) + "d.html"), d);
}

// Random programs (forward referrals, stale levels, referrers not on file,
// negative and zero sales), pages of every affiliate and of one beyond the
// file: the same bytes, and the same activity file, as the long way.
TEST(AffiliatePagesRandomTest, PagesAndActivityFileMatchTheLongWay) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        const int n = pick(1, 70);
        std::vector<int> order(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i + 1;
        std::shuffle(order.begin(), order.end(), rng);
        std::vector<AffiliateRecord> records(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) {
            const int id = order[static_cast<size_t>(k)];
            int referrer = 0;  // earlier in the shuffled order: no cycles
            int roll = pick(0, 9);
            if (k > 0 && roll > 1) referrer = order[static_cast<size_t>(pick(0, k - 1))];
            if (roll == 1) referrer = n + pick(1, 3);
            AffiliateRecord a =
                affiliate(id, referrer, pick(1, 6), march(pick(1, 40)), "N" + std::to_string(id));
            a.phone = std::to_string(pick(100, 999));
            records[static_cast<size_t>(id - 1)] = a;
        }
        std::vector<MoneyRecord> sales;
        for (int s = pick(0, 120); s > 0; --s)
            sales.push_back(
                {pick(1, n), static_cast<float>(pick(-20, 5000)) / 7.0f, march(pick(-5, 40))});
        std::vector<float> levels;
        for (int l = pick(0, 8); l > 0; --l)
            levels.push_back(static_cast<float>(pick(0, 40)) / 4.0f);

        test::TempFolder fast, slow;
        AppState a(fast.path()), b(slow.path());
        const DateRange range{march(3), march(30)};
        for (AppState* s : {&a, &b}) {
            test::write_affiliates(*s, records);
            test::write_money(*s, file::kSales, sales);
            test::write_settings(*s, test::settings(pick(0, 1) ? "Percents" : "Fixed", levels));
            load_settings(*s);
            if (seed % 3 == 0) {  // a cache left from fewer affiliates
                ensure_folder(s->dataDir() / "dwl");
                write_file_atomically(downline_counter_file(*s),
                                      " " + std::to_string(n / 2) + " \r\n");
            }
        }
        b.settings = a.settings;
        std::vector<float> incomes;
        for (int id = 1; id <= n + 2; ++id) incomes.push_back(pick(0, 2) ? 1.5f * pick(0, 9) : 0);

        Progress none;
        PageWriter writer(a, range, none);
        for (int id = 1; id <= n + 2; ++id) writer.write(id, incomes[static_cast<size_t>(id - 1)]);
        writer.write(0, 3);  // IDs start at 1: no page
        writer.finish();
        EXPECT_FALSE(file_exists(a.appDir / "HTML" / " 0.html"));
        build_activity(b, range);
        refresh_downline_cache(b);
        for (int id = 1; id <= n + 2; ++id)
            literal_pages(b, range, id, incomes[static_cast<size_t>(id - 1)]);

        for (int id = 1; id <= n + 2; ++id) {
            for (std::string name :
                 {" " + std::to_string(id) + ".html", " " + std::to_string(id) + "d.html"})
                ASSERT_EQ(page(a, name), page(b, name)) << name;
        }
        EXPECT_EQ(test::read_file(a.workFile(file::kActivity)),
                  test::read_file(b.workFile(file::kActivity)));
    }
}

std::map<std::string, std::string> pages_of(const AppState& state) {
    std::map<std::string, std::string> out;
    for (const auto& entry : fs::directory_iterator(state.appDir / "HTML"))
        out[entry.path().filename().string()] = test::read_file(entry.path());
    return out;
}

// A run stopped half-way and a run whose staging write fails leave every
// earlier page as it was and no staging file; a finished run replaces them.
TEST(AffiliatePagesTest, StoppedOrFailedRunLeavesTheEarlierPages) {
    test::TempFolder folder;
    AppState state(folder.path());
    const DateRange range{march(1), march(30)};
    const int n = 300;  // one referral chain: long downline pages
    std::vector<AffiliateRecord> records;
    for (int id = 1; id <= n; ++id)
        records.push_back(affiliate(id, id - 1, id, march(1), "N" + std::to_string(id)));
    test::write_affiliates(state, records);
    test::write_money(state, file::kSales, {{n, 100, march(5)}});
    test::write_settings(state, test::settings("Percents", {10, 5, 2}));
    load_settings(state);
    const ReportRequest request{ReportKind::PaymentsDue, range, 0, false, true};
    make_report(state, request);
    const auto before = pages_of(state);
    ASSERT_EQ(before.size(), 2u * n);
    test::write_money(state, file::kSales, {{n, 300, march(5)}, {n - 1, 70, march(6)}});

    std::stop_source stop;
    Progress stopping(stop.get_token(), [&](const ProgressReport& r) {
        if (r.what == "Listing the accounts" && r.done >= n / 2) stop.request_stop();
    });
    EXPECT_THROW(make_report(state, request, stopping), Cancelled);
    EXPECT_EQ(pages_of(state), before);
    EXPECT_FALSE(fs::exists(state.appDir / "HTML.partial"));

#ifndef _WIN32
    // Files may grow to 1 MB: the staged pages (several MB) cannot be written.
    // (POSIX only: Windows has no file size limit to set.)
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(make_report(state, request), FileError);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(pages_of(state), before);
    EXPECT_FALSE(fs::exists(state.appDir / "HTML.partial"));
#endif

    make_report(state, request);
    const auto after = pages_of(state);
    EXPECT_NE(after.at(" 299.html"), before.at(" 299.html"));
    EXPECT_EQ(after.at(" 150d.html"), before.at(" 150d.html"));
    EXPECT_FALSE(fs::exists(state.appDir / "HTML.partial"));
}

}  // namespace
}  // namespace qdx
