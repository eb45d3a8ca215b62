#pragma once
// The main window wired to every other window, over the report-window test
// bench, its date range set to March 2003.
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/window_wiring.h"
#include "reports/ui/report_ui_fixture.h"
#include "reports/ui/report_window.h"

namespace qdx::test {

class MainWindowTest : public ReportUiTest {
  protected:
    // Opens the main window on the records the folder holds by now.
    void openMainWindow() {
        main = std::make_unique<ui::MainWindow>(context);
        ui::wire_main_window(*main);
        main->lineEdit("txtDateFrom")->setText("01/03/2003");
        main->lineEdit("txtDateTo")->setText("31/03/2003");
    }
    void TearDown() override { main.reset(); }

    void click(const char* name) { main->button(name)->click(); }
    ui::ReportWindow* reportWindow() const {
        return qobject_cast<ui::ReportWindow*>(context.openWindow("frmReports"));
    }

    std::unique_ptr<ui::MainWindow> main;
};

// Every cell of a table, as the grid shows it.
inline std::vector<std::vector<std::string>> texts_of(const ReportTable& table) {
    std::vector<std::vector<std::string>> rows;
    for (size_t r = 0; r < table.rowCount(); ++r) rows.push_back(table.rowTexts(r));
    return rows;
}

}  // namespace qdx::test
