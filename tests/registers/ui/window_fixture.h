#pragma once
// A window test's world: an application folder of its own, a fixed today,
// and message boxes captured instead of shown.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <memory>
#include <vector>

#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "support/test_support.h"

namespace qdx::test {

class WindowTest : public ::testing::Test {
  protected:
    WindowTest() {
        state.today = [] { return ole_from_ymd(2003, 3, 31); };
        context.messageSink = [this](const ui::MessageRequest& request) {
            messages.push_back(request.text.toStdString());
            titles.push_back(request.title.toStdString());
            return ui::MessageAnswer::Ok;
        };
    }

    // Keeps the window for the test's lifetime, shown offscreen.
    template <class W>
    W* open(W* window) {
        windows_.emplace_back(window);
        window->show();
        return window;
    }

    template <class T = QWidget>
    static T* child(QWidget* window, const char* name) {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void click(QWidget* window, const char* name) {
        child<QPushButton>(window, name)->click();
    }
    static std::string text(QWidget* window, const char* name) {
        if (auto* area = window->findChild<QPlainTextEdit*>(name)) {
            return area->toPlainText().toStdString();
        }
        return child<QLineEdit>(window, name)->text().toStdString();
    }
    static void type(QWidget* window, const char* name, const std::string& value) {
        if (auto* area = window->findChild<QPlainTextEdit*>(name)) {
            area->setPlainText(QString::fromStdString(value));
            return;
        }
        child<QLineEdit>(window, name)->setText(QString::fromStdString(value));
    }
    static bool enabled(QWidget* window, const char* name) {
        return child(window, name)->isEnabled();
    }
    static std::string focused(QWidget* window) {
        QWidget* w = window->focusWidget();
        return w ? w->objectName().toStdString() : std::string();
    }
    // The grid's column as shown, titles row first.
    static std::vector<std::string> gridColumn(QWidget* window, int column) {
        QAbstractItemModel* model = child<QTableView>(window, "MSFGView")->model();
        std::vector<std::string> cells;
        for (int r = 0; r < model->rowCount(); ++r) {
            cells.push_back(model->index(r, column).data().toString().toStdString());
        }
        return cells;
    }
    // Clicks a grid cell the way a mouse does: select it, click, double-click.
    static void clickCell(QWidget* window, int row, int column, bool twice) {
        auto* grid = child<QTableView>(window, "MSFGView");
        QModelIndex index = grid->model()->index(row, column);
        grid->setCurrentIndex(index);
        emit grid->clicked(index);
        if (twice) emit grid->doubleClicked(index);
    }
    int64_t records(const char* file, size_t length) {
        return RecordFile(state.dataFile(file), length).count();
    }

    TempFolder folder;
    AppState state{folder.path()};
    ui::UiContext context{state};
    std::vector<std::string> messages, titles;

  private:
    std::vector<std::unique_ptr<QWidget>> windows_;
};

}  // namespace qdx::test
