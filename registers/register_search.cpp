#include "registers/register_search.h"

#include <algorithm>

#include "core/records.h"
#include "core/text_field.h"
#include "registers/affiliate_editing.h"

namespace qdx {

namespace {

std::string search_text(const std::string& typed) { return to_lower(trim(typed)); }

bool field_matches(const std::string& wanted, const std::string& field) {
    return wanted.empty() || to_lower(trim(field)) == wanted;
}

// Records 1..recordCount that the file holds, decoded one by one.
template <class Record, class Visit>
void scan_records(const RecordFile& file, int64_t recordCount, Visit visit) {
    int64_t last = std::min(recordCount, file.count());
    if (last < 1) return;
    file.scan(1, last, [&](int64_t k, const uint8_t* bytes) { visit(k, Record::decode(bytes)); });
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
                         const Regional& regional) {
    // The grid's columns after the record number, as the field table places them.
    FieldTable fields = affiliate_fields();
    const size_t columns = grid_titles(fields).size();
    std::vector<const FieldSpec*> shown;
    for (const FieldSpec& spec : fields) {
        if (spec.gridColumn > 0) shown.push_back(&spec);
    }
    GridRows rows;
    scan_records<AffiliateRecord>(file, recordCount, [&](int64_t k, const AffiliateRecord& r) {
        if (!field_matches(c.name, r.name) || !field_matches(c.surname, r.surname) ||
            !field_matches(c.email, r.email) || (c.referrer && *c.referrer != r.referrerId)) {
            return;
        }
        std::vector<std::string> row(columns);
        row[0] = std::to_string(k);
        for (const FieldSpec* spec : shown) {
            const std::string* text = affiliate_text(r, spec->field);
            row[spec->gridColumn] =
                text ? std::string(trim_right(*text)) : affiliate_field_text(r, *spec, regional);
        }
        rows.push_back(std::move(row));
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

GridRows find_money(const RecordFile& file, int64_t recordCount, const MoneyCriteria& c,
                    const Regional& regional) {
    GridRows rows;
    scan_records<MoneyRecord>(file, recordCount, [&](int64_t k, const MoneyRecord& r) {
        if ((c.date && *c.date != r.date) || (c.affiliateId && *c.affiliateId != r.affiliateId)) {
            return;
        }
        rows.push_back({std::to_string(k), format_date(r.date, regional),
                        format_long(r.affiliateId), format_single(r.sum, regional)});
    });
    sort_grid_rows(rows, 1, regional);
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
                             const CommunicationCriteria& c, const Regional& regional) {
    GridRows rows;
    scan_records<
        CommunicationRecord>(file, recordCount, [&](int64_t k, const CommunicationRecord& r) {
        std::string id = format_long(r.affiliateId);
        std::string date = format_date(r.date, regional);
        std::string dateR = format_date(r.dateOfResponce, regional);
        if ((!c.id.empty() && c.id != id) || !field_matches(c.subject, r.subject) ||
            (!c.date.empty() && c.date != to_lower(date)) ||
            (!c.dateR.empty() && c.dateR != to_lower(dateR))) {
            return;
        }
        rows.push_back({std::to_string(k), id, std::string(trim_right(r.subject)), date, dateR});
    });
    return rows;
}

}  // namespace qdx
