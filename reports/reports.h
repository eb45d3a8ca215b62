#pragma once
// The seven reports. Each builds its table from the application folder and
// the shared state (range, settings), sets state.report (printPos,
// printCols, reportType) as the hand-over to the report window, and throws
// (FileError or ReportError) on a run-time failure. The caller has read the
// range (check_dates) and, for the reports that take one, checked the ID box
// with check_report_id first.
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "core/app_state.h"
#include "reports/report_table.h"

namespace qdx {

struct ReportError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class IdCheck { Ok, Empty, NotANumber, NoAffiliate };
// The ID box of the activities, income structure, network and downline
// reports: empty gives msgEnterData, outside 0..count_affiliates gives
// msgNoAffiliate, a text that is not a whole number msgIncorrectValue.
IdCheck check_report_id(const AppState& state, std::string_view text, int32_t& id);

ReportTable accounts_report(AppState& state, bool full);
// With `pages`, also writes every affiliate's earnings and downline pages.
ReportTable payments_due_report(AppState& state, bool full, bool pages);
ReportTable ap_performance_report(AppState& state);
ReportTable activities_report(AppState& state, int32_t id, bool full);
ReportTable income_structure_report(AppState& state, int32_t id, bool full);
ReportTable network_report(AppState& state, int32_t id);
ReportTable downline_report(AppState& state, int32_t id, bool full);

// Appends one payment per data row of a payments-due table (ID from column
// 0, sum from column 1, dated dateto) after the last record of the payments
// file; all or none. Does nothing when the payments file does not exist.
// Returns the number of records written.
int register_payments(const AppState& state, const ReportTable& table);

}  // namespace qdx
