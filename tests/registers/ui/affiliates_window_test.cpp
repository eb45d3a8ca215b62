#include "registers/ui/affiliates_window.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include "core/files.h"
#include "core/payee_file.h"
#include "core/text_field.h"
#include "registers/ui/window_fixture.h"

namespace qdx::test {
namespace {

using ui::AffiliatesWindow;
using ui::RecordEditor;

class AffiliatesWindowTest : public WindowTest {
  protected:
    // Affiliate 1 at the top, the others referred by it.
    void addAffiliates(int n) {
        std::vector<AffiliateRecord> list;
        for (int k = 1; k <= n; ++k)
            list.push_back(affiliate(k, k > 1, 1 + (k > 1), 37257, "Name" + std::to_string(k)));
        write_affiliates(state, list);
    }
    AffiliatesWindow* openWindow() { return open(new AffiliatesWindow(context)); }
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
    std::string name(AffiliatesWindow* w) { return text(w, "txtName").substr(0, 5); }
};

TEST_F(AffiliatesWindowTest, OpensOnTheLastRecordAndCreateNumbersTheNext) {
    addAffiliates(3);
    AffiliatesWindow* w = openWindow();
    EXPECT_EQ(text(w, "txtCurrent_Record"), "3");
    EXPECT_EQ(text(w, "txtName"), "Name3" + std::string(15, ' '));
    EXPECT_TRUE(enabled(w, "txtName"));  // typing while browsing is allowed
    click(w, "cmdCreate");
    EXPECT_EQ(text(w, "txtAffiliateID"), "4");
    EXPECT_EQ(text(w, "txtDate"), "31/03/2003");
    EXPECT_EQ(text(w, "txtName"), "");
}

TEST_F(AffiliatesWindowTest, MovesStopAtTheEndsAndGoToChecksTheNumber) {
    addAffiliates(5);
    AffiliatesWindow* w = openWindow();
    click(w, "cmdNext");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "5");
    type(w, "txtCurrent_Record", " 3 ");
    click(w, "cmdGoTo");
    EXPECT_EQ(name(w), "Name3");
    type(w, "txtCurrent_Record", "7");
    click(w, "cmdGoTo");
    EXPECT_EQ(messages, std::vector<std::string>{"Sorry, this record does not exist"});
    EXPECT_EQ(name(w), "Name1");
    const std::pair<const char*, const char*> refused[] = {
        {"abc", "Sorry, you entered an incorrect value"}, {"", "Please enter data into the field"}};
    click(w, "cmdNext");
    for (auto [number, message] : refused) {
        type(w, "txtCurrent_Record", number);
        click(w, "cmdGoTo");
        EXPECT_EQ(messages.back(), message);
        EXPECT_EQ(name(w), "Name2");
        EXPECT_EQ(focused(w), "txtCurrent_Record");
    }
    EXPECT_EQ(titles[0], "Qdx");
}

TEST_F(AffiliatesWindowTest, ReferrerMustExistAndSetsTheLevel) {
    AffiliatesWindow* w = openWindow();
    createAndSave(w, "Ann", "1");  // the first affiliate is referred by 0
    EXPECT_EQ(messages, std::vector<std::string>{"Sorry, you entered an incorrect value"});
    EXPECT_EQ(focused(w), "txtRef_ID");
    EXPECT_EQ(w->editMode(), RecordEditor::kCreating);
    type(w, "txtRef_ID", "0");
    type(w, "txtAdditional_Info", std::string(30, 'x'));  // too long for the record
    click(w, "cmdSave");
    EXPECT_EQ(w->editMode(), RecordEditor::kBrowsing);
    EXPECT_EQ(stored(1).level, 1);
    EXPECT_EQ(stored(1).date, ole_from_ymd(2003, 3, 31));
    EXPECT_EQ(read_file(folder.path() / "addinfo" / "1.txt"), std::string(30, 'x') + "\r\n");

    createAndSave(w, "Bob", "9");
    EXPECT_EQ(messages.back(), "Sorry, this record does not exist");
    EXPECT_EQ(focused(w), "txtRef_ID");
    type(w, "txtRef_ID", "1");
    click(w, "cmdSave");
    EXPECT_EQ(stored(2).level, 2);
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(AffiliatesWindowTest, NamesAreCutWithAWarningAndAMissingOneIsAskedFor) {
    AffiliatesWindow* w = openWindow();
    createAndSave(w, "Abcdefghijklmnopqrstuvwxy", "0");
    EXPECT_EQ(messages, std::vector<std::string>{
                            "Warning !!! Some text will be truncated to the required format. "});
    EXPECT_EQ(text(w, "txtName"), "Abcdefghijklmnopqrst");
    EXPECT_EQ(stored(1).name, "Abcdefghijklmnopqrst");

    createAndSave(w, "", "0");
    EXPECT_EQ(messages.back(), "Please enter data into the field");
    EXPECT_EQ(focused(w), "txtName");
    state.messages.setVariantWording();  // as opening the communications window does
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(), "Please enter the data to the field");
}

// Names in other scripts: the window names the characters the file cannot
// keep and their nearest letters; No goes back to the box with nothing
// saved, Yes saves the nearest letters.
TEST_F(AffiliatesWindowTest, CharactersTheFileCannotKeepAreAskedAboutBeforeTheSave) {
    ui::MessageAnswer answer = ui::MessageAnswer::No;
    std::vector<ui::MessageButtons> buttons;
    context.messageSink = [&](const ui::MessageRequest& request) {
        messages.push_back(request.text.toStdString());
        buttons.push_back(request.buttons);
        return request.buttons == ui::MessageButtons::YesNo ? answer : ui::MessageAnswer::Ok;
    };
    AffiliatesWindow* w = openWindow();
    click(w, "cmdCreate");
    type(w, "txtName", "Иван");
    type(w, "txtSurname", "Wiśniewski");
    type(w, "txtCity", "Zürich");
    type(w, "txtRef_ID", "0");
    click(w, "cmdSave");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(buttons[0], ui::MessageButtons::YesNo);
    EXPECT_NE(messages[0].find("Name: \"И\" becomes \"I\""), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("Surname: \"ś\" becomes \"s\" (kept as \"Wisniewski\")"),
              std::string::npos)
        << messages[0];
    EXPECT_EQ(messages[0].find("City"), std::string::npos);
    EXPECT_EQ(records(file::kAffiliates, AffiliateRecord::kSize), 0);
    EXPECT_EQ(focused(w), "txtName");
    EXPECT_EQ(text(w, "txtName"), "Иван");  // as typed, to be corrected
    EXPECT_EQ(w->editMode(), RecordEditor::kCreating);

    answer = ui::MessageAnswer::Yes;
    click(w, "cmdSave");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(records(file::kAffiliates, AffiliateRecord::kSize), 1);
    EXPECT_EQ(stored(1).name, fit_field("Ivan", 20));
    EXPECT_EQ(stored(1).surname, fit_field("Wisniewski", 20));
    EXPECT_EQ(stored(1).city, fit_field("Z\xFCrich", 20));  // Windows-1252 holds ü
    EXPECT_EQ(text(w, "txtSurname"), "Wisniewski");

    // A character with no nearest letters is named too, and kept as "?".
    click(w, "cmdEdit");
    type(w, "txtSurname", "Li 李");
    click(w, "cmdSave");
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_NE(messages[2].find("Surname: \"李\" has no nearest Latin letters and becomes \"?\""),
              std::string::npos)
        << messages[2];
    EXPECT_EQ(stored(1).surname, fit_field("Li ?", 20));
}

TEST_F(AffiliatesWindowTest, DoubleClickOpensTheRecordOfTheSortedRow) {
    write_affiliates(state, {affiliate(1, 0, 1, 37257, "Zoe"), affiliate(2, 0, 1, 37257, "Bob"),
                             affiliate(3, 0, 1, 37257, "Mia")});
    AffiliatesWindow* w = openWindow();
    type(w, "txtSreferenceid", "0");
    click(w, "cmdDisplay");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "3");
    // The click on row 1 of the Name column sorts first: Bob comes to row 1.
    clickCell(w, 1, 1, true);
    EXPECT_EQ(gridColumn(w, 1), (std::vector<std::string>{"Name", "Bob", "Mia", "Zoe"}));
    EXPECT_EQ(text(w, "txtCurrent_Record"), "2");
    EXPECT_EQ(name(w), "Bob  ");
}

// Enter in a search box runs Find; Enter on a result row opens its record,
// as a double-click does; Escape leaves the window open.
TEST_F(AffiliatesWindowTest, EnterFindsAndOpensTheSelectedRow) {
    write_affiliates(state, {affiliate(1, 0, 1, 37257, "Zoe"), affiliate(2, 0, 1, 37257, "Bob"),
                             affiliate(3, 1, 2, 37257, "Mia")});
    AffiliatesWindow* w = openWindow();
    auto* box = child<QLineEdit>(w, "txtSreferenceid");
    box->setText("0");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(gridColumn(w, 1), (std::vector<std::string>{"Name", "Zoe", "Bob"}));
    auto* grid = child<QTableView>(w, "MSFGView");
    QApplication::setActiveWindow(w);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(2, 3));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(text(w, "txtCurrent_Record"), "2");
    EXPECT_EQ(name(w), "Bob  ");
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::keyClick(grid, Qt::Key_Enter);
    EXPECT_EQ(text(w, "txtCurrent_Record"), "1");
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(messages.empty());
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

// The payment details are checked on save, kept in data/payees.qdx beside the
// record (never in it) and shown again with the record; a holder's name in
// other letters is shown as it will be kept before it is.
TEST_F(AffiliatesWindowTest, PaymentDetailsAreCheckedKeptBesideTheRecordAndShownAgain) {
    addAffiliates(2);
    const std::string before = read_whole_file(state.dataFile(file::kAffiliates));
    AffiliatesWindow* w = openWindow();
    auto* method = child<QComboBox>(w, "cboPayMethod");
    for (const char* name :
         {"cboPayMethod", "txtPayHolder", "txtPayIban", "txtPayBic", "txtPayEmail"}) {
        QWidget* box = child(w, name);
        EXPECT_FALSE(box->accessibleName().isEmpty()) << name;
        bool labelled = false;
        for (QLabel* label : w->findChildren<QLabel*>()) labelled |= label->buddy() == box;
        EXPECT_TRUE(labelled) << name;
    }
    QWidget* next = child(w, "txtAdditional_Info")->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, method);

    click(w, "cmdEdit");
    method->setCurrentIndex(method->findText("bank transfer"));
    type(w, "txtPayHolder", "Łukasz Żółć");
    type(w, "txtPayIban", "de89 3704 0044 0532 0130 01");  // one digit wrong
    click(w, "cmdSave");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("wrong check digits"), std::string::npos) << messages[0];
    EXPECT_EQ(focused(w), "txtPayIban");
    EXPECT_FALSE(file_exists(payee_file_path(state)));

    type(w, "txtPayIban", "de89 3704 0044 0532 0130 00");
    type(w, "txtPayBic", "DEUTDEFF5");
    click(w, "cmdSave");
    EXPECT_NE(messages.back().find("has 9 characters"), std::string::npos) << messages.back();
    EXPECT_EQ(focused(w), "txtPayBic");

    type(w, "txtPayBic", "");
    click(w, "cmdSave");
    EXPECT_EQ(messages.back(),
              "A bank transfer carries the account holder's name in Latin letters only: "
              "\"Łukasz Żółć\" is kept as \"Lukasz Zolc\".");
    EXPECT_EQ(text(w, "txtPayIban"), "DE89370400440532013000");
    EXPECT_EQ(read_whole_file(state.dataFile(file::kAffiliates)), before);  // the record as it was
    PayeeFile payees(payee_file_path(state));
    EXPECT_EQ(payees.read(2).details, (PayeeDetails{PayMethod::BankTransfer, "Lukasz Zolc",
                                                    "DE89370400440532013000", "", ""}));

    click(w, "cmdPrevious");
    EXPECT_EQ(method->currentText(), "none");
    EXPECT_EQ(text(w, "txtPayIban"), "");
    click(w, "cmdNext");
    EXPECT_EQ(method->currentText(), "bank transfer");
    EXPECT_EQ(text(w, "txtPayHolder"), "Lukasz Zolc");

    // A name of no Latin letters is refused, saying why; nothing changes.
    click(w, "cmdEdit");
    type(w, "txtPayHolder", "李小龍");
    click(w, "cmdSave");
    EXPECT_NE(messages.back().find("no Latin letters"), std::string::npos) << messages.back();
    EXPECT_EQ(PayeeFile(payee_file_path(state)).read(2).details.holder, "Lukasz Zolc");
}

}  // namespace
}  // namespace qdx::test
