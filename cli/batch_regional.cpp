#include "cli/batch_regional.h"

#ifdef QDX_WITH_QT
#include <QLocale>

#include "core/ui/system_regional.h"
#else
#include "core/platform/platform.h"
#endif

namespace qdx::cli {

Regional user_regional() {
#ifdef QDX_WITH_QT
    return ui::regional_from_locale(QLocale::system());
#else
    return regional_from_system(platform::user_regional_settings());
#endif
}

}  // namespace qdx::cli
