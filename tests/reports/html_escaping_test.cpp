// Texts typed by affiliates reach the pages and HTML exports as text, never as markup.
#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "core/settings.h"
#include "reports/report_asking.h"
#include "reports/report_table.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

double march(int day) { return ole_from_ymd(2003, 3, day); }

const std::string kScript = "<img src=x onerror=alert(1)>";  // 28 characters: fits E-mail
const std::string kShown = "&lt;img src=x onerror=alert(1)&gt;";

class HtmlEscapingTest : public ::testing::Test {
  protected:
    HtmlEscapingTest() : state(folder.path()) {
        state.datefrom = march(1);
        state.dateto = march(31);
        AffiliateRecord mallory = test::affiliate(2, 1, 2, march(3), "Tom & <b>Jerry</b>");
        mallory.email = kScript;
        test::write_affiliates(state, {test::affiliate(1, 0, 1, march(1), "Al"), mallory});
        test::write_settings(state, test::settings("Percents", {10, 5}));
        load_settings(state);
        test::write_money(state, file::kSales, {{2, 100, march(4)}});
    }
    test::TempFolder folder;
    AppState state;
};

TEST_F(HtmlEscapingTest, TheUplinesDownlinePageShowsTheTextsAsText) {
    ask(state, ReportKind::PaymentsDue, 0, false, true);
    const std::string page = test::read_file(state.appDir / "HTML" / " 1d.html");
    EXPECT_NE(page.find("<td>" + kShown + "  </td>"), std::string::npos) << page;
    EXPECT_NE(page.find("<td>Tom &amp; &lt;b&gt;Jerry&lt;/b&gt;  </td>"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST_F(HtmlEscapingTest, TheHtmlExportShowsTheTextsAsText) {
    const ReportTable table = ask(state, ReportKind::PaymentsDue, 0, true, false);
    const std::string html = test::read_file(save_html(table, state));
    EXPECT_NE(html.find("<td>" + kShown), std::string::npos) << html;
    EXPECT_NE(html.find("Tom &amp; &lt;b&gt;Jerry&lt;/b&gt;"), std::string::npos);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    // The same texts go to the text export as they are stored.
    const std::string text = test::read_file(save_text(table, ';', state));
    EXPECT_NE(text.find(kScript), std::string::npos);
}

}  // namespace
}  // namespace qdx
