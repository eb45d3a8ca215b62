#include "registers/affiliate_editing.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/files.h"
#include "core/ole_date.h"
#include "support/test_support.h"

namespace qdx {
namespace {

AffiliateBoxes new_affiliate(int64_t id, const std::string& ref) {
    AffiliateBoxes b;
    b.name = "Ann";
    b.affiliateId = std::to_string(id);
    b.refId = ref;
    b.date = "15/03/2003";
    return b;
}

TEST(AffiliateBoxChecks, RunInOrderAndTheFirstFailureWins) {
    Regional r;
    AffiliateBoxes b = new_affiliate(4, "");
    b.name = "";
    b.affiliateId = "";
    b.date = "";
    EXPECT_EQ(check_affiliate_boxes(b, 4, r), (CheckFailure{Msg::EnterData, Field::Name}));
    b.name = " ";  // a blank is text
    EXPECT_EQ(check_affiliate_boxes(b, 4, r), (CheckFailure{Msg::EnterData, Field::AffiliateId}));
    b.affiliateId = "3";
    EXPECT_EQ(check_affiliate_boxes(b, 4, r),
              (CheckFailure{Msg::IncorrectValue, Field::AffiliateId}));
    b.affiliateId = "4";
    EXPECT_EQ(check_affiliate_boxes(b, 4, r), (CheckFailure{Msg::EnterData, Field::ReferrerId}));
    b.refId = "x";
    EXPECT_EQ(check_affiliate_boxes(b, 4, r), (CheckFailure{Msg::EnterData, Field::Date}));
    b.date = "not a date";
    b.affiliateId = "0";
    EXPECT_EQ(check_affiliate_boxes(b, 0, r), (CheckFailure{Msg::CreateRecord, Field::Record}));
    b.affiliateId = "4";
    EXPECT_EQ(check_affiliate_boxes(b, 4, r),
              (CheckFailure{Msg::IncorrectValue, Field::ReferrerId}));
    b.refId = "2";
    EXPECT_EQ(check_affiliate_boxes(b, 4, r), (CheckFailure{Msg::IncorrectValue, Field::Date}));
    b.date = "31/03/2003";
    EXPECT_EQ(check_affiliate_boxes(b, 4, r), std::nullopt);
}

class AffiliateRegister : public ::testing::Test {
  protected:
    void SetUp() override {
        test::write_affiliates(state,
                               {test::affiliate(1, 0, 1, 37000), test::affiliate(2, 1, 2, 37001)});
        file.open(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    }
    test::TempFolder folder;
    AppState state{folder.path()};
    RecordFile file;
    Regional regional;
};

// Texts are trimmed and cut to their fields, with the flag that warns; a
// long additional info leaves the record's field for the side file.
TEST_F(AffiliateRegister, TextsAreTrimmedAndCutWithTheFlag) {
    AffiliateBoxes b = new_affiliate(3, "2");
    b.name = "  Ann  ";
    b.surname = "Abcdefghijklmnopqrstuvwxy";  // 25 characters
    AffiliateRecord rec;
    rec.additionalInfo = "kept";
    b.additionalInfo = std::string(21, 'x');
    int64_t current = 3;
    EXPECT_TRUE(affiliate_from_boxes(b, rec, current, file, regional));
    EXPECT_EQ(rec.name, "Ann" + std::string(17, ' '));
    EXPECT_EQ(b.name, "Ann");
    EXPECT_EQ(b.surname, "Abcdefghijklmnopqrst");
    EXPECT_EQ(rec.surname, "Abcdefghijklmnopqrst");
    EXPECT_EQ(rec.additionalInfo, "kept");
    EXPECT_EQ(b.additionalInfo, std::string(21, 'x'));

    AffiliateBoxes fits = new_affiliate(3, "2");
    fits.postCod = "1234567890";
    fits.additionalInfo = std::string(20, 'y');
    EXPECT_FALSE(affiliate_from_boxes(fits, rec, current, file, regional));
    EXPECT_EQ(rec.additionalInfo, std::string(20, 'y'));
    fits.postCod = "12345678901";
    EXPECT_TRUE(affiliate_from_boxes(fits, rec, current, file, regional));
    EXPECT_EQ(rec.postCod, "1234567890");
}

TEST_F(AffiliateRegister, LevelIsTheReferrersPlusOneWithoutOverflow) {
    AffiliateRecord rec;
    int64_t current = 3;
    AffiliateBoxes b = new_affiliate(3, "2");
    affiliate_from_boxes(b, rec, current, file, regional);
    EXPECT_EQ(rec.level, 3);
    file.write(2, test::affiliate(2, 1, std::numeric_limits<int32_t>::max(), 37001));
    affiliate_from_boxes(b, rec, current, file, regional);
    EXPECT_EQ(rec.level, std::numeric_limits<int32_t>::max());
}

TEST_F(AffiliateRegister, ReferrerMustExistBeInRangeAndNotBeItself) {
    AffiliateRecord rec = test::affiliate(3, 9, 0, 0);
    EXPECT_EQ(check_referrer(rec, 3, file), (CheckFailure{Msg::NoRecord, Field::ReferrerId}));
    rec.referrerId = 2;
    EXPECT_EQ(check_referrer(rec, 3, file), std::nullopt);
    rec.referrerId = 3;  // itself, not written yet: not found
    EXPECT_EQ(check_referrer(rec, 3, file), (CheckFailure{Msg::NoRecord, Field::ReferrerId}));
    rec.referrerId = -1;
    EXPECT_EQ(check_referrer(rec, 3, file), (CheckFailure{Msg::IncorrectValue, Field::ReferrerId}));
    AffiliateRecord second = test::affiliate(2, 2, 0, 0);
    EXPECT_EQ(check_referrer(second, 2, file),
              (CheckFailure{Msg::IncorrectValue, Field::ReferrerId}));
}

// Record 2 holds affiliate 5: the existence test reads the IDs.
TEST_F(AffiliateRegister, ReferrerFoundByIdWhenRecordsAreOutOfPlace) {
    file.write(2, test::affiliate(5, 0, 1, 0));
    AffiliateRecord rec = test::affiliate(3, 2, 0, 0);
    EXPECT_EQ(check_referrer(rec, 3, file), (CheckFailure{Msg::NoRecord, Field::ReferrerId}));
    rec.referrerId = 5;  // found, but above the record count
    EXPECT_EQ(check_referrer(rec, 3, file), (CheckFailure{Msg::IncorrectValue, Field::ReferrerId}));
}

}  // namespace
}  // namespace qdx
