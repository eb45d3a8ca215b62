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
#include "reports/accounts_table.h"
#include "support/test_support.h"

namespace qdx::test {

class ReportUiTest : public ::testing::Test {
  protected:
    ReportUiTest() : state(folder.path()), context(state) {
        state.messages.setStartupWording();
        state.today = [] { return ole_from_ymd(2003, 3, 31); };
        range = {ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
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
    DateRange range;  // what the reports are asked for
    ui::UiContext context;
    std::vector<ui::MessageRequest> messages;
    ui::MessageAnswer answer = ui::MessageAnswer::Ok;
};

}  // namespace qdx::test
