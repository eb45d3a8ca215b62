#include "reports/downline_cache.h"

#include <gtest/gtest.h>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using test::affiliate;

class DownlineCacheTest : public ::testing::Test {
  protected:
    DownlineCacheTest() : state(folder.path()) {}

    // Affiliates given as referrers of records 1, 2, ...; levels are not used here.
    void add(std::initializer_list<int32_t> referrers) {
        std::vector<AffiliateRecord> records;
        int32_t id = count();
        for (int32_t r : referrers) records.push_back(affiliate(++id, r, 1, day));
        test::write_affiliates(state, records);
    }
    int32_t count() const {
        return file_exists(state.dataFile(file::kAffiliates))
                   ? static_cast<int32_t>(
                         read_whole_file(state.dataFile(file::kAffiliates)).size() /
                         AffiliateRecord::kSize)
                   : 0;
    }
    std::string list(int64_t id) const { return test::read_file(downline_list_file(state, id)); }
    std::string counter() const { return test::read_file(downline_counter_file(state)); }
    void setList(int64_t id, const std::string& bytes) {
        ensure_folder(downline_folder(state));
        write_file_atomically(downline_list_file(state, id), bytes);
    }

    test::TempFolder folder;
    AppState state;
    double day = ole_from_ymd(2003, 3, 1);
};

TEST_F(DownlineCacheTest, ListFilesHoldDirectReferralsWithBlanksAroundEachNumber) {
    add({0, 1, 1, 2, 0, 1, 0, 0, 0, 0, 0, 1});
    check_downline(state);
    EXPECT_EQ(list(0), " 1  5  7  8  9  10  11 ");
    EXPECT_EQ(list(1), " 2  3  6  12 ");
    EXPECT_EQ(list(2), " 4 ");
    EXPECT_EQ(list(3), "");
    EXPECT_TRUE(file_exists(downline_list_file(state, 12)));
    EXPECT_FALSE(file_exists(downline_list_file(state, 13)));
    EXPECT_EQ(counter(), " 12 \r\n");
}

TEST_F(DownlineCacheTest, NoAffiliatesFileLeavesOnlyTheFolder) {
    check_downline(state);
    EXPECT_TRUE(folder_exists(downline_folder(state)));
    EXPECT_FALSE(file_exists(downline_counter_file(state)));
    EXPECT_TRUE(get_downline(state, 0, 10).empty());
}

TEST_F(DownlineCacheTest, NewAffiliatesAreAppendedWithoutRebuild) {
    add({0, 1, 2});
    check_downline(state);
    setList(3, " 99 ");  // a rebuild would empty it again
    add({1, 3, 0});
    check_downline(state);
    EXPECT_EQ(list(1), " 2  4 ");
    EXPECT_EQ(list(3), " 99  5 ");
    EXPECT_EQ(list(0), " 1  6 ");
    EXPECT_EQ(list(4), "");
    EXPECT_EQ(counter(), " 6 \r\n");
    check_downline(state);  // up to date: nothing changes
    EXPECT_EQ(list(1), " 2  4 ");
}

TEST_F(DownlineCacheTest, NewRecordsAreTakenInRecordOrder) {
    add({0});
    check_downline(state);
    // Record 2 names the later record 3, whose own list is then created empty;
    // record 4 names 3 after that and stays listed.
    add({3, 1, 3});
    check_downline(state);
    EXPECT_EQ(list(3), " 4 ");
    EXPECT_EQ(list(1), " 3 ");
}

TEST_F(DownlineCacheTest, MissingOrOversizedOrUnreadableCounterRebuilds) {
    add({0, 1, 1});
    check_downline(state);
    setList(2, " 77 ");
    remove_if_exists(downline_counter_file(state));
    check_downline(state);
    EXPECT_EQ(list(2), "");
    EXPECT_EQ(counter(), " 3 \r\n");

    setList(2, " 77 ");
    write_file_atomically(downline_counter_file(state), " 40 \r\n");
    check_downline(state);
    EXPECT_EQ(list(2), "");
    EXPECT_EQ(counter(), " 3 \r\n");

    setList(2, " 77 ");
    write_file_atomically(downline_counter_file(state), "");
    check_downline(state);
    EXPECT_EQ(list(2), "");
}

TEST_F(DownlineCacheTest, RebuildListsEveryRecordOnceWhateverTheOrder) {
    add({3, 0, 2, 3, 9});  // forward references and a referrer that is not on file
    setList(9, " 1 ");
    update_downline(state);
    EXPECT_EQ(list(0), " 2 ");
    EXPECT_EQ(list(2), " 3 ");
    EXPECT_EQ(list(3), " 1  4 ");
    EXPECT_EQ(list(9), " 1  5 ");  // kept from before, appended to
    EXPECT_EQ(counter(), " 5 \r\n");
}

TEST_F(DownlineCacheTest, DownlineComesGenerationByGeneration) {
    //        1
    //      2   3
    //     4 5   6
    //     7
    add({0, 1, 1, 2, 2, 3, 4, 0});
    check_downline(state);
    EXPECT_EQ(get_downline(state, 1, 10), (std::vector<int32_t>{2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(get_downline(state, 0, 10), (std::vector<int32_t>{1, 8, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(get_downline(state, 7, 10).empty());
    EXPECT_TRUE(get_downline(state, 42, 10).empty());  // no list file
}

TEST_F(DownlineCacheTest, FiveGenerationChainHasNoDepthLimit) {
    add({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    check_downline(state);
    EXPECT_EQ(get_downline(state, 1, 20), (std::vector<int32_t>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(DownlineCacheTest, ReferralCycleOutgrowsTheCapacityInsteadOfHanging) {
    add({0, 3, 2});  // 2 and 3 refer to each other
    check_downline(state);
    EXPECT_THROW(get_downline(state, 2, 8), ReportError);
    EXPECT_EQ(get_downline(state, 1, 8), std::vector<int32_t>{});
}

TEST_F(DownlineCacheTest, BadListTextIsAFailure) {
    add({0});
    check_downline(state);
    setList(1, " 2 x ");
    remove_if_exists(downline_index_file(state));  // read file by file
    EXPECT_THROW(get_downline(state, 1, 10), ReportError);
}

TEST_F(DownlineCacheTest, AListThatCannotBeWrittenSaysWhy) {
    add({0, 1});
    std::filesystem::create_directories(downline_list_file(state, 1));  // a folder in its place
    try {
        check_downline(state);
        FAIL() << "the cache was written";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot write " + downline_list_file(state, 1).string() + ": Is a directory");
    }
}

}  // namespace
}  // namespace qdx
