#pragma once
// Dates are OLE Automation dates: days since 30 December 1899, as a double.
// Stored dates are whole days (1 January 2002 is 37257).
#include <cstdint>

namespace qdx {

struct Ymd {
    int year = 1899, month = 12, day = 30;
};

bool is_leap_year(int year);
int days_in_month(int year, int month);
double ole_from_ymd(int year, int month, int day);
// Whether a stored date is a day of the years 100 to 9999, the days that can
// be shown and typed; NaN, infinities and anything beyond are damaged data.
bool is_calendar_date(double date);
// The day part; a time of day is dropped. A date that is no calendar date
// gives the epoch, 30 December 1899.
Ymd ymd_from_ole(double date);
bool is_valid_ymd(int year, int month, int day);

// The same day one calendar month earlier, or the last day of that month
// when it is shorter (31 March gives the last day of February).
double one_month_before(double date);
double last_day_of_month(double date);
double first_day_of_next_month(double date);

// Today's date on the system clock, local time.
double today_ole();

}  // namespace qdx
