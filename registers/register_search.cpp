#include "registers/register_search.h"

#include <algorithm>

#include "core/records.h"
#include "core/text_field.h"
#include "registers/affiliate_editing.h"
#include "registers/communication_editing.h"

namespace qdx {

namespace {

std::string search_text(const std::string& typed) { return to_lower(trim(typed)); }

bool field_matches(const std::string& wanted, const std::string& field) {
    return wanted.empty() || to_lower(trim(field)) == wanted;
}

// Records 1..recordCount that the file holds, decoded one by one.
template <class Record, class Visit>
void scan_records(const RecordFile& file, int64_t recordCount, Progress& progress, Visit visit) {
    int64_t last = std::min(recordCount, file.count());
    if (last < 1) return;
    progress.stage("Searching the register", last, "records");
    file.scan(1, last, [&](int64_t k, const uint8_t* bytes) {
        progress.step(k);
        visit(k, Record::decode(bytes));
    });
}

}  // namespace

SearchRequest<AffiliateCriteria> affiliate_search(const std::string& name,
                                                  const std::string& surname,
                                                  const std::string& email,
                                                  const std::string& referrer,
                                                  const Regional& regional) {
    SearchRequest<AffiliateCriteria> request;
    AffiliateCriteria& c = request.criteria;
    c.name = search_text(name);
    c.surname = search_text(surname);
    c.email = search_text(email);
    std::string ref = search_text(referrer);
    request.empty = c.name.empty() && c.surname.empty() && c.email.empty() && ref.empty();
    if (!ref.empty()) {
        c.referrer = parse_long(ref, regional);
        if (!c.referrer) request.failure = CheckFailure{Msg::IncorrectValue, Field::FindReferrer};
    }
    return request;
}

GridRows find_affiliates(const RecordFile& file, int64_t recordCount, const AffiliateCriteria& c,
                         const Regional& regional, Progress& progress) {
    const GridColumns columns(affiliate_fields());
    GridRows rows;
    scan_records<AffiliateRecord>(
        file, recordCount, progress, [&](int64_t k, const AffiliateRecord& r) {
            if (!field_matches(c.name, r.name) || !field_matches(c.surname, r.surname) ||
                !field_matches(c.email, r.email) || (c.referrer && *c.referrer != r.referrerId)) {
                return;
            }
            rows.push_back(columns.row(k, [&](const FieldEntry& entry) {
                const std::string* text = affiliate_text(r, entry.field);
                return text ? std::string(trim_right(*text))
                            : affiliate_field_text(r, entry, regional);
            }));
        });
    return rows;
}

SearchRequest<MoneyCriteria> money_search(const std::string& date, const std::string& affiliateId,
                                          const Regional& regional) {
    SearchRequest<MoneyCriteria> request;
    std::string dateText = search_text(date), idText = search_text(affiliateId);
    request.empty = dateText.empty() && idText.empty();
    if (!dateText.empty()) {
        request.criteria.date = parse_date(dateText, regional);
        if (!request.criteria.date) {
            request.failure = CheckFailure{Msg::IncorrectValue, Field::FindDate};
            return request;
        }
    }
    if (!idText.empty()) {
        request.criteria.affiliateId = parse_long(idText, regional);
        if (!request.criteria.affiliateId) {
            request.failure = CheckFailure{Msg::IncorrectValue, Field::FindAffiliateId};
        }
    }
    return request;
}

int money_sort_column(const MoneyRegister& reg) {
    return field_entry(reg.fields, Field::Date).gridColumn;
}

GridRows find_money(const MoneyRegister& reg, const RecordFile& file, int64_t recordCount,
                    const MoneyCriteria& c, const Regional& regional, Progress& progress) {
    const GridColumns columns(reg.fields);
    GridRows rows;
    scan_records<MoneyRecord>(file, recordCount, progress, [&](int64_t k, const MoneyRecord& r) {
        if ((c.date && *c.date != r.date) || (c.affiliateId && *c.affiliateId != r.affiliateId)) {
            return;
        }
        rows.push_back(columns.row(k, [&](const FieldEntry& entry) {
            return money_field_text(r, entry.field, regional);
        }));
    });
    sort_grid_rows(rows, money_sort_column(reg), regional);
    return rows;
}

SearchRequest<CommunicationCriteria> communication_search(const std::string& id,
                                                          const std::string& subject,
                                                          const std::string& date,
                                                          const std::string& dateR) {
    SearchRequest<CommunicationCriteria> request;
    CommunicationCriteria& c = request.criteria;
    c.id = search_text(id);
    c.subject = search_text(subject);
    c.date = search_text(date);
    c.dateR = search_text(dateR);
    request.empty = c.id.empty() && c.subject.empty() && c.date.empty() && c.dateR.empty();
    return request;
}

GridRows find_communications(const RecordFile& file, int64_t recordCount,
                             const CommunicationCriteria& c, const Regional& regional,
                             Progress& progress) {
    const GridColumns columns(communication_fields());
    GridRows rows;
    scan_records<CommunicationRecord>(
        file, recordCount, progress, [&](int64_t k, const CommunicationRecord& r) {
            std::string id = format_long(r.affiliateId);
            std::string date = format_date(r.date, regional);
            std::string dateR = format_date(r.responseDate, regional);
            if ((!c.id.empty() && c.id != id) || !field_matches(c.subject, r.subject) ||
                (!c.date.empty() && c.date != to_lower(date)) ||
                (!c.dateR.empty() && c.dateR != to_lower(dateR))) {
                return;
            }
            rows.push_back(columns.row(k, [&](const FieldEntry& entry) -> std::string {
                switch (entry.field) {
                    case Field::AffiliateId:
                        return id;
                    case Field::Subject:
                        return std::string(trim_right(r.subject));
                    case Field::Date:
                        return date;
                    case Field::DateOfResponse:
                        return dateR;
                    default:
                        return {};
                }
            }));
        });
    return rows;
}

}  // namespace qdx
