#pragma once
// The seven kinds of report, in one table that both the report window and
// qdx-report go by: the name on the command line, the caption, whether the
// report takes an affiliate ID, how it answers a failure, and its builder.
#include <span>
#include <string>
#include <string_view>

#include "core/app_state.h"
#include "core/progress.h"
#include "reports/report_failures.h"
#include "reports/report_request.h"
#include "reports/report_table.h"

namespace qdx {

struct ReportKindInfo {
    ReportKind kind;
    const char* commandName;  // "accounts", "payments-due", ...
    bool takesId;
    OnFailure onFailure;
    bool registersPayments;  // the report window offers "Register payments"
    // The caption while the report is made; the network report names its
    // affiliate once it knows the upline.
    std::string (*caption)(int32_t id);
    ReportTable (*build)(const AppState& state, const ReportRequest& request, Progress& progress);
};

std::span<const ReportKindInfo> report_kinds();
const ReportKindInfo& report_kind(ReportKind kind);
// Nullptr when no report goes by that name.
const ReportKindInfo* report_kind_named(std::string_view commandName);

// Builds the report asked for; the table carries the request. Throws
// (FileError or ReportError) on a run-time failure. The caller has checked
// the ID (check_report_id) for the reports that take one.
// Says how far it is through `progress` and throws Cancelled when asked to
// stop, with the working files it had begun removed.
ReportTable make_report(const AppState& state, const ReportRequest& request, Progress& progress);
inline ReportTable make_report(const AppState& state, const ReportRequest& request) {
    Progress none;
    return make_report(state, request, none);
}

}  // namespace qdx
