// The check finds each damage planted in a copy of an example folder at its
// record, finds nothing in the untouched folders, and the repair makes the
// data whole again where that loses nothing.
#include "safety/check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <map>

#include "core/corrections.h"
#include "core/downline_cache.h"
#include "core/files.h"
#include "core/history.h"
#include "core/import_journal.h"
#include "core/payment_runs.h"
#include "core/record_file.h"
#include "core/records.h"
#include "support/not_on_windows.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

// The data files, the history aside.
std::map<std::string, std::string> data_files(const fs::path& app) {
    auto files = test::data_files(app);
    files.erase("data/history.log");
    return files;
}

std::string where(const Finding& f) {
    return f.file + "#" + std::to_string(f.record) + (f.field.empty() ? "" : ":" + f.field);
}

std::vector<std::string> places(const CheckReport& r) {
    std::vector<std::string> out;
    for (const Finding& f : r.findings) out.push_back(where(f));
    return out;
}

template <class R>
void change(const fs::path& app, const char* file, int64_t k, void (*edit)(R&)) {
    RecordFile f(app / "data" / file, R::kSize);
    R r = f.read<R>(k);
    edit(r);
    f.write(k, r);
}

void append_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

TEST(Check, FindsNothingInTheUntouchedExamplesButTheCyclesOfWorld9061) {
    for (const char* world : {"world-9003", "world-9008", "world-9031", "world-9047"}) {
        SCOPED_TRACE(world);
        test::TempFolder folder;
        test::copy_example(world, folder.path());
        const CheckReport report = check_data(folder.path());
        EXPECT_TRUE(report.clean()) << finding_line(report.findings.front());
        EXPECT_GT(report.affiliates, 0);
    }
    // This example holds two referral cycles, 56 ↔ 143 and 103 ↔ 230; the
    // Levels below them cannot be recomputed, and the repair guesses nothing.
    test::TempFolder folder;
    test::copy_example("world-9061", folder.path());
    const auto before = data_files(folder.path());
    const CheckReport report = check_data(folder.path());
    EXPECT_EQ(places(report),
              (std::vector<std::string>{
                  "data/affiliates.qdx#56:Referrer's ID", "data/affiliates.qdx#103:Referrer's ID",
                  "data/affiliates.qdx#143:Level", "data/affiliates.qdx#230:Level"}));
    for (const Finding& f : report.findings) EXPECT_EQ(f.kind, RepairKind::Nothing);
    Progress none;
    const RepairOutcome outcome = repair_data(folder.path(), report, none);
    EXPECT_TRUE(outcome.backup.empty());  // nothing to repair, no backup made
    EXPECT_EQ(outcome.left.size(), 4u);
    EXPECT_EQ(data_files(folder.path()), before);
}

TEST(Check, FindsEachPlantedDamageAtItsRecord) {
    test::TempFolder folder;
    const fs::path app = folder.path();
    test::copy_example("world-9003", app);
    change<AffiliateRecord>(app, file::kAffiliates, 10,
                            [](AffiliateRecord& r) { r.referrerId = -3; });
    change<AffiliateRecord>(app, file::kAffiliates, 20,
                            [](AffiliateRecord& r) { r.referrerId = 999; });
    change<AffiliateRecord>(app, file::kAffiliates, 30,
                            [](AffiliateRecord& r) { r.referrerId = 30; });
    change<AffiliateRecord>(app, file::kAffiliates, 50, [](AffiliateRecord& r) { r.date = 1e12; });
    change<AffiliateRecord>(app, file::kAffiliates, 60, [](AffiliateRecord& r) { r.id = 61; });
    change<MoneyRecord>(app, file::kSales, 5,
                        [](MoneyRecord& r) { r.date = std::numeric_limits<double>::quiet_NaN(); });
    change<MoneyRecord>(app, file::kSales, 7,
                        [](MoneyRecord& r) { r.sum = std::numeric_limits<float>::quiet_NaN(); });
    change<MoneyRecord>(app, file::kSales, 9, [](MoneyRecord& r) { r.sum = -4; });
    change<MoneyRecord>(app, file::kSales, 11, [](MoneyRecord& r) { r.affiliateId = 0; });
    change<MoneyRecord>(app, file::kPayments, 8,
                        [](MoneyRecord& r) { r.sum = std::numeric_limits<float>::infinity(); });
    change<MoneyRecord>(app, file::kPayments, 3, [](MoneyRecord& r) { r.affiliateId = 301; });
    change<MoneyRecord>(app, file::kPayments, 4, [](MoneyRecord& r) { r.date += 0.5; });
    change<SettingsRecord>(app, file::kSettings, 1, [](SettingsRecord& r) {
        r.levels[2] = std::numeric_limits<float>::infinity();
    });
    fs::create_directories(app / "addinfo");
    fs::create_directories(app / "comm");
    std::ofstream(app / "addinfo" / "s99999.txt") << "x\r\n";
    std::ofstream(app / "addinfo" / "301.txt") << "x\r\n";
    std::ofstream(app / "comm" / "c5.txt") << "x\r\n";
    std::ofstream(app / "data" / "imports.ledger") << "10 abc 2024-01-01 sales 1170..1200\n";
    std::ofstream(app / "data" / "hold_days.txt") << "thirty\r\n";
    const CheckReport report = check_data(app);
    EXPECT_EQ(places(report),
              (std::vector<std::string>{
                  "data/affiliates.qdx#10:Referrer's ID", "data/affiliates.qdx#20:Referrer's ID",
                  "data/affiliates.qdx#30:Referrer's ID", "data/affiliates.qdx#50:Date",
                  "data/affiliates.qdx#60:Affiliate's ID", "data/sales.qdx#5:Date",
                  "data/sales.qdx#7:Sum", "data/sales.qdx#9:Sum",
                  "data/sales.qdx#11:Affiliate's ID", "data/payments.qdx#3:Affiliate's ID",
                  "data/payments.qdx#4:Date", "data/payments.qdx#8:Sum", "data/hold_days.txt#0",
                  "data/apsettings.qdx#1:L3", "addinfo/301.txt#301", "addinfo/s99999.txt#99999",
                  "comm/c5.txt#5", "data/imports.ledger#1"}))
        << ::testing::PrintToString(places(report));
    for (const Finding& f : report.findings) {
        EXPECT_FALSE(f.problem.empty());
        EXPECT_FALSE(f.repair.empty());
        EXPECT_EQ(f.kind, RepairKind::Nothing) << where(f);  // each left to the owner
    }
}

// Refunds and voids: what they name, their sums and dates, a sale refunded
// beyond its sum and a payment voided twice; a refunds import is a ledger
// entry like the others.
TEST(Check, FindsCorrectionsThatTheReportsLeaveOutOrThatTakeBackTooMuch) {
    test::TempFolder folder;
    const fs::path app = folder.path();
    test::copy_example("world-9003", app);
    const MoneyRecord sale =
        RecordFile(app / "data" / file::kSales, MoneyRecord::kSize).read<MoneyRecord>(3);
    const MoneyRecord payment =
        RecordFile(app / "data" / file::kPayments, MoneyRecord::kSize).read<MoneyRecord>(2);
    const auto write = [&](const char* name, const std::vector<RefundRecord>& records,
                           const std::string& tail) {
        std::string bytes;
        for (const RefundRecord& r : records) {
            uint8_t b[RefundRecord::kSize];
            r.encode(b);
            bytes.append(reinterpret_cast<const char*>(b), sizeof b);
        }
        append_bytes(app / "data" / name, bytes + tail);
    };
    write(file::kRefunds,
          {{3, sale.sum / 2, sale.date},       // 1: fine
           {999999, 1, sale.date},             // 2: no such sale
           {3, 0, sale.date},                  // 3: nothing refunded
           {3, sale.sum / 4, sale.date - 1},   // 4: before its sale
           {3, sale.sum / 2, sale.date + 1}},  // 5: more than the sale, with 1 and 4
          "abc");
    write(file::kVoids, {{2, payment.sum, payment.date}, {2, payment.sum, payment.date + 2}}, "");
    fs::create_directories(app / "addinfo");
    std::ofstream(app / "addinfo" / "r5.txt") << "x\r\n";
    std::ofstream(app / "addinfo" / "r6.txt") << "x\r\n";
    std::ofstream(app / "data" / "imports.ledger") << "10 abc 2024-01-01 refunds 1..5\n";
    const CheckReport report = check_data(app);
    EXPECT_EQ(report.refunds, 5);
    EXPECT_EQ(report.voids, 2);
    EXPECT_EQ(places(report),
              (std::vector<std::string>{"data/refunds.qdx#6", "data/refunds.qdx#2:sale",
                                        "data/refunds.qdx#3:Sum", "data/refunds.qdx#4:Date",
                                        "data/refunds.qdx#5:Sum", "data/voids.qdx#2",
                                        "addinfo/r6.txt#6"}))
        << ::testing::PrintToString(places(report));
}

TEST(Check, RepairsFragmentsLevelsTheCacheAndLeftoversExactly) {
    test::TempFolder folder;
    const fs::path app = folder.path();
    test::copy_example("world-9008", app);
    const AppState state(app);
    rebuild_downline_cache(state);
    const auto whole = data_files(app);

    // A fragment after the last affiliate and after the last sale; two wrong
    // Levels, one above the other; a stale cache list; what a killed run leaves.
    append_bytes(app / "data" / file::kAffiliates, std::string(150, 'x'));
    append_bytes(app / "data" / file::kSales, std::string(5, 'y'));
    change<AffiliateRecord>(app, file::kAffiliates, 40, [](AffiliateRecord& r) { r.level += 3; });
    const int32_t child = [&] {
        RecordFile f(app / "data" / file::kAffiliates, AffiliateRecord::kSize);
        for (int64_t k = 41; k <= f.count(); ++k)
            if (f.read<AffiliateRecord>(k).referrerId == 40) return static_cast<int32_t>(k);
        return 0;
    }();
    change<AffiliateRecord>(app, file::kAffiliates, 200, [](AffiliateRecord& r) { r.level = 77; });
    fs::remove(app / "data" / "dwl" / "5.qdx");  // replaced, as a copy from elsewhere would be
    std::ofstream(app / "data" / "dwl" / "5.qdx", std::ios::binary) << " 299 ";
    std::ofstream(app / "data" / ".payments.qdx.qdx-append")
        << "qdx-append " << fs::file_size(app / "data" / file::kPayments) << " 999999 - end\n";
    {
        const std::string first = test::read_file(app / "data" / file::kPayments).substr(0, 16);
        append_bytes(app / "data" / file::kPayments, first + first);  // the unfinished append
    }
    std::ofstream(app / "HTML.partial") << "pages";
    fs::create_directories(app / "output");
    std::ofstream(app / "output" / ".affiliates.txt.qdx-tmp-999999") << "half";

    const CheckReport report = check_data(app);
    std::vector<std::string> expected{"data/affiliates.qdx#301",
                                      "data/affiliates.qdx#40:Level",
                                      "data/affiliates.qdx#200:Level",
                                      "data/sales.qdx#328",
                                      "data/dwl/5.qdx#5",
                                      "data/.payments.qdx.qdx-append#0",
                                      "HTML.partial#0",
                                      "output/.affiliates.txt.qdx-tmp-999999#0"};
    EXPECT_EQ(places(report), expected) << ::testing::PrintToString(places(report));
    (void)child;  // its Level agrees with its depth: the finding is its referrer's alone
    for (const Finding& f : report.findings) EXPECT_NE(f.kind, RepairKind::Nothing) << where(f);

    QDX_SKIP_WITHOUT_BACKUPS();  // the repair backs the data up first
    Progress none;
    const RepairOutcome outcome = repair_data(app, report, none);
    EXPECT_TRUE(outcome.left.empty()) << finding_line(outcome.left.front());
    EXPECT_TRUE(fs::exists(outcome.backup));
    EXPECT_TRUE(check_data(app).clean());
    auto repaired = data_files(app);
    EXPECT_EQ(repaired["data/affiliates.qdx.fragment"], std::string(150, 'x'));
    EXPECT_EQ(repaired["data/sales.qdx.fragment"], std::string(5, 'y'));
    repaired.erase("data/affiliates.qdx.fragment");
    repaired.erase("data/sales.qdx.fragment");
    // Records, Levels and cache lists as they were before the damage (the
    // packed cache index is a copy the rebuild writes anew).
    repaired.erase("data/dwl/lists.idx");
    auto before = whole;
    before.erase("data/dwl/lists.idx");
    EXPECT_EQ(repaired, before);
    EXPECT_FALSE(fs::exists(app / "HTML.partial"));
    EXPECT_FALSE(fs::exists(app / "output" / ".affiliates.txt.qdx-tmp-999999"));
    const std::string history = test::read_file(history_file(app));
    EXPECT_NE(history.find("repair: Level: 77 → "), std::string::npos) << history;
    EXPECT_NE(history.find("repair: rebuilt the downline cache"), std::string::npos);
}

TEST(Check, ACycleIsNeverRepairedByGuessing) {
    test::TempFolder folder;
    const AppState state(folder.path());
    test::write_affiliates(state,
                           {test::affiliate(1, 0, 1, 37257), test::affiliate(2, 3, 2, 37257),
                            test::affiliate(3, 2, 3, 37257), test::affiliate(4, 3, 9, 37257)});
    const CheckReport report = check_data(folder.path());
    EXPECT_EQ(places(report), (std::vector<std::string>{"data/affiliates.qdx#2:Referrer's ID",
                                                        "data/affiliates.qdx#2:Level",
                                                        "data/affiliates.qdx#4:Level"}))
        << ::testing::PrintToString(places(report));
    for (const Finding& f : report.findings) EXPECT_EQ(f.kind, RepairKind::Nothing);
    const std::string bytes = test::read_file(state.dataFile(file::kAffiliates));
    Progress none;
    EXPECT_EQ(repair_data(folder.path(), report, none).left.size(), 3u);
    EXPECT_EQ(test::read_file(state.dataFile(file::kAffiliates)), bytes);
}

// An import stopped before its ledger line: found with what the next start
// will do; the repair does it now (here: its records never landed, so its
// details file goes).
TEST(Check, AStoppedImportIsFoundAndFinishedByTheRepair) {
    test::TempFolder folder;
    const fs::path app = folder.path();
    test::copy_example("world-9003", app);
    const int64_t sales = RecordFile(app / "data" / file::kSales, MoneyRecord::kSize).count();
    PendingImport pending;
    pending.registerFile = file::kSales;
    pending.recordLength = MoneyRecord::kSize;
    pending.first = sales + 1;
    pending.rows = 1;
    pending.recordsHash = records_hash("sixteen bytes!!!");
    pending.sidePrefix = "s";
    pending.ledgerLine =
        "40 abc 2024-01-01 sales " + std::to_string(sales + 1) + ".." + std::to_string(sales + 1);
    write_pending_import(app / "data", pending);
    fs::create_directories(app / "addinfo");
    const fs::path side = app / "addinfo" / ("s" + std::to_string(sales + 1) + ".txt");
    std::ofstream(side) << "gift\r\n";

    const CheckReport report = check_data(app);
    ASSERT_FALSE(report.findings.empty());
    const Finding& last = report.findings.back();
    EXPECT_EQ(last.file, "data/.imports.ledger.qdx-pending");
    EXPECT_EQ(last.kind, RepairKind::FinishImport);
    QDX_SKIP_WITHOUT_BACKUPS();  // the repair backs the data up first
    Progress none;
    const RepairOutcome outcome = repair_data(app, report, none);
    EXPECT_TRUE(outcome.left.empty()) << ::testing::PrintToString(places(check_data(app)));
    EXPECT_FALSE(fs::exists(side));
    EXPECT_FALSE(fs::exists(pending_import_file(app / "data")));
    EXPECT_TRUE(check_data(app).clean());
}

// A payment run stopped after its payments landed is found and finished (its
// ledger line written); runs naming payments or voids that are not there
// are named.
TEST(Check, PaymentRunsNameWhatTheRegistersHoldAndAStoppedOneIsFinished) {
    test::TempFolder folder;
    const fs::path app = folder.path();
    test::copy_example("world-9003", app);
    const fs::path payments = app / "data" / file::kPayments;
    const int64_t held = RecordFile(payments, MoneyRecord::kSize).count();
    write_file_atomically(app / "data" / file::kPaymentRuns,
                          "run 1 2026-12-08T05:01:02+01:00 2003-03-01..2003-03-31 payments 1.." +
                              std::to_string(held + 2) +
                              " count 2 total 3.00\n"
                              "reversed 1 2026-12-08T06:00:00+01:00 dated 2003-04-01 voids 1..2 "
                              "count 2 total 3.00\n");
    // A second run whose payments are in but whose line is not.
    const std::string last = test::read_file(payments).substr(static_cast<size_t>(held - 1) * 16);
    PendingImport pending;
    pending.registerFile = file::kPayments;
    pending.recordLength = MoneyRecord::kSize;
    pending.first = held;
    pending.rows = 1;
    pending.recordsHash = records_hash(last);
    pending.sidePrefix.reset();
    pending.ledgerLine = "run 2 2026-12-08T07:00:00+01:00 2003-04-01..2003-04-30 payments " +
                         std::to_string(held) + ".." + std::to_string(held) + " count 1 total 1.00";
    write_pending_import(app / "data", pending, file::kPaymentRuns);

    const CheckReport report = check_data(app);
    std::vector<std::string> problems;
    for (const Finding& f : report.findings)
        if (f.file.find("payment-runs") != std::string::npos) problems.push_back(f.problem);
    ASSERT_EQ(problems.size(), 3u) << ::testing::PrintToString(problems);
    EXPECT_EQ(problems[0], "payment run 1 names payments 1 to " + std::to_string(held + 2) +
                               "; the register holds " + std::to_string(held));
    EXPECT_EQ(problems[1], "payment run 1 was reversed by voids 1 to 2; data/voids.qdx holds 0");
    EXPECT_EQ(report.findings.back().kind, RepairKind::FinishImport);
    QDX_SKIP_WITHOUT_BACKUPS();  // the repair backs the data up first
    Progress none;
    repair_data(app, report, none);
    EXPECT_FALSE(fs::exists(pending_import_file(app / "data", file::kPaymentRuns)));
    const auto runs = read_payment_runs(app / "data");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].first, held);
}

}  // namespace
}  // namespace qdx
