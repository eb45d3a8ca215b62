#include "core/ui/system_regional.h"

namespace qdx::ui {

Regional regional_from_locale(const QLocale& locale) {
    SystemRegional system;
    system.shortDate = locale.dateFormat(QLocale::ShortFormat).toStdString();
    system.decimalPoint = locale.decimalPoint().toStdString();
    for (int m = 1; m <= 12; ++m) {
        const auto i = static_cast<size_t>(m - 1);
        system.monthNames[i] = locale.monthName(m, QLocale::LongFormat).toStdString();
        system.monthAbbreviations[i] = locale.monthName(m, QLocale::ShortFormat).toStdString();
    }
    return regional_from_system(system);
}

}  // namespace qdx::ui
