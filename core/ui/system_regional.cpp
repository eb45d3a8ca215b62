#include "core/ui/system_regional.h"

#include "core/ui/qt_text.h"

namespace qdx::ui {

Regional regional_from_locale(const QLocale& locale) {
    Regional r;
    r.shortDateFormat = Regional::widenYear(locale.dateFormat(QLocale::ShortFormat).toStdString());
    QString point = locale.decimalPoint();
    r.decimalSeparator = point.size() == 1 && point[0].unicode() < 0x80
                             ? static_cast<char>(point[0].unicode())
                             : '.';
    for (int m = 1; m <= 12; ++m) {
        r.monthNames[static_cast<size_t>(m - 1)] =
            toAnsi(locale.monthName(m, QLocale::LongFormat));
        r.monthAbbreviations[static_cast<size_t>(m - 1)] =
            toAnsi(locale.monthName(m, QLocale::ShortFormat));
    }
    return r;
}

}  // namespace qdx::ui
