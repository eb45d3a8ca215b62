#pragma once
// What a report says when one of its steps fails: the same words in the
// report window and in qdx-report.
#include <exception>
#include <string>

#include "core/app_state.h"

namespace qdx {

// A report that could not be computed. The four reports of an affiliate's
// network (`takesId`) answer every failure with msgIncorrectValue; the others
// say what failed, a ReportError in its own words.
std::string report_failure_message(const Messages& messages, bool takesId,
                                   const std::exception& error);

// The beginnings of the messages of the later steps; the failure follows.
extern const char* const kSaveTextFailed;
extern const char* const kSaveHtmlFailed;
extern const char* const kPrintFailed;
extern const char* const kRegisterFailed;

}  // namespace qdx
