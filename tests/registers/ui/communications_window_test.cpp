#include "registers/ui/communications_window.h"

#include "core/files.h"
#include "registers/ui/window_fixture.h"

namespace qdx::test {
namespace {

using ui::CommunicationsWindow;

class CommunicationsWindowTest : public WindowTest {
  protected:
    // Opened as the main window opens it, in the wording it puts in force.
    CommunicationsWindow* openWindow() {
        state.messages.setVariantWording();
        return open(new CommunicationsWindow(context));
    }
    void createAndSave(CommunicationsWindow* w, const std::string& id, const std::string& subject) {
        click(w, "cmdCreate");
        type(w, "txtID", id);
        type(w, "txtSubject", subject);
        click(w, "cmdSave");
    }
    std::string comm(const char* name) { return read_file(folder.path() / "comm" / name); }
};

TEST_F(CommunicationsWindowTest, NewRecordShowsTodayTwiceAndTheNextNumber) {
    CommunicationsWindow* w = openWindow();
    EXPECT_EQ(w->windowTitle().toStdString(), "Communications ");
    click(w, "cmdCreate");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "1");
    EXPECT_EQ(text(w, "txtDate"), "31/03/2003");
    EXPECT_EQ(text(w, "txtDate_R"), "31/03/2003");
}

TEST_F(CommunicationsWindowTest, SubjectIsCutWithAWarningOrShownPadded) {
    CommunicationsWindow* w = openWindow();
    createAndSave(w, "0", std::string(40, 's'));
    EXPECT_EQ(messages,
              std::vector<std::string>{"Warning !!! Some text will be truncated to the required "
                                       "format. "});
    createAndSave(w, "99", "Price list 1");
    EXPECT_EQ(text(w, "txtSubject"), "Price list 1" + std::string(18, ' '));
    EXPECT_EQ(messages.size(), 1u);
    RecordFile file(state.dataFile(file::kCommunications), CommunicationRecord::kSize);
    EXPECT_EQ(file.count(), 2);
    EXPECT_EQ(file.read<CommunicationRecord>(1).subject, std::string(30, 's'));
    EXPECT_EQ(file.read<CommunicationRecord>(2).affiliateId, 99);  // no affiliate needed
}

TEST_F(CommunicationsWindowTest, EmptyDateOfResponceIsRefused) {
    CommunicationsWindow* w = openWindow();
    click(w, "cmdCreate");
    type(w, "txtID", "1");
    type(w, "txtSubject", "Hello");
    type(w, "txtDate_R", "");
    click(w, "cmdSave");
    EXPECT_EQ(messages, std::vector<std::string>{"Sorry, you entered not correct value"});
    EXPECT_EQ(focused(w), "txtDate_R");
    EXPECT_EQ(records(file::kCommunications, CommunicationRecord::kSize), 0);
}

TEST_F(CommunicationsWindowTest, OnlyNonEmptyTextsWriteSideFiles) {
    ensure_folder(state.dataDir());
    {
        RecordFile file(state.dataFile(file::kCommunications), CommunicationRecord::kSize);
        for (int k = 1; k <= 3; ++k) file.write(k, CommunicationRecord{1, "Old", 37257, 37257});
    }
    CommunicationsWindow* w = openWindow();
    click(w, "cmdCreate");
    type(w, "txtID", "7");
    type(w, "txtSubject", "Hello");
    type(w, "txtMessage", "line one\nline two");
    type(w, "txtComments", "call back");
    click(w, "cmdSave");
    EXPECT_EQ(comm("4.txt"), "line one\r\nline two\r\n");
    EXPECT_EQ(comm("c4.txt"), "call back\r\n");
    EXPECT_FALSE(file_exists(folder.path() / "comm" / "r4.txt"));

    click(w, "cmdSaveThisRecord");
    std::string exported = read_file(folder.path() / "output" / "communications.txt");
    EXPECT_EQ(exported,
              "Affiliate ID;Subject;Message;Date;Responce;Date of responce;Comments\r\n"
              "7;Hello" +
                  std::string(25, ' ') +
                  ";line one line two ;31/03/2003;;31/03/2003;call back \r\n");

    click(w, "cmdFirst");
    EXPECT_EQ(text(w, "txtMessage"), "");
    click(w, "cmdLast");
    EXPECT_EQ(text(w, "txtMessage"), "line one\nline two\n");
}

TEST_F(CommunicationsWindowTest, SearchComparesTheIdAsWritten) {
    ensure_folder(state.dataDir());
    {
        RecordFile file(state.dataFile(file::kCommunications), CommunicationRecord::kSize);
        file.write(1, CommunicationRecord{7, "A", 37257, 37257});
        file.write(2, CommunicationRecord{8, "B", 37257, 37257});
        file.write(3, CommunicationRecord{7, "C", 37257, 37257});
    }
    CommunicationsWindow* w = openWindow();
    type(w, "txtSID", "7");
    click(w, "cmdDisplay");
    EXPECT_EQ(gridColumn(w, 0), (std::vector<std::string>{"N of record", "1", "3"}));
    type(w, "txtSID", "07");
    click(w, "cmdDisplay");
    EXPECT_EQ(gridColumn(w, 0), (std::vector<std::string>{"N of record"}));
}

}  // namespace
}  // namespace qdx::test
