#pragma once
// frmRefunds: the refunds browsed, searched and exported like the sales, and
// new ones entered with the checks of "Refund this sale...". A registered
// refund is never changed: a wrong one is set right by the refunds after it.
#include "core/records.h"
#include "registers/ui/record_editor.h"

namespace qdx::ui {

class RefundsWindow : public RecordEditor {
    Q_OBJECT
  public:
    explicit RefundsWindow(UiContext& context);

  protected:
    void readRecord(int64_t k) override;
    void toForm() override;
    void clearForm() override;
    void inputFields(bool enabled) override;
    void newRecordDefaults() override;
    bool checkAndWrite() override;
    void afterSave() override { toForm(); }
    SearchJob searchJob() override;
    int sortColumnAfterSearch() const override;
    void exportRecords(int64_t from, int64_t to) override;
    std::filesystem::path exportCsv() override;

  private:
    MoneyRecord buffer_;  // a refund read in the layout it shares with a sale
    QLineEdit *txtSale, *txtSum, *txtDate;
    QPlainTextEdit* txtDetails;
    QLineEdit *txtSdate, *txtSSale;
};

}  // namespace qdx::ui
