#pragma once
// A report's range of days, both ends included, as OLE dates. Stored dates
// are whole days, so the range takes in everything dated on its first and
// last day; a range whose start lies after its end takes in nothing.
#include <cstdint>

namespace qdx {

struct DateRange {
    double from = 0;
    double to = 0;

    bool contains(double date) const { return from <= date && date <= to; }
    // The same length of days, `days` earlier (the sales a hold period counts).
    DateRange before(int32_t days) const { return {from - days, to - days}; }
};

}  // namespace qdx
