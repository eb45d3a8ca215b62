// The one rule that names the files made from a report: the reports' own
// captions keep their names (the caption, blanks at its ends removed), and
// whatever else a caption holds (a regional date, a typed text) gives a name
// every file system takes.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "core/file_names.h"
#include "core/ole_date.h"
#include "core/text_field.h"
#include "reports/csv_export.h"
#include "reports/report_export.h"
#include "reports/report_kinds.h"
#include "reports/report_table.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

// What a name must be on every platform.
void expect_usable(const std::string& stem, const std::string& caption) {
    SCOPED_TRACE(testing::PrintToString(caption) + " -> " + testing::PrintToString(stem));
    ASSERT_FALSE(stem.empty());
    for (char c : stem) {
        EXPECT_GE(static_cast<unsigned char>(c), 0x20);
        EXPECT_EQ(std::string_view("\\/:*?\"<>|").find(c), std::string_view::npos);
    }
    EXPECT_NE(stem.back(), '.');
    EXPECT_NE(stem.back(), ' ');
    EXPECT_NE(stem.front(), ' ');
    std::string device(trim_right(stem.substr(0, stem.find('.'))));
    for (char& c : device) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* reserved : {"CON", "PRN", "AUX", "NUL"}) EXPECT_NE(device, reserved);
    const bool numbered = device.size() == 4 &&
                          (device.starts_with("COM") || device.starts_with("LPT")) &&
                          device[3] >= '1' && device[3] <= '9';
    EXPECT_FALSE(numbered);
    EXPECT_EQ(report_file_stem(stem), stem) << "a name is its own name";
}

TEST(ReportFileNames, EveryReportsCaptionKeepsItsName) {
    std::vector<std::string> captions = {"Report"};
    for (const ReportKindInfo& kind : report_kinds())
        for (int32_t id : {0, 1, 2, 127, 2147483647}) captions.push_back(kind.caption(id));
    captions.push_back("Sub Net Structure Report for the Affiliate with ID=5");
    // The expected exports begin with the caption the report had: "<caption> from ...".
    std::ifstream index(std::string(QDX_EXAMPLES_DIR) + "/INDEX.tsv");
    std::string line;
    std::getline(index, line);
    size_t golden = 0;
    while (std::getline(index, line)) {
        const std::string expected = line.substr(0, line.find('\t'));
        const std::string text = test::read_file(fs::path(QDX_EXAMPLES_DIR) / expected);
        const size_t from = text.find(" from ");
        ASSERT_NE(from, std::string::npos) << expected;
        captions.push_back(text.substr(0, from));
        ++golden;
    }
    EXPECT_GE(golden, 100u);
    for (const std::string& caption : captions) {
        SCOPED_TRACE(caption);
        EXPECT_EQ(report_file_stem(caption), std::string(trim(caption)));
        EXPECT_EQ(report_file_name(caption, ".txt"), std::string(trim(caption)) + ".txt");
    }
    // The two blanks before "Report" stay: the name is the caption's.
    EXPECT_EQ(report_file_name("Downline of the Affiliate with ID= 7  Report", ".pdf"),
              "Downline of the Affiliate with ID= 7  Report.pdf");
    EXPECT_EQ(report_file_name("Activity_Report;ID=5", ".htm"), "Activity_Report;ID=5.htm");
}

TEST(ReportFileNames, RefusedCharactersDatesDotsAndBlanks) {
    const std::pair<std::string, std::string> cases[] = {
        {" Accounts_Report ", "Accounts_Report"},
        {"Sales: who? \"all\" <a|b>*", "Sales_ who_ _all_ _a_b__"},
        {"a/b\\c\td\re\x1f", "a_b_c_d_e_"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        // Regional dates as captions may hold them.
        {"Accounts 05/12/2025 to 31/12/2025", "Accounts 05_12_2025 to 31_12_2025"},
        {"Accounts 5.12.2025 10:30", "Accounts 5.12.2025 10_30"},
        {"Accounts 2025. 12. 5.", "Accounts 2025. 12. 5"},
        {"Report. . .", "Report"},
        {"Report . ", "Report"},
        {"A\xE9t\xE9 \x80 \xFF", "A\xE9t\xE9 \x80 \xFF"},  // ANSI letters are kept
        {"", "Report"},
        {"   ", "Report"},
        {" . . ", "Report"},
        {"...", "Report"},
        {"/", "_"},
        {".hidden", ".hidden"},
    };
    for (const auto& [caption, stem] : cases) {
        EXPECT_EQ(report_file_stem(caption), stem) << testing::PrintToString(caption);
        expect_usable(report_file_stem(caption), caption);
    }
    EXPECT_EQ(report_file_name("Report...", ".pdf"), "Report.pdf");
    EXPECT_EQ(report_file_name("", ".csv"), "Report.csv");
}

TEST(ReportFileNames, DeviceNamesGetAnUnderscore) {
    const std::pair<std::string, std::string> cases[] = {
        {"con", "con_"},
        {"CON", "CON_"},
        {"Prn", "Prn_"},
        {"aux.", "aux_"},
        {"  nul  ", "nul_"},
        {"Nul.txt", "Nul_.txt"},
        {"NUL .txt", "NUL_ .txt"},
        {"con.tar.gz", "con_.tar.gz"},
        {"com1", "com1_"},
        {"COM9", "COM9_"},
        {"lpt5", "lpt5_"},
        {"LPT9.log", "LPT9_.log"},
        {"COM\xB9", "COM\xB9_"},
        {"lpt\xB3", "lpt\xB3_"},
        // Not devices.
        {"COM0", "COM0"},
        {"COM10", "COM10"},
        {"LPT", "LPT"},
        {"Console", "Console"},
        {"con_", "con_"},
        {"a.con", "a.con"},
        {"CON:", "CON_"},
        {"nul2", "nul2"},
        {"xcon", "xcon"},
    };
    for (const auto& [caption, stem] : cases) {
        EXPECT_EQ(report_file_stem(caption), stem) << caption;
        expect_usable(report_file_stem(caption), caption);
    }
    EXPECT_EQ(report_file_name("AUX", ".pdf"), "AUX_.pdf");
}

// Captions made of the pieces that are hard to name after: each gives a usable
// name, and a name passes the rule unchanged.
TEST(ReportFileNames, AnyCaptionGivesAUsableName) {
    const std::vector<std::string> pieces = {
        "con", "NUL", "com1", "Lpt9", "COM\xB9", ".",          "..",  " ", "  ",
        "/",   "\\",  ":",    "*",    "?",       "\"",         "<",   ">", "|",
        "\t",  "\n",  "\x7f", "\xE9", "Report",  "05/12/2025", "ID=", ";"};
    std::mt19937 random(7);
    for (int i = 0; i < 5000; ++i) {
        std::string caption;
        for (size_t n = random() % 6; n > 0; --n) caption += pieces[random() % pieces.size()];
        expect_usable(report_file_stem(caption), caption);
    }
}

// Every file made from a report lands in its folder under the rule's name.
TEST(ReportFileNames, ExportsAreWrittenUnderTheName) {
    test::TempFolder folder;
    AppState state(folder.path());
    ReportTable t;
    t.request = {ReportKind::Accounts, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    t.caption = " ../NUL: 05/12/2025. ";
    t.setHeader(" Affiliate's ID | Income ");
    const std::string stem = ".._NUL_ 05_12_2025";
    EXPECT_EQ(save_text(t, ';', state), folder.path() / "output" / (stem + ".txt"));
    EXPECT_EQ(save_html(t, state), folder.path() / "output" / "html" / (stem + ".htm"));
    EXPECT_EQ(save_csv(t, state), folder.path() / "output" / (stem + ".csv"));
    for (const fs::path& file : {folder.path() / "output" / (stem + ".txt"),
                                 folder.path() / "output" / "html" / (stem + ".htm"),
                                 folder.path() / "output" / (stem + ".csv")})
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
    t.caption = "con";
    EXPECT_EQ(save_text(t, ';', state).filename(), "con_.txt");
    t.caption = "";
    EXPECT_EQ(save_text(t, ';', state).filename(), "Report.txt");
}

}  // namespace
}  // namespace qdx
