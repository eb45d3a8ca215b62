// The downline cache: its list files, its counter, and the packed index kept
// beside them, which must always give the downlines the list files give.
#include "core/downline_cache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;
using Ids = std::vector<int32_t>;

// A downline read one way or another; a cycle shows as {-1}.
template <class Read>
Ids or_cycle(Read read) {
    try {
        return read();
    } catch (const ReportError&) {
        return {-1};
    }
}

class DownlineCacheTest : public ::testing::Test {
  protected:
    DownlineCacheTest() : state(folder.path()) {}

    // Affiliates given as the referrers of the next records; levels are not used here.
    void add(const Ids& referrers) {
        std::vector<AffiliateRecord> records;
        for (int32_t r : referrers) records.push_back(test::affiliate(++count, r, 1, day));
        test::write_affiliates(state, records);
    }
    // Random referrers among the records so far, a few top-level and a few ahead.
    void addRandom(int how_many) {
        Ids referrers;
        for (int32_t next = count + 1; next <= count + how_many; ++next) {
            const int pick = static_cast<int>(random() % 10);
            referrers.push_back(pick == 0   ? 0
                                : pick == 1 ? next + 1 + static_cast<int32_t>(random() % 5)
                                            : static_cast<int32_t>(random() % uint32_t(next)));
        }
        add(referrers);
    }
    std::string list(int64_t id) const { return test::read_file(downline_list_file(state, id)); }
    std::string counter() const { return test::read_file(downline_counter_file(state)); }
    void setList(int64_t id, const std::string& bytes) {
        ensure_folder(downline_folder(state));
        write_file_atomically(downline_list_file(state, id), bytes);
    }
    // The index is in use and holds exactly what the list files hold.
    void expectIndexMatchesFiles() {
        std::optional<PackedLists> index = load_downline_index(state);
        ASSERT_TRUE(index.has_value());
        const PackedLists files = read_list_files(DownlineFolder(state), count);
        EXPECT_EQ(index->n, files.n);
        EXPECT_EQ(index->length, files.length);
        EXPECT_EQ(index->start, files.start);
        EXPECT_EQ(index->ids, files.ids);
    }
    // get_downline gives what opening every member's list file in turn gives.
    void expectSameDownlines() {
        const size_t capacity = static_cast<size_t>(count) + 5;
        const DownlineFolder files(state);
        auto read = [&](int32_t member, Ids& out) { return files.read(member, out); };
        for (int32_t id : {0, 1, 2, 3, count / 2, count, count + 3})
            EXPECT_EQ(or_cycle([&] { return get_downline(state, id, capacity); }),
                      or_cycle([&] { return expand_downline(id, capacity, read); }))
                << id;
    }

    test::TempFolder folder;
    AppState state;
    double day = ole_from_ymd(2003, 3, 1);
    int32_t count = 0;
    std::mt19937 random{1};
};

TEST_F(DownlineCacheTest, ListFilesHoldDirectReferralsWithBlanksAroundEachNumber) {
    refresh_downline_cache(state);  // no affiliates file: only the folder
    EXPECT_TRUE(folder_exists(downline_folder(state)));
    EXPECT_FALSE(file_exists(downline_counter_file(state)));
    add({0, 1, 1, 2, 0, 1, 0, 0, 0, 0, 0, 1});
    refresh_downline_cache(state);
    EXPECT_EQ(list(0), " 1  5  7  8  9  10  11 ");
    EXPECT_EQ(list(1), " 2  3  6  12 ");
    EXPECT_EQ(list(2), " 4 ");
    EXPECT_EQ(list(3), "");
    EXPECT_TRUE(file_exists(downline_list_file(state, 12)));
    EXPECT_FALSE(file_exists(downline_list_file(state, 13)));
    EXPECT_EQ(counter(), " 12 \r\n");
}

TEST_F(DownlineCacheTest, NewAffiliatesAreAppendedWithoutRebuild) {
    add({0, 1, 2});
    refresh_downline_cache(state);
    setList(3, " 99 ");  // a rebuild would empty it again
    add({1, 3, 0});
    refresh_downline_cache(state);
    EXPECT_EQ(list(1), " 2  4 ");
    EXPECT_EQ(list(3), " 99  5 ");
    EXPECT_EQ(list(0), " 1  6 ");
    EXPECT_EQ(list(4), "");
    EXPECT_EQ(counter(), " 6 \r\n");
    refresh_downline_cache(state);  // up to date: nothing changes
    EXPECT_EQ(list(1), " 2  4 ");
}

TEST_F(DownlineCacheTest, NewRecordsAreTakenInRecordOrder) {
    add({0});
    refresh_downline_cache(state);
    // Record 2 names the later record 3, whose own list is then created empty;
    // record 4 names 3 after that and stays listed.
    add({3, 1, 3});
    refresh_downline_cache(state);
    EXPECT_EQ(list(3), " 4 ");
    EXPECT_EQ(list(1), " 3 ");
}

TEST_F(DownlineCacheTest, MissingOversizedOrUnreadableCounterRebuildsListsAndIndex) {
    add({0, 1, 1});
    refresh_downline_cache(state);
    for (const char* counterText : std::initializer_list<const char*>{"", " 40 \r\n", nullptr}) {
        SCOPED_TRACE(counterText ? counterText : "no counter");
        setList(2, " 77 ");
        if (counterText) {
            write_file_atomically(downline_counter_file(state), counterText);
        } else {
            remove_if_exists(downline_counter_file(state));
            EXPECT_FALSE(load_downline_index(state).has_value());
        }
        refresh_downline_cache(state);
        EXPECT_EQ(list(2), "");
        EXPECT_EQ(counter(), " 3 \r\n");
        expectIndexMatchesFiles();
    }
}

TEST_F(DownlineCacheTest, RebuildListsEveryRecordOnceWhateverTheOrder) {
    add({3, 0, 2, 3, 9});  // forward references and a referrer that is not on file
    setList(9, " 1 ");
    rebuild_downline_cache(state);
    EXPECT_EQ(list(0), " 2 ");
    EXPECT_EQ(list(2), " 3 ");
    EXPECT_EQ(list(3), " 1  4 ");
    EXPECT_EQ(list(9), " 1  5 ");  // kept from before, appended to
    EXPECT_EQ(counter(), " 5 \r\n");
}

TEST_F(DownlineCacheTest, DownlineComesGenerationByGenerationWithoutDepthLimit) {
    //        1
    //      2   3
    //     4 5   6
    //     7
    add({0, 1, 1, 2, 2, 3, 4, 0, 7, 9, 10, 11});  // 7 <- 9 <- 10 <- 11 <- 12
    refresh_downline_cache(state);
    EXPECT_EQ(get_downline(state, 1, 20), (Ids{2, 3, 4, 5, 6, 7, 9, 10, 11, 12}));
    EXPECT_EQ(get_downline(state, 0, 20), (Ids{1, 8, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12}));
    EXPECT_TRUE(get_downline(state, 12, 20).empty());
    EXPECT_TRUE(get_downline(state, 42, 20).empty());  // no list file
}

TEST_F(DownlineCacheTest, AListThatCannotBeWrittenSaysWhy) {
    add({0, 1});
    fs::create_directories(downline_list_file(state, 1));  // a folder in its place
    EXPECT_EQ(test::error_of<FileError>([&] { refresh_downline_cache(state); }),
              "Cannot write " + downline_list_file(state, 1).string() + ": Is a directory");
}

TEST_F(DownlineCacheTest, IndexFollowsTheListFilesAsAffiliatesAreAddedInSteps) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        random.seed(seed);
        remove_if_exists(state.dataFile(file::kAffiliates));
        fs::remove_all(downline_folder(state));
        count = 0;
        for (int step : {1, 40, 3, 200, 1, 57}) {
            addRandom(step);
            refresh_downline_cache(state);
            expectIndexMatchesFiles();
            expectSameDownlines();
        }
    }
}

TEST_F(DownlineCacheTest, ListsChangedBesideTheIndexAreReadFromTheFiles) {
    add({0, 1, 1, 2});
    refresh_downline_cache(state);
    setList(1, " 3 ");
    // Moves the folder's time on as any later change to its entries would.
    const fs::path dwl = downline_folder(state);
#ifndef _WIN32
    fs::last_write_time(dwl, fs::last_write_time(dwl) + std::chrono::seconds(2));
#else
    // The C library sets no time on a folder on Windows: an entry made and
    // removed a moment later moves it on.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ofstream(dwl / "moved") << "x";
    fs::remove(dwl / "moved");
#endif
    EXPECT_FALSE(load_downline_index(state).has_value());
    EXPECT_EQ(get_downline(state, 0, 9), (Ids{1, 3}));
    // The next check packs the lists as they now are.
    refresh_downline_cache(state);
    expectIndexMatchesFiles();
    EXPECT_EQ(get_downline(state, 0, 9), (Ids{1, 3}));
}

TEST_F(DownlineCacheTest, DamagedShortOrStaleIndexIsNotTrusted) {
    addRandom(100);
    refresh_downline_cache(state);
    const fs::path index = downline_index_file(state);
    const std::string good = read_whole_file(index);
    {
        // Changed in place, which leaves the folder's time alone.
        std::fstream f(index, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(good.size() - 3));
        f.put(static_cast<char>(good[good.size() - 3] ^ 0x10));
    }
    EXPECT_FALSE(load_downline_index(state).has_value());
    expectSameDownlines();
    fs::resize_file(index, good.size() - 4);
    EXPECT_FALSE(load_downline_index(state).has_value());
    expectSameDownlines();
    fs::resize_file(index, 10);
    EXPECT_FALSE(load_downline_index(state).has_value());

    // An index of another count, put back in place.
    add({2});
    refresh_downline_cache(state);
    std::ofstream(index, std::ios::binary) << good;
    EXPECT_FALSE(load_downline_index(state).has_value());
    expectSameDownlines();
}

TEST_F(DownlineCacheTest, CacheWithoutIndexGetsOneAtTheNextCheck) {
    add({0, 1, 1});
    refresh_downline_cache(state);
    remove_if_exists(downline_index_file(state));
    setList(2, " 1 ");  // hand-made cycle 1 -> 2 -> 1, kept as written
    refresh_downline_cache(state);
    expectIndexMatchesFiles();
    EXPECT_THROW(get_downline(state, 1, 8), ReportError);
    EXPECT_EQ(get_downline(state, 3, 8), Ids{});
}

TEST_F(DownlineCacheTest, UnreadableListLeavesNoIndexAndFailsWhenRead) {
    add({0, 1});
    refresh_downline_cache(state);
    setList(1, " 2 x ");
    remove_if_exists(downline_index_file(state));
    EXPECT_NO_THROW(refresh_downline_cache(state));
    EXPECT_FALSE(file_exists(downline_index_file(state)));
    EXPECT_THROW(get_downline(state, 0, 9), ReportError);
}

}  // namespace
}  // namespace qdx
