#include "registers/communication_editing.h"

#include "core/text_field.h"

namespace qdx {

namespace {

// The message, response and comments live in side files.
constexpr FieldEntry kFields[] = {
    {Field::Record, 0, nullptr, nullptr, "N of record", 0},
    {Field::AffiliateId, 0, "Affiliate's ID", "Affiliate ID", "Affiliate's ID", 1},
    {Field::Subject, width::kSubject, "Subject", "Subject", "Subject", 2},
    {Field::Message, 0, "Message", "Message"},
    {Field::Date, 0, "Date", "Date", "Date", 3},
    {Field::Response, 0, "Responce", "Responce"},
    {Field::DateOfResponse, 0, "Date of responce", "Date of responce", "Date of responce", 4},
    {Field::Comments, 0, "Comments", "Comments"},
    {Field::FindAffiliateId, 0, "ID"},
    {Field::FindSubject, 0, "Subject"},
    {Field::FindDate, 0, "Date"},
    {Field::FindDateOfResponse, 0, "Date of responce"},
};

}  // namespace

FieldTable communication_fields() { return kFields; }

CheckResult check_communication_boxes(const CommunicationBoxes& b, int64_t current,
                                      const Regional& regional) {
    if (b.id.empty()) return CheckFailure{Msg::EnterData, Field::AffiliateId};
    if (b.subject.empty()) return CheckFailure{Msg::EnterData, Field::Subject};
    if (current < 1) return CheckFailure{Msg::CreateRecord, Field::Record};
    // The dates are required too: an empty date does not convert.
    if (!parse_long(b.id, regional)) return CheckFailure{Msg::IncorrectValue, Field::AffiliateId};
    if (!parse_date(b.date, regional)) return CheckFailure{Msg::IncorrectValue, Field::Date};
    if (!parse_date(b.dateR, regional))
        return CheckFailure{Msg::IncorrectValue, Field::DateOfResponse};
    return std::nullopt;
}

bool communication_from_boxes(CommunicationBoxes& b, CommunicationRecord& r,
                              const Regional& regional) {
    std::string subject(trim(b.subject));
    bool cut = subject.size() > width::kSubject;
    r.subject = fit_field(subject, width::kSubject);
    r.affiliateId = parse_long(b.id, regional).value_or(0);
    r.date = parse_date(b.date, regional).value_or(0);
    r.responseDate = parse_date(b.dateR, regional).value_or(0);
    b.subject = r.subject;
    return cut;
}

}  // namespace qdx
