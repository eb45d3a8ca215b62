#pragma once
// frmAffiliates: the register of affiliates. An affiliate's ID is its record
// number; its Level is fixed from the referrer's when it is saved.
#include "core/payee_file.h"
#include "core/records.h"
#include "registers/affiliate_editing.h"
#include "registers/ui/record_editor.h"

class QComboBox;

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
    // The "Payment details" group: how the affiliate is paid, kept in
    // data/payees.qdx beside its record.
    void buildPaymentDetails();
    PayeeDetails typedPayee() const;
    void showPayee(const PayeeDetails& details);
    // Checks the typed payment details; false (after saying why) when they
    // are refused or the fitted holder's name is not accepted.
    bool checkPayee(PayeeDetails& checked);
    void showTrimmed(const AffiliateBoxes& boxes);

    AffiliateRecord buffer_;
    QLineEdit *txtName, *txtSurname, *txtStreet, *txtCity, *txtPost_Cod, *txtCountry, *txtPhone,
        *txtE_mail, *txtURL, *txtAffiliateID, *txtRef_ID, *txtAdditional_Info, *txtDate, *txtLevel;
    QLineEdit *txtSname, *txtSsurname, *txtSemail, *txtSreferenceid;
    QComboBox* cboPayMethod;
    QLineEdit *txtPayHolder, *txtPayIban, *txtPayBic, *txtPayEmail;
};

}  // namespace qdx::ui
