#include "registers/communication_editing.h"

#include "core/text_field.h"

namespace qdx {

CheckResult check_communication_boxes(const CommunicationBoxes& b, int64_t current,
                                      const Regional& regional) {
    if (b.id.empty()) return CheckFailure{Msg::EnterData, "txtID"};
    if (b.subject.empty()) return CheckFailure{Msg::EnterData, "txtSubject"};
    if (current < 1) return CheckFailure{Msg::CreateRecord, "cmdCreate"};
    // The dates are required too: an empty date does not convert.
    if (!parse_long(b.id, regional)) return CheckFailure{Msg::IncorrectValue, "txtID"};
    if (!parse_date(b.date, regional)) return CheckFailure{Msg::IncorrectValue, "txtDate"};
    if (!parse_date(b.dateR, regional)) return CheckFailure{Msg::IncorrectValue, "txtDate_R"};
    return std::nullopt;
}

bool communication_from_boxes(CommunicationBoxes& b, CommunicationRecord& r,
                              const Regional& regional) {
    std::string subject(trim(b.subject));
    bool cut = subject.size() > width::kSubject;
    r.subject = fit_field(subject, width::kSubject);
    r.affiliateId = parse_long(b.id, regional).value_or(0);
    r.date = parse_date(b.date, regional).value_or(0);
    r.dateOfResponce = parse_date(b.dateR, regional).value_or(0);
    b.subject = r.subject;
    return cut;
}

}  // namespace qdx
