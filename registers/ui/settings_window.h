#pragma once
// frmAPSettings: creates the one settings record of the affiliate program and
// shows it afterwards. A saved record is not edited here; the hold period,
// kept in a file of its own, is shown and saved at any time.
#include <QWidget>
#include <array>

#include "core/edit_checks.h"
#include "core/record_file.h"
#include "core/ui/field_boxes.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace qdx::ui {

class UiContext;

class SettingsWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SettingsWindow(UiContext& context);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void toForm();
    void clearForm();
    void enabledFrm(bool editing);
    void create();
    void save();
    void saveAsText();
    // The hold period is kept beside the record and may change at any time.
    void showHold();
    bool saveHold();

    UiContext& context_;
    RecordFile file_;
    int64_t current_ = 0;
    int64_t recordCount_ = 0;
    bool unloaded_ = false;
    std::array<QLineEdit*, 8> txtLevel_{};
    QComboBox* cmbType_;
    QLineEdit *txtMinPayment_, *txtPeriodicity_, *txtUnit_, *txtCurrent_Record_, *txtHoldDays_;
    QPushButton *cmdCreate_, *cmdSave_, *cmdSaveThisRecord_, *cmdSaveHold_;
    FieldBoxes boxes_;
};

}  // namespace qdx::ui
