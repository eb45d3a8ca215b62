// The boxes that show side files: a long text is shown whole, every byte of
// it, and an unchanged Edit and Save writes it back whole.
#include <fstream>
#include <functional>

#include "core/files.h"
#include "registers/ui/affiliates_window.h"
#include "registers/ui/communications_window.h"
#include "registers/ui/money_window.h"
#include "registers/ui/window_fixture.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

// 40,000 characters of Windows-1252 text in lines, with non-breaking
// spaces and accented letters, followed by the CR LF every side file ends in.
std::string long_side_file() {
    const std::string line = "Remarks\xA0on the account of Andr\xE9 \xA0 1234567890 - ok\r\n";
    std::string text;
    while (text.size() + line.size() <= 40000) text += line;
    text += std::string(40000 - text.size(), 'x');
    return text + "\r\n";
}

class SideFileBoxesTest : public WindowTest {
  protected:
    // Writes the side file, opens the window on its one record, and checks
    // the box, then that Edit and Save leave the text whole in the file.
    void roundTrip(const std::function<QWidget*()>& openWindow, const fs::path& side,
                   const char* box) {
        const std::string content = long_side_file();
        ensure_folder(side.parent_path());
        { std::ofstream(side, std::ios::binary) << content; }
        QWidget* w = openWindow();
        auto* area = w->findChild<QPlainTextEdit*>(box);
        EXPECT_EQ(area ? ui::ansi(area) : ui::ansi(child<QLineEdit>(w, box)), content) << box;
        click(w, "cmdEdit");
        click(w, "cmdSave");
        EXPECT_TRUE(messages.empty()) << box << ": " << (messages.empty() ? "" : messages[0]);
        EXPECT_EQ(read_file(side), content + "\r\n") << box;
        w->close();
    }
};

TEST_F(SideFileBoxesTest, LongTextsAreShownWholeAndSavedBackWhole) {
    write_affiliates(state, {affiliate(1, 0, 1, 37257)});
    write_money(state, file::kSales, {{1, 200, 37257}});
    write_money(state, file::kPayments, {{1, 20, 37257}});
    RecordFile(state.dataFile(file::kCommunications), CommunicationRecord::kSize)
        .write(1, CommunicationRecord{1, "Terms", 37257, 37257});
    const fs::path app = folder.path();
    auto affiliates = [this] { return open(new ui::AffiliatesWindow(context)); };
    auto sales = [this] { return open(new ui::MoneyWindow(context, kSalesRegister)); };
    auto payments = [this] { return open(new ui::MoneyWindow(context, kPaymentsRegister)); };
    auto communications = [this] { return open(new ui::CommunicationsWindow(context)); };

    roundTrip(affiliates, app / "addinfo" / "1.txt", "txtAdditional_Info");
    roundTrip(sales, app / "addinfo" / "s1.txt", "txtDetails");
    roundTrip(payments, app / "addinfo" / "p1.txt", "txtDetails");
    roundTrip(communications, app / "comm" / "1.txt", "txtMessage");
    roundTrip(communications, app / "comm" / "r1.txt", "txtResponce");
    roundTrip(communications, app / "comm" / "c1.txt", "txtComments");
}

}  // namespace
}  // namespace qdx::test
