#include "registers/ui/affiliates_window.h"

#include "core/files.h"
#include "registers/ui/window_fixture.h"

namespace qdx::test {
namespace {

using ui::AffiliatesWindow;
using ui::RecordEditor;

class AffiliatesWindowTest : public WindowTest {
  protected:
    void addAffiliates(int n) {
        std::vector<AffiliateRecord> list;
        for (int k = 1; k <= n; ++k) {
            list.push_back(
                affiliate(k, k == 1 ? 0 : 1, k == 1 ? 1 : 2, 37257, "Name" + std::to_string(k)));
        }
        write_affiliates(state, list);
    }
    AffiliatesWindow* openWindow() { return open(new AffiliatesWindow(context)); }
    // Creates a new affiliate with the name and referrer and presses Save.
    void createAndSave(AffiliatesWindow* w, const std::string& name, const std::string& ref) {
        click(w, "cmdCreate");
        type(w, "txtName", name);
        type(w, "txtRef_ID", ref);
        click(w, "cmdSave");
    }
    AffiliateRecord stored(int64_t k) {
        return RecordFile(state.dataFile(file::kAffiliates), AffiliateRecord::kSize)
            .read<AffiliateRecord>(k);
    }
};

TEST_F(AffiliatesWindowTest, MissingFileOpensEmptyWithOnlyCreate) {
    AffiliatesWindow* w = openWindow();
    EXPECT_EQ(w->windowTitle().toStdString(), "Affiliates ");
    EXPECT_TRUE(file_exists(state.dataFile(file::kAffiliates)));
    EXPECT_EQ(w->editMode(), RecordEditor::kEmpty);
    EXPECT_TRUE(enabled(w, "cmdCreate"));
    for (const char* off : {"cmdSave", "cmdEdit", "cmdNext", "txtName"}) {
        EXPECT_FALSE(enabled(w, off)) << off;
    }
    EXPECT_TRUE(enabled(w, "cmdSaveAllRecords"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(AffiliatesWindowTest, OpensOnTheLastRecordAndCreateNumbersTheNext) {
    addAffiliates(3);
    AffiliatesWindow* w = openWindow();
    EXPECT_EQ(text(w, "txtCurrent_Record"), "3");
    EXPECT_EQ(text(w, "txtName"), "Name3" + std::string(15, ' '));
    EXPECT_EQ(w->editMode(), RecordEditor::kBrowsing);
    EXPECT_TRUE(enabled(w, "txtName"));  // typing while browsing is allowed
    EXPECT_FALSE(enabled(w, "txtAffiliateID"));
    EXPECT_FALSE(enabled(w, "txtLevel"));

    click(w, "cmdCreate");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "4");
    EXPECT_EQ(text(w, "txtAffiliateID"), "4");
    EXPECT_EQ(text(w, "txtDate"), "31/03/2003");
    EXPECT_EQ(text(w, "txtName"), "");
    EXPECT_TRUE(enabled(w, "cmdSave"));
    EXPECT_FALSE(enabled(w, "cmdCreate"));

    w->close();
    EXPECT_EQ(records(file::kAffiliates, AffiliateRecord::kSize), 3);
    EXPECT_EQ(read_file(folder.path() / "backcopies" / file::kAffiliates),
              read_file(state.dataFile(file::kAffiliates)));
}

TEST_F(AffiliatesWindowTest, MovesByRecordNumberAndStopsAtTheEnds) {
    addAffiliates(5);
    AffiliatesWindow* w = openWindow();
    click(w, "cmdNext");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "5");
    click(w, "cmdFirst");
    EXPECT_EQ(text(w, "txtName").substr(0, 5), "Name1");
    click(w, "cmdPrevious");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "1");
    click(w, "cmdNext");
    EXPECT_EQ(text(w, "txtName").substr(0, 5), "Name2");
    click(w, "cmdLast");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "5");
    EXPECT_TRUE(messages.empty());
}

TEST_F(AffiliatesWindowTest, GoToChecksTheNumber) {
    addAffiliates(5);
    AffiliatesWindow* w = openWindow();
    type(w, "txtCurrent_Record", " 3 ");
    click(w, "cmdGoTo");
    EXPECT_EQ(text(w, "txtName").substr(0, 5), "Name3");

    type(w, "txtCurrent_Record", "7");
    click(w, "cmdGoTo");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Sorry, this record does not exist");
    EXPECT_EQ(titles[0], "Qdx");
    EXPECT_EQ(text(w, "txtName").substr(0, 5), "Name1");
    EXPECT_EQ(focused(w), "txtCurrent_Record");

    click(w, "cmdNext");
    type(w, "txtCurrent_Record", "abc");
    click(w, "cmdGoTo");
    EXPECT_EQ(messages.back(), "Sorry, you entered an incorrect value");
    EXPECT_EQ(text(w, "txtName").substr(0, 5), "Name2");

    type(w, "txtCurrent_Record", "");
    click(w, "cmdGoTo");
    EXPECT_EQ(messages.back(), "Please enter data into the field");
    EXPECT_EQ(text(w, "txtName").substr(0, 5), "Name2");
}

TEST_F(AffiliatesWindowTest, FirstAffiliateNeedsReferrerZero) {
    AffiliatesWindow* w = openWindow();
    createAndSave(w, "Ann", "1");
    EXPECT_EQ(messages, std::vector<std::string>{"Sorry, you entered an incorrect value"});
    EXPECT_EQ(focused(w), "txtRef_ID");
    EXPECT_EQ(records(file::kAffiliates, AffiliateRecord::kSize), 0);
    EXPECT_EQ(w->editMode(), RecordEditor::kCreating);

    type(w, "txtRef_ID", "0");
    type(w, "txtAdditional_Info", std::string(30, 'x'));  // too long for the record
    click(w, "cmdSave");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(w->editMode(), RecordEditor::kBrowsing);
    AffiliateRecord first = stored(1);
    EXPECT_EQ(first.id, 1);
    EXPECT_EQ(first.level, 1);
    EXPECT_EQ(first.date, ole_from_ymd(2003, 3, 31));
    EXPECT_EQ(read_file(folder.path() / "addinfo" / "1.txt"), std::string(30, 'x') + "\r\n");
}

TEST_F(AffiliatesWindowTest, ReferrerSetsTheLevelAndMustExist) {
    write_affiliates(state, {affiliate(1, 0, 1, 37257), affiliate(2, 1, 2, 37257)});
    AffiliatesWindow* w = openWindow();
    createAndSave(w, "Carl", "9");
    EXPECT_EQ(messages, std::vector<std::string>{"Sorry, this record does not exist"});
    EXPECT_EQ(focused(w), "txtRef_ID");
    type(w, "txtRef_ID", "2");
    click(w, "cmdSave");
    EXPECT_EQ(stored(3).level, 3);

    // Editing affiliate 2 to refer to itself is refused.
    click(w, "cmdPrevious");
    click(w, "cmdEdit");
    type(w, "txtRef_ID", "2");
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(), "Sorry, you entered an incorrect value");
    EXPECT_EQ(stored(2).referrerId, 1);
}

TEST_F(AffiliatesWindowTest, NamesAreCutWithAWarning) {
    AffiliatesWindow* w = openWindow();
    createAndSave(w, "Abcdefghijklmnopqrstuvwxy", "0");
    EXPECT_EQ(messages,
              std::vector<std::string>{"Warning !!! Some text will be truncated to the required "
                                       "format. "});
    EXPECT_EQ(text(w, "txtName"), "Abcdefghijklmnopqrst");
    EXPECT_EQ(stored(1).name, "Abcdefghijklmnopqrst");
}

TEST_F(AffiliatesWindowTest, EmptyNameMessageFollowsTheWordingInForce) {
    AffiliatesWindow* w = openWindow();
    createAndSave(w, "", "0");
    EXPECT_EQ(messages.back(), "Please enter data into the field");
    EXPECT_EQ(focused(w), "txtName");
    state.messages.setVariantWording();  // as opening the communications window does
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(), "Please enter the data to the field");
}

TEST_F(AffiliatesWindowTest, SearchFillsTheGridAndAnEmptySearchKeepsIt) {
    write_affiliates(state, {affiliate(1, 0, 1, 37257, "Ann"), affiliate(2, 1, 2, 37257, "ANN"),
                             affiliate(3, 1, 2, 37257, "Anna")});
    AffiliatesWindow* w = openWindow();
    type(w, "txtSname", "ann");
    click(w, "cmdDisplay");
    EXPECT_EQ(gridColumn(w, 0), (std::vector<std::string>{"Affiliate's ID", "1", "2"}));

    type(w, "txtSname", "  ");
    click(w, "cmdDisplay");
    EXPECT_EQ(gridColumn(w, 0), (std::vector<std::string>{"Affiliate's ID", "1", "2"}));

    type(w, "txtSreferenceid", "x");
    click(w, "cmdDisplay");
    EXPECT_EQ(messages.back(), "Sorry, you entered an incorrect value");
    EXPECT_EQ(focused(w), "txtSreferenceid");
    EXPECT_EQ(gridColumn(w, 0).size(), 3u);
    EXPECT_TRUE(enabled(w, "cmdDisplay"));
}

TEST_F(AffiliatesWindowTest, DoubleClickOpensTheRecordOfTheSortedRow) {
    write_affiliates(state, {affiliate(1, 0, 1, 37257, "Zoe"), affiliate(2, 0, 1, 37257, "Bob"),
                             affiliate(3, 0, 1, 37257, "Mia")});
    AffiliatesWindow* w = openWindow();
    type(w, "txtSreferenceid", "0");
    click(w, "cmdDisplay");
    auto* grid = child<QTableView>(w, "MSFGView");
    grid->setCurrentIndex(grid->model()->index(0, 0));
    emit grid->doubleClicked(grid->currentIndex());
    EXPECT_EQ(messages, std::vector<std::string>{"Sorry, this record does not exist"});
    EXPECT_EQ(text(w, "txtCurrent_Record"), "3");

    // The click on row 1 of the Name column sorts first: Bob comes to row 1.
    clickCell(w, 1, 1, true);
    EXPECT_EQ(gridColumn(w, 1), (std::vector<std::string>{"Name", "Bob", "Mia", "Zoe"}));
    EXPECT_EQ(text(w, "txtCurrent_Record"), "2");
    EXPECT_EQ(text(w, "txtName").substr(0, 3), "Bob");
}

TEST_F(AffiliatesWindowTest, ExportsReplaceTheirFile) {
    addAffiliates(2);
    AffiliatesWindow* w = openWindow();
    click(w, "cmdSaveAllRecords");
    click(w, "cmdSaveThisRecord");
    std::string text = read_file(folder.path() / "output" / "affiliates.txt");
    EXPECT_EQ(text.rfind("Name;Surname;", 0), 0u);
    EXPECT_NE(text.find("\r\nName2 "), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

}  // namespace
}  // namespace qdx::test
