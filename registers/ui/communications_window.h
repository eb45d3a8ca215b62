#pragma once
// frmCommunications: the journal of messages exchanged with affiliates; the
// message, response and comments of each live in side files under comm/.
#include "core/records.h"
#include "registers/communication_editing.h"
#include "registers/ui/record_editor.h"

namespace qdx::ui {

class CommunicationsWindow : public RecordEditor {
    Q_OBJECT
  public:
    explicit CommunicationsWindow(UiContext& context);

  protected:
    void readRecord(int64_t k) override;
    void toForm() override;
    void clearForm() override;
    void inputFields(bool enabled) override;
    void newRecordDefaults() override;
    bool checkAndWrite() override;
    SearchJob searchJob() override;
    void exportRecords(int64_t from, int64_t to) override;
    std::filesystem::path exportCsv() override;

  private:
    CommunicationRecord buffer_;
    QLineEdit *txtID, *txtSubject, *txtDate, *txtDate_R;
    QPlainTextEdit *txtMessage, *txtResponce, *txtComments;
    QLineEdit *txtSID, *txtSsubject, *txtSdate, *txtSdate_r;
};

}  // namespace qdx::ui
