// Payout files pay whole minor units: what the file holds, what gets
// registered and what the next Payments Due shows agree to the cent.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "reports/due_table.h"
#include "reports/payout_file.h"
#include "reports/report_asking.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using test::due_table;

double march(int day) { return ole_from_ymd(2003, 3, day); }

class PayoutCentsTest : public ::testing::Test {
  protected:
    PayoutCentsTest() : state(folder.path()) {}
    int64_t registered_cents() {
        RecordFile payments(state.dataFile(file::kPayments), MoneyRecord::kSize);
        int64_t cents = 0;
        for (int64_t r = 1; r <= payments.count(); ++r)
            cents += std::llround(double(payments.read<MoneyRecord>(r).sum) * 100);
        return cents;
    }
    test::TempFolder folder;
    AppState state;
    DateRange range;
};

TEST_F(PayoutCentsTest, MinorUnitsFollowIso4217AndAreWrittenWithoutFloatingPoint) {
    EXPECT_EQ(minor_unit_digits("EUR"), 2);
    EXPECT_EQ(minor_unit_digits("USD"), 2);
    EXPECT_EQ(minor_unit_digits("$"), 2);
    EXPECT_EQ(minor_unit_digits("JPY"), 0);
    EXPECT_EQ(minor_unit_digits("KWD"), 3);
    EXPECT_EQ(minor_amount_text(1234, 2), "12.34");
    EXPECT_EQ(minor_amount_text(5, 2), "0.05");
    EXPECT_EQ(minor_amount_text(0, 2), "0.00");
    EXPECT_EQ(minor_amount_text(1234, 0), "1234");
    EXPECT_EQ(minor_amount_text(7, 3), "0.007");
    EXPECT_EQ(minor_amount_text(-150, 2), "-1.50");
    EXPECT_EQ(minor_amount_text(std::numeric_limits<int64_t>::min(), 2), "-92233720368547758.08");
}

// Over random reports the file's lines, its Total line, the result and the
// registered payments add up to the same cents.
TEST_F(PayoutCentsTest, FileTotalAndRegisteredPaymentsAgreeToTheCentOverRandomReports) {
    std::mt19937 random(22);
    test::write_money(state, file::kPayments, {});
    for (int round = 0; round < 20; ++round) {
        const int64_t before = registered_cents();
        const int count = 1 + int(random() % 300);
        std::vector<AffiliateRecord> affiliates;
        std::vector<std::pair<int32_t, double>> rows;
        for (int id = 1; id <= count; ++id) {
            affiliates.push_back(test::affiliate(id, 0, 1, march(1)));
            // Thousandths, as Payments Due shows them, up to 100,000.
            rows.push_back({id, double(random() % 100000000) / 1000});
        }
        test::write_affiliates(state, affiliates);
        const auto path = folder.path() / "payout.csv";
        const PayoutResult result =
            write_payout_file(state, due_table(rows), PayoutLayout::Qdx, "", path);
        const Rows written = test::csv_rows(test::read_file(path));
        int64_t cents = 0;
        for (size_t r = 1; r + 1 < written.size(); ++r) {
            const std::string& amount = written[r][4];
            cents += std::stoll(amount.substr(0, amount.size() - 3)) * 100 +
                     std::stoll(amount.substr(amount.size() - 2));
        }
        EXPECT_EQ(cents, result.totalMinor);
        EXPECT_EQ(written.back()[4], minor_amount_text(cents, 2));
        EXPECT_EQ(register_payout_payments(state, result), result.rows);
        EXPECT_EQ(registered_cents() - before, cents) << "round " << round;
        EXPECT_EQ(size_t(result.rows) + result.belowMinorUnit.size(), rows.size());
    }
}

// Paid and registered in whole cents, the next Payments Due shows what is
// left: the fractions, which the next file leaves out and lists.
TEST_F(PayoutCentsTest, TheNextPaymentsDueShowsTheFractionsAndTheNextFileLeavesThemOut) {
    std::vector<AffiliateRecord> affiliates = {test::affiliate(1, 0, 1, march(1)),
                                               test::affiliate(2, 1, 2, march(1)),
                                               test::affiliate(3, 2, 3, march(1))};
    for (auto& a : affiliates) a.email = "a" + std::to_string(a.id) + "@example.com";
    test::write_affiliates(state, affiliates);
    test::write_settings(state, test::settings("Percents", {10, 5, 2}, 0));
    test::write_money(state, file::kSales, {{3, 123.45f, march(15)}});
    test::write_money(state, file::kPayments, {});
    load_settings(state);
    range = {march(1), march(31)};

    const ReportTable first = ask(state, range, ReportKind::PaymentsDue);
    const auto path = folder.path() / "payout.csv";
    const PayoutResult paid =
        write_payout_file(state, first, PayoutLayout::MassPayment, "EUR", path);
    const Rows rows = test::csv_rows(test::read_file(path));
    ASSERT_EQ(rows.size(), 3u);
    std::map<std::string, std::string> amounts;
    for (const auto& row : rows) amounts[row[3]] = row[1];
    EXPECT_EQ(amounts["1"], "2.46");   // 2.469 owed
    EXPECT_EQ(amounts["2"], "6.17");   // 6.1725 owed
    EXPECT_EQ(amounts["3"], "12.34");  // 12.345 owed
    EXPECT_EQ(register_payout_payments(state, paid), 3);

    const ReportTable next = ask(state, range, ReportKind::PaymentsDue);
    double left = 0;
    for (size_t r = 1; r + 1 < next.rowCount(); ++r) {
        EXPECT_GT(next.number(r, 1), 0) << r;
        EXPECT_LT(next.number(r, 1), 0.01) << r;
        left += next.number(r, 1);
    }
    EXPECT_NEAR(left, 0.009 + 0.0025 + 0.005, 0.0015);

    const auto again = folder.path() / "again.csv";
    const PayoutResult none =
        write_payout_file(state, next, PayoutLayout::MassPayment, "EUR", again);
    EXPECT_EQ(none.rows, 0);
    EXPECT_EQ(none.totalMinor, 0);
    EXPECT_EQ(none.belowMinorUnit.size(), next.rowCount() - 2);
    EXPECT_NE(payout_summary(none, PayoutLayout::MassPayment).find("owed less than 0.01"),
              std::string::npos);
    EXPECT_EQ(register_payout_payments(state, none), 0);
}

TEST_F(PayoutCentsTest, YenAreWholeAndThousandthsRoundDownNeverUp) {
    auto a = test::affiliate(1, 0, 1, march(1));
    a.email = "yen@example.com";
    auto b = test::affiliate(2, 0, 1, march(1));
    b.email = "eur@example.com";
    test::write_affiliates(state, {a, b});
    const auto path = folder.path() / "payout.csv";
    write_payout_file(state, due_table({{1, 1234.999}, {2, 0.29}}), PayoutLayout::MassPayment,
                      "JPY", path);
    const Rows yen = test::csv_rows(test::read_file(path));
    ASSERT_EQ(yen.size(), 1u);  // 0.29 yen is less than one
    EXPECT_EQ(yen[0][1], "1234");
    write_payout_file(state, due_table({{1, 1234.999}, {2, 0.29}}), PayoutLayout::MassPayment,
                      "EUR", path);
    const Rows euro = test::csv_rows(test::read_file(path));
    ASSERT_EQ(euro.size(), 2u);
    EXPECT_EQ(euro[0][1], "1234.99");
    EXPECT_EQ(euro[1][1], "0.29");  // not 0.28 from 28.999999... cents
}

// A non-finite or absurd amount pays no one: refused naming the affiliate,
// the earlier file left as it was.
TEST_F(PayoutCentsTest, ANonFiniteAmountIsRefusedNamingTheAffiliateAndWritesNothing) {
    test::write_affiliates(
        state, {test::affiliate(1, 0, 1, march(1)), test::affiliate(2, 0, 1, march(1))});
    const auto path = folder.path() / "payout.csv";
    write_file_atomically(path, "earlier");
    for (double bad : {std::nan(""), double(INFINITY), -double(INFINITY), 3.4e38}) {
        try {
            // As a damaged sum reaches the table: after the Total row is made.
            ReportTable t = due_table({{1, 5}, {2, 1}});
            t.put(2, 1, "", bad);
            write_payout_file(state, t, PayoutLayout::Qdx, "", path);
            ADD_FAILURE() << bad;
        } catch (const ReportError& e) {
            EXPECT_NE(std::string(e.what()).find("Affiliate ID 2 is owed"), std::string::npos)
                << e.what();
        }
        EXPECT_EQ(test::read_file(path), "earlier");
    }
}

// What a person typed never becomes a formula in a spreadsheet; numbers stay
// numbers.
TEST_F(PayoutCentsTest, FormulaTextsGetALeadingApostropheAndAmountsDoNot) {
    auto a = test::affiliate(1, 0, 1, march(1), "=HYPERLINK(\"x\")");
    a.surname = "-2+3";
    a.email = "@cmd";
    auto b = test::affiliate(2, 0, 1, march(1), "+49 Ann");
    b.surname = "Plain";
    test::write_affiliates(state, {a, b});
    const auto path = folder.path() / "payout.csv";
    write_payout_file(state, due_table({{1, 5}, {2, 7}}), PayoutLayout::Qdx, "", path);
    const Rows rows = test::csv_rows(test::read_file(path));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1],
              (std::vector<std::string>{"1", "'=HYPERLINK(\"x\")", "'-2+3", "'@cmd", "5.00", ""}));
    EXPECT_EQ(rows[2][1], "'+49 Ann");
    EXPECT_EQ(rows[2][2], "Plain");
    EXPECT_EQ(formula_safe("\tx"), "'\tx");
    EXPECT_EQ(formula_safe("\rx"), "'\rx");
    EXPECT_EQ(formula_safe("a=b"), "a=b");
    EXPECT_EQ(formula_safe(""), "");
}

}  // namespace
}  // namespace qdx
