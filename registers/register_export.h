#pragma once
// Semicolon-separated text exports of the registers in output/: a header line
// and one line per record, fields at their stored width, long texts from the
// side files with each CR LF replaced by a blank.
#include <cstdint>
#include <string>

#include "core/app_state.h"
#include "core/records.h"
#include "registers/money_editing.h"

namespace qdx {

std::string affiliate_header_line();
// `sideText` is the content of addinfo/<ID>.txt (empty when there is none).
std::string affiliate_record_line(const AffiliateRecord& record, std::string_view sideText,
                                  const Regional& regional);

std::string money_header_line(const MoneyRegister& reg);
std::string money_record_line(const MoneyRegister& reg, const MoneyRecord& record,
                              const Regional& regional);

std::string communication_header_line();
std::string communication_record_line(const CommunicationRecord& record, std::string_view message,
                                      std::string_view response, std::string_view comments,
                                      const Regional& regional);

// Each replaces output/<export file> with the header and the lines of the
// records from..to that the data file holds; numbers outside the file (no
// record yet, or one being created) give the header alone.
void export_affiliates(const AppState& state, int64_t from, int64_t to);
void export_money(const AppState& state, const MoneyRegister& reg, int64_t from, int64_t to);
void export_communications(const AppState& state, int64_t from, int64_t to);

}  // namespace qdx
