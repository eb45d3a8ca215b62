#pragma once
#include <QLocale>

#include "core/regional.h"

namespace qdx::ui {

// The regional settings of a locale (the system's by default) as the plain
// value the engine works with, by the engine's rules (regional_from_system).
Regional regional_from_locale(const QLocale& locale = QLocale::system());

}  // namespace qdx::ui
