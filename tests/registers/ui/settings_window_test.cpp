#include "registers/ui/settings_window.h"

#include <QComboBox>
#include <QLabel>

#include "core/files.h"
#include "core/history.h"
#include "core/hold_period.h"
#include "registers/ui/window_fixture.h"

namespace qdx::test {
namespace {

using ui::SettingsWindow;

class SettingsWindowTest : public WindowTest {
  protected:
    SettingsWindow* openWindow() { return open(new SettingsWindow(context)); }
    // Create, then the worked example's values.
    SettingsWindow* createFilled() {
        SettingsWindow* w = openWindow();
        click(w, "cmdCreate");
        child<QComboBox>(w, "cmbType")->setCurrentIndex(0);
        type(w, "txtMinPayment", "50");
        type(w, "txtLevel1", "10");
        type(w, "txtLevel2", "5");
        type(w, "txtLevel3", "2");
        return w;
    }
    int64_t saved() { return records(file::kSettings, SettingsRecord::kSize); }
};

TEST_F(SettingsWindowTest, NoRecordShowsDesignTextsAndOnlyCreate) {
    SettingsWindow* w = openWindow();
    EXPECT_TRUE(file_exists(state.dataFile(file::kSettings)));
    EXPECT_FALSE(enabled(w, "cmdSave"));
    EXPECT_FALSE(enabled(w, "txtMinPayment"));
    click(w, "cmdCreate");
    EXPECT_EQ(text(w, "txtUnit"), "$");
    EXPECT_EQ(child<QComboBox>(w, "cmbType")->currentIndex(), -1);
    click(w, "cmdSaveThisRecord");
    EXPECT_EQ(read_file(folder.path() / "output" / "APsettings.txt"),
              "Type of payment;MinPayment;Periodicity;Unit;L1;L2;L3;L4;L5;L6;L7;L8\r\n");
}

TEST_F(SettingsWindowTest, RefusesBadValuesInOrderWritingNothing) {
    SettingsWindow* w = createFilled();
    type(w, "txtLevel1", "0");
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(), "Sorry, you entered an incorrect value");
    EXPECT_EQ(focused(w), "txtLevel1");

    type(w, "txtLevel1", "10");
    type(w, "txtLevel3", "");
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(), "Sorry, you entered an incorrect value");
    EXPECT_EQ(focused(w), "txtLevel3");

    type(w, "txtUnit", "");
    child<QComboBox>(w, "cmbType")->setCurrentIndex(-1);
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(), "Please enter data into the field");
    EXPECT_EQ(focused(w), "txtUnit");
    type(w, "txtUnit", "$");
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(), "Please select the value from the list");
    EXPECT_EQ(focused(w), "cmbType");
    EXPECT_EQ(saved(), 0);
    EXPECT_EQ(messages.size(), 4u);
}

TEST_F(SettingsWindowTest, SaveStoresLoadsAndExportsTheRecord) {
    SettingsWindow* w = createFilled();
    type(w, "txtUnit", "dollars and cents");
    click(w, "cmdSave");
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(saved(), 1);
    SettingsRecord rec =
        RecordFile(state.dataFile(file::kSettings), SettingsRecord::kSize).read<SettingsRecord>(1);
    EXPECT_EQ(rec.unit, "dollars an");
    EXPECT_EQ(rec.type, "Percents  ");
    EXPECT_EQ(state.settings.levelsInUse, 3);  // the shared settings follow at once
    EXPECT_FALSE(enabled(w, "cmdSave"));       // saved: only the export stays available
    w->close();
    EXPECT_EQ(read_file(folder.path() / "backcopies" / "apsettings.qdx"),
              read_file(state.dataFile(file::kSettings)));
}

TEST_F(SettingsWindowTest, StoredRecordIsShownAsStoredAndExported) {
    write_settings(state, settings("Percents", {10, 5, 2}, 50));
    SettingsWindow* w = openWindow();
    EXPECT_EQ(text(w, "txtMinPayment"), "50");
    EXPECT_EQ(text(w, "txtLevel2"), "5");
    EXPECT_EQ(child<QComboBox>(w, "cmbType")->currentText().toStdString(), "Percents  ");
    EXPECT_FALSE(enabled(w, "cmdCreate"));
    click(w, "cmdSaveThisRecord");
    std::string exported = read_file(folder.path() / "output" / "APsettings.txt");
    EXPECT_TRUE(exported.ends_with("\r\nPercents  ;50;30;$         ;10;5;2;0;0;0;0; 0 \r\n"))
        << exported;
    w->close();
    for (const char* stored : {"percents  ", "Fixed  x  "}) {  // outside the list
        write_settings(state, settings(stored, {10}, 50));
        SettingsWindow* shown = openWindow();
        EXPECT_EQ(child<QComboBox>(shown, "cmbType")->currentText().toStdString(), stored);
        shown->close();
    }
}

// The hold period sits beside the record: shown and saved at any time,
// checked before anything is written, each change in the history.
TEST_F(SettingsWindowTest, HoldPeriodIsCheckedSavedAndShownBesideTheRecord) {
    SettingsWindow* w = openWindow();
    auto* box = child<QLineEdit>(w, "txtHoldDays");
    EXPECT_EQ(child<QLabel>(w, "lblHoldDays")->buddy(), box);
    EXPECT_FALSE(box->accessibleName().isEmpty());
    EXPECT_EQ(text(w, "txtHoldDays"), "0");
    EXPECT_TRUE(enabled(w, "txtHoldDays"));

    for (const char* bad : {"-1", "100000", "abc"}) {
        type(w, "txtHoldDays", bad);
        click(w, "cmdSaveHold");
        EXPECT_EQ(messages.back(), hold_days_refusal(bad));
        EXPECT_NE(messages.back().find(std::string("\"") + bad + "\""), std::string::npos);
        EXPECT_EQ(focused(w), "txtHoldDays");
    }
    EXPECT_FALSE(file_exists(state.dataFile(kHoldDaysFile)));

    // With a new record both are checked before either is written.
    w->close();
    w = createFilled();
    type(w, "txtHoldDays", "abc");
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(), hold_days_refusal("abc"));
    EXPECT_EQ(saved(), 0);
    type(w, "txtHoldDays", " 30");
    click(w, "cmdSave");
    EXPECT_EQ(saved(), 1);
    EXPECT_EQ(load_hold_days(state.appDir), 30);
    EXPECT_EQ(text(w, "txtHoldDays"), "30");
    EXPECT_TRUE(enabled(w, "cmdSaveHold"));  // the record is saved, the hold still changes
    type(w, "txtHoldDays", "0");
    click(w, "cmdSaveHold");
    EXPECT_EQ(load_hold_days(state.appDir), 0);
    const auto lines = parse_history(read_file(history_file(state.appDir)));
    ASSERT_EQ(lines.size(), 3u);  // the record, then the two changes of the hold
    EXPECT_EQ(lines[2].what, "saved: Commissions payable after: 30 days → 0 days");
    const size_t shown = messages.size();
    w->close();

    // A damaged file is said when the window opens, and the box left empty.
    write_file_atomically(state.dataFile(kHoldDaysFile), "thirty");
    w = openWindow();
    ASSERT_EQ(messages.size(), shown + 1);
    EXPECT_NE(messages.back().find("holds \"thirty\""), std::string::npos) << messages.back();
    EXPECT_EQ(text(w, "txtHoldDays"), "");
}

}  // namespace
}  // namespace qdx::test
