#pragma once
// Steps the report procedures share: the table a report starts from, the
// range it computes over, the affiliate detail columns of the full forms, and
// the accounts working file.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "core/app_state.h"
#include "core/progress.h"
#include "core/records.h"
#include "reports/report_request.h"
#include "reports/report_table.h"

namespace qdx {

// An empty table for the request: its caption and "Register payments" as the
// kind of report has them (report_kinds.cpp).
ReportTable start_report(const ReportRequest& request);

// The state the working-file computations read, with the request's range in
// force; the caller's state is left as it is.
AppState with_range(const AppState& state, const ReportRequest& request);

// The full form's detail columns from `firstColumn` on: Name, Surname,
// Street, City, Country, Post_Cod, Phone, E_mail, URL at their stored widths,
// and, with `withLevel`, the Level. Widens the grid and writes the header
// texts; fills every data row from the affiliate whose ID is in column 0.
// The affiliates file is read in one pass over the IDs the rows name.
void fill_affiliate_details(ReportTable& table, size_t firstColumn, bool withLevel,
                            const AppState& state);

// Reads accounts.qdx in record order, handing each record to
// `visit(k, income, payments)`, then deletes the file.
void read_and_delete_accounts(const AppState& state,
                              const std::function<void(int64_t, float, float)>& visit,
                              Progress& progress);

}  // namespace qdx
