// Register payments stopped halfway: by a kill, or by a write that fails.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <cerrno>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_append.h"
#include "core/record_file.h"
#include "reports/report_totals.h"
#include "reports/reports.h"
#ifndef _WIN32
#include "support/kill_midway.h"
#endif
#include "support/not_on_windows.h"
#include "support/test_support.h"

namespace qdx {
namespace {

#ifndef _WIN32
namespace fs = std::filesystem;

class InterruptedAppendTest : public ::testing::Test {
  protected:
    InterruptedAppendTest() : state(folder.path()) {
        range.to = ole_from_ymd(2003, 3, 31);
        test::write_money(state, file::kPayments,
                          {{1, 5, range.to}, {2, 6, range.to}, {3, 7, range.to}});
    }
    fs::path payments() const { return state.dataFile(file::kPayments); }
    // A payments-due table of `rows` affiliates, as the report hands it over.
    ReportTable due(int rows) const {
        ReportTable t;
        t.request = {ReportKind::PaymentsDue, {range.to, range.to}};
        t.setHeader(" Affiliate's ID     | Payments Due  ");
        for (int i = 1; i <= rows; ++i) {
            t.appendRow();
            put_long(t, static_cast<size_t>(i), 0, i);
            put_single(t, static_cast<size_t>(i), 1, 12.5f, state.regional);
        }
        append_total_row(t, {1}, state.regional);
        return t;
    }
    size_t files_in_data() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(state.dataDir()), {}));
    }
    test::TempFolder folder;
    AppState state;
    DateRange range;
};

TEST_F(InterruptedAppendTest, KilledMidAppendTheNextOpeningCutsThePartBack) {
    const std::string before = test::read_file(payments());
    ASSERT_TRUE(test::killed_while_writing(before.size() + 1000,
                                           [&] { register_payments(state, due(50000)); }));
    ASSERT_GT(fs::file_size(payments()), before.size());  // the kill left part of the records

    RecordFile reopened(payments(), MoneyRecord::kSize);
    EXPECT_EQ(reopened.count(), 3);
    EXPECT_EQ(test::read_file(payments()), before);
    EXPECT_EQ(files_in_data(), 2u);  // and the run's note, for the next start to drop
    recover_interrupted_appends(state.dataDir());
    EXPECT_EQ(files_in_data(), 1u);
}

TEST_F(InterruptedAppendTest, KilledMidAppendTheNextStartCutsThePartBack) {
    // A fragment too short to count as a record is overwritten by the first one.
    std::string before = test::read_file(payments()) + "abc";
    write_file_atomically(payments(), before);
    ASSERT_TRUE(test::killed_while_writing(before.size() + 1000,
                                           [&] { register_payments(state, due(50000)); }));
    ASSERT_NE(test::read_file(payments()), before);

    recover_interrupted_appends(state.dataDir());
    EXPECT_EQ(test::read_file(payments()), before);
    EXPECT_EQ(files_in_data(), 1u);
    // And the next registering appends after the three records.
    EXPECT_EQ(register_payments(state, due(2)), 2);
    RecordFile after(payments(), MoneyRecord::kSize);
    EXPECT_EQ(after.count(), 5);
    EXPECT_EQ(after.read<MoneyRecord>(4).affiliateId, 1);
}

// Makes the rollback's cut fail while it lives.
struct CannotCutBack {
    CannotCutBack() : old_(detail::cut_back) {
        detail::cut_back = [](platform::File&, uint64_t) { return EIO; };
    }
    ~CannotCutBack() { detail::cut_back = old_; }
    CannotCutBack(const CannotCutBack&) = delete;
    CannotCutBack& operator=(const CannotCutBack&) = delete;

  private:
    int (*old_)(platform::File&, uint64_t);
};

// A write that stops at the file size limit fails with EFBIG instead of a kill.
class SizeLimit {
  public:
    explicit SizeLimit(rlim_t bytes) : oldHandler_(::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        const rlimit limit{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~SizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit old_{};
    sighandler_t oldHandler_;
};

TEST_F(InterruptedAppendTest, AFailedWriteIsUndoneOrReportedAsPartial) {
    const std::string before = test::read_file(payments());
    {
        SizeLimit limit(before.size() + 400);  // room for the run's note
        try {
            register_payments(state, due(500));
            FAIL() << "the write should fail";
        } catch (const PartialAppendError& e) {
            FAIL() << e.what();
        } catch (const FileError&) {
        }
        EXPECT_EQ(test::read_file(payments()), before);

        CannotCutBack cannotCut;
        try {
            register_payments(state, due(500));
            FAIL() << "the write should fail";
        } catch (const PartialAppendError& e) {
            EXPECT_NE(std::string(e.what()).find("may hold part of the records"),
                      std::string::npos);
            EXPECT_NE(std::string(e.what()).find("Input/output error"), std::string::npos);
        }
    }
    EXPECT_GT(fs::file_size(payments()), before.size());
    recover_interrupted_appends(state.dataDir());
    EXPECT_EQ(test::read_file(payments()), before);
}
#else
QDX_NOT_ON_WINDOWS(InterruptedAppendTest, KilledMidAppendTheNextOpeningCutsThePartBack,
                   "a kill halfway is made with fork() and a file size limit")
QDX_NOT_ON_WINDOWS(InterruptedAppendTest, KilledMidAppendTheNextStartCutsThePartBack,
                   "a kill halfway is made with fork() and a file size limit")
QDX_NOT_ON_WINDOWS(InterruptedAppendTest, AFailedWriteIsUndoneOrReportedAsPartial,
                   "a failing write is made with a file size limit (setrlimit)")
#endif

}  // namespace
}  // namespace qdx
