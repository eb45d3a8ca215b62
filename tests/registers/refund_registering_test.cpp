// Registering refunds, one in a window or many from a CSV file: the checks
// refuse what a sale cannot take back and nothing is written; what passes
// lands whole, with its details, and takes the commissions back.
#include <gtest/gtest.h>

#include <map>

#include "core/files.h"
#include "core/history.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "registers/import/csv_import.h"
#include "registers/refund_editing.h"
#include "registers/side_files.h"
#include "reports/report_kinds.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

double march(int day) { return ole_from_ymd(2003, 3, day); }

// Affiliates 1, 2 under 1, 3 under 2; sales 1 (by 3, 200, "Order 71") and
// 2 (by 1, 10, "Order 72") and 3 (by 2, 5, "Order 72"); Percents 10, 5, 2.
class RefundRegisteringTest : public ::testing::Test {
  protected:
    RefundRegisteringTest() : state(folder.path() / "app") {
        state.today = [] { return march(31); };
        test::write_affiliates(
            state, {test::affiliate(1, 0, 1, march(1)), test::affiliate(2, 1, 2, march(5)),
                    test::affiliate(3, 2, 3, march(5))});
        test::write_money(state, file::kSales,
                          {{3, 200, march(15)}, {1, 10, march(16)}, {2, 5, march(16)}});
        write_side_file(money_details_file(state.appDir, 's', 1), "Order 71");
        write_side_file(money_details_file(state.appDir, 's', 2), "Order 72");
        write_side_file(money_details_file(state.appDir, 's', 3), "Order 72");
        test::write_settings(state, test::settings("Percents", {10, 5, 2}));
        load_settings(state);
    }
    fs::path csv(const std::string& bytes) {
        const fs::path path = folder.path() / "refunds.csv";
        write_file_atomically(path, bytes);
        return path;
    }
    std::map<std::string, std::string> files() const { return test::files_under(state.appDir); }
    std::string income(int row) {
        return make_report(state, {ReportKind::Accounts, {march(1), march(31)}})
            .text(static_cast<size_t>(row), 1);
    }
    test::TempFolder folder;
    AppState state;
};

TEST_F(RefundRegisteringTest, TheChecksSayWhatIsWrongWithTheValueInTheWindowsOrder) {
    const std::string incorrect = "Sorry, you entered an incorrect value";
    test::write_refunds(state, {{1, 150, march(20)}});
    const RefundChecker checker(state);
    EXPECT_DOUBLE_EQ(checker.left(1), 50);
    struct Case {
        RefundBoxes boxes;
        RefundBox box;
        std::string message;
    };
    const Case cases[] = {
        {{"", "1", "20/03/2003"}, RefundBox::Sale, "Please enter data into the field"},
        {{"1", " ", "20/03/2003"}, RefundBox::Sum, "Please enter data into the field"},
        {{"1.5", "1", "20/03/2003"}, RefundBox::Sale, incorrect + ": \"1.5\" is not a sale's"},
        {{"1", "abc", "20/03/2003"}, RefundBox::Sum, incorrect + ": \"abc\" is not a number"},
        {{"1", "NaN", "20/03/2003"}, RefundBox::Sum, incorrect + ": \"NaN\" is not a number"},
        {{"1", "1", "31/02/2003"}, RefundBox::Date, incorrect + ": \"31/02/2003\" is not a date"},
        {{"4", "1", "20/03/2003"},
         RefundBox::Sale,
         "Sorry, this record does not exist: sale 4: the sales register holds 3 sales"},
        {{"1", "0", "20/03/2003"},
         RefundBox::Sum,
         incorrect + ": \"0\": a refund is a sum above 0"},
        {{"1", "-5", "20/03/2003"}, RefundBox::Sum, incorrect + ": \"-5\": a refund"},
        {{"1", "50.01", "20/03/2003"},
         RefundBox::Sum,
         incorrect + ": \"50.01\" is more than is left of sale 1, 50"},
        {{"1", "50", "14/03/2003"},
         RefundBox::Date,
         incorrect + ": \"14/03/2003\" is before the sale, dated 15/03/2003"},
    };
    for (const Case& c : cases) {
        const auto failure = checker.check(c.boxes);
        ASSERT_TRUE(failure) << c.message;
        EXPECT_EQ(failure->box, c.box) << c.message;
        std::string text = message_text(state.messages, failure->message);
        if (!failure->detail.empty()) text += ": " + failure->detail;
        EXPECT_EQ(text.substr(0, c.message.size()), c.message);
    }
    EXPECT_FALSE(checker.check({"1", "50", "15/03/2003"}));  // all that is left, on the sale's day
}

TEST_F(RefundRegisteringTest, ARefundIsLoggedAppendedWithItsDetailsAndTakesItsShareBack) {
    EXPECT_EQ(income(3), "20");
    // Left by a refund that never landed: not this one's.
    write_side_file(refund_details_file(state.appDir, 1), "stale");
    EXPECT_EQ(save_refund(state, {1, 50, march(20)}, ""), 1);
    EXPECT_FALSE(fs::exists(refund_details_file(state.appDir, 1)));
    EXPECT_EQ(save_refund(state, {1, 50, march(21)}, "Charged back"), 2);
    EXPECT_EQ(test::read_file(refund_details_file(state.appDir, 2)), "Charged back\r\n");
    EXPECT_EQ(income(3), "10");
    EXPECT_EQ(income(1), "3.25");  // 4 - 1 - 1 for sale 1, and sales 2 and 3
    const auto lines = parse_history(test::read_file(history_file(state.appDir)));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].registerName, "refunds");
    EXPECT_EQ(lines[1].record, 2);
    EXPECT_EQ(lines[1].what, "created: Sale: 1; Sum: 50; Date: 2003-03-21");
}

TEST_F(RefundRegisteringTest, AnImportNamesSalesByNumberOrByOrderAndCountsItsOwnEarlierRows) {
    const fs::path file =
        csv("sale,order,date,sum,details\n"
            "1,,2003-03-20,150,first\n"
            ",Order 71,2003-03-21,50,\n"
            ",Order 71,2003-03-22,0.5,\n"  // nothing is left of sale 1 by now
            ",Order 72,2003-03-22,1,\n"    // two sales hold it
            ",Order 99,2003-03-22,1,\n");  // none does
    const auto before = files();
    const ImportPlan plan = plan_import(state, ImportKind::Refunds, file, {});
    ASSERT_EQ(plan.problems.size(), 3u);
    EXPECT_EQ(plan.problems[0].line, 4);
    EXPECT_EQ(plan.problems[0].column, "sum");
    EXPECT_EQ(plan.problems[0].message.find("Sorry, you entered an incorrect value: \"0.5\" is "
                                            "more than is left of sale 1, 0"),
              0u)
        << plan.problems[0].message;
    EXPECT_EQ(plan.problems[1].column, "order");
    EXPECT_EQ(plan.problems[1].message,
              "\"Order 72\" is in the details of 2 sales (2, 3): name the sale by its number");
    EXPECT_EQ(plan.problems[2].message, "\"Order 99\" is in the details of no sale");
    EXPECT_THROW(run_import(state, plan), ImportRefused);
    EXPECT_EQ(files(), before);

    ImportOptions partial;
    partial.partial = true;
    const ImportResult result =
        run_import(state, plan_import(state, ImportKind::Refunds, file, partial));
    EXPECT_EQ(result.records, 2);
    EXPECT_EQ(test::read_file(refund_details_file(state.appDir, 1)), "first\r\n");
    EXPECT_EQ(income(3), "0");
    EXPECT_EQ(income(1), "1.25");  // sales 2 and 3 remain
    // The same file again is refused, as every import is.
    EXPECT_TRUE(plan_import(state, ImportKind::Refunds, file, partial).alreadyImported);
}

}  // namespace
}  // namespace qdx
