#include "registers/import/import_rows.h"

#include <unistd.h>

#include <atomic>
#include <cctype>

#include "core/cp1252.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/text_field.h"
#include "core/tree.h"
#include "registers/affiliate_editing.h"
#include "registers/money_editing.h"
#include "registers/side_files.h"

namespace qdx {

namespace fs = std::filesystem;

void ImportPass::addProblem(int64_t line, std::string column, std::string message) {
    ++plan.problemCount;
    lastProblem = {line, column, message};
    if (plan.problems.size() < kProblemsKept)
        plan.problems.push_back({line, std::move(column), std::move(message)});
}

namespace {

bool iso_shaped(std::string_view s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

}  // namespace

std::string date_box(const std::string& cell, ImportDates dates) {
    if (dates == ImportDates::Regional || cell.empty()) return cell;
    std::string_view text = trim(cell);
    // No date reader takes this text, so the check says the date is wrong.
    return iso_shaped(text) ? std::string(text) : std::string("\x7f");
}

std::vector<std::string> money_preview_header() {
    return {"N of Record", "Affiliate's ID", "Sum", "Date", "Details"};
}

std::vector<std::string> affiliate_preview_header() {
    return {"Affiliate's ID", "Name",    "Surname", "Street",         "City",
            "Post_Cod",       "Country", "Phone",   "E_mail",         "URL",
            "Referrer's ID",  "Level",   "Date",    "Additional Info"};
}

namespace {

class MoneyChecks : public RowChecks {
  public:
    MoneyChecks(const AppState& state, const MoneyRegister& reg, const ColumnMap& columns,
                const ImportOptions& options)
        : state_(state),
          reg_(reg),
          columns_(columns),
          options_(options),
          affiliates_(count_affiliates(state)) {}

    bool take(const csv::Record& row, ImportPass& pass) override {
        const Regional& regional = state_.regional;
        const MoneyBoxes boxes{columns_.cell(row.fields, Field::AffiliateId),
                               columns_.cell(row.fields, Field::Sum),
                               date_box(columns_.cell(row.fields, Field::Date), options_.dates)};
        const int64_t current = pass.firstRecord + pass.plan.rows;
        if (auto failure = check_money_boxes(boxes, current, affiliates_, regional)) {
            pass.addProblem(row.line, columns_.title(failure->field),
                            message_text(state_.messages, failure->message));
            return false;
        }
        const MoneyRecord record = money_from_boxes(boxes, regional);
        const size_t at = pass.records.size();
        pass.records.resize(at + MoneyRecord::kSize);
        record.encode(pass.records.data() + at);

        const std::string& details = columns_.cell(row.fields, Field::Details);
        if (!details.empty())
            pass.sideFiles.emplace_back(
                money_details_file(state_.appDir, reg_.detailsPrefix, current), details);
        pass.plan.totalSum += record.sum;
        if (pass.plan.preview.size() < kPreviewRows)
            pass.plan.preview.push_back({format_long(current), format_long(record.affiliateId),
                                         format_single(record.sum, regional),
                                         format_date(record.date, regional), details});
        return true;
    }

  private:
    const AppState& state_;
    const MoneyRegister& reg_;
    const ColumnMap& columns_;
    ImportOptions options_;
    int32_t affiliates_;
};

// The affiliate's text boxes with their fields and widths, to name the
// columns whose text the save cuts.
struct TextBox {
    Field field;
    std::string AffiliateBoxes::*box;
    size_t width;
};
constexpr TextBox kTextBoxes[] = {
    {Field::Name, &AffiliateBoxes::name, width::kName},
    {Field::Surname, &AffiliateBoxes::surname, width::kSurname},
    {Field::Street, &AffiliateBoxes::street, width::kStreet},
    {Field::City, &AffiliateBoxes::city, width::kCity},
    {Field::PostCod, &AffiliateBoxes::postCod, width::kPostCod},
    {Field::Country, &AffiliateBoxes::country, width::kCountry},
    {Field::Phone, &AffiliateBoxes::phone, width::kPhone},
    {Field::Email, &AffiliateBoxes::email, width::kEmail},
    {Field::Url, &AffiliateBoxes::url, width::kUrl},
};

class AffiliateChecks : public RowChecks {
  public:
    AffiliateChecks(const AppState& state, const ColumnMap& columns, const ImportOptions& options)
        : state_(state), columns_(columns), options_(options) {
        // The copy lives outside the application folder: one left by a
        // killed import is never mistaken for a register.
        static std::atomic<int> made{0};
        copy_ = fs::temp_directory_path() / ("qdx-import-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(++made) + "-" + file::kAffiliates);
        const fs::path real = state.dataFile(file::kAffiliates);
        if (file_exists(real))
            copy_replacing(real, copy_);
        else
            remove_if_exists(copy_);
        file_.open(copy_, AffiliateRecord::kSize);
    }
    ~AffiliateChecks() override {
        file_.close();
        std::error_code ignored;
        fs::remove(copy_, ignored);
    }

    bool take(const csv::Record& row, ImportPass& pass) override {
        const Regional& regional = state_.regional;
        const int64_t current = pass.firstRecord + pass.plan.rows;
        const auto cell = [&](Field f) { return columns_.cell(row.fields, f); };
        AffiliateBoxes boxes{cell(Field::Name),
                             cell(Field::Surname),
                             cell(Field::Street),
                             cell(Field::City),
                             cell(Field::PostCod),
                             cell(Field::Country),
                             cell(Field::Phone),
                             cell(Field::Email),
                             cell(Field::Url),
                             cell(Field::AffiliateId),
                             cell(Field::ReferrerId),
                             cell(Field::AdditionalInfo),
                             date_box(cell(Field::Date), options_.dates)};
        // The window fills the ID box itself; a file may leave it out.
        if (!columns_.has(Field::AffiliateId)) boxes.affiliateId = format_long(current);

        if (auto failure = check_affiliate_boxes(boxes, current, regional)) {
            fail(row, pass, *failure);
            return false;
        }
        std::string cutColumns;
        for (const TextBox& t : kTextBoxes) {
            if (trim(boxes.*t.box).size() <= t.width) continue;
            if (!cutColumns.empty()) cutColumns += ", ";
            cutColumns += columns_.title(t.field);
        }
        const std::string infoBox = boxes.additionalInfo;
        AffiliateRecord record;
        int64_t number = current;
        const bool cut = affiliate_from_boxes(boxes, record, number, file_, regional);
        // A new record is one past the end, so the register counts it.
        if (auto failure = check_referrer(record, current, file_)) {
            fail(row, pass, *failure);
            return false;
        }
        if (cut) pass.plan.warnings.push_back({row.line, cutColumns, kTruncationWarning});
        if (!takePayee(row, pass, current)) return false;

        file_.write(current, record);
        const size_t at = pass.records.size();
        pass.records.resize(at + AffiliateRecord::kSize);
        record.encode(pass.records.data() + at);
        if (infoBox.size() > width::kAdditionalInfo)
            pass.sideFiles.emplace_back(affiliate_info_file(state_.appDir, current), infoBox);
        if (pass.plan.preview.size() < kPreviewRows) preview(record, infoBox, pass.plan);
        return true;
    }

  private:
    // The payment details columns, checked as the window checks them.
    bool takePayee(const csv::Record& row, ImportPass& pass, int64_t current) const {
        const auto cell = [&](Field f) { return columns_.cell(row.fields, f); };
        PayeeDetails typed;
        if (!parse_pay_method(cell(Field::PayMethod), typed.method)) {
            pass.addProblem(row.line, columns_.title(Field::PayMethod),
                            "\"" + cell(Field::PayMethod) +
                                "\" is no payment method: bank transfer, PayPal, Wise or none");
            return false;
        }
        // The reader gives Windows-1252; the checks take UTF-8. The apostrophe
        // the export puts before a text a spreadsheet would run is read past.
        const auto unguarded = [&](Field f) {
            std::string text = cp1252_to_utf8(cell(f));
            if (text.size() > 1 && text[0] == '\'' &&
                std::string_view("=+-@").find(text[1]) != std::string_view::npos)
                text.erase(0, 1);
            return text;
        };
        typed.holder = unguarded(Field::PayHolder);
        typed.iban = cell(Field::PayIban);
        typed.bic = cell(Field::PayBic);
        typed.email = unguarded(Field::PayEmail);
        if (typed == PayeeDetails()) return true;
        const PayeeCheck check = check_payee(typed);
        if (!check.ok()) {
            const std::string& e = check.error;
            const Field field = e.find("BIC") != std::string::npos      ? Field::PayBic
                                : e.find("IBAN") != std::string::npos   ? Field::PayIban
                                : e.find("e-mail") != std::string::npos ? Field::PayEmail
                                                                        : Field::PayHolder;
            pass.addProblem(row.line, columns_.title(field), e);
            return false;
        }
        pass.payees.emplace_back(static_cast<int32_t>(current), check.details);
        return true;
    }
    void fail(const csv::Record& row, ImportPass& pass, const CheckFailure& failure) const {
        pass.addProblem(row.line, columns_.title(failure.field),
                        message_text(state_.messages, failure.message));
    }
    void preview(const AffiliateRecord& r, const std::string& infoBox, ImportPlan& plan) const {
        std::vector<std::string> cells{format_long(r.id)};
        for (const std::string* text : {&r.name, &r.surname, &r.street, &r.city, &r.postCod,
                                        &r.country, &r.phone, &r.email, &r.url})
            cells.emplace_back(trim_right(*text));
        cells.push_back(format_long(r.referrerId));
        cells.push_back(format_long(r.level));
        cells.push_back(format_date(r.date, state_.regional));
        cells.emplace_back(infoBox.size() > width::kAdditionalInfo ? infoBox
                                                                   : trim_right(r.additionalInfo));
        plan.preview.push_back(std::move(cells));
    }

    const AppState& state_;
    const ColumnMap& columns_;
    ImportOptions options_;
    fs::path copy_;
    RecordFile file_;
};

}  // namespace

std::unique_ptr<RowChecks> money_checks(const AppState& state, ImportKind kind,
                                        const ColumnMap& columns, const ImportOptions& options) {
    const MoneyRegister& reg = kind == ImportKind::Sales ? kSalesRegister : kPaymentsRegister;
    return std::make_unique<MoneyChecks>(state, reg, columns, options);
}

std::unique_ptr<RowChecks> affiliate_checks(const AppState& state, const ColumnMap& columns,
                                            const ImportOptions& options) {
    return std::make_unique<AffiliateChecks>(state, columns, options);
}

}  // namespace qdx
