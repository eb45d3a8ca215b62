#pragma once
// Steps the report procedures share: the print-layout hand-over, the
// affiliate detail columns of the full forms, and the accounts working file.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "core/app_state.h"
#include "core/records.h"
#include "reports/report_table.h"

namespace qdx {

// Sets the first entries of printPos and printCols; entries the report does
// not set keep the values the last report left in the shared hand-over.
void hand_over_print_layout(ReportTable& table, AppState& state,
                            std::initializer_list<int16_t> positions, int16_t columns);

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
                              const std::function<void(int64_t, float, float)>& visit);

// A cell read as a 4-byte float, as parse_single reads it; text that is not
// a number counts as 0. Fast for the text the number formatters write.
float cell_single(const std::string& text, const Regional& regional);

// Parses a data row's ID cell; 0 when it is not a number.
int32_t row_id(const ReportTable& table, size_t row, const Regional& regional);

}  // namespace qdx
