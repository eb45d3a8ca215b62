#pragma once
// Reading the affiliate records a report lists, in bulk.
#include <cstdint>
#include <functional>
#include <vector>

#include "core/app_state.h"
#include "core/records.h"

namespace qdx {

// Hands every ID's affiliate record to `visit(index into ids, record)`. A few
// records are read one by one, many in one pass over the file; an ID that is
// not on file reads as an all-zero record, as a read past the file's end does.
void visit_affiliates(const AppState& state, const std::vector<int32_t>& ids,
                      const std::function<void(size_t, const AffiliateRecord&)>& visit);

}  // namespace qdx
