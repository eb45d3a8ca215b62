#pragma once
// frmAffiliates: the register of affiliates. An affiliate's ID is its record
// number; its Level is fixed from the referrer's when it is saved.
#include "core/records.h"
#include "registers/affiliate_editing.h"
#include "registers/ui/record_editor.h"

namespace qdx::ui {

class AffiliatesWindow : public RecordEditor {
    Q_OBJECT
  public:
    explicit AffiliatesWindow(UiContext& context);

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
    AffiliateBoxes boxes() const;
    void showTrimmed(const AffiliateBoxes& boxes);

    AffiliateRecord buffer_;
    QLineEdit *txtName, *txtSurname, *txtStreet, *txtCity, *txtPost_Cod, *txtCountry, *txtPhone,
        *txtE_mail, *txtURL, *txtAffiliateID, *txtRef_ID, *txtAdditional_Info, *txtDate, *txtLevel;
    QLineEdit *txtSname, *txtSsurname, *txtSemail, *txtSreferenceid;
};

}  // namespace qdx::ui
