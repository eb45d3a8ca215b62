#include "reports/downline_index.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>

#include "core/files.h"
#include "core/ole_date.h"
#include "reports/downline_cache.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

// What a downline is when every member's list file is opened in turn; a
// cycle shows as {-1}.
std::vector<int32_t> file_by_file(const AppState& state, int32_t id, size_t capacity) {
    const DownlineFolder folder(state);
    try {
        return expand_downline(id, capacity, [&](int32_t member, std::vector<int32_t>& out) {
            return folder.read(member, out);
        });
    } catch (const ReportError&) {
        return {-1};
    }
}

std::vector<int32_t> from_cache(const AppState& state, int32_t id, size_t capacity) {
    try {
        return get_downline(state, id, capacity);
    } catch (const ReportError&) {
        return {-1};
    }
}

class DownlineIndexTest : public ::testing::Test {
  protected:
    DownlineIndexTest() : state(folder.path()) {}

    void add(const std::vector<int32_t>& referrers) {
        std::vector<AffiliateRecord> records;
        int32_t id = count;
        for (int32_t r : referrers) records.push_back(test::affiliate(++id, r, 1, day));
        test::write_affiliates(state, records);
        count = id;
    }
    // Random referrers among the records so far and a few beyond them.
    void addRandom(int how_many) {
        std::vector<int32_t> referrers;
        for (int i = 0; i < how_many; ++i) {
            const int32_t next = count + i + 1;
            const int pick = static_cast<int>(random() % 10);
            if (pick == 0)
                referrers.push_back(0);
            else if (pick == 1)
                referrers.push_back(next + 1 + static_cast<int32_t>(random() % 5));  // ahead
            else
                referrers.push_back(static_cast<int32_t>(random() % static_cast<uint32_t>(next)));
        }
        add(referrers);
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
    void expectSameDownlines() {
        const size_t capacity = static_cast<size_t>(count) + 5;
        for (int32_t id : {0, 1, 2, 3, count / 2, count, count + 3})
            EXPECT_EQ(from_cache(state, id, capacity), file_by_file(state, id, capacity)) << id;
    }
    // Moves the folder's time on as any later change to its entries would.
    void touchFolder() {
        const fs::path dwl = downline_folder(state);
        fs::last_write_time(dwl, fs::last_write_time(dwl) + std::chrono::seconds(2));
    }
    void setList(int64_t id, const std::string& bytes) {
        write_file_atomically(downline_list_file(state, id), bytes);
    }

    test::TempFolder folder;
    AppState state;
    double day = ole_from_ymd(2003, 3, 1);
    int32_t count = 0;
    std::mt19937 random{1};
};

TEST_F(DownlineIndexTest, FollowsTheListFilesAsAffiliatesAreAddedInSteps) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        random.seed(seed);
        remove_if_exists(state.dataFile(file::kAffiliates));
        fs::remove_all(downline_folder(state));
        count = 0;
        for (int step : {1, 40, 3, 200, 1, 57}) {
            addRandom(step);
            check_downline(state);
            expectIndexMatchesFiles();
            expectSameDownlines();
        }
    }
}

TEST_F(DownlineIndexTest, RebuildAfterADeletedCounterRewritesTheIndex) {
    addRandom(300);
    check_downline(state);
    setList(5, " 299 ");  // a rebuild empties it again
    remove_if_exists(downline_counter_file(state));
    EXPECT_FALSE(load_downline_index(state).has_value());
    check_downline(state);
    expectIndexMatchesFiles();
    expectSameDownlines();
}

TEST_F(DownlineIndexTest, ListsChangedBesideTheIndexAreReadFromTheFiles) {
    add({0, 1, 1, 2});
    check_downline(state);
    setList(1, " 3 ");
    touchFolder();
    EXPECT_FALSE(load_downline_index(state).has_value());
    EXPECT_EQ(get_downline(state, 0, 9), (std::vector<int32_t>{1, 3}));
    // The next check packs the lists as they now are.
    check_downline(state);
    expectIndexMatchesFiles();
    EXPECT_EQ(get_downline(state, 0, 9), (std::vector<int32_t>{1, 3}));
}

TEST_F(DownlineIndexTest, DamagedOrShortIndexIsNotTrusted) {
    addRandom(100);
    check_downline(state);
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
}

TEST_F(DownlineIndexTest, IndexOfAnotherCountIsStale) {
    add({0, 1});
    check_downline(state);
    const std::string earlier = read_whole_file(downline_index_file(state));
    add({2});
    check_downline(state);
    std::ofstream(downline_index_file(state), std::ios::binary) << earlier;
    EXPECT_FALSE(load_downline_index(state).has_value());
    EXPECT_EQ(get_downline(state, 1, 9), (std::vector<int32_t>{2, 3}));
}

TEST_F(DownlineIndexTest, CacheWithoutIndexGetsOneAtTheNextCheck) {
    add({0, 1, 1});
    check_downline(state);
    remove_if_exists(downline_index_file(state));
    setList(2, " 1 ");  // hand-made cycle 1 -> 2 -> 1, kept as written
    check_downline(state);
    expectIndexMatchesFiles();
    EXPECT_THROW(get_downline(state, 1, 8), ReportError);
    EXPECT_EQ(get_downline(state, 3, 8), std::vector<int32_t>{});
}

TEST_F(DownlineIndexTest, UnreadableListLeavesNoIndexAndFailsWhenRead) {
    add({0, 1});
    check_downline(state);
    setList(1, " 2 x ");
    remove_if_exists(downline_index_file(state));
    EXPECT_NO_THROW(check_downline(state));
    EXPECT_FALSE(file_exists(downline_index_file(state)));
    EXPECT_THROW(get_downline(state, 0, 9), ReportError);
}

TEST_F(DownlineIndexTest, PageListsUseTheIndexOrTheFilesAlike) {
    addRandom(150);
    check_downline(state);
    const DownlineLists packed = DownlineLists::load(state, count);
    remove_if_exists(downline_index_file(state));
    const DownlineLists read = DownlineLists::load(state, count);
    auto expanded = [&](const DownlineLists& lists, int32_t id) {
        try {
            return lists.downline(id, static_cast<size_t>(count));
        } catch (const ReportError&) {
            return std::vector<int32_t>{-1};
        }
    };
    for (int32_t id : {0, 1, 7, 150, 152})
        EXPECT_EQ(expanded(packed, id), expanded(read, id)) << id;
}

}  // namespace
}  // namespace qdx
