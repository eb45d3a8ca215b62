#pragma once
// frmSales and frmPayments: twin registers of sums credited to or paid to
// affiliates, each record's details kept in a side file.
#include "core/records.h"
#include "registers/money_editing.h"
#include "registers/register_search.h"
#include "registers/ui/record_editor.h"

namespace qdx::ui {

class MoneyWindow : public RecordEditor {
    Q_OBJECT
  public:
    MoneyWindow(UiContext& context, const MoneyRegister& reg);

  protected:
    void readRecord(int64_t k) override;
    void toForm() override;
    void clearForm() override;
    void inputFields(bool enabled) override;
    void newRecordDefaults() override;
    bool checkAndWrite() override;
    void afterSave() override;
    SearchJob searchJob() override;
    int sortColumnAfterSearch() const override { return money_sort_column(reg_); }
    void exportRecords(int64_t from, int64_t to) override;
    std::filesystem::path exportCsv() override;

  private:
    std::string today() const;

    const MoneyRegister& reg_;
    MoneyRecord buffer_;
    QLineEdit *txtAffiliateID, *txtSum, *txtDate;
    QPlainTextEdit* txtDetails;
    QLineEdit *txtSdate, *txtSAffID;
};

}  // namespace qdx::ui
