#pragma once
// frmStart, the main window: the register buttons on the left, the report
// range, report buttons and their ID boxes on the right, the Help menu.
#include <QMainWindow>
#include <optional>

#include "core/date_range.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qdx::ui {

class UiContext;

// The buttons of the main window, for the app to connect.
enum class MainButton {
    Affiliates,
    Communications,
    Sales,
    Payments,
    APSettings,
    APPerformance,
    Accounts,
    PaymentsDue,
    Activities,
    NetStructure,
    IncomeStructure,
    Downline
};

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(UiContext& context, QWidget* parent = nullptr);

    // Reads the two date boxes into the report range; on a box that is not
    // a date shows the message, focuses that box and answers nothing. A
    // range whose end fails keeps the start just read.
    std::optional<DateRange> check_dates();
    const DateRange& lastRange() const { return range_; }

    bool fullReportSelected() const;  // OptFull
    bool htmlPagesChecked() const;    // chHTML
    UiContext& context() { return context_; }

    QPushButton* button(MainButton which) const;
    // The affiliate ID box of a report that takes one; null for the others.
    QLineEdit* idBox(MainButton report) const;

    // Controls by object name: the Help items (named in help_items()), and
    // the boxes as tests and the screenshot tool reach them.
    QPushButton* button(const char* objectName) const;
    QLineEdit* lineEdit(const char* objectName) const;
    QAction* action(const char* objectName) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls(QWidget* client);
    void buildMenu();
    void giveMenuShortcutsPrecedence();
    void fillDates();

    UiContext& context_;
    DateRange range_;  // as last read from the date boxes
};

}  // namespace qdx::ui
