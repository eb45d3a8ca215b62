#pragma once
#include "core/app_state.h"

namespace qdx {

// Loads record 1 of the settings file into state.settings. A missing or
// empty file, or an unknown Type, leaves the values as they were.
void load_settings(AppState& state);

// The highest level 8..1 whose reward is above 0, or 0 when none is.
int32_t highest_rewarded_level(const Settings& settings);

}  // namespace qdx
