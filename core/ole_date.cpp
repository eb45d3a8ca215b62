#include "core/ole_date.h"

#include <cmath>
#include <ctime>

#include "core/platform/platform.h"

namespace qdx {
namespace {

// Days since 1 January 1970 of a proleptic Gregorian date.
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

Ymd civil_from_days(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const int64_t kOleEpoch = days_from_civil(1899, 12, 30);
// 1 January 100 and 31 December 9999.
const double kFirstDay = static_cast<double>(days_from_civil(100, 1, 1) - kOleEpoch);
const double kLastDay = static_cast<double>(days_from_civil(9999, 12, 31) - kOleEpoch);

}  // namespace

bool is_leap_year(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && is_leap_year(year)) return 29;
    return kDays[(month - 1) % 12];
}

bool is_valid_ymd(int year, int month, int day) {
    return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= days_in_month(year, month);
}

double ole_from_ymd(int year, int month, int day) {
    return static_cast<double>(
        days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
        kOleEpoch);
}

bool is_calendar_date(double date) {
    // False for NaN too; checked before any conversion to an integer.
    const double day = std::trunc(date);
    return day >= kFirstDay && day <= kLastDay;
}

Ymd ymd_from_ole(double date) {
    if (!is_calendar_date(date)) return Ymd{};
    // OLE dates before the epoch count the fraction towards the epoch; the
    // day is the whole part either way.
    return civil_from_days(static_cast<int64_t>(std::trunc(date)) + kOleEpoch);
}

double one_month_before(double date) {
    Ymd d = ymd_from_ole(date);
    int year = d.month == 1 ? d.year - 1 : d.year;
    int month = d.month == 1 ? 12 : d.month - 1;
    int day = d.day > days_in_month(year, month) ? days_in_month(year, month) : d.day;
    return ole_from_ymd(year, month, day);
}

double last_day_of_month(double date) {
    Ymd d = ymd_from_ole(date);
    return ole_from_ymd(d.year, d.month, days_in_month(d.year, d.month));
}

double first_day_of_next_month(double date) {
    Ymd d = ymd_from_ole(date);
    return d.month == 12 ? ole_from_ymd(d.year + 1, 1, 1) : ole_from_ymd(d.year, d.month + 1, 1);
}

double today_ole() {
    std::time_t now = std::time(nullptr);
    const std::tm local = platform::local_time(now);
    return ole_from_ymd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace qdx
