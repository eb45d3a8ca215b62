#include "registers/ui/affiliates_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <limits>

#include "core/files.h"
#include "core/payee_file.h"
#include "core/regional.h"
#include "core/ui/ui_context.h"
#include "registers/register_csv.h"
#include "registers/register_export.h"
#include "registers/register_search.h"
#include "registers/side_files.h"

namespace qdx::ui {

AffiliatesWindow::AffiliatesWindow(UiContext& context)
    : RecordEditor(context, "frmAffiliates", file::kAffiliates, AffiliateRecord::kSize,
                   affiliate_fields()) {
    setWindowTitle("Affiliates ");
    // Contact fields down the left, the affiliate's place in the program on the right.
    txtName = addBox(Field::Name, 0, 0, "lblLabel1", "txtName");
    txtSurname = addBox(Field::Surname, 1, 0, "lblLabel2", "txtSurname");
    txtStreet = addBox(Field::Street, 2, 0, "lblLabel3", "txtStreet");
    txtCity = addBox(Field::City, 3, 0, "lblLabel4", "txtCity");
    txtPost_Cod = addBox(Field::PostCod, 4, 0, "lblLabel5", "txtPost_Cod");
    txtCountry = addBox(Field::Country, 5, 0, "lblLabel6", "txtCountry");
    txtPhone = addBox(Field::Phone, 6, 0, "lblLabel7", "txtPhone");
    txtE_mail = addBox(Field::Email, 0, 1, "lblLabel8", "txtE_mail");
    txtURL = addBox(Field::Url, 1, 1, "lblLabel9", "txtURL");
    txtAffiliateID = addBox(Field::AffiliateId, 2, 1, "lblLabel10", "txtAffiliateID");
    txtRef_ID = addBox(Field::ReferrerId, 3, 1, "lblLabel11", "txtRef_ID");
    txtDate = addBox(Field::Date, 4, 1, "lblLabel13", "txtDate");
    txtLevel = addBox(Field::Level, 5, 1, "lblLabel14", "txtLevel");
    txtAdditional_Info = addBox(Field::AdditionalInfo, 6, 1, "lblLabel12", "txtAdditional_Info");
    // It shows a whole side file, however long; the default limit would cut it.
    txtAdditional_Info->setMaxLength(std::numeric_limits<int>::max());
    buildPaymentDetails();

    txtSname = addSearchBox(Field::FindName, 0, "lblLabel15", "txtSname");
    txtSsurname = addSearchBox(Field::FindSurname, 1, "lblLabel16", "txtSsurname");
    txtSemail = addSearchBox(Field::FindEmail, 2, "lblLabel17", "txtSemail");
    txtSreferenceid = addSearchBox(Field::FindReferrer, 3, "lblLabel18", "txtSreferenceid");
    setGoToCaption("Go To the record N");
    resize(760, 640);
    start();
}

void AffiliatesWindow::readRecord(int64_t k) { buffer_ = file_.read<AffiliateRecord>(k); }

void AffiliatesWindow::toForm() {
    const Regional& regional = context_.state.regional;
    setAnsi(txtName, buffer_.name);
    setAnsi(txtSurname, buffer_.surname);
    setAnsi(txtStreet, buffer_.street);
    setAnsi(txtCity, buffer_.city);
    setAnsi(txtPost_Cod, buffer_.postCod);
    setAnsi(txtCountry, buffer_.country);
    setAnsi(txtPhone, buffer_.phone);
    setAnsi(txtE_mail, buffer_.email);
    setAnsi(txtURL, buffer_.url);
    setAnsi(txtAffiliateID, format_long(buffer_.id));
    setAnsi(txtRef_ID, format_long(buffer_.referrerId));
    setAnsi(txtDate, format_date(buffer_.date, regional));
    setAnsi(txtLevel, format_long(buffer_.level));
    setAnsi(txtAdditional_Info, buffer_.additionalInfo);
    current_ = buffer_.id;
    showCurrentNumber();
    const auto& appDir = context_.state.appDir;
    ensure_folder(appDir / "addinfo");
    if (auto text = read_side_file(affiliate_info_file(appDir, current_))) {
        setAnsi(txtAdditional_Info, *text);
    }
    const PayeeFile::Lookup payee = PayeeFile(payee_file_path(context_.state)).read(current_);
    showPayee(payee.details);
    if (!payee.damage.empty())
        context_.message(this, QString::fromStdString("Note: " + payee.damage + "."));
}

void AffiliatesWindow::buildPaymentDetails() {
    auto* group = new QGroupBox("Payment details", this);
    group->setObjectName("framePayment");
    auto* grid = new QGridLayout(group);
    cboPayMethod = new QComboBox(group);
    cboPayMethod->setObjectName("cboPayMethod");
    cboPayMethod->setAccessibleName("Payment method");
    for (PayMethod m :
         {PayMethod::None, PayMethod::BankTransfer, PayMethod::PayPal, PayMethod::Wise})
        cboPayMethod->addItem(pay_method_name(m), static_cast<int>(m));
    auto box = [group](const char* name, const char* accessible, int length) {
        auto* edit = new QLineEdit(group);
        edit->setObjectName(name);
        edit->setAccessibleName(accessible);
        edit->setMaxLength(length);
        return edit;
    };
    txtPayHolder = box("txtPayHolder", "Account holder", 2 * static_cast<int>(payee::kHolder));
    txtPayIban = box("txtPayIban", "IBAN", 42);
    txtPayBic = box("txtPayBic", "BIC", 14);
    txtPayEmail = box("txtPayEmail", "PayPal or Wise e-mail", static_cast<int>(payee::kEmail));
    txtPayEmail->setPlaceholderText("the affiliate's own e-mail");
    const std::pair<const char*, const char*> captions[] = {{"lblPayMethod", "Pa&yment method"},
                                                            {"lblPayHolder", "Account &holder"},
                                                            {"lblPayIban", "I&BAN"},
                                                            {"lblPayBic", "BI&C"},
                                                            {"lblPayEmail", "PayPal/Wise e-&mail"}};
    QWidget* widgets[] = {cboPayMethod, txtPayHolder, txtPayIban, txtPayBic, txtPayEmail};
    for (int i = 0; i < 5; ++i) {
        auto* label = new QLabel(captions[i].second, group);
        label->setObjectName(captions[i].first);
        label->setBuddy(widgets[i]);
        // Two columns, as the fields above: method, holder, IBAN left; BIC, e-mail right.
        const int row = i < 3 ? i : i - 3;
        const int column = i < 3 ? 0 : 2;
        grid->addWidget(label, row, column);
        grid->addWidget(widgets[i], row, column + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    addFieldGroup(group, 7, {cboPayMethod, txtPayHolder, txtPayIban, txtPayBic, txtPayEmail});
}

PayeeDetails AffiliatesWindow::typedPayee() const {
    PayeeDetails d;
    d.method = static_cast<PayMethod>(cboPayMethod->currentData().toInt());
    d.holder = txtPayHolder->text().toStdString();
    d.iban = txtPayIban->text().toStdString();
    d.bic = txtPayBic->text().toStdString();
    d.email = txtPayEmail->text().toStdString();
    return d;
}

void AffiliatesWindow::showPayee(const PayeeDetails& d) {
    cboPayMethod->setCurrentIndex(std::max(0, cboPayMethod->findData(static_cast<int>(d.method))));
    txtPayHolder->setText(QString::fromStdString(d.holder));
    txtPayIban->setText(QString::fromStdString(d.iban));
    txtPayBic->setText(QString::fromStdString(d.bic));
    txtPayEmail->setText(QString::fromStdString(d.email));
}

bool AffiliatesWindow::checkPayee(PayeeDetails& checked) {
    const PayeeDetails typed = typedPayee();
    const PayeeCheck check = check_payee(typed);
    if (!check.ok()) {
        context_.message(this, QString::fromStdString(check.error));
        const std::string& e = check.error;
        QWidget* focus = e.find("BIC") != std::string::npos      ? txtPayBic
                         : e.find("IBAN") != std::string::npos   ? txtPayIban
                         : e.find("e-mail") != std::string::npos ? txtPayEmail
                                                                 : txtPayHolder;
        focus->setFocus();
        return false;
    }
    if (check.nameChanged) {
        const QString question =
            QString(
                "A bank transfer carries the account holder's name in Latin letters only: "
                "\"%1\" is kept as \"%2\".")
                .arg(txtPayHolder->text().trimmed(), QString::fromStdString(check.details.holder));
        if (context_.message(this, question, MessageButtons::OkCancel, "Payment details") !=
            MessageAnswer::Ok) {
            txtPayHolder->setFocus();
            return false;
        }
    }
    checked = check.details;
    return true;
}

void AffiliatesWindow::clearForm() {
    for (QLineEdit* box : {txtName, txtSurname, txtStreet, txtCity, txtPost_Cod, txtCountry,
                           txtPhone, txtE_mail, txtURL, txtAffiliateID, txtRef_ID,
                           txtAdditional_Info, txtDate, txtLevel, txtCurrent_Record}) {
        box->clear();
    }
    showPayee(PayeeDetails());
}

void AffiliatesWindow::inputFields(bool enabled) {
    for (QLineEdit* box : {txtName, txtSurname, txtAdditional_Info, txtStreet, txtCity, txtPost_Cod,
                           txtCountry, txtPhone, txtE_mail, txtURL, txtRef_ID, txtDate}) {
        box->setEnabled(enabled);
    }
    for (QWidget* box : {static_cast<QWidget*>(cboPayMethod), static_cast<QWidget*>(txtPayHolder),
                         static_cast<QWidget*>(txtPayIban), static_cast<QWidget*>(txtPayBic),
                         static_cast<QWidget*>(txtPayEmail)})
        box->setEnabled(enabled);
    // Set by the window alone.
    txtLevel->setEnabled(false);
    txtAffiliateID->setEnabled(false);
}

void AffiliatesWindow::newRecordDefaults() {
    // A new affiliate starts from a blank record; its referrer must be typed
    // (0 for none).
    buffer_ = AffiliateRecord{};
    setAnsi(txtAffiliateID, format_long(current_));
    setAnsi(txtDate, format_date(context_.state.today(), context_.state.regional));
}

AffiliateBoxes AffiliatesWindow::boxes() const {
    return {ansi(txtName),     ansi(txtSurname),     ansi(txtStreet), ansi(txtCity),
            ansi(txtPost_Cod), ansi(txtCountry),     ansi(txtPhone),  ansi(txtE_mail),
            ansi(txtURL),      ansi(txtAffiliateID), ansi(txtRef_ID), ansi(txtAdditional_Info),
            ansi(txtDate)};
}

void AffiliatesWindow::showTrimmed(const AffiliateBoxes& b) {
    setAnsi(txtName, b.name);
    setAnsi(txtSurname, b.surname);
    setAnsi(txtStreet, b.street);
    setAnsi(txtCity, b.city);
    setAnsi(txtPost_Cod, b.postCod);
    setAnsi(txtCountry, b.country);
    setAnsi(txtPhone, b.phone);
    setAnsi(txtE_mail, b.email);
    setAnsi(txtURL, b.url);
}

bool AffiliatesWindow::checkAndWrite() {
    const Regional& regional = context_.state.regional;
    AffiliateBoxes typed = boxes();
    if (failed(check_affiliate_boxes(typed, current_, regional))) return false;
    bool cut = affiliate_from_boxes(typed, buffer_, current_, file_, regional);
    showTrimmed(typed);
    if (cut) warnTruncated();
    if (failed(check_referrer(buffer_, recordCount_, file_))) return false;
    PayeeDetails payee;
    if (!checkPayee(payee)) return false;
    write_affiliate(file_, context_.state.appDir, current_, buffer_, ansi(txtAdditional_Info));
    // Nothing given and no payee file yet: none is made.
    const auto payees = payee_file_path(context_.state);
    if (!(payee == PayeeDetails()) || file_exists(payees)) {
        PayeeFile(payees).write(static_cast<int32_t>(current_), payee);
        showPayee(payee);
    }
    return true;
}

RecordEditor::SearchJob AffiliatesWindow::searchJob() {
    auto request = affiliate_search(ansi(txtSname), ansi(txtSsurname), ansi(txtSemail),
                                    ansi(txtSreferenceid), context_.state.regional);
    if (request.empty || failed(request.failure)) return {};
    return [criteria = request.criteria, count = recordCount_, regional = context_.state.regional](
               const RecordFile& file, Progress& progress) {
        return find_affiliates(file, count, criteria, regional, progress);
    };
}

void AffiliatesWindow::exportRecords(int64_t from, int64_t to) {
    export_affiliates(context_.state, from, to);
}

std::filesystem::path AffiliatesWindow::exportCsv() {
    return export_affiliates_csv(context_.state);
}

}  // namespace qdx::ui
