#include "registers/register_export.h"

#include <algorithm>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/regional.h"
#include "core/text_field.h"
#include "registers/affiliate_editing.h"
#include "registers/communication_editing.h"
#include "registers/side_files.h"

namespace qdx {

std::string affiliate_header_line() { return export_header(affiliate_fields()); }

std::string affiliate_record_line(const AffiliateRecord& r, std::string_view sideText,
                                  const Regional& regional) {
    return export_line(affiliate_fields(), [&](const FieldEntry& entry) {
        std::string text = affiliate_field_text(r, entry, regional);
        // The long text of a side file follows the stored beginning.
        if (entry.field == Field::AdditionalInfo) text += side_text_for_line(sideText);
        return text;
    });
}

std::string money_header_line(const MoneyRegister& reg) { return export_header(reg.fields); }

std::string money_record_line(const MoneyRegister& reg, const MoneyRecord& r,
                              const Regional& regional) {
    return export_line(reg.fields, [&](const FieldEntry& entry) {
        return money_field_text(r, entry.field, regional);
    });
}

std::string communication_header_line() { return export_header(communication_fields()); }

std::string communication_record_line(const CommunicationRecord& r, std::string_view message,
                                      std::string_view response, std::string_view comments,
                                      const Regional& regional) {
    return export_line(communication_fields(), [&](const FieldEntry& entry) -> std::string {
        switch (entry.field) {
            case Field::AffiliateId:
                return format_long(r.affiliateId);
            case Field::Subject:
                return fit_field(r.subject, entry.width);
            case Field::Message:
                return side_text_for_line(message);
            case Field::Date:
                return format_date(r.date, regional);
            case Field::Response:
                return side_text_for_line(response);
            case Field::DateOfResponse:
                return format_date(r.responseDate, regional);
            case Field::Comments:
                return side_text_for_line(comments);
            default:
                return {};
        }
    });
}

namespace {

// Streams the header and the lines of records from..to of a data file into
// output/<name>, replacing it only once everything is written.
template <class Record, class LineOf>
void export_file(const AppState& state, const char* dataFile, const char* name, int64_t from,
                 int64_t to, const std::string& header, LineOf lineOf) {
    ensure_folder(state.appDir / "output");
    AtomicFile out(state.appDir / "output" / name);
    out.write(header);
    RecordFile file(state.dataFile(dataFile), Record::kSize);
    int64_t first = std::max<int64_t>(from, 1);
    int64_t last = std::min(to, file.count());
    if (first <= last) {
        file.scan(first, last, [&](int64_t k, const uint8_t* bytes) {
            out.write(lineOf(k, Record::decode(bytes)));
        });
    }
    out.commit();
}

// A side file's content when the listing holds it, else nothing.
std::string side_text(const FolderListing& listing, const fs::path& path) {
    if (!listing.contains(path.filename().string())) return {};
    return read_whole_file(path);
}

}  // namespace

void export_affiliates(const AppState& state, int64_t from, int64_t to) {
    FolderListing addinfo(state.appDir / "addinfo");
    export_file<AffiliateRecord>(state, file::kAffiliates, "affiliates.txt", from, to,
                                 affiliate_header_line(), [&](int64_t, const AffiliateRecord& r) {
                                     std::string side = side_text(
                                         addinfo, affiliate_info_file(state.appDir, r.id));
                                     return affiliate_record_line(r, side, state.regional);
                                 });
}

void export_money(const AppState& state, const MoneyRegister& reg, int64_t from, int64_t to) {
    export_file<MoneyRecord>(
        state, reg.dataFile, reg.exportFile, from, to, money_header_line(reg),
        [&](int64_t, const MoneyRecord& r) { return money_record_line(reg, r, state.regional); });
}

void export_communications(const AppState& state, int64_t from, int64_t to) {
    FolderListing comm(state.appDir / "comm");
    export_file<CommunicationRecord>(
        state, file::kCommunications, "communications.txt", from, to, communication_header_line(),
        [&](int64_t k, const CommunicationRecord& r) {
            return communication_record_line(r, side_text(comm, message_file(state.appDir, k)),
                                             side_text(comm, response_file(state.appDir, k)),
                                             side_text(comm, comments_file(state.appDir, k)),
                                             state.regional);
        });
}

}  // namespace qdx
