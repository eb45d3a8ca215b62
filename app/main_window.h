#pragma once
// frmStart, the main window: the register buttons on the left, the report
// range, report buttons and their ID boxes on the right, the Help menu.
#include <QMainWindow>

class QAction;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qdx::ui {

class UiContext;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(UiContext& context, QWidget* parent = nullptr);

    // Reads the two date boxes into datefrom and dateto; on a box that is not
    // a date shows the message, focuses that box and answers false.
    bool check_dates();

    bool fullReportSelected() const;  // OptFull
    bool htmlPagesChecked() const;    // chHTML
    UiContext& context() { return context_; }

    // The report buttons, register buttons and help items, so that each
    // subsystem can wire its windows to them.
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
};

}  // namespace qdx::ui
