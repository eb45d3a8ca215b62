// Saving exports that are written to their files in several pieces.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "reports/report_table.h"
#include "support/test_support.h"

namespace qdx {
namespace {

class TextSavingTest : public ::testing::Test {
  protected:
    TextSavingTest() : state(folder.path()) {}
    // Rows of uneven length, some 2.5 MB in all, so that several pieces are written.
    static ReportTable large_table() {
        ReportTable t;
        t.request = {ReportKind::Accounts, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
        t.caption = "Accounts_Report";
        t.setHeader(" Affiliate's ID     | Income       | Name ");
        for (int i = 1; i <= 30000; ++i) {
            auto& row = t.appendRow();
            row[0] = std::to_string(i);
            row[1] = std::to_string(i * 7 % 1000) + ".25";
            row[2] = std::string(static_cast<size_t>(i % 150), static_cast<char>('A' + i % 26));
        }
        return t;
    }
    size_t files_in_output() const {
        auto output = folder.path() / "output";
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(output),
                                                 std::filesystem::directory_iterator()));
    }
    test::TempFolder folder;
    AppState state;
};

TEST_F(TextSavingTest, LargeExportIsSavedByteForByte) {
    const ReportTable t = large_table();
    const std::string expected = export_text(t, ';', state);
    ASSERT_GT(expected.size(), 2u << 20);
    auto path = save_text(t, ';', state);
    EXPECT_EQ(test::read_file(path), expected);

    // Saved again over a longer file, nothing of the old one remains.
    ReportTable shorter = t;
    shorter.cells.resize(10);
    save_text(shorter, ';', state);
    EXPECT_EQ(test::read_file(path), export_text(shorter, ';', state));
    EXPECT_EQ(files_in_output(), 1u);
}

TEST_F(TextSavingTest, LargeHtmlExportIsSavedByteForByte) {
    const ReportTable t = large_table();
    const std::string expected = export_html(t, state);
    ASSERT_GT(expected.size(), 2u << 20);
    EXPECT_EQ(test::read_file(save_html(t, state)), expected);
}

TEST_F(TextSavingTest, FailedSaveLeavesNoTemporaryFile) {
    // A folder where the export should go: the final rename must fail.
    std::filesystem::create_directories(folder.path() / "output" / "Accounts_Report.txt" / "x");
    EXPECT_THROW(save_text(large_table(), ';', state), FileError);
    EXPECT_TRUE(folder_exists(folder.path() / "output" / "Accounts_Report.txt" / "x"));
    EXPECT_EQ(files_in_output(), 1u);
}

}  // namespace
}  // namespace qdx
