#pragma once
// The communications window's save: the ordered checks and the record built
// from the boxes (the subject trimmed and cut to 30 characters).
#include <cstdint>
#include <string>

#include "core/edit_checks.h"
#include "core/records.h"
#include "core/regional.h"

namespace qdx {

// The communication's fields in the order of the text export, then the search's.
FieldTable communication_fields();

struct CommunicationBoxes {
    std::string id, subject, message, date, responce, dateR, comments;
};

CheckResult check_communication_boxes(const CommunicationBoxes& boxes, int64_t current,
                                      const Regional& regional);
// Fills the record; the subject box then holds the stored 30-character field.
// Answers whether the subject was cut.
bool communication_from_boxes(CommunicationBoxes& boxes, CommunicationRecord& record,
                              const Regional& regional);

}  // namespace qdx
