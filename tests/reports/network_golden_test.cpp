// The activities, income structure, network and downline reports of the
// example application folders, exported as text, against their expected bytes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/ole_date.h"
#include "core/settings.h"
#include "reports/report_table.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

struct GoldenCase {
    std::string expected, world, report;
    int32_t id = 0;
    bool full = false;
    double from = 0, to = 0;
};

double iso_date(const std::string& text) {
    return ole_from_ymd(std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)),
                        std::stoi(text.substr(8, 2)));
}

// The INDEX.tsv lines of the four network reports.
std::vector<GoldenCase> network_cases() {
    std::vector<GoldenCase> cases;
    std::ifstream index(std::string(QDX_EXAMPLES_DIR) + "/INDEX.tsv");
    std::string line;
    std::getline(index, line);  // column titles
    while (std::getline(index, line)) {
        GoldenCase c;
        std::istringstream words(line);
        std::string word;
        words >> c.expected;
        std::vector<std::string> args;
        while (words >> word) args.push_back(word);
        for (size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "--app") {
                const std::string& app = args[++i];
                c.world = app.substr(0, app.find('/'));
            } else if (args[i] == "--from")
                c.from = iso_date(args[++i]);
            else if (args[i] == "--to")
                c.to = iso_date(args[++i]);
            else if (args[i] == "--full")
                c.full = true;
            else if (args[i].rfind("--", 0) != 0 && args[i] != "qdx-report" &&
                     args[i].find('=') == std::string::npos) {
                c.report = args[i];
                if (i + 1 < args.size()) c.id = std::stoi(args[++i]);
            }
        }
        if (c.report == "activities" || c.report == "income-structure" || c.report == "network" ||
            c.report == "downline")
            cases.push_back(c);
    }
    return cases;
}

ReportTable run(AppState& state, const GoldenCase& c) {
    if (c.report == "activities") return activities_report(state, c.id, c.full);
    if (c.report == "income-structure") return income_structure_report(state, c.id, c.full);
    if (c.report == "network") return network_report(state, c.id);
    return downline_report(state, c.id, c.full);
}

TEST(NetworkGoldenTest, ExampleReportsExportTheExpectedBytes) {
    const auto cases = network_cases();
    ASSERT_EQ(cases.size(), 20u);  // five per example folder
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        test::TempFolder folder;
        test::copy_example(c.world, folder.path());
        AppState state(folder.path());
        state.datefrom = c.from;
        state.dateto = c.to;
        load_settings(state);
        const ReportTable table = run(state, c);
        EXPECT_EQ(export_text(table, ';', state),
                  test::read_file(std::string(QDX_EXAMPLES_DIR) + "/" + c.expected));
    }
}

}  // namespace
}  // namespace qdx
