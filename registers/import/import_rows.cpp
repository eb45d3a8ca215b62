#include "registers/import/import_rows.h"

#include <atomic>
#include <cctype>
#include <cmath>
#include <unordered_map>

#include "core/cp1252.h"
#include "core/csv_values.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/platform/platform.h"
#include "core/record_file.h"
#include "core/text_field.h"
#include "core/tree.h"
#include "registers/affiliate_editing.h"
#include "registers/import/largest_sum.h"
#include "registers/money_editing.h"
#include "registers/refund_editing.h"
#include "registers/side_files.h"

namespace qdx {

namespace fs = std::filesystem;

void ImportPass::addProblem(int64_t line, std::string column, std::string message, bool utf8) {
    ++plan.problemCount;
    lastProblem = {line, column, message, utf8};
    if (plan.problems.size() < kProblemsKept)
        plan.problems.push_back({line, std::move(column), std::move(message), utf8});
}

std::string unguarded(const std::string& cell) {
    if (cell.size() > 1 && cell[0] == '\'' && starts_like_formula(std::string_view(cell).substr(1)))
        return cell.substr(1);
    return cell;
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

namespace {

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool whole_number(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text[0] == '-') text.remove_prefix(1);
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

// What the import's messages add to the window's: the value and what the
// column takes.
struct Explainer {
    const Regional& regional;
    ImportDates dates;
    bool affiliateRows = false;  // the ID column must hold the number the row gets

    std::string operator()(Msg msg, Field field, const std::string& cell, int64_t current,
                           int64_t affiliates) const {
        const std::string value = quoted(trim(cell));
        const bool id = field == Field::AffiliateId || field == Field::ReferrerId;
        switch (msg) {
            case Msg::EnterData:
                return trim(cell).empty() && !cell.empty() ? "the cell holds only blanks"
                                                           : "the cell is empty";
            case Msg::NoAffiliate:
                return value + ": the register holds " + std::to_string(affiliates) + " affiliates";
            case Msg::NoRecord:
                return value +
                       ": no affiliate has this ID (a referrer comes before the "
                       "affiliates it refers)";
            case Msg::IncorrectValue:
                break;
            default:
                return {};
        }
        if (id && !whole_number(cell))
            return value + " is not a whole number: affiliate IDs are whole numbers" +
                   (field == Field::ReferrerId ? ", 0 for none" : "");
        if (field == Field::AffiliateId && affiliateRows)
            return value +
                   " is not the ID this row gets: the rows get the next IDs in file "
                   "order, here " +
                   std::to_string(current);
        if (field == Field::AffiliateId) return value + ": affiliate IDs start at 1";
        if (field == Field::ReferrerId)
            return value + ": the referrer is 0 (none) or an affiliate before this one";
        if (field == Field::Sum) {
            if (parse_number(cell, regional)) return value + ": a sum is not negative";
            return value + " is not a number: sums are written as digits with \"" +
                   std::string(1, regional.decimalSeparator) + "\" before the decimals (49" +
                   regional.decimalSeparator +
                   "90), without a currency sign or thousands separators";
        }
        if (field == Field::Date || field == Field::DateOfResponse) {
            if (dates == ImportDates::Iso)
                return value +
                       " is not a date in the form yyyy-mm-dd, the only form tried "
                       "(dates as the regional settings write them, " +
                       regional.shortDateFormat + ", are read when asked for)";
            return value + " is not a date; tried: " + regional.shortDateFormat +
                   " (the regional short format, with /, -, . or blanks between), yyyy-mm-dd "
                   "and month names (15 March 2003)";
        }
        return {};
    }
};

// The problems of one row: each field once, the window's wording first.
class RowProblems {
  public:
    RowProblems(ImportPass& pass, const csv::Record& row, const ColumnMap& columns,
                const Messages& messages)
        : pass_(pass), row_(row), columns_(columns), messages_(messages) {}

    bool has(Field field) const {
        return std::find(fields_.begin(), fields_.end(), field) != fields_.end();
    }
    bool any() const { return !fields_.empty(); }
    // Answers false when the field was named already.
    bool add(Field field, Msg msg, const std::string& detail) {
        if (has(field)) return false;
        std::string text = message_text(messages_, msg);
        if (!detail.empty()) text += ": " + detail;
        addOwn(field, text);
        return true;
    }
    void addOwn(Field field, const std::string& text) {
        fields_.push_back(field);
        pass_.addProblem(row_.line, columns_.title(field), text);
    }

  private:
    ImportPass& pass_;
    const csv::Record& row_;
    const ColumnMap& columns_;
    const Messages& messages_;
    std::vector<Field> fields_;
};

// A one-line text field holding a line break or another control character,
// which would split the affiliate's row in every text report.
std::optional<std::string> control_character(const std::string& text) {
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n' || c == '\r') return "the text holds a line break: this field keeps one line";
        if (c < 0x20 || c == 0x7F)
            return "the text holds the control character " + std::to_string(c) +
                   (c == '\t' ? " (a tab)" : "") + ": this field keeps printable text only";
    }
    return std::nullopt;
}

}  // namespace

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
          affiliates_(count_affiliates(state)),
          largest_(largest_import_sum(state.appDir)) {}

    bool take(const csv::Record& row, ImportPass& pass, bool refused) override {
        const Regional& regional = state_.regional;
        const std::string& idCell = columns_.cell(row.fields, Field::AffiliateId);
        const std::string& sumCell = columns_.cell(row.fields, Field::Sum);
        const std::string& dateCell = columns_.cell(row.fields, Field::Date);
        MoneyBoxes boxes{idCell, sumCell, date_box(dateCell, options_.dates)};
        const int64_t current = pass.firstRecord + pass.plan.rows;
        const Explainer explain{regional, options_.dates};
        RowProblems problems(pass, row, columns_, state_.messages);
        const auto cellOf = [&](Field f) -> const std::string& {
            return f == Field::AffiliateId ? idCell : f == Field::Sum ? sumCell : dateCell;
        };
        // The window rounds a fraction to the nearest ID; a file means what it says.
        if (!idCell.empty() && !whole_number(idCell) && parse_long(idCell, regional)) {
            problems.add(
                Field::AffiliateId, Msg::IncorrectValue,
                explain(Msg::IncorrectValue, Field::AffiliateId, idCell, current, affiliates_));
            boxes.affiliateId = "1";
        }
        // Each failure of the window's checks, in their order: the box that
        // failed is given a good value and the checks run again.
        while (auto failure = check_money_boxes(boxes, current, affiliates_, regional)) {
            if (!problems.add(failure->field, failure->message,
                              explain(failure->message, failure->field, cellOf(failure->field),
                                      current, affiliates_)))
                break;
            if (failure->field == Field::AffiliateId) boxes.affiliateId = "1";
            if (failure->field == Field::Sum) boxes.sum = "0";
            if (failure->field == Field::Date) boxes.date = "2000-01-01";
        }
        if (!problems.has(Field::Sum))
            if (auto sum = parse_number(sumCell, regional); sum && !(std::fabs(*sum) <= largest_))
                problems.addOwn(Field::Sum, quoted(trim(sumCell)) +
                                                " is beyond the largest sum an import takes, " +
                                                format_long(static_cast<int64_t>(largest_)) +
                                                " (data/" + kLargestImportSumFile +
                                                " sets another)");
        if (problems.any() || refused) return false;
        const MoneyRecord record = money_from_boxes(boxes, regional);
        const size_t at = pass.records.size();
        pass.records.resize(at + MoneyRecord::kSize);
        record.encode(pass.records.data() + at);

        const std::string details = unguarded(columns_.cell(row.fields, Field::Details));
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
    double largest_;
};

// The affiliate's text boxes with their fields, to name the columns whose
// text the save cuts; the widths are the record's.
struct TextBox {
    Field field;
    std::string AffiliateBoxes::*box;
    size_t width = layout::affiliate::span(field).width;
};
constexpr TextBox kTextBoxes[] = {
    {Field::Name, &AffiliateBoxes::name},       {Field::Surname, &AffiliateBoxes::surname},
    {Field::Street, &AffiliateBoxes::street},   {Field::City, &AffiliateBoxes::city},
    {Field::PostCod, &AffiliateBoxes::postCod}, {Field::Country, &AffiliateBoxes::country},
    {Field::Phone, &AffiliateBoxes::phone},     {Field::Email, &AffiliateBoxes::email},
    {Field::Url, &AffiliateBoxes::url},
};

class AffiliateChecks : public RowChecks {
  public:
    AffiliateChecks(const AppState& state, const ColumnMap& columns, const ImportOptions& options)
        : state_(state), columns_(columns), options_(options) {
        // The copy lives outside the application folder: one left by a
        // killed import is never mistaken for a register.
        static std::atomic<int> made{0};
        copy_ =
            fs::temp_directory_path() / ("qdx-import-" + std::to_string(platform::process_id()) +
                                         "-" + std::to_string(++made) + "-" + file::kAffiliates);
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

    bool take(const csv::Record& row, ImportPass& pass, bool refused) override {
        const Regional& regional = state_.regional;
        const int64_t current = pass.firstRecord + pass.plan.rows;
        const auto cell = [&](Field f) { return columns_.cell(row.fields, f); };
        const auto text = [&](Field f) { return unguarded(cell(f)); };
        AffiliateBoxes boxes{text(Field::Name),
                             text(Field::Surname),
                             text(Field::Street),
                             text(Field::City),
                             text(Field::PostCod),
                             text(Field::Country),
                             text(Field::Phone),
                             text(Field::Email),
                             text(Field::Url),
                             cell(Field::AffiliateId),
                             cell(Field::ReferrerId),
                             text(Field::AdditionalInfo),
                             date_box(cell(Field::Date), options_.dates)};
        // The window fills the ID box itself; a file may leave it out.
        if (!columns_.has(Field::AffiliateId)) boxes.affiliateId = format_long(current);

        const Explainer explain{regional, options_.dates, true};
        RowProblems problems(pass, row, columns_, state_.messages);
        const int64_t registered = current - 1;
        for (const TextBox& t : kTextBoxes)
            if (auto what = control_character(boxes.*t.box)) {
                problems.addOwn(t.field, *what);
                boxes.*t.box = "x";
            }
        if (!problems.has(Field::Name) && !boxes.name.empty() && trim(boxes.name).empty()) {
            problems.add(Field::Name, Msg::EnterData, "the name is only blanks");
            boxes.name = "x";
        }
        for (Field f : {Field::AffiliateId, Field::ReferrerId}) {
            std::string& box = f == Field::AffiliateId ? boxes.affiliateId : boxes.refId;
            if (!box.empty() && !whole_number(box) && parse_long(box, regional)) {
                problems.add(f, Msg::IncorrectValue,
                             explain(Msg::IncorrectValue, f, box, current, registered));
                box = f == Field::AffiliateId ? format_long(current) : "0";
            }
        }
        while (auto failure = check_affiliate_boxes(boxes, current, regional)) {
            if (!problems.add(failure->field, failure->message,
                              explain(failure->message, failure->field, cell(failure->field),
                                      current, registered)))
                break;
            if (failure->field == Field::Name) boxes.name = "x";
            if (failure->field == Field::AffiliateId) boxes.affiliateId = format_long(current);
            if (failure->field == Field::ReferrerId) boxes.refId = "0";
            if (failure->field == Field::Date) boxes.date = "2000-01-01";
        }
        if (problems.any()) {
            // The referrer is checked too, when its box was good.
            if (!problems.has(Field::ReferrerId) && !problems.has(Field::Record)) {
                AffiliateBoxes copy = boxes;
                AffiliateRecord record;
                int64_t number = current;
                affiliate_from_boxes(copy, record, number, file_, regional);
                if (auto failure = check_referrer(record, current, file_))
                    problems.add(failure->field, failure->message,
                                 explain(failure->message, failure->field, cell(Field::ReferrerId),
                                         current, registered));
            }
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
            problems.add(failure->field, failure->message,
                         explain(failure->message, failure->field, cell(Field::ReferrerId), current,
                                 registered));
            return false;
        }
        if (refused) return false;
        if (cut) pass.plan.warnings.push_back({row.line, cutColumns, kTruncationWarning});
        // The Level follows the referrer, as the window sets it; a Level
        // column that says otherwise is named, not taken.
        const std::string& level = cell(Field::Level);
        if (!trim(level).empty() && trim(level) != format_long(record.level))
            pass.plan.warnings.push_back({row.line, columns_.title(Field::Level),
                                          "the Level is " + format_long(record.level) +
                                              ", as the referrer gives it, not " +
                                              quoted(trim(level))});
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
        // The reader gives Windows-1252; the checks take UTF-8.
        const auto text = [&](Field f) { return cp1252_to_utf8(unguarded(cell(f))); };
        typed.holder = text(Field::PayHolder);
        typed.iban = cell(Field::PayIban);
        typed.bic = cell(Field::PayBic);
        typed.email = text(Field::PayEmail);
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

// A refund row: the sale named by its record number or found by the order
// its details hold, then the checks the refund window makes.
class RefundChecks : public RowChecks {
  public:
    RefundChecks(const AppState& state, const ColumnMap& columns, const ImportOptions& options)
        : state_(state), columns_(columns), options_(options), checker_(state) {
        if (columns.has(Field::Order)) indexOrders();
    }

    bool take(const csv::Record& row, ImportPass& pass, bool refused) override {
        RowProblems problems(pass, row, columns_, state_.messages);
        const std::string& saleCell = columns_.cell(row.fields, Field::Sale);
        RefundBoxes boxes{saleCell, columns_.cell(row.fields, Field::Sum),
                          date_box(columns_.cell(row.fields, Field::Date), options_.dates)};
        const std::string order(trim(unguarded(columns_.cell(row.fields, Field::Order))));
        Field saleField = Field::Sale;
        if (trim(saleCell).empty() && columns_.has(Field::Order)) {
            saleField = Field::Order;
            const auto [first, last] = orders_.equal_range(order);
            const auto matches = std::distance(first, last);
            if (order.empty()) {
                problems.add(Field::Order, Msg::EnterData, "the cell is empty");
            } else if (matches != 1) {
                std::string which;
                for (auto it = first; it != last && which.size() < 40; ++it)
                    which += (which.empty() ? "" : ", ") + format_long(it->second);
                problems.addOwn(
                    Field::Order,
                    quoted(std::string_view(order)) +
                        (matches == 0 ? " is in the details of no sale"
                                      : " is in the details of " + std::to_string(matches) +
                                            " sales (" + which + "): name the sale by its number"));
            } else {
                boxes.sale = format_long(first->second);
            }
        }
        if (!problems.has(Field::Order))
            if (auto failure = checker_.check(boxes)) {
                const Field field = failure->box == RefundBox::Sale  ? saleField
                                    : failure->box == RefundBox::Sum ? Field::Sum
                                                                     : Field::Date;
                std::string detail = failure->detail;
                if (failure->message == Msg::EnterData) detail = "the cell is empty";
                if (failure->box == RefundBox::Date && failure->message == Msg::IncorrectValue &&
                    !parse_date(boxes.date, state_.regional))
                    detail = Explainer{state_.regional, options_.dates}(
                        Msg::IncorrectValue, Field::Date, columns_.cell(row.fields, Field::Date), 0,
                        0);
                problems.add(field, failure->message, detail);
            }
        if (problems.any() || refused) return false;

        const RefundRecord record = checker_.record(boxes);
        checker_.take(record);
        const int64_t current = pass.firstRecord + pass.plan.rows;
        const size_t at = pass.records.size();
        pass.records.resize(at + RefundRecord::kSize);
        record.encode(pass.records.data() + at);
        const std::string details = unguarded(columns_.cell(row.fields, Field::Details));
        if (!details.empty())
            pass.sideFiles.emplace_back(refund_details_file(state_.appDir, current), details);
        pass.plan.totalSum += record.sum;
        if (pass.plan.preview.size() < kPreviewRows)
            pass.plan.preview.push_back({format_long(current), format_long(record.sale),
                                         format_single(record.sum, state_.regional),
                                         format_date(record.date, state_.regional), details});
        return true;
    }

  private:
    // Every sale's details text, read once, by the text.
    void indexOrders() {
        const fs::path folder = state_.appDir / "addinfo";
        if (!folder_exists(folder)) return;
        const FolderListing listing(folder);
        for (int64_t n = 1; n <= checker_.saleCount(); ++n) {
            const std::string name = side_file_name("s", n);
            if (!listing.contains(name)) continue;
            if (auto text = read_side_file(folder / name))
                orders_.emplace(std::string(trim(side_text_for_line(*text))),
                                static_cast<int32_t>(n));
        }
    }

    const AppState& state_;
    const ColumnMap& columns_;
    ImportOptions options_;
    RefundChecker checker_;
    std::unordered_multimap<std::string, int32_t> orders_;
};

}  // namespace

std::unique_ptr<RowChecks> refund_checks(const AppState& state, const ColumnMap& columns,
                                         const ImportOptions& options) {
    return std::make_unique<RefundChecks>(state, columns, options);
}

std::vector<std::string> refund_preview_header() {
    return {"N of Record", "Sale", "Sum", "Date", "Details"};
}

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
