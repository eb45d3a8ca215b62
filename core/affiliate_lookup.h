#pragma once
// Reading the affiliate records a report lists, in bulk.
#include <cstdint>
#include <functional>
#include <span>

#include "core/app_state.h"
#include "core/records.h"

namespace qdx {

// Hands the stored bytes of every ID's affiliate record to
// `visit(index into ids, bytes)`. A few records are read one by one, many in
// one forward pass over the file; an ID that is not on file reads as an
// all-zero record, as a read past the file's end does.
void visit_affiliate_bytes(const AppState& state, std::span<const int32_t> ids,
                           const std::function<void(size_t, const uint8_t*)>& visit);

// The same with the records decoded.
void visit_affiliates(const AppState& state, std::span<const int32_t> ids,
                      const std::function<void(size_t, const AffiliateRecord&)>& visit);

}  // namespace qdx
