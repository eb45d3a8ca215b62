// The affiliates' CSV carries their payment details as extra columns: the
// export writes them, the import checks them as the window does and keeps
// them beside the records.
#include <gtest/gtest.h>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/payee_file.h"
#include "registers/import/csv_import.h"
#include "registers/register_csv.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

double march(int day) { return ole_from_ymd(2003, 3, day); }

TEST(PayeeColumnsTest, ExportedDetailsImportBackIntoAnotherProgram) {
    test::TempFolder folder;
    AppState from(folder.path() / "from");
    test::write_affiliates(
        from, {test::affiliate(1, 0, 1, march(1), "Kai"), test::affiliate(2, 1, 2, march(5), "Lea"),
               test::affiliate(3, 1, 2, march(5), "Max")});
    // Without a payee file the export is as it always was.
    EXPECT_EQ(test::read_file(export_affiliates_csv(from)).find("IBAN"), std::string::npos);

    const PayeeDetails kai{PayMethod::BankTransfer, "Kai Lund", "DE89370400440532013000",
                           "DEUTDEFF", ""};
    const PayeeDetails max{PayMethod::PayPal, "", "", "", "+max@example.com"};
    write_payee_file(payee_file_path(from), {kai, PayeeDetails(), max});
    const fs::path csv = export_affiliates_csv(from);
    const std::string text = test::read_file(csv);
    EXPECT_NE(text.find(",Date,Payment method,Account holder,IBAN,BIC,Payment e-mail\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(",bank transfer,Kai Lund,DE89370400440532013000,DEUTDEFF,\r\n"),
              std::string::npos);
    EXPECT_NE(text.find(",PayPal,,,,'+max@example.com\r\n"), std::string::npos);  // no formula

    AppState to(folder.path() / "to");
    to.today = [] { return march(31); };
    const ImportPlan plan = plan_import(to, ImportKind::Affiliates, csv, {});
    ASSERT_TRUE(plan.importable()) << plan.problems[0].message;
    run_import(to, plan);
    PayeeFile payees(payee_file_path(to));
    EXPECT_EQ(payees.read(1).details, kai);
    EXPECT_EQ(payees.read(2).details, PayeeDetails());
    EXPECT_EQ(payees.read(3).details.method, PayMethod::PayPal);
    EXPECT_EQ(payees.read(3).details.email, "+max@example.com");  // the apostrophe read past
}

TEST(PayeeColumnsTest, BadDetailsAreRefusedByLineAndColumnAndNothingIsWritten) {
    test::TempFolder folder;
    AppState state(folder.path());
    state.today = [] { return march(31); };
    test::write_affiliates(state, {test::affiliate(1, 0, 1, march(1), "Top")});
    const std::string before = test::read_file(state.dataFile(file::kAffiliates));
    {
        // A holder's name in Windows-1252 letters is fitted as the window fits it.
        const fs::path file = folder.path() / "good.csv";
        write_file_atomically(file,
                              "Name,Referrer's ID,Date,Payment method,Account holder,IBAN\n"
                              "Zo\xC3\xAB,0,2003-03-20,bank,Zo\xC3\xAB M\xC3\xBCller,"
                              "DE89370400440532013000\n");
        const ImportPlan plan = plan_import(state, ImportKind::Affiliates, file, {});
        ASSERT_TRUE(plan.importable()) << plan.problems[0].message;
        AppState copy(folder.path() / "copy");
        fs::create_directories(copy.dataDir());
        fs::copy(state.dataFile(file::kAffiliates), copy.dataFile(file::kAffiliates));
        copy.today = state.today;
        run_import(copy, plan_import(copy, ImportKind::Affiliates, file, {}));
        EXPECT_EQ(PayeeFile(payee_file_path(copy)).read(2).details.holder, "Zoe Muller");
    }
    struct Case {
        std::string row, column, message;
    };
    for (const Case& c :
         {Case{"Ann,0,2003-03-20,bank transfer,Ann Lee,DE89370400440532013001,,", "IBAN",
               "wrong check digits"},
          Case{"Ann,0,2003-03-20,bank,Ann Lee,DE89370400440532013000,DEUTDEFF5,", "BIC",
               "has 9 characters"},
          Case{"Ann,0,2003-03-20,bank,***,DE89370400440532013000,,", "Account holder",
               "no Latin letters"},
          Case{"Ann,0,2003-03-20,cheque,,,,", "Payment method", "\"cheque\" is no payment method"},
          Case{"Ann,0,2003-03-20,PayPal,,,,ann at example", "Payment e-mail", "not an e-mail"}}) {
        SCOPED_TRACE(c.row);
        const fs::path file = folder.path() / "in.csv";
        write_file_atomically(file,
                              "Name,Referrer's ID,Date,Payment method,Account holder,IBAN,BIC,"
                              "Payment e-mail\n" +
                                  c.row + "\n");
        const ImportPlan plan = plan_import(state, ImportKind::Affiliates, file, {});
        ASSERT_FALSE(plan.importable());
        EXPECT_EQ(plan.problems[0].line, 2);
        EXPECT_EQ(plan.problems[0].column, c.column);
        EXPECT_NE(plan.problems[0].message.find(c.message), std::string::npos)
            << plan.problems[0].message;
        EXPECT_THROW(run_import(state, plan), ImportRefused);
        EXPECT_EQ(test::read_file(state.dataFile(file::kAffiliates)), before);
        EXPECT_FALSE(file_exists(payee_file_path(state)));
    }
}

}  // namespace
}  // namespace qdx
