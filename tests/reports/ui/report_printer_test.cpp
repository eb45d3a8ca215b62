// Print where no printer is installed: a PDF in the output folder.
#include "reports/ui/report_printer.h"

#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <filesystem>
#include <iterator>

#include "report_ui_fixture.h"
#include "reports/print/pdf_words.h"
#include "reports/ui/report_window.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

class ReportPrinterTest : public ReportUiTest {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
            GTEST_SKIP() << "pdftotext is not installed";
        }
    }
};

TEST_F(ReportPrinterTest, PrintButtonWritesAPdfIntoOutputWithoutAMessageBox) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
    ui::ReportWindow* w = ui::show_report_window(context);
    w->showTable(full_accounts());
    w->findChild<QPushButton*>("cmdPrint")->click();
    fs::path file = folder.path() / "output" / "Accounts_Report.pdf";
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1);  // no temporary
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(w->statusText().contains("Accounts_Report.pdf"));
    EXPECT_NE(find_word(words_of(file), "16.596"), nullptr);
}

}  // namespace
}  // namespace qdx::test
