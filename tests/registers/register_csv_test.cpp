// The registers' CSV exports: texts whole and unpadded, numbers and dates in
// the forms a spreadsheet reads in any region.
#include "registers/register_csv.h"

#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "registers/side_files.h"
#include "support/test_support.h"

namespace qdx {
namespace {

TEST(RegisterCsv, TextsWholeNumbersWithAPointDatesIso) {
    test::TempFolder folder;
    AppState state(folder.path());
    state.regional.decimalSeparator = ',';
    state.regional.shortDateFormat = "dd.MM.yyyy";
    AffiliateRecord ann = test::affiliate(1, 0, 1, ole_from_ymd(2003, 3, 15), "Ann; \"A\"");
    ann.additionalInfo = "first twenty letters";
    test::write_affiliates(state, {ann});
    write_side_file(affiliate_info_file(folder.path(), 1), "first twenty letters\r\nand more");
    test::write_money(state, file::kPayments, {{1, 12.5f, ole_from_ymd(2003, 3, 31)}});

    EXPECT_EQ(
        test::read_file(export_affiliates_csv(state)),
        "\xEF\xBB\xBFName,Surname,Street,City,Post Cod,Country,Phone,E_mail,URL,"
        "Affiliate ID,Refference ID,Additional Info,Level,Date\r\n"
        "\"Ann; \"\"A\"\"\",,,,,,,,,1,0,\"first twenty letters\r\nand more\",1,2003-03-15\r\n");
    EXPECT_EQ(test::read_file(export_money_csv(state, kPaymentsRegister)),
              "\xEF\xBB\xBF"
              "Affiliate ID,Sum,Date\r\n1,12.5,2003-03-31\r\n");
    EXPECT_EQ(test::read_file(export_communications_csv(state)),
              "\xEF\xBB\xBF"
              "Affiliate ID,Subject,Message,Date,Responce,Date of responce,Comments\r\n");
}

// Texts a spreadsheet would run as formulas get an apostrophe, in the
// fields and in the side files; numbers (a negative sum) stay numbers.
TEST(RegisterCsv, FormulaTextsGetAnApostropheNumbersStayNumbers) {
    test::TempFolder folder;
    AppState state(folder.path());
    AffiliateRecord ann = test::affiliate(1, 0, 1, ole_from_ymd(2003, 3, 15), "=cmd|' /C calc'!A0");
    ann.phone = "+49 30 1234";
    ann.surname = "-Smith";
    test::write_affiliates(state, {ann});
    write_side_file(affiliate_info_file(folder.path(), 1), "@once more than twenty letters");
    test::write_money(state, file::kSales, {{1, -5, ole_from_ymd(2003, 3, 31)}});

    EXPECT_EQ(test::read_file(export_affiliates_csv(state)),
              "\xEF\xBB\xBFName,Surname,Street,City,Post Cod,Country,Phone,E_mail,URL,"
              "Affiliate ID,Refference ID,Additional Info,Level,Date\r\n"
              "'=cmd|' /C calc'!A0,'-Smith,,,,,'+49 30 1234,,,1,0,'@once more than twenty "
              "letters,1,2003-03-15\r\n");
    EXPECT_EQ(test::read_file(export_money_csv(state, kSalesRegister)),
              "\xEF\xBB\xBF"
              "Affiliate ID,Sum,Date\r\n1,-5,2003-03-31\r\n");
}

}  // namespace
}  // namespace qdx
