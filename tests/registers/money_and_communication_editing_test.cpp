#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "registers/communication_editing.h"
#include "registers/money_editing.h"

namespace qdx {
namespace {

TEST(MoneyChecks, RunInOrderAndTheFirstFailureWins) {
    Regional r;
    MoneyBoxes b{"", "", ""};
    EXPECT_EQ(check_money_boxes(b, 0, 5, r), (CheckFailure{Msg::EnterData, Field::AffiliateId}));
    b.affiliateId = "x";
    EXPECT_EQ(check_money_boxes(b, 0, 5, r), (CheckFailure{Msg::EnterData, Field::Sum}));
    b.sum = "y";
    EXPECT_EQ(check_money_boxes(b, 0, 5, r), (CheckFailure{Msg::EnterData, Field::Date}));
    b.date = "z";
    EXPECT_EQ(check_money_boxes(b, 0, 5, r),
              (CheckFailure{Msg::IncorrectValue, Field::AffiliateId}));
    b.affiliateId = "7";
    EXPECT_EQ(check_money_boxes(b, 0, 5, r), (CheckFailure{Msg::IncorrectValue, Field::Sum}));
    b.sum = "-1";
    EXPECT_EQ(check_money_boxes(b, 0, 5, r), (CheckFailure{Msg::IncorrectValue, Field::Date}));
    b.date = "01/01/2002";
    b.affiliateId = "0";
    EXPECT_EQ(check_money_boxes(b, 0, 5, r),
              (CheckFailure{Msg::IncorrectValue, Field::AffiliateId}));
    b.affiliateId = "7";  // of 5 affiliates
    EXPECT_EQ(check_money_boxes(b, 0, 5, r), (CheckFailure{Msg::NoAffiliate, Field::AffiliateId}));
    b.affiliateId = "5";
    EXPECT_EQ(check_money_boxes(b, 0, 5, r), (CheckFailure{Msg::IncorrectValue, Field::Sum}));
    b.sum = "0";
    EXPECT_EQ(check_money_boxes(b, 0, 5, r), (CheckFailure{Msg::CreateRecord, Field::Record}));
    EXPECT_EQ(check_money_boxes(b, 1, 5, r), std::nullopt);
    EXPECT_EQ(check_money_boxes(b, 1, 0, r), (CheckFailure{Msg::NoAffiliate, Field::AffiliateId}));
}

TEST(CommunicationChecks, RunInOrderAndTheFirstFailureWins) {
    Regional r;
    CommunicationBoxes b{"", "", "", "", "", "", ""};
    EXPECT_EQ(check_communication_boxes(b, 0, r),
              (CheckFailure{Msg::EnterData, Field::AffiliateId}));
    b.id = "x";
    EXPECT_EQ(check_communication_boxes(b, 0, r), (CheckFailure{Msg::EnterData, Field::Subject}));
    b.subject = "Hello";
    EXPECT_EQ(check_communication_boxes(b, 0, r), (CheckFailure{Msg::CreateRecord, Field::Record}));
    EXPECT_EQ(check_communication_boxes(b, 1, r),
              (CheckFailure{Msg::IncorrectValue, Field::AffiliateId}));
    b.id = "-3";  // any whole number will do
    EXPECT_EQ(check_communication_boxes(b, 1, r), (CheckFailure{Msg::IncorrectValue, Field::Date}));
    b.date = "01/02/2003";
    EXPECT_EQ(check_communication_boxes(b, 1, r),
              (CheckFailure{Msg::IncorrectValue, Field::DateOfResponse}));
    b.dateR = "02/02/2003";
    EXPECT_EQ(check_communication_boxes(b, 1, r), std::nullopt);
}

// The subject is trimmed, and shown padded to its field.
TEST(CommunicationRecordFromBoxes, SubjectIsTrimmedAndShownPadded) {
    CommunicationRecord rec;
    CommunicationBoxes b{"7", "  Price list  ", "", "01/02/2003", "", "02/02/2003", ""};
    EXPECT_FALSE(communication_from_boxes(b, rec, Regional{}));
    EXPECT_EQ(b.subject, "Price list" + std::string(20, ' '));
    EXPECT_EQ(rec.affiliateId, 7);
    EXPECT_EQ(rec.date, ole_from_ymd(2003, 2, 1));
    EXPECT_EQ(rec.responseDate, ole_from_ymd(2003, 2, 2));
}

}  // namespace
}  // namespace qdx
