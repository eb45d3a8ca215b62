// SEPA credit transfers and provider batch files: every SEPA file written
// here is checked against the published ISO 20022 schema by xmllint.
#include "reports/bank_payouts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

#include "core/demo_program.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/payee_file.h"
#include "core/settings.h"
#include "reports/due_table.h"
#include "reports/report_asking.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;
using test::due_table;

double march(int day) { return ole_from_ymd(2003, 3, day); }

// The schema of a pain.001 version, read from Debian's hbci4j package.
fs::path schema(const fs::path& folder, const std::string& version) {
    const fs::path xsd = folder / ("pain.001.001." + version + ".xsd");
    if (!file_exists(xsd)) {
        const std::string command = "unzip -p /usr/share/java/hbci4j-core.jar pain.001.001." +
                                    version + ".xsd > '" + xsd.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0)
            << "the schemas come with libhbci4j-core-java (make setup installs it)";
    }
    return xsd;
}

// Runs xmllint on a written SEPA file against its schema.
void expect_valid(const fs::path& folder, const fs::path& file, const std::string& version) {
    const std::string command = "xmllint --noout --schema '" + schema(folder, version).string() +
                                "' '" + file.string() + "' 2>'" +
                                (folder / "xmllint.txt").string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << file << " does not validate:\n"
                                               << test::read_file(folder / "xmllint.txt");
}

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class BankPayoutsTest : public ::testing::Test {
  protected:
    BankPayoutsTest() : state(folder.path()) {
        state.today = [] { return march(28); };  // a Friday
        std::vector<AffiliateRecord> affiliates;
        for (int id = 1; id <= 8; ++id) {
            affiliates.push_back(test::affiliate(id, 0, 1, march(1), "Ann"));
            affiliates.back().email = "a" + std::to_string(id) + "@example.com";
        }
        test::write_affiliates(state, affiliates);
        write_payee_file(
            payee_file_path(state),
            {
                {PayMethod::BankTransfer, "Ann O'Brien", "DE89370400440532013000", "", ""},
                {PayMethod::BankTransfer, "Lukasz Zolc", "PL61109010140000071219812874", "BPKOPLPW",
                 ""},
                {PayMethod::PayPal, "", "", "", "paypal3@example.com"},
                {PayMethod::BankTransfer, "Bad Digit", "DE89370400440532013001", "", ""},
                {},  // 5: no payment method
                {PayMethod::Wise, "Wise Payee", "", "", ""},
                {PayMethod::BankTransfer, "Far Away", "TR330006100519786457841326", "AKBKTRIS", ""},
                {PayMethod::BankTransfer, "Fr Payee", "FR1420041010050500013M02606", "", ""},
            });
        request.debtor = {"Qdx Owner & Co", "nl91 abna 0417 1643 00", "ABNANL2A"};
        request.createdAt = "2003-03-31T10:20:30";
    }
    PayoutResult write(PayoutLayout layout, const ReportTable& table) {
        request.layout = layout;
        request.file = folder.path() / "out" / (std::string(payout_layout_name(layout)) + ".xml");
        return write_payout(state, table, request);
    }
    test::TempFolder folder;
    AppState state;
    DateRange range;
    PayoutRequest request;
    const ReportTable table = due_table(
        {{1, 10.005}, {2, 20.5}, {3, 30}, {4, 40}, {5, 0.004}, {6, 60}, {7, 70}, {8, 80.004}});
};

TEST_F(BankPayoutsTest, SepaFilesOfBothVersionsValidateAndHoldExactlyThePaidRows) {
    for (PayoutLayout layout : {PayoutLayout::Sepa09, PayoutLayout::Sepa03}) {
        const bool v09 = layout == PayoutLayout::Sepa09;
        SCOPED_TRACE(v09 ? "09" : "03");
        const PayoutResult result = write(layout, table);
        expect_valid(folder.path(), result.file, v09 ? "09" : "03");
        const std::string xml = test::read_file(result.file);

        ASSERT_EQ(result.payments.size(), 3u);  // 1, 2 and 8 paid by SEPA transfer
        EXPECT_EQ(result.payments[0].affiliateId, 1);
        EXPECT_EQ(result.payments[0].minor, 1000);  // 10.005 rounded down
        EXPECT_EQ(result.payments[2].affiliateId, 8);
        EXPECT_EQ(result.totalMinor, 1000 + 2050 + 8000);
        EXPECT_EQ(count_of(xml, "<NbOfTxs>2</NbOfTxs>"), 0);
        EXPECT_EQ(count_of(xml, "<NbOfTxs>3</NbOfTxs>"), 2);  // group header and block
        EXPECT_EQ(count_of(xml, "<CtrlSum>110.50</CtrlSum>"), 2);
        EXPECT_EQ(count_of(xml, "<CdtTrfTxInf>"), 3);
        EXPECT_EQ(count_of(xml, "<PmtInf>"), 1);
        EXPECT_NE(xml.find("<EndToEndId>QDX-20030331102030-2</EndToEndId>"), std::string::npos);
        EXPECT_NE(xml.find("<MsgId>QDX-20030331102030</MsgId>"), std::string::npos);
        EXPECT_NE(xml.find("<Ustrd>Commission 2003-03-01\u20132003-03-31</Ustrd>"),
                  std::string::npos);
        // The debtor is normalised; the creditor's apostrophe escaped.
        EXPECT_NE(xml.find("<IBAN>NL91ABNA0417164300</IBAN>"), std::string::npos);
        EXPECT_NE(xml.find("<Nm>Qdx Owner Co</Nm>"), std::string::npos);
        EXPECT_NE(xml.find("Ann O&apos;Brien"), std::string::npos);
        // Monday after the Friday of today.
        EXPECT_NE(xml.find(v09 ? "<ReqdExctnDt><Dt>2003-03-31</Dt></ReqdExctnDt>"
                               : "<ReqdExctnDt>2003-03-31</ReqdExctnDt>"),
                  std::string::npos);

        // Everyone else is listed with the reason, the one below a cent too.
        std::map<int32_t, std::string> left(result.leftOut.begin(), result.leftOut.end());
        EXPECT_EQ(left.size(), 4u);
        EXPECT_EQ(left[3], "paid by PayPal");
        EXPECT_NE(left[4].find("check digits"), std::string::npos);
        EXPECT_EQ(left[6], "paid by Wise");
        EXPECT_EQ(left[7], "the IBAN TR330006100519786457841326 is outside the SEPA area");
        EXPECT_EQ(result.belowMinorUnit, std::vector<int32_t>{5});
        const std::string summary = payout_summary(result, layout);
        EXPECT_NE(summary.find("lists 3 payment(s), 110.50 EUR in all."), std::string::npos)
            << summary;
        EXPECT_NE(summary.find("Left out: affiliate ID 3, paid by PayPal."), std::string::npos);
    }
}

TEST_F(BankPayoutsTest, ABadDebtorOrCurrencyIsRefusedAndTheEarlierFileStays) {
    const PayoutResult first = write(PayoutLayout::Sepa09, table);
    const std::string before = test::read_file(first.file);

    request.debtor.iban = "  ";
    try {
        write(PayoutLayout::Sepa09, table);
        ADD_FAILURE() << "a debtor without IBAN was taken";
    } catch (const ReportError& e) {
        EXPECT_NE(std::string(e.what()).find("fill in the debtor's IBAN"), std::string::npos);
    }
    request.debtor.iban = "NL91ABNA0417164301";
    EXPECT_THROW(write(PayoutLayout::Sepa09, table), ReportError);
    request.debtor = {"\xE6\x9D\x8E", "NL91ABNA0417164300", ""};  // a name of no Latin letters
    EXPECT_THROW(write(PayoutLayout::Sepa03, table), ReportError);
    request.debtor = {"Owner", "NL91ABNA0417164300", "ABNANL2"};
    EXPECT_THROW(write(PayoutLayout::Sepa03, table), ReportError);
    request.debtor = {"Owner", "NL91ABNA0417164300", ""};
    request.currency = "USD";
    EXPECT_THROW(write(PayoutLayout::Sepa09, table), ReportError);
    request.currency = "EUX";
    EXPECT_THROW(write(PayoutLayout::PayPal, table), ReportError);
    EXPECT_EQ(test::read_file(first.file), before);

    // Without a BIC the debtor's bank is "not provided", which both schemas take.
    request.currency = "";
    expect_valid(folder.path(), write(PayoutLayout::Sepa03, table).file, "03");
    expect_valid(folder.path(), write(PayoutLayout::Sepa09, table).file, "09");
}

TEST_F(BankPayoutsTest, PayPalAndWiseFilesPayTheirOwnAffiliatesInOneCurrency) {
    request.currency = "USD";
    const PayoutResult paypal = write(PayoutLayout::PayPal, table);
    const Rows pp = test::csv_rows(test::read_file(paypal.file));
    ASSERT_EQ(pp.size(), 1u);
    EXPECT_EQ(pp[0], (std::vector<std::string>{"paypal3@example.com", "30.00", "USD", "3",
                                               "Qdx payout 2003-03-01 to 2003-03-31", "PAYPAL"}));

    request.currency = "JPY";
    const PayoutResult wise = write(PayoutLayout::Wise, table);
    const Rows w = test::csv_rows(test::read_file(wise.file));
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0][0], "name");
    EXPECT_EQ(w[1], (std::vector<std::string>{"Wise Payee", "a6@example.com", "Commission 6",
                                              "PERSON", "JPY", "60", "JPY", "JPY"}));
    EXPECT_EQ(wise.totalMinor, 60);
}

TEST_F(BankPayoutsTest, LongListsAreSplitAtTheProvidersLimitAndAFailedFileWritesNone) {
    const int32_t count = 5001;
    std::vector<AffiliateRecord> affiliates;
    std::vector<PayeeDetails> payees;
    std::vector<std::pair<int32_t, double>> rows;
    for (int32_t id = 1; id <= count; ++id) {
        affiliates.push_back(test::affiliate(id, 0, 1, march(1)));
        affiliates.back().email = "p" + std::to_string(id) + "@example.com";
        payees.push_back({PayMethod::PayPal, "", "", "", ""});
        rows.push_back({id, 1 + id % 100 * 0.011});
    }
    remove_if_exists(state.dataFile(file::kAffiliates));
    test::write_affiliates(state, affiliates);
    payees[4999].method = PayMethod::Wise;  // 5000 paid by PayPal: one file
    write_payee_file(payee_file_path(state), payees);
    request.currency = "EUR";
    const ReportTable big = due_table(rows);
    EXPECT_EQ(write(PayoutLayout::PayPal, big).files.size(), 1u);

    payees[4999].method = PayMethod::PayPal;  // 5001: two files
    write_payee_file(payee_file_path(state), payees);
    const PayoutResult split = write(PayoutLayout::PayPal, big);
    ASSERT_EQ(split.files.size(), 2u);
    EXPECT_EQ(split.files[0].filename(), "paypal_1.xml");
    int64_t cents = 0;
    size_t lines = 0;
    for (const auto& f : split.files) {
        const Rows r = test::csv_rows(test::read_file(f));
        lines += r.size();
        for (const auto& row : r) cents += std::llround(std::stod(row[1]) * 100);
    }
    EXPECT_EQ(test::csv_rows(test::read_file(split.files[0])).size(), kPayPalRowsPerFile);
    EXPECT_EQ(lines, 5001u);
    EXPECT_EQ(cents, split.totalMinor);

    // Wise: 1,000 a file, each with its header.
    for (auto& p : payees) p.method = PayMethod::Wise;
    write_payee_file(payee_file_path(state), payees);
    const PayoutResult wise = write(PayoutLayout::Wise, big);
    ASSERT_EQ(wise.files.size(), 6u);
    EXPECT_EQ(test::csv_rows(test::read_file(wise.files[0])).size(), kWiseRowsPerFile + 1);
    EXPECT_EQ(test::csv_rows(test::read_file(wise.files[5])).size(), 2u);
    EXPECT_EQ(test::csv_rows(test::read_file(wise.files[5]))[0][0], "name");

    // The second file's target cannot be written: the first keeps its earlier bytes.
    const std::string before = test::read_file(split.files[0]);
    payees[0].email = "changed@example.com";
    for (auto& p : payees) p.method = PayMethod::PayPal;
    write_payee_file(payee_file_path(state), payees);
    fs::remove(split.files[1]);
    fs::create_directory(split.files[1]);
    EXPECT_THROW(write(PayoutLayout::PayPal, big), FileError);
    EXPECT_EQ(test::read_file(split.files[0]), before);
}

// The demo program pays most affiliates by SEPA transfer to accounts of
// several countries, some by PayPal or Wise, a few not yet.
TEST(DemoPayoutTest, TheDemoProgramWritesEveryLayoutAndItsSepaFilesValidate) {
    test::TempFolder folder;
    const fs::path app = folder.path() / "demo";
    DemoOptions options;
    options.lastDay = ole_from_ymd(2025, 12, 5);
    write_demo_program(app, options);
    AppState state(app);

    PayeeFile payees(payee_file_path(state));
    std::map<PayMethod, int> methods;
    std::set<std::string> countries;
    for (int32_t id = 1; id <= options.affiliates; ++id) {
        const PayeeFile::Lookup p = payees.read(id);
        ASSERT_EQ(p.damage, "");
        const PayeeCheck check = check_payee(p.details);
        EXPECT_TRUE(check.ok()) << id << ": " << check.error;
        ++methods[p.details.method];
        if (p.details.method == PayMethod::BankTransfer)
            countries.insert(p.details.iban.substr(0, 2));
    }
    EXPECT_GT(methods[PayMethod::BankTransfer], options.affiliates / 2);
    EXPECT_GT(methods[PayMethod::PayPal], 0);
    EXPECT_GT(methods[PayMethod::Wise], 0);
    EXPECT_GT(methods[PayMethod::None], 0);
    EXPECT_GE(countries.size(), 4u);

    load_settings(state);
    const DateRange range{ole_from_ymd(2025, 11, 5), options.lastDay};
    const ReportTable due = ask(state, range, ReportKind::PaymentsDue);
    PayoutRequest request;
    request.debtor = remembered_debtor(state);
    request.currency = "EUR";
    int64_t cents = 0;
    for (PayoutLayout layout :
         {PayoutLayout::Sepa09, PayoutLayout::Sepa03, PayoutLayout::PayPal, PayoutLayout::Wise}) {
        request.layout = layout;
        request.file = folder.path() / (std::string(payout_layout_name(layout)) + ".out");
        const PayoutResult result = write_payout(state, due, request);
        EXPECT_GT(result.rows, 0) << payout_layout_name(layout);
        if (layout == PayoutLayout::Sepa09) expect_valid(folder.path(), result.file, "09");
        if (layout == PayoutLayout::Sepa03) expect_valid(folder.path(), result.file, "03");
        if (layout != PayoutLayout::Sepa03) cents += result.totalMinor;
    }
    // SEPA, PayPal and Wise together pay what the Qdx layout lists, no one twice.
    request.layout = PayoutLayout::Qdx;
    request.file = folder.path() / "qdx.csv";
    EXPECT_EQ(write_payout(state, due, request).totalMinor, cents);
}

// Past 64 files each one replaces its target once whole, so that a list of
// millions never holds thousands of files open; none is lost or doubled.
TEST(LongPayoutTest, ManyFilesAreEachWholeAndTogetherHoldEveryRow) {
    test::TempFolder folder;
    AppState state(folder.path());
    const int32_t count = 65001;
    std::vector<AffiliateRecord> affiliates;
    std::vector<PayeeDetails> payees(count, PayeeDetails{PayMethod::Wise, "", "", "", ""});
    std::vector<std::pair<int32_t, double>> rows;
    for (int32_t id = 1; id <= count; ++id) {
        affiliates.push_back(test::affiliate(id, 0, 1, march(1)));
        affiliates.back().email = "w" + std::to_string(id) + "@example.com";
        rows.push_back({id, 1 + id % 7});
    }
    test::write_affiliates(state, affiliates);
    write_payee_file(payee_file_path(state), payees);
    PayoutRequest request;
    request.layout = PayoutLayout::Wise;
    request.currency = "GBP";
    request.file = folder.path() / "wise.csv";
    const PayoutResult result = write_payout(state, due_table(rows), request);
    ASSERT_EQ(result.files.size(), 66u);
    size_t lines = 0;
    int64_t pence = 0;
    std::set<std::string> seen;
    for (const auto& f : result.files) {
        const Rows r = test::csv_rows(test::read_file(f));
        ASSERT_GE(r.size(), 2u) << f;
        EXPECT_LE(r.size(), kWiseRowsPerFile + 1);
        EXPECT_EQ(r[0][0], "name");
        for (size_t i = 1; i < r.size(); ++i) {
            seen.insert(r[i][1]);
            pence += std::llround(std::stod(r[i][5]) * 100);
        }
        lines += r.size() - 1;
    }
    EXPECT_EQ(lines, size_t(count));
    EXPECT_EQ(seen.size(), size_t(count));
    EXPECT_EQ(pence, result.totalMinor);
}

TEST(BankPayoutTextsTest, LayoutNamesBankDaysAndCurrencyCodes) {
    for (const char* name : {"qdx", "mass", "sepa", "sepa03", "paypal", "wise"}) {
        PayoutLayout layout;
        ASSERT_TRUE(parse_payout_layout(name, layout));
        EXPECT_STREQ(payout_layout_name(layout), name);
    }
    PayoutLayout layout;
    EXPECT_FALSE(parse_payout_layout("SEPA", layout));
    EXPECT_EQ(next_bank_day(ole_from_ymd(2025, 12, 5)), ole_from_ymd(2025, 12, 8));  // Friday
    EXPECT_EQ(next_bank_day(ole_from_ymd(2025, 12, 6)), ole_from_ymd(2025, 12, 8));  // Saturday
    EXPECT_EQ(next_bank_day(ole_from_ymd(2025, 12, 8)), ole_from_ymd(2025, 12, 9));
    EXPECT_TRUE(is_iso4217_currency("EUR"));
    EXPECT_TRUE(is_iso4217_currency("JPY"));
    EXPECT_FALSE(is_iso4217_currency("EUX"));
    EXPECT_FALSE(is_iso4217_currency("eur"));
    EXPECT_EQ(remittance_text(march(1), march(31)), "Commission 2003-03-01\u20132003-03-31");
}

TEST(DebtorTextTest, ReadsItsKeysAndWritesThemBack) {
    test::TempFolder folder;
    AppState state(folder.path());
    EXPECT_EQ(remembered_debtor(state), SepaDebtor());
    EXPECT_EQ(remembered_sepa_layout(state), PayoutLayout::Sepa09);
    remember_debtor(state, {"Owner\nname=Evil", "DE89 3704", "X"}, PayoutLayout::Sepa03);
    EXPECT_EQ(remembered_debtor(state), (SepaDebtor{"Owner name=Evil", "DE89 3704", "X"}));
    EXPECT_EQ(remembered_sepa_layout(state), PayoutLayout::Sepa03);
    PayoutLayout l;
    EXPECT_EQ(parse_debtor_text("junk\r\n iban = NL91\r\nbic\nsepa=7\n", &l).iban, "NL91");
    EXPECT_EQ(l, PayoutLayout::Sepa09);
}

}  // namespace
}  // namespace qdx
