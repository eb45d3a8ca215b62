#pragma once
// The regional settings the batch programs work with.
#include "core/regional.h"

namespace qdx::cli {

// The user's regional settings as the desktop program reads them (Qt's
// QLocale::system()) in a build with Qt; in one without, as the platform
// layer reads them from the system. Both by the engine's rules.
Regional user_regional();

}  // namespace qdx::cli
