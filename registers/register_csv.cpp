#include "registers/register_csv.h"

#include <memory>

#include "core/atomic_file.h"
#include "core/csv.h"
#include "core/csv_values.h"
#include "core/files.h"
#include "core/payee_file.h"
#include "core/record_file.h"
#include "core/text_field.h"
#include "registers/affiliate_editing.h"
#include "registers/communication_editing.h"
#include "registers/side_files.h"

namespace qdx {

namespace {

// A side file's text without the line end every side file closes with; a
// text a spreadsheet would run as a formula gets its apostrophe.
std::string side_value(const FolderListing& listing, const fs::path& path) {
    if (!listing.contains(path.filename().string())) return {};
    std::string text = read_whole_file(path);
    if (text.ends_with("\r\n")) text.resize(text.size() - 2);
    guard_csv_text(text, 0);
    return text;
}

std::string text_value(const std::string& stored) { return csv_text(trim_right(stored)); }

// Writes output/<name>: the export titles of `table`, then a record per
// stored record, `valueOf(k, record, entry)` for each exported field.
// Nothing beyond the table's fields.
struct NoMoreColumns {
    std::vector<std::string> titles;
    void operator()(int64_t, std::vector<std::string>&) const {}
};

template <class Record, class ValueOf, class More = NoMoreColumns>
fs::path export_csv_file(const AppState& state, const char* dataFile, const std::string& name,
                         FieldTable table, ValueOf valueOf, const More& more = {}) {
    const fs::path folder = state.appDir / "output";
    ensure_folder(folder);
    AtomicFile out(folder / name);
    out.write(kUtf8Bom);
    std::vector<std::string> fields;
    for (const FieldEntry& entry : table)
        if (entry.exportTitle) fields.push_back(entry.exportTitle);
    fields.insert(fields.end(), more.titles.begin(), more.titles.end());
    out.write(csv::line(fields));
    const fs::path data = state.dataFile(dataFile);
    if (file_exists(data)) {
        RecordFile file(data, Record::kSize);
        if (file.count() > 0)
            file.scan(1, file.count(), [&](int64_t k, const uint8_t* bytes) {
                const Record record = Record::decode(bytes);
                fields.clear();
                for (const FieldEntry& entry : table)
                    if (entry.exportTitle) fields.push_back(valueOf(k, record, entry));
                more(k, fields);
                out.write(csv::line(fields));
            });
    }
    out.commit();
    return folder / name;
}

// The affiliate's payment details, after its record's fields, when the
// program keeps any; the import reads them back under the same titles.
struct PayeeColumns {
    explicit PayeeColumns(const fs::path& path) {
        if (!file_exists(path)) return;
        payees = std::make_shared<PayeeFile>(path);
        titles = {"Payment method", "Account holder", "IBAN", "BIC", "Payment e-mail"};
    }
    std::vector<std::string> titles;
    std::shared_ptr<PayeeFile> payees;
    void operator()(int64_t k, std::vector<std::string>& fields) const {
        if (!payees) return;
        const PayeeFile::Lookup found = payees->read(static_cast<int32_t>(k));
        const PayeeDetails& d = found.details;
        // A damaged record says so rather than export as "no details".
        fields.push_back(!found.damage.empty()         ? std::string("damaged")
                         : d.method == PayMethod::None ? std::string()
                                                       : std::string(pay_method_name(d.method)));
        for (const std::string* text : {&d.holder, &d.iban, &d.bic, &d.email}) {
            std::string value = *text;
            guard_csv_text(value, 0);
            fields.push_back(value);
        }
    }
};

}  // namespace

fs::path export_affiliates_csv(const AppState& state) {
    FolderListing addinfo(state.appDir / "addinfo");
    return export_csv_file<AffiliateRecord>(
        state, file::kAffiliates, "affiliates.csv", affiliate_fields(),
        [&](int64_t, const AffiliateRecord& r, const FieldEntry& entry) -> std::string {
            switch (entry.field) {
                case Field::AffiliateId:
                    return std::to_string(r.id);
                case Field::ReferrerId:
                    return std::to_string(r.referrerId);
                case Field::Level:
                    return std::to_string(r.level);
                case Field::Date:
                    return csv_date(r.date);
                case Field::AdditionalInfo: {
                    // A text longer than its field is kept whole in a side file.
                    std::string side = side_value(addinfo, affiliate_info_file(state.appDir, r.id));
                    return side.empty() ? text_value(r.additionalInfo) : side;
                }
                default:
                    const std::string* text = affiliate_text(r, entry.field);
                    return text ? text_value(*text) : std::string();
            }
        },
        PayeeColumns{payee_file_path(state)});
}

fs::path export_money_csv(const AppState& state, const MoneyRegister& reg) {
    return export_csv_file<MoneyRecord>(
        state, reg.dataFile, to_lower(reg.caption) + ".csv", reg.fields,
        [](int64_t, const MoneyRecord& r, const FieldEntry& entry) -> std::string {
            switch (entry.field) {
                case Field::AffiliateId:
                case Field::Sale:
                    return std::to_string(r.affiliateId);
                case Field::Sum:
                    return csv_number(r.sum);
                case Field::Date:
                    return csv_date(r.date);
                default:
                    return {};
            }
        });
}

fs::path export_communications_csv(const AppState& state) {
    FolderListing comm(state.appDir / "comm");
    return export_csv_file<CommunicationRecord>(
        state, file::kCommunications, "communications.csv", communication_fields(),
        [&](int64_t k, const CommunicationRecord& r, const FieldEntry& entry) -> std::string {
            switch (entry.field) {
                case Field::AffiliateId:
                    return std::to_string(r.affiliateId);
                case Field::Subject:
                    return text_value(r.subject);
                case Field::Message:
                    return side_value(comm, message_file(state.appDir, k));
                case Field::Date:
                    return csv_date(r.date);
                case Field::Response:
                    return side_value(comm, response_file(state.appDir, k));
                case Field::DateOfResponse:
                    return csv_date(r.responseDate);
                case Field::Comments:
                    return side_value(comm, comments_file(state.appDir, k));
                default:
                    return {};
            }
        });
}

}  // namespace qdx
