#include "registers/affiliate_editing.h"

#include <algorithm>
#include <limits>

#include "core/history.h"
#include "core/text_field.h"
#include "registers/side_files.h"

namespace qdx {

namespace {

// A field of the register; a stored text's width is its record's.
constexpr FieldEntry entry(Field field, const char* caption, const char* exportTitle = nullptr,
                           const char* gridTitle = nullptr, int gridColumn = -1) {
    size_t width = 0;
    for (const layout::Entry& e : layout::affiliate::kFields)
        if (e.field == field && e.span.type == layout::Type::Text) width = e.span.width;
    return {field, width, caption, exportTitle, gridTitle, gridColumn};
}

// The grid shows the record number, which is the affiliate's ID, first.
constexpr FieldEntry kFields[] = {
    entry(Field::Record, nullptr, nullptr, "Affiliate's ID", 0),
    entry(Field::Name, "Name", "Name", "Name", 1),
    entry(Field::Surname, "Surname", "Surname", "Surname", 2),
    entry(Field::Street, "Street", "Street", "Street", 3),
    entry(Field::City, "City", "City", "City", 4),
    entry(Field::PostCod, "Post Cod", "Post Cod", "Post_Cod", 5),
    entry(Field::Country, "Country", "Country", "Country", 6),
    entry(Field::Phone, "Phone", "Phone", "Phone", 7),
    entry(Field::Email, "E-mail", "E_mail", "E_mail", 8),
    entry(Field::Url, "URL", "URL", "URL", 9),
    entry(Field::AffiliateId, "Affiliate's ID", "Affiliate ID"),
    entry(Field::ReferrerId, "Referrer's ID", "Refference ID", "Referrer's ID", 11),
    entry(Field::AdditionalInfo, "Additional Info", "Additional Info"),
    entry(Field::Level, "Level", "Level", "Level", 10),
    entry(Field::Date, "Date", "Date", "Date", 12),
    entry(Field::FindName, "Name"),
    entry(Field::FindSurname, "Surname"),
    entry(Field::FindEmail, "E-mail"),
    entry(Field::FindReferrer, "Referrer's ID"),
};

}  // namespace

FieldTable affiliate_fields() { return kFields; }

const std::string* affiliate_text(const AffiliateRecord& r, Field field) {
    switch (field) {
        case Field::Name:
            return &r.name;
        case Field::Surname:
            return &r.surname;
        case Field::Street:
            return &r.street;
        case Field::City:
            return &r.city;
        case Field::PostCod:
            return &r.postCod;
        case Field::Country:
            return &r.country;
        case Field::Phone:
            return &r.phone;
        case Field::Email:
            return &r.email;
        case Field::Url:
            return &r.url;
        case Field::AdditionalInfo:
            return &r.additionalInfo;
        default:
            return nullptr;
    }
}

std::string affiliate_field_text(const AffiliateRecord& r, const FieldEntry& entry,
                                 const Regional& regional) {
    if (const std::string* text = affiliate_text(r, entry.field)) {
        return fit_field(*text, entry.width);
    }
    switch (entry.field) {
        case Field::AffiliateId:
            return format_long(r.id);
        case Field::ReferrerId:
            return format_long(r.referrerId);
        case Field::Level:
            return format_long(r.level);
        case Field::Date:
            return format_date(r.date, regional);
        default:
            return {};
    }
}

CheckResult check_affiliate_boxes(const AffiliateBoxes& b, int64_t current,
                                  const Regional& regional) {
    if (b.name.empty()) return CheckFailure{Msg::EnterData, Field::Name};
    if (b.affiliateId.empty()) return CheckFailure{Msg::EnterData, Field::AffiliateId};
    auto id = parse_long(b.affiliateId, regional);
    if (!id || *id != current) return CheckFailure{Msg::IncorrectValue, Field::AffiliateId};
    if (b.refId.empty()) return CheckFailure{Msg::EnterData, Field::ReferrerId};
    if (b.date.empty()) return CheckFailure{Msg::EnterData, Field::Date};
    if (current < 1) return CheckFailure{Msg::CreateRecord, Field::Record};
    if (!parse_long(b.refId, regional)) return CheckFailure{Msg::IncorrectValue, Field::ReferrerId};
    if (!parse_date(b.date, regional)) return CheckFailure{Msg::IncorrectValue, Field::Date};
    return std::nullopt;
}

namespace {

// Trims the box; cuts it to the field's width when longer. True when cut.
bool fit_box(std::string& box, std::string& field, size_t width) {
    std::string text(trim(box));
    bool cut = text.size() > width;
    if (cut) text.resize(width);
    box = text;
    field = fit_field(text, width);
    return cut;
}

}  // namespace

bool affiliate_from_boxes(AffiliateBoxes& b, AffiliateRecord& r, int64_t& current,
                          const RecordFile& file, const Regional& regional) {
    bool cut = false;
    cut |= fit_box(b.name, r.name, width::kName);
    cut |= fit_box(b.surname, r.surname, width::kSurname);
    cut |= fit_box(b.street, r.street, width::kStreet);
    cut |= fit_box(b.city, r.city, width::kCity);
    cut |= fit_box(b.postCod, r.postCod, width::kPostCod);
    cut |= fit_box(b.country, r.country, width::kCountry);
    cut |= fit_box(b.phone, r.phone, width::kPhone);
    cut |= fit_box(b.email, r.email, width::kEmail);
    cut |= fit_box(b.url, r.url, width::kUrl);

    std::string info(trim(b.additionalInfo));
    if (info.size() <= width::kAdditionalInfo) {
        r.additionalInfo = fit_field(info, width::kAdditionalInfo);
    }

    r.id = parse_long(b.affiliateId, regional).value_or(0);
    r.referrerId = parse_long(b.refId, regional).value_or(0);
    r.date = parse_date(b.date, regional).value_or(0);
    current = r.id;

    if (r.referrerId > 0) {
        // A damaged referrer's Level at the type's top stays there rather than wrap.
        const int32_t above = file.read<AffiliateRecord>(r.referrerId).level;
        r.level = above < std::numeric_limits<int32_t>::max() ? above + 1 : above;
    } else if (r.referrerId == 0) {
        r.level = 1;
    }
    return cut;
}

namespace {

// Whether some record 1..recordCount holds the affiliate `id`. Record k holds
// affiliate k, so the record of that number answers at once; the full pass is
// only for a file where that does not hold.
bool affiliate_exists(const RecordFile& file, int64_t recordCount, int32_t id) {
    int64_t last = std::min(recordCount, file.count());
    if (id >= 1 && id <= last && file.read<AffiliateRecord>(id).id == id) return true;
    bool found = false;
    file.scan(1, last, [&](int64_t, const uint8_t* bytes) {
        if (layout::get<layout::affiliate::kId>(bytes) == id) found = true;
    });
    return found;
}

}  // namespace

CheckResult check_referrer(const AffiliateRecord& r, int64_t recordCount, const RecordFile& file) {
    if (recordCount > 1 && r.referrerId > 0 && !affiliate_exists(file, recordCount, r.referrerId)) {
        return CheckFailure{Msg::NoRecord, Field::ReferrerId};
    }
    if (r.referrerId < 0 || r.referrerId > recordCount || r.referrerId == r.id) {
        return CheckFailure{Msg::IncorrectValue, Field::ReferrerId};
    }
    return std::nullopt;
}

void write_affiliate(RecordFile& file, const std::filesystem::path& appDir, int64_t current,
                     const AffiliateRecord& record, const std::string& additionalInfoBox) {
    log_record_save(appDir, file, current, record);
    file.write(current, record);
    if (additionalInfoBox.size() > width::kAdditionalInfo) {
        write_side_file(affiliate_info_file(appDir, current), additionalInfoBox);
    }
}

}  // namespace qdx
