#include "registers/settings_editing.h"

#include <gtest/gtest.h>

#include "core/files.h"
#include "core/ole_date.h"
#include "support/test_support.h"

namespace qdx {
namespace {

SettingsBoxes good_boxes() {
    SettingsBoxes b;
    b.minPayment = "50";
    b.periodicity = "30";
    b.unit = "$";
    b.typeIndex = 0;
    b.levels = {"10", "5", "2", "0", "0", "0", "0", "0"};
    return b;
}

CheckFailure failure(Msg m, Field field) { return CheckFailure{m, field}; }

TEST(SettingsChecks, RunInOrderAndTheFirstFailureWins) {
    Regional r;
    SettingsBoxes b = good_boxes();
    b.minPayment = "";
    b.periodicity = "";
    b.unit = "";
    b.typeIndex = -1;
    b.levels[0] = "";
    EXPECT_EQ(check_settings(b, r), failure(Msg::EnterData, Field::MinPayment));
    b.minPayment = "x";
    EXPECT_EQ(check_settings(b, r), failure(Msg::EnterData, Field::Periodicity));
    b.periodicity = "x";
    // The unit is checked before the type and the levels.
    EXPECT_EQ(check_settings(b, r), failure(Msg::EnterData, Field::Unit));
    b.unit = "$";
    EXPECT_EQ(check_settings(b, r), failure(Msg::SelectValue, Field::PaymentType));
    b.typeIndex = 2;
    EXPECT_EQ(check_settings(b, r), failure(Msg::SelectValue, Field::PaymentType));
    b.typeIndex = 1;
    EXPECT_EQ(check_settings(b, r), failure(Msg::EnterData, Field::Level1));
    b.levels[0] = "0";
    b.levels[4] = "five";
    // Conversions: minimal payment, then the levels, then the periodicity.
    EXPECT_EQ(check_settings(b, r), failure(Msg::IncorrectValue, Field::MinPayment));
    b.minPayment = "10";
    EXPECT_EQ(check_settings(b, r), failure(Msg::IncorrectValue, Field::Level5));
    b.levels[4] = "0";
    EXPECT_EQ(check_settings(b, r), failure(Msg::IncorrectValue, Field::Periodicity));
    b.periodicity = "40000";  // beyond an Integer
    EXPECT_EQ(check_settings(b, r), failure(Msg::IncorrectValue, Field::Periodicity));
    b.periodicity = "30";
    // Level 1 of 0 is refused only after every box converted.
    EXPECT_EQ(check_settings(b, r), failure(Msg::IncorrectValue, Field::Level1));
    b.levels[0] = "10";
    b.levels[1] = "-3";  // negatives are accepted
    b.minPayment = "-1";
    EXPECT_EQ(check_settings(b, r), std::nullopt);
    b.levels[2] = "";  // an empty lower level does not convert
    EXPECT_EQ(check_settings(b, r), failure(Msg::IncorrectValue, Field::Level3));
}

TEST(SettingsExportLines, LastLevelKeepsItsSignPlace) {
    SettingsRecord rec = test::settings("Fixed", {1, 2, 3, 4, 5, 6, 7, -2.5f}, 12.5f);
    Regional comma;
    comma.decimalSeparator = ',';
    EXPECT_EQ(settings_record_line(rec, comma),
              "Fixed     ;12,5;30;$         ;1;2;3;4;5;6;7;-2,5 \r\n");
    rec.levels[7] = -0.0f;
    EXPECT_TRUE(settings_record_line(rec, Regional{}).ends_with(";7; 0 \r\n"));
}

}  // namespace
}  // namespace qdx
