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
    EXPECT_EQ(settings[0].minPayment, 50.0f);
    EXPECT_GT(settings[0].levels[0], settings[0].levels[1]);
}

TEST_F(Demo, TreeIsConsistentOverFiveGenerations) {
    auto affiliates = read_all<AffiliateRecord>(data("affiliates.qdx"));
    std::map<int32_t, int> children;
    int deepest = 0;
    for (size_t i = 0; i < affiliates.size(); ++i) {
        const AffiliateRecord& a = affiliates[i];
        SCOPED_TRACE(a.id);
        EXPECT_EQ(a.id, static_cast<int32_t>(i + 1));
        ASSERT_GE(a.referrerId, 0);
        ASSERT_LT(a.referrerId, a.id);  // referred by someone who joined before
        if (a.referrerId == 0) {
            EXPECT_EQ(a.level, 1);
        } else {
            const AffiliateRecord& up = affiliates[static_cast<size_t>(a.referrerId - 1)];
            EXPECT_EQ(a.level, up.level + 1);
            EXPECT_GE(a.date, up.date);
            ++children[a.referrerId];
        }
        EXPECT_GE(a.date, kLastDay - 364);
        EXPECT_LE(a.date, kLastDay);
        EXPECT_EQ(a.date, static_cast<double>(static_cast<int64_t>(a.date)));  // whole days
        deepest = std::max(deepest, static_cast<int>(a.level));
    }
    EXPECT_GE(deepest, 4);
    EXPECT_LE(deepest, 5);
    for (const AffiliateRecord& a : affiliates) {
        if (a.referrerId != 0) continue;
        EXPECT_GT(children[a.id], 0) << "root " << a.id << " has no downline";
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

TEST_F(Demo, SideTextsBelongToTheirRecords) {
    auto affiliates = read_all<AffiliateRecord>(data("affiliates.qdx"));
    int affiliateTexts = 0, messages = 0;
    for (const auto& [name, bytes] : folder_contents(app.path())) {
        if (name.rfind("data/", 0) == 0) continue;
        SCOPED_TRACE(name);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
        fs::path p(name);
        std::string stem = p.stem().string();
        if (p.parent_path() == "addinfo" && std::isdigit(static_cast<unsigned char>(stem[0]))) {
            int id = std::stoi(stem);
            ASSERT_LE(id, 40);
            EXPECT_GT(bytes.size() - 2, 20u);  // long texts only; short ones live in the record
            EXPECT_EQ(trim(affiliates[static_cast<size_t>(id - 1)].additionalInfo), "");
            ++affiliateTexts;
        } else if (p.parent_path() == "addinfo") {
            int n = std::stoi(stem.substr(1));
            EXPECT_LE(n, stem[0] == 's' ? made.sales : made.payments);
        } else {
            ASSERT_EQ(p.parent_path(), "comm");
            int n = std::stoi(std::isdigit(static_cast<unsigned char>(stem[0])) ? stem
                                                                                : stem.substr(1));
            EXPECT_LE(n, made.communications);
            messages += stem[0] != 'r' && stem[0] != 'c';
        }
    }
    EXPECT_GT(affiliateTexts, 0);
    EXPECT_EQ(messages, made.communications);  // every communication has its message
}

TEST(DemoSeeds, EverySeedGivesAConsistentNetwork) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        test::TempFolder app;
        write_demo_program(app.path(), {seed, 40, kLastDay});
        auto affiliates = read_all<AffiliateRecord>(app.path() / "data" / "affiliates.qdx");
        int deepest = 0;
        for (const AffiliateRecord& a : affiliates) {
            int expected =
                a.referrerId ? affiliates[static_cast<size_t>(a.referrerId - 1)].level + 1 : 1;
            EXPECT_EQ(a.level, expected) << "seed " << seed << " affiliate " << a.id;
            deepest = std::max(deepest, static_cast<int>(a.level));
        }
        EXPECT_GE(deepest, 4) << "seed " << seed;
    }
}

TEST(DemoSizes, LargeDemosAreWrittenInBulk) {
    test::TempFolder app;
    DemoSummary made = write_demo_program(app.path(), {3, kLargestDetailedDemo + 1000, kLastDay});
    EXPECT_EQ(made.affiliates, kLargestDetailedDemo + 1000);
    RecordFile affiliates(app.path() / "data" / "affiliates.qdx", AffiliateRecord::kSize);
    EXPECT_EQ(affiliates.count(), made.affiliates);
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
