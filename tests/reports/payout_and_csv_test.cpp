// Payout files and CSV exports read back as a spreadsheet reads them.
#include <gtest/gtest.h>

#include <cmath>

#include "core/demo_program.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/settings.h"
#include "reports/csv_export.h"
#include "reports/due_table.h"
#include "reports/payout_file.h"
#include "reports/report_asking.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class PayoutTest : public ::testing::Test {
  protected:
    PayoutTest() : state(folder.path()) {}
    test::TempFolder folder;
    AppState state;
    DateRange range;
};

TEST_F(PayoutTest, DemoPayoutListsExactlyTheReportsRowsAndSumsToItsTotal) {
    DemoOptions demo;
    write_demo_program(folder.path(), demo);
    load_settings(state);
    range = {demo.lastDay - 365, demo.lastDay};
    const ReportTable table = ask(state, range, ReportKind::PaymentsDue);
    const size_t dataRows = table.rowCount() - 2;
    ASSERT_GT(dataRows, 3u) << "the demo should owe several affiliates";

    const auto path = default_payout_path(state, table);
    const PayoutResult result = write_payout_file(state, table, PayoutLayout::Qdx, "", path);
    const Rows rows = test::csv_rows(test::read_file(path));
    ASSERT_EQ(rows.size(), dataRows + 2);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Affiliate ID", "Name", "Surname", "E-mail",
                                                 "Amount", "Unit"}));
    int64_t cents = 0;
    for (size_t r = 1; r + 1 < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 6u);
        EXPECT_EQ(rows[r][0], std::to_string(table.rowId(r)));
        // Whole cents, rounded down from the shown amount.
        const double shown = table.number(r, 1);
        ASSERT_EQ(rows[r][4].size() - rows[r][4].find('.'), 3u) << rows[r][4];
        const double paid = std::stod(rows[r][4]);
        EXPECT_LE(paid, shown + 1e-9);
        EXPECT_GT(paid, shown - 0.01);
        EXPECT_EQ(rows[r][5], "$");
        cents += std::llround(paid * 100);
    }
    EXPECT_EQ(rows.back(),
              (std::vector<std::string>{"Total", "", "", "", minor_amount_text(cents, 2), "$"}));
    EXPECT_EQ(result.totalMinor, cents);
    EXPECT_EQ(result.rows, static_cast<int>(dataRows));
}

// Three affiliates: one whose name needs quoting, one without an e-mail, one
// not listed (owed too little).
TEST_F(PayoutTest, RowsWithoutEmailAreListedAndLeftOutOnlyOfTheMassPaymentForm) {
    auto a = test::affiliate(1, 0, 1, 37257, "O\"Neil, Jr");
    a.email = "one@example.com";
    auto b = test::affiliate(2, 0, 1, 37257);
    b.email = "";
    auto c = test::affiliate(3, 0, 1, 37257);
    c.email = "three@example.com";
    test::write_affiliates(state, {a, b, c});
    const ReportTable t = test::due_table({{1, 12.5}, {2, 40}});
    state.regional.decimalSeparator = ',';  // the file's amounts keep their point

    const auto own = folder.path() / "own.csv";
    const auto ownResult = write_payout_file(state, t, PayoutLayout::Qdx, "", own);
    const Rows ownRows = test::csv_rows(test::read_file(own));
    ASSERT_EQ(ownRows.size(), 4u);
    EXPECT_EQ(ownRows[1][1], "O\"Neil, Jr");
    EXPECT_EQ(ownRows[1][4], "12.50");
    EXPECT_EQ(ownRows[2][3], "");
    EXPECT_EQ(ownRows[3][4], "52.50");
    EXPECT_EQ(ownResult.withoutEmail, std::vector<int32_t>{2});
    EXPECT_EQ(ownResult.totalMinor, 5250);

    const auto mass = folder.path() / "mass.csv";
    const auto massResult = write_payout_file(state, t, PayoutLayout::MassPayment, "EUR", mass);
    const Rows massRows = test::csv_rows(test::read_file(mass));
    ASSERT_EQ(massRows.size(), 1u);
    EXPECT_EQ(massRows[0], (std::vector<std::string>{"one@example.com", "12.50", "EUR", "1",
                                                     "Qdx payout 2003-03-01 to 2003-03-31"}));
    EXPECT_EQ(massResult.withoutEmail, std::vector<int32_t>{2});
    EXPECT_EQ(massResult.rows, 1);
}

TEST_F(PayoutTest, RefusesAnotherReportOrABadCurrencyAndWritesNothing) {
    ReportTable dueTable;
    dueTable.request.kind = ReportKind::PaymentsDue;
    dueTable.setHeader("ID|Due");
    ReportTable accounts = dueTable;
    accounts.request.kind = ReportKind::Accounts;
    struct Case {
        const ReportTable* table;
        PayoutLayout layout;
        std::string currency;
    };
    for (const Case& bad :
         {Case{&accounts, PayoutLayout::Qdx, ""}, Case{&dueTable, PayoutLayout::MassPayment, ""},
          Case{&dueTable, PayoutLayout::MassPayment, "eur"},
          Case{&dueTable, PayoutLayout::MassPayment, "EURO"}}) {
        const auto path = folder.path() / "payout.csv";
        EXPECT_THROW(write_payout_file(state, *bad.table, bad.layout, bad.currency, path),
                     ReportError)
            << bad.currency;
        EXPECT_FALSE(file_exists(path));
    }
    EXPECT_EQ(remembered_currency(state), "");
    remember_currency(state, "CHF");
    EXPECT_EQ(remembered_currency(state), "CHF");
}

// A name, phone or city a spreadsheet would run (=, +, -, @, tab, CR first)
// is written with an apostrophe; a negative amount stays a number; raw, the
// texts are written as they are.
TEST_F(PayoutTest, CsvTextsThatLookLikeFormulasGetAnApostropheNumbersDoNot) {
    range = {ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    AffiliateRecord a = test::affiliate(1, 0, 1, ole_from_ymd(2003, 3, 1), "=1+2");
    a.surname = "@SUM(A1)";
    a.phone = "+49 30 1234";
    a.city = "-Nord";
    a.street = "\tTab Road";
    a.country = "\rCR";
    a.email = "a=b@example.com";  // = further in is harmless
    test::write_affiliates(state, {a});
    test::write_money(state, file::kPayments, {{1, 5, ole_from_ymd(2003, 3, 10)}});
    const ReportTable t = ask(state, range, ReportKind::Accounts, 0, true);

    const Rows guarded = test::csv_rows(export_csv(t, state));
    ASSERT_EQ(guarded.size(), 3u);
    EXPECT_EQ(guarded[1], (std::vector<std::string>{"1", "0", "5", "-5", "'=1+2", "'@SUM(A1)",
                                                    "'\tTab Road", "'-Nord", "'\rCR", "",
                                                    "'+49 30 1234", "a=b@example.com", "", "1"}));
    EXPECT_EQ(guarded[2][3], "-5");  // the Total, a number too

    const Rows raw = test::csv_rows(export_csv(t, state, CsvTexts::Raw));
    EXPECT_EQ(raw[1], (std::vector<std::string>{"1", "0", "5", "-5", "=1+2", "@SUM(A1)",
                                                "\tTab Road", "-Nord", "\rCR", "", "+49 30 1234",
                                                "a=b@example.com", "", "1"}));
    // The file the window saves is the guarded one.
    EXPECT_EQ(test::read_file(save_csv(t, state)), export_csv(t, state));
}

TEST_F(PayoutTest, CsvExportWritesDecimalPointsAndIsoDatesInADecimalCommaRegion) {
    state.regional.decimalSeparator = ',';
    state.regional.shortDateFormat = "dd.MM.yyyy";
    range = {ole_from_ymd(2003, 1, 15), ole_from_ymd(2003, 2, 10)};
    test::write_money(
        state, file::kSales,
        {{1, 1234.5f, ole_from_ymd(2003, 1, 20)}, {2, 0.25f, ole_from_ymd(2003, 2, 1)}});
    const ReportTable t = ask(state, range, ReportKind::ApPerformance);
    ASSERT_EQ(t.text(1, 2), "1234,5");  // the grid and the text export keep the region's form

    const Rows rows = test::csv_rows(test::read_file(save_csv(t, state)));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"From", "To", "Sales", "Payments", "Income"}));
    EXPECT_EQ(rows[1],
              (std::vector<std::string>{"2003-01-15", "2003-01-31", "1234.5", "0", "1234.5"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"2003-02-01", "2003-02-10", "0.25", "0", "0.25"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"Total", "", "1234.75", "0", "1234.75"}));
}

}  // namespace
}  // namespace qdx
