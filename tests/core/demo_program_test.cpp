#include "core/demo_program.h"

#include <gtest/gtest.h>

#include <map>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/text_field.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

const double kLastDay = ole_from_ymd(2025, 12, 5);

template <class R>
std::vector<R> read_all(const fs::path& path) {
    RecordFile f(path, R::kSize);
    std::vector<R> all;
    for (int64_t k = 1; k <= f.count(); ++k) all.push_back(f.read<R>(k));
    return all;
}

// Every file under the folder, by relative path, with its bytes.
std::map<std::string, std::string> folder_contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = read_whole_file(entry.path());
    return files;
}

class Demo : public ::testing::Test {
  protected:
    void SetUp() override { made = write_demo_program(app.path(), {7, 40, kLastDay}); }
    fs::path data(const char* name) const { return app.path() / "data" / name; }

    test::TempFolder app;
    DemoSummary made;
};

TEST_F(Demo, IsTheSameForTheSameSeedAndDiffersForAnother) {
    test::TempFolder again, other;
    write_demo_program(again.path(), {7, 40, kLastDay});
    write_demo_program(other.path(), {8, 40, kLastDay});
    auto first = folder_contents(app.path());
    EXPECT_EQ(first, folder_contents(again.path()));
    EXPECT_NE(first.at("data/affiliates.qdx"),
              folder_contents(other.path()).at("data/affiliates.qdx"));
}

TEST_F(Demo, FilesHoldTheRecordsItReports) {
    EXPECT_EQ(made.affiliates, 40);
    EXPECT_EQ(RecordFile(data("affiliates.qdx"), AffiliateRecord::kSize).count(), 40);
    EXPECT_EQ(RecordFile(data("sales.qdx"), MoneyRecord::kSize).count(), made.sales);
    EXPECT_EQ(RecordFile(data("payments.qdx"), MoneyRecord::kSize).count(), made.payments);
    EXPECT_EQ(RecordFile(data("communications.qdx"), CommunicationRecord::kSize).count(),
              made.communications);
    EXPECT_GT(made.sales, 200);  // a year of sales by forty affiliates
    EXPECT_GT(made.payments, 10);
    EXPECT_GE(made.communications, 10);
    auto settings = read_all<SettingsRecord>(data("apsettings.qdx"));
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_EQ(trim(settings[0].type), "Percents");
}

// Each affiliate joins after its referrer, one level below it, within the
// year; every root has a downline and the tree is four or five deep.
TEST(DemoSeeds, EverySeedGivesAConsistentNetwork) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        test::TempFolder app;
        write_demo_program(app.path(), {seed, 40, kLastDay});
        auto affiliates = read_all<AffiliateRecord>(app.path() / "data" / "affiliates.qdx");
        std::map<int32_t, int> children;
        int deepest = 0;
        for (size_t i = 0; i < affiliates.size(); ++i) {
            const AffiliateRecord& a = affiliates[i];
            EXPECT_EQ(a.id, static_cast<int32_t>(i + 1));
            ASSERT_GE(a.referrerId, 0);
            ASSERT_LT(a.referrerId, a.id);
            if (a.referrerId != 0) {
                const AffiliateRecord& up = affiliates[static_cast<size_t>(a.referrerId - 1)];
                EXPECT_EQ(a.level, up.level + 1) << a.id;
                EXPECT_GE(a.date, up.date);
                ++children[a.referrerId];
            }
            EXPECT_EQ(a.level == 1, a.referrerId == 0);
            EXPECT_GE(a.date, kLastDay - 364);
            EXPECT_LE(a.date, kLastDay);
            EXPECT_EQ(a.date, static_cast<double>(static_cast<int64_t>(a.date)));  // whole days
            deepest = std::max(deepest, static_cast<int>(a.level));
        }
        EXPECT_GE(deepest, 4);
        EXPECT_LE(deepest, 5);
        for (const AffiliateRecord& a : affiliates) {
            if (a.referrerId == 0) EXPECT_GT(children[a.id], 0) << "root " << a.id;
        }
    }
}

TEST_F(Demo, SalesAndPaymentsFitTheAffiliatesAndTheYear) {
    auto affiliates = read_all<AffiliateRecord>(data("affiliates.qdx"));
    auto sales = read_all<MoneyRecord>(data("sales.qdx"));
    double previous = 0;
    for (const MoneyRecord& s : sales) {
        ASSERT_GE(s.affiliateId, 1);
        ASSERT_LE(s.affiliateId, 40);
        EXPECT_GE(s.date, affiliates[static_cast<size_t>(s.affiliateId - 1)].date);
        EXPECT_LE(s.date, kLastDay);
        EXPECT_GE(s.date, previous);  // entered in the order they happened
        EXPECT_GT(s.sum, 0.0f);
        previous = s.date;
    }
    EXPECT_GE(sales.back().date, one_month_before(kLastDay));  // the last month is busy too

    // Payouts on month ends, of at least the minimal payment, the last month still open.
    for (const MoneyRecord& p : read_all<MoneyRecord>(data("payments.qdx"))) {
        ASSERT_GE(p.affiliateId, 1);
        ASSERT_LE(p.affiliateId, 40);
        EXPECT_EQ(p.date, last_day_of_month(p.date));
        EXPECT_LE(p.date, one_month_before(kLastDay));
        EXPECT_GE(p.sum, 50.0f);
    }
}

TEST_F(Demo, CommunicationsAreAnsweredWithinTheYear) {
    for (const CommunicationRecord& c : read_all<CommunicationRecord>(data("communications.qdx"))) {
        ASSERT_GE(c.affiliateId, 1);
        ASSERT_LE(c.affiliateId, 40);
        EXPECT_NE(trim(c.subject), "");
        EXPECT_LE(c.date, c.dateOfResponce);
        EXPECT_LE(c.dateOfResponce, kLastDay);
    }
}

// Side texts end in CR LF; a long affiliate text sits beside an empty field,
// and every communication has its message.
TEST_F(Demo, SideTextsBelongToTheirRecords) {
    auto affiliates = read_all<AffiliateRecord>(data("affiliates.qdx"));
    int affiliateTexts = 0;
    for (const auto& [name, bytes] : folder_contents(app.path())) {
        if (name.rfind("data/", 0) == 0) continue;
        SCOPED_TRACE(name);
        EXPECT_TRUE(bytes.ends_with("\r\n"));
        const std::string stem = fs::path(name).stem().string();
        if (name.rfind("addinfo/", 0) == 0 && std::isdigit(static_cast<unsigned char>(stem[0]))) {
            EXPECT_GT(bytes.size(), 22u);  // short texts live in the record
            EXPECT_EQ(trim(affiliates.at(std::stoul(stem) - 1).additionalInfo), "");
            ++affiliateTexts;
        }
    }
    EXPECT_GT(affiliateTexts, 0);
    for (int n = 1; n <= made.communications; ++n)
        EXPECT_TRUE(fs::exists(app.path() / "comm" / (std::to_string(n) + ".txt"))) << n;
}

TEST(DemoSizes, LargeDemosAreWrittenInBulk) {
    test::TempFolder app;
    DemoSummary made = write_demo_program(app.path(), {3, kLargestDetailedDemo + 1000, kLastDay});
    RecordFile affiliates(app.path() / "data" / "affiliates.qdx", AffiliateRecord::kSize);
    EXPECT_EQ(affiliates.count(), kLargestDetailedDemo + 1000);
    EXPECT_EQ(made.affiliates, kLargestDetailedDemo + 1000);
    EXPECT_EQ(RecordFile(app.path() / "data" / "sales.qdx", MoneyRecord::kSize).count(),
              made.sales);
    EXPECT_GT(made.sales, made.affiliates);
    AffiliateRecord last = affiliates.read<AffiliateRecord>(made.affiliates);
    EXPECT_LE(last.date, kLastDay);

    test::TempFolder small;
    EXPECT_EQ(write_demo_program(small.path(), {3, 5, kLastDay}).affiliates, 5);
}

}  // namespace
}  // namespace qdx
