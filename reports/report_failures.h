#pragma once
// What a report says when one of its steps fails: the same words in the
// report window and in qdx-report.
#include <exception>
#include <string>

#include "core/app_state.h"

namespace qdx {

// How a report answers a failure while it is computed: the four reports of
// an affiliate's network say the value was incorrect whatever failed; the
// others say what failed, a ReportError in its own words.
enum class OnFailure { SayIncorrectValue, SayWhatFailed };

std::string report_failure_message(const Messages& messages, OnFailure rule,
                                   const std::exception& error);
// What the message does not say of the failure: the damaged record's own
// words when the message is msgIncorrectValue, else nothing.
std::string report_failure_detail(OnFailure rule, const std::exception& error);

enum class IdCheck { Ok, Empty, NotANumber, NoAffiliate };
// What the ID check answers: empty msgEnterData, outside 0..count_affiliates
// msgNoAffiliate, not a whole number msgIncorrectValue; nothing when Ok.
std::string id_check_message(const Messages& messages, IdCheck check);

// The beginnings of the messages of the later steps; the failure follows.
extern const char* const kSaveTextFailed;
extern const char* const kSaveHtmlFailed;
extern const char* const kPrintFailed;
extern const char* const kSaveCsvFailed;
extern const char* const kPayoutFailed;
extern const char* const kRegisterFailed;

}  // namespace qdx
