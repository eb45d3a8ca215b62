#pragma once
// The seven reports. Each builds its table, carrying the request, from the
// application folder, the settings and the request, and throws (FileError or
// ReportError) on a run-time failure. They are reached through make_report
// (report_kinds.h); for the reports that take one, the caller has checked the
// ID with check_report_id first.
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "core/app_state.h"
#include "core/payment_runs.h"
#include "core/progress.h"
#include "core/report_error.h"
#include "reports/report_failures.h"
#include "reports/report_request.h"
#include "reports/report_table.h"

namespace qdx {

// The ID of the activities, income structure, network and downline reports
// as typed (the answers: id_check_message).
IdCheck check_report_id(const AppState& state, std::string_view text, int32_t& id);

ReportTable accounts_report(const AppState& state, const ReportRequest& request,
                            Progress& progress);
// With `pages`, also writes every affiliate's earnings and downline pages.
ReportTable payments_due_report(const AppState& state, const ReportRequest& request,
                                Progress& progress);
ReportTable ap_performance_report(const AppState& state, const ReportRequest& request,
                                  Progress& progress);
ReportTable activities_report(const AppState& state, const ReportRequest& request,
                              Progress& progress);
ReportTable income_structure_report(const AppState& state, const ReportRequest& request,
                                    Progress& progress);
ReportTable network_report(const AppState& state, const ReportRequest& request, Progress& progress);
ReportTable downline_report(const AppState& state, const ReportRequest& request,
                            Progress& progress);

// Appends one payment per data row of a payments-due table (ID from column
// 0, sum from column 1, dated the end of the table's range) after the last record of the payments
// file; all or none. Does nothing when the payments file does not exist.
// Returns the number of records written; `registered` gets the payment run
// (core/payment_runs.h) they make. A stop asked for before the append
// writes nothing.
int register_payments(const AppState& state, const ReportTable& table, Progress& progress,
                      PaymentRun* registered = nullptr);
inline int register_payments(const AppState& state, const ReportTable& table) {
    Progress none;
    return register_payments(state, table, none);
}

}  // namespace qdx
