#pragma once
// Steps the report procedures share: the table a report starts from, the
// affiliate detail columns of the full forms, and the listing of the
// accounts.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "core/accounts.h"
#include "core/app_state.h"
#include "core/progress.h"
#include "core/records.h"
#include "reports/report_request.h"
#include "reports/report_table.h"

namespace qdx {

// An empty table for the request: its caption and "Register payments" as the
// kind of report has them (report_kinds.cpp).
ReportTable start_report(const ReportRequest& request);

// The full form's detail columns from `firstColumn` on: Name, Surname,
// Street, City, Country, Post_Cod, Phone, E_mail, URL at their stored widths,
// and, with `withLevel`, the Level. Widens the grid and writes the header
// texts; fills every data row from the affiliate whose ID is in column 0.
// The affiliates file is read in one pass over the IDs the rows name.
void fill_affiliate_details(ReportTable& table, size_t firstColumn, bool withLevel,
                            const AppState& state);

// Hands each affiliate's income and payments of `totals` (build_accounts)
// to `visit(k, income, payments)` in record order, then deletes the working
// file accounts.qdx that build_accounts wrote beside them.
void list_accounts(const AppState& state, const AccountTotals& totals,
                   const std::function<void(int64_t, float, float)>& visit, Progress& progress);

}  // namespace qdx
