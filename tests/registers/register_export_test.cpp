#include "registers/register_export.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "registers/side_files.h"
#include "support/test_support.h"

namespace qdx {
namespace {

TEST(ExportLines, AffiliateFieldsAtFullWidthWithTheSideText) {
    AffiliateRecord ann = test::affiliate(3, 2, 3, ole_from_ymd(2003, 3, 15));
    ann.email = "ann@example.com";
    ann.additionalInfo = "vip";
    std::string line = affiliate_record_line(ann, "line one\r\nline two\r\n", Regional{});
    std::string twenty(20, ' ');
    EXPECT_EQ(line, "Ann" + std::string(17, ' ') + ";" + twenty + ";" + twenty + ";" + twenty +
                        ";" + std::string(10, ' ') + ";" + twenty + ";" + std::string(15, ' ') +
                        ";ann@example.com" + std::string(15, ' ') + ";" + std::string(30, ' ') +
                        ";3;2;vip" + std::string(17, ' ') + "line one line two ;3;15/03/2003\r\n");
}

TEST(ExportLines, MoneyAndCommunication) {
    EXPECT_EQ(money_record_line(kSalesRegister, {4, 12.5f, 37257}, Regional{}),
              "4;12.5;01/01/2002\r\n");
    // A damaged date is exported as "?", whatever the bytes hold.
    EXPECT_EQ(money_record_line(kSalesRegister, {4, 1, std::numeric_limits<double>::quiet_NaN()},
                                Regional{}),
              "4;1;?\r\n");

    CommunicationRecord c{7, "Hello", ole_from_ymd(2003, 2, 1), ole_from_ymd(2003, 2, 2)};
    EXPECT_EQ(communication_record_line(c, "Hi\r\nthere\r\n", "", "note\r\n", Regional{}),
              "7;Hello" + std::string(25, ' ') + ";Hi there ;01/02/2003;;02/02/2003;note \r\n");
    EXPECT_EQ(communication_header_line(),
              "Affiliate ID;Subject;Message;Date;Responce;Date of responce;Comments\r\n");
}

class RegisterExport : public ::testing::Test {
  protected:
    std::string exported(const char* name) {
        return test::read_file(folder.path() / "output" / name);
    }
    test::TempFolder folder;
    AppState state{folder.path()};
};

TEST_F(RegisterExport, SecondExportReplacesTheFirst) {
    test::write_money(state, file::kSales, {{1, 200, 37257}, {2, 0.5f, 37258}});
    export_money(state, kSalesRegister, 1, 2);
    EXPECT_EQ(exported("Sales.txt"),
              money_header_line(kSalesRegister) + "1;200;01/01/2002\r\n2;0.5;02/01/2002\r\n");
    export_money(state, kSalesRegister, 2, 2);
    EXPECT_EQ(exported("Sales.txt"), money_header_line(kSalesRegister) + "2;0.5;02/01/2002\r\n");
    // A record being created is past the end of the file.
    export_money(state, kSalesRegister, 3, 3);
    EXPECT_EQ(exported("Sales.txt"), money_header_line(kSalesRegister));
    EXPECT_EQ(
        std::distance(fs::directory_iterator(folder.path() / "output"), fs::directory_iterator()),
        1);
}

}  // namespace
}  // namespace qdx
