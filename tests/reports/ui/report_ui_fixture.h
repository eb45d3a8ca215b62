#pragma once
// A report-window test bench: an application folder of its own, the shared
// state with the start-up messages, and a message sink that records every
// message box and answers it as told.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <vector>

#include "core/ole_date.h"
#include "core/ui/ui_context.h"
#include "reports/report_table.h"
#include "support/test_support.h"

namespace qdx::test {

class ReportUiTest : public ::testing::Test {
  protected:
    ReportUiTest() : state(folder.path()), context(state) {
        state.messages.setStartupWording();
        state.today = [] { return ole_from_ymd(2003, 3, 31); };
        state.datefrom = ole_from_ymd(2003, 3, 1);
        state.dateto = ole_from_ymd(2003, 3, 31);
        context.messageSink = [this](const ui::MessageRequest& request) {
            messages.push_back(request);
            return answer;
        };
    }
    ~ReportUiTest() override {
        for (QWidget* w : QApplication::topLevelWidgets()) w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& m : messages) texts << m.text;
        return texts;
    }

    TempFolder folder;
    AppState state;
    ui::UiContext context;
    std::vector<ui::MessageRequest> messages;
    ui::MessageAnswer answer = ui::MessageAnswer::Ok;
};

// A short accounts report of two affiliates with its Total row.
inline ReportTable accounts_table() {
    ReportTable t;
    t.request = {ReportKind::Accounts, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    t.caption = "Accounts_Report";
    t.setHeader(" Affiliate's ID     | Income       | Payments         |  Balance        ");
    t.appendRow() = {"1", "12.346", "0", "12.346"};
    t.appendRow() = {"2", "5.25", "1", "4.25"};
    t.appendRow() = {" Total", "17.596", "1", "16.596"};
    t.hasTotalRow = true;
    t.setPrintLayout({0, 15, 30, 50, 70}, 4);
    return t;
}

}  // namespace qdx::test
