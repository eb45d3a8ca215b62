#pragma once
// The ranks of an affiliate's network in the activity file.
#include <cstdint>

#include "core/app_state.h"

namespace qdx {

// Overwrites the integer of every activity record whose volume is above zero
// with the record's rank under `id`: 1 for `id` itself, 2 for its direct
// referrals and so on up to levelsInUse, 0 outside (the sub_level rule).
void mark_levels(const AppState& state, int32_t id);

}  // namespace qdx
