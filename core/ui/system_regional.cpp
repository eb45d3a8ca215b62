#include "core/ui/system_regional.h"

#include "core/ui/qt_text.h"

namespace qdx::ui {

namespace {

bool is_direction_mark(QChar c) {
    const char16_t u = c.unicode();
    return u == 0x200E || u == 0x200F || u == 0x061C || (u >= 0x202A && u <= 0x202E) ||
           (u >= 0x2066 && u <= 0x2069);
}

// The locale's short date pattern in the engine's code page, so that every
// date shown reads back. Direction marks are dropped (they are invisible and
// the code page lacks them); so is quoted text the code page cannot hold,
// such as the "г" of "d.MM.yy 'г'.", with the blanks and dots it leaves at
// the end.
std::string engine_date_pattern(const QString& pattern) {
    QString p;
    bool dropped = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (is_direction_mark(c)) continue;
        if (c != u'\'') {
            p += c;
            continue;
        }
        // Quoted text up to the closing quote; '' stands for a quote.
        qsizetype k = i + 1;
        QString text;
        for (; k < pattern.size(); ++k) {
            if (pattern[k] != u'\'') {
                if (!is_direction_mark(pattern[k])) text += pattern[k];
            } else if (k + 1 < pattern.size() && pattern[k + 1] == u'\'') {
                text += pattern[k++];
            } else {
                break;
            }
        }
        if (fromAnsi(toAnsi(text)) == text)
            p += u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
        else
            dropped = true;
        i = k;
    }
    if (dropped)
        while (!p.isEmpty() && (p.back() == u' ' || p.back() == u'.')) p.chop(1);
    return toAnsi(p);
}

}  // namespace

Regional regional_from_locale(const QLocale& locale) {
    Regional r;
    r.shortDateFormat =
        Regional::widenYear(engine_date_pattern(locale.dateFormat(QLocale::ShortFormat)));
    QString point = locale.decimalPoint();
    r.decimalSeparator = point.size() == 1 && point[0].unicode() < 0x80
                             ? static_cast<char>(point[0].unicode())
                             : '.';
    for (int m = 1; m <= 12; ++m) {
        r.monthNames[static_cast<size_t>(m - 1)] = toAnsi(locale.monthName(m, QLocale::LongFormat));
        r.monthAbbreviations[static_cast<size_t>(m - 1)] =
            toAnsi(locale.monthName(m, QLocale::ShortFormat));
    }
    return r;
}

}  // namespace qdx::ui
