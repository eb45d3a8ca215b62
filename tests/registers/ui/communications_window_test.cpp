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

TEST_F(CommunicationsWindowTest, SubjectIsCutWithAWarningAndNoAffiliateIsNeeded) {
    CommunicationsWindow* w = openWindow();
    createAndSave(w, "99", std::string(40, 's'));
    EXPECT_EQ(messages,
              std::vector<std::string>{"Warning !!! Some text will be truncated to the required "
                                       "format. "});
    RecordFile file(state.dataFile(file::kCommunications), CommunicationRecord::kSize);
    ASSERT_EQ(file.count(), 1);
    EXPECT_EQ(file.read<CommunicationRecord>(1).subject, std::string(30, 's'));
    EXPECT_EQ(file.read<CommunicationRecord>(1).affiliateId, 99);
}

TEST_F(CommunicationsWindowTest, NewRecordShowsTodayTwiceAndNeedsADateOfResponce) {
    CommunicationsWindow* w = openWindow();
    click(w, "cmdCreate");
    EXPECT_EQ(text(w, "txtCurrent_Record"), "1");
    EXPECT_EQ(text(w, "txtDate"), "31/03/2003");
    EXPECT_EQ(text(w, "txtDate_R"), "31/03/2003");
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
    click(w, "cmdFirst");  // a record without its side file shows nothing
    EXPECT_EQ(text(w, "txtMessage"), "");
}

}  // namespace
}  // namespace qdx::test
