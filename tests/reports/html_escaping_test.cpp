// Texts typed by affiliates reach the pages and HTML exports as text, never as markup.
#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "core/settings.h"
#include "reports/report_asking.h"
#include "reports/report_export.h"
#include "reports/report_table.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

TEST(HtmlEscaping, PagesAndHtmlExportShowTheTextsAsText) {
    const std::string script = "<img src=x onerror=alert(1)>";  // 28 characters: fits E-mail
    test::TempFolder folder;
    AppState state(folder.path());
    const DateRange range{ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    AffiliateRecord mallory = test::affiliate(2, 1, 2, range.from, "Tom & <b>Jerry</b>");
    mallory.email = script;
    test::write_affiliates(state, {test::affiliate(1, 0, 1, range.from, "Al"), mallory});
    test::write_settings(state, test::settings("Percents", {10, 5}));
    load_settings(state);
    test::write_money(state, file::kSales, {{2, 100, range.from}});

    const ReportTable table = ask(state, range, ReportKind::PaymentsDue, 0, true, true);
    const std::string page = test::read_file(state.appDir / "HTML" / " 1d.html");
    const std::string html = test::read_file(save_html(table, state));
    for (const std::string& shown : {page, html}) {
        EXPECT_NE(shown.find("<td>&lt;img src=x onerror=alert(1)&gt;  </td>"), std::string::npos)
            << shown;
        EXPECT_NE(shown.find("<td>Tom &amp; &lt;b&gt;Jerry&lt;/b&gt;  </td>"), std::string::npos);
        EXPECT_EQ(shown.find("<img"), std::string::npos);
        EXPECT_EQ(shown.find("<b>"), std::string::npos);
    }
    // The same texts go to the text export as they are stored.
    EXPECT_NE(test::read_file(save_text(table, ';', state)).find(script), std::string::npos);
}

}  // namespace
}  // namespace qdx
