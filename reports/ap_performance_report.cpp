// AP performance: sales, payments and income month by month over the range.
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "core/corrections.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/parallel.h"
#include "core/record_file.h"
#include "reports/ap_periods.h"
#include "reports/report_building.h"
#include "reports/report_totals.h"
#include "reports/reports.h"
#include "reports/shown_numbers.h"

namespace qdx {

namespace {

// Whole-day comparison: a on or before b.
bool on_or_before(double a, double b) { return std::floor(a) <= std::floor(b); }

// The period that holds a date, if any. Periods are disjoint and in
// order: only the last one starting on or before the date can hold it.
// Periods that start on whole days (as those of typed dates do) find it by
// the day, in a table of the range's days; others by a binary search.
class PeriodFinder {
  public:
    explicit PeriodFinder(const std::vector<Period>& periods) : periods_(periods) {
        first_ = periods.front().start;
        const double days = std::floor(periods.back().end) - first_ + 1;
        for (const Period& p : periods)
            if (p.start != std::floor(p.start)) return;
        // (501 months have fewer days than this.)
        if (!(days >= 1 && days <= 20000)) return;
        lastStarted_.resize(static_cast<size_t>(days));
        for (size_t d = 0, p = 0; d < lastStarted_.size(); ++d) {
            while (p + 1 < periods.size() &&
                   periods[p + 1].start <= first_ + static_cast<double>(d))
                ++p;
            lastStarted_[d] = p;
        }
    }

    std::optional<size_t> operator()(double date) const {
        size_t p;
        if (!lastStarted_.empty()) {
            // A whole day is on or before the date exactly when it is on or
            // before the date's day.
            if (!(date >= first_)) return std::nullopt;
            const double day = std::floor(date) - first_;
            if (day >= static_cast<double>(lastStarted_.size())) return std::nullopt;
            p = lastStarted_[static_cast<size_t>(day)];
        } else {
            auto after = std::upper_bound(periods_.begin(), periods_.end(), date,
                                          [](double d, const Period& q) { return d < q.start; });
            if (after == periods_.begin()) return std::nullopt;
            p = static_cast<size_t>(after - periods_.begin()) - 1;
        }
        if (!(periods_[p].start <= date && date <= periods_[p].end)) return std::nullopt;
        return p;
    }

  private:
    const std::vector<Period>& periods_;
    double first_ = 0;
    std::vector<size_t> lastStarted_;  // per day from the first start: the last period begun
};

// An amount added to a period after the file's records: a refund, taken off.
struct LaterAmount {
    double date;
    float amount;
};

// The running sums of periods as their cells show them: each addition is
// read back from its text as a 4-byte float.
struct PeriodSums {
    std::vector<float> shown, latest;  // latest: the sum before it is shown
    std::vector<char> added;
    explicit PeriodSums(size_t n) : shown(n, 0.0f), latest(n, 0.0f), added(n, false) {}
    void add(size_t p, float amount, const Regional& regional) {
        latest[p] = shown[p] + amount;
        shown[p] = shown_single(latest[p], regional);
        added[p] = true;
    }
    void take(const PeriodSums& from, size_t p) {
        shown[p] = from.shown[p];
        latest[p] = from.latest[p];
        added[p] = from.added[p];
    }
};

// Adds every record's sum dated within a period to that period's cell in
// `column`, then the `later` amounts in their order. Returns the sums as shown.
// Each period's sum is a chain of its own: the cores share the periods out,
// each reading the whole file and keeping its own sums (cores writing the
// sums of neighbouring periods would share a cache line at every addition);
// the caller's thread tells the progress.
std::vector<float> add_up(ReportTable& table, const std::vector<Period>& periods, size_t column,
                          const std::filesystem::path& path, const Regional& regional,
                          Progress& progress, const std::vector<LaterAmount>& later = {}) {
    PeriodSums sums(periods.size());
    RecordFile file(path, MoneyRecord::kSize);
    const double first = periods.front().start, last = periods.back().end;
    const size_t threads = file.count() < 65536 ? 1 : std::min(periods.size(), core_count());
    const PeriodFinder period_of(periods);
    // Which core adds each period (looked up, not divided, for every record).
    std::vector<size_t> owner(periods.size());
    for (size_t p = 0; p < periods.size(); ++p) owner[p] = p % threads;
    run_parts(threads, [&](size_t t) {
        PeriodSums mine(periods.size());
        file.scanBlocks(1, file.count(), [&](int64_t k, const uint8_t* bytes, size_t count) {
            if (t == 0) progress.step(k - 1);
            if (progress.stopRequested()) return;
            for (size_t i = 0; i < count; ++i, bytes += MoneyRecord::kSize) {
                const double date = layout::get<layout::money::kDate>(bytes);
                // Most records of a long file lie outside a short range.
                if (!(first <= date && date <= last)) continue;
                const auto p = period_of(date);
                if (p && owner[*p] == t)
                    mine.add(*p, layout::get<layout::money::kSum>(bytes), regional);
            }
        });
        for (size_t p = t; p < periods.size(); p += threads) sums.take(mine, p);
    });
    progress.check();
    for (const LaterAmount& a : later)
        if (const auto p = period_of(a.date)) sums.add(*p, a.amount, regional);
    for (size_t p = 0; p < periods.size(); ++p)
        if (sums.added[p]) put_single(table, p + 1, column, sums.latest[p], regional);
    return sums.shown;
}

}  // namespace

std::vector<Period> split_periods(const DateRange& range) {
    std::vector<Period> periods{{range.from, last_day_of_month(range.from)}};
    while (!on_or_before(range.to, periods.back().end)) {
        if (static_cast<int>(periods.size()) == kMaxPeriods)
            throw ReportError("The range is too long: at most " + std::to_string(kMaxPeriods) +
                              " months");
        double start = first_day_of_next_month(periods.back().start);
        periods.push_back({start, last_day_of_month(start)});
    }
    periods.back().end = range.to;
    return periods;
}

ReportTable ap_performance_report(const AppState& state, const ReportRequest& request,
                                  Progress& progress) {
    ReportTable table = start_report(request);

    const auto periods = split_periods(request.range);
    table.setPrintLayout({0, 9, 18, 34, 50}, 5);
    table.setHeader(" From      |  To        | Sales        | Payments      | Income       ");
    const Regional& regional = state.regional;
    for (const Period& p : periods) {
        table.appendRow();
        const size_t r = table.rowCount() - 1;
        put_date(table, r, 0, p.start, regional);
        put_date(table, r, 1, p.end, regional);
        put_long(table, r, 2, 0);
        put_long(table, r, 3, 0);
    }

    ensure_folder(state.dataDir());
    progress.stage("Adding up the sales by month", 0, "sales");
    // A refund counts in the month it is dated, off that month's sales.
    std::vector<LaterAmount> refunds;
    const CorrectionsInRange inRange =
        refunds_in_range(state, {periods.front().start, periods.back().end}, INT32_MAX);
    for (const RangeCorrection& r : inRange.corrections) refunds.push_back({r.date, -r.sum});
    table.notice = inRange.notice();
    const auto sales =
        add_up(table, periods, 2, state.dataFile(file::kSales), regional, progress, refunds);
    progress.stage("Adding up the payments by month", 0, "payments");
    // A void counts in the month it is dated, off that month's payments.
    std::vector<LaterAmount> voids;
    const CorrectionsInRange voided =
        voids_in_range(state, {periods.front().start, periods.back().end}, INT32_MAX);
    for (const RangeCorrection& v : voided.corrections) voids.push_back({v.date, -v.sum});
    if (!voided.skipped.empty())
        table.notice += (table.notice.empty() ? "" : " ") + voided.notice();
    const auto payments =
        add_up(table, periods, 3, state.dataFile(file::kPayments), regional, progress, voids);
    for (size_t p = 0; p < periods.size(); ++p)
        put_single(table, p + 1, 4, sales[p] - payments[p], regional);
    append_total_row(table, {4, 2, 3}, regional);
    return table;
}

}  // namespace qdx
