#pragma once
// What stops a report because the data cannot give it: a downline list that
// is not a list of numbers, a referral chain that breaks off, a Level too
// deep for any table. The reports answer it with their failure message.
#include <stdexcept>

namespace qdx {

struct ReportError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A record whose stored values no report can use as they are (a Level too
// deep for any table); its text names the record and what to do. The reports
// that answer every failure with msgIncorrectValue give it beside that.
struct DamagedRecordError : ReportError {
    using ReportError::ReportError;
};

}  // namespace qdx
