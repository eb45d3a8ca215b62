#include "registers/register_search.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/files.h"
#include "core/ole_date.h"
#include "registers/affiliate_editing.h"
#include "support/test_support.h"

namespace qdx {
namespace {

std::vector<std::string> column(const GridRows& rows, size_t c) {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(row[c]);
    return out;
}

class Search : public ::testing::Test {
  protected:
    test::TempFolder folder;
    AppState state{folder.path()};
    Regional regional;
};

TEST_F(Search, AffiliatesMatchWholeFieldsIgnoringCase) {
    test::write_affiliates(
        state, {test::affiliate(1, 0, 1, 37257, "Ann"), test::affiliate(2, 1, 2, 37257, "ANN"),
                test::affiliate(3, 1, 2, 37257, "Anna"), test::affiliate(4, 0, 1, 37257, "  ann")});
    RecordFile file(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    auto request = affiliate_search(" ann ", "", "", "", regional);
    EXPECT_EQ(column(find_affiliates(file, 4, request.criteria, regional), 0),
              (std::vector<std::string>{"1", "2", "4"}));
    request = affiliate_search("ann", "", "", "0", regional);
    EXPECT_EQ(column(find_affiliates(file, 4, request.criteria, regional), 0),
              (std::vector<std::string>{"1", "4"}));
}

TEST_F(Search, EmptyTextsAndFailedConversions) {
    EXPECT_TRUE(affiliate_search(" ", "", "", "  ", regional).empty);
    auto letters = affiliate_search("", "", "", "abc", regional);
    EXPECT_EQ(letters.failure, (CheckFailure{Msg::IncorrectValue, Field::FindReferrer}));
    EXPECT_TRUE(money_search("", " ", regional).empty);
    // The date is converted first.
    EXPECT_EQ(money_search("32/01/2002", "x", regional).failure,
              (CheckFailure{Msg::IncorrectValue, Field::FindDate}));
    EXPECT_EQ(money_search("", "x", regional).failure,
              (CheckFailure{Msg::IncorrectValue, Field::FindAffiliateId}));
    EXPECT_TRUE(communication_search("", "  ", "", "").empty);
}

TEST_F(Search, CommunicationsCompareTexts) {
    ensure_folder(state.dataDir());
    RecordFile file(state.dataFile(file::kCommunications), CommunicationRecord::kSize);
    file.write(1, CommunicationRecord{7, "Price list", 37257, 37258});
    file.write(2, CommunicationRecord{70, "Price list", 37257, 37258});
    file.write(3, CommunicationRecord{7, "Other", 37258, 37258});
    file.write(4, CommunicationRecord{8, "Damaged", std::numeric_limits<double>::infinity(), 0});
    auto find = [&](const std::string& id, const std::string& subject, const std::string& date) {
        auto request = communication_search(id, subject, date, "");
        return column(find_communications(file, 4, request.criteria, regional), 0);
    };
    EXPECT_EQ(find("7", "", ""), (std::vector<std::string>{"1", "3"}));
    EXPECT_TRUE(find("07", "", "").empty());
    EXPECT_TRUE(find("7.0", "", "").empty());
    EXPECT_EQ(find("", "PRICE LIST", ""), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(find("", "", "01/01/2002"), (std::vector<std::string>{"1", "2"}));
    EXPECT_TRUE(find("", "", "1/1/2002").empty());
    EXPECT_EQ(find("", "", "?"), (std::vector<std::string>{"4"}));  // as it is shown
    auto request = communication_search("70", "", "", "");
    EXPECT_EQ(find_communications(file, 3, request.criteria, regional)[0],
              (std::vector<std::string>{"2", "70", "Price list", "01/01/2002", "02/01/2002"}));
}

}  // namespace
}  // namespace qdx
