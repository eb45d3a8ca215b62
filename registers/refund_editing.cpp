#include "registers/refund_editing.h"

#include <cmath>

#include "core/files.h"
#include "core/history.h"
#include "core/record_append.h"
#include "core/regional.h"
#include "core/text_field.h"
#include "registers/side_files.h"

namespace qdx {

RefundChecker::RefundChecker(const AppState& state) : state_(state) {
    if (file_exists(state.dataFile(file::kSales)))
        sales_.open(state.dataFile(file::kSales), MoneyRecord::kSize);
    const auto path = state.dataFile(file::kRefunds);
    if (!file_exists(path)) return;
    RecordFile refunds(path, RefundRecord::kSize);
    refunds.scan(1, refunds.count(), [&](int64_t, const uint8_t* bytes) {
        const RefundRecord r = RefundRecord::decode(bytes);
        if (std::isfinite(r.sum)) refunded_[r.sale] += r.sum;
    });
}

std::optional<MoneyRecord> RefundChecker::sale(int64_t number) const {
    if (number < 1 || number > saleCount()) return std::nullopt;
    return sales_.read<MoneyRecord>(number);
}

double RefundChecker::left(int32_t number) const {
    const auto s = sale(number);
    if (!s) return 0;
    const auto it = refunded_.find(number);
    return static_cast<double>(s->sum) - (it == refunded_.end() ? 0.0 : it->second);
}

void RefundChecker::take(const RefundRecord& refund) { refunded_[refund.sale] += refund.sum; }

std::optional<RefundFailure> RefundChecker::check(const RefundBoxes& b) const {
    const Regional& regional = state_.regional;
    if (trim(b.sale).empty()) return RefundFailure{RefundBox::Sale, Msg::EnterData, ""};
    if (trim(b.sum).empty()) return RefundFailure{RefundBox::Sum, Msg::EnterData, ""};
    if (trim(b.date).empty()) return RefundFailure{RefundBox::Date, Msg::EnterData, ""};
    const auto number = parse_long(b.sale, regional);
    if (!number || !digits_only_text(b.sale))
        return RefundFailure{RefundBox::Sale, Msg::IncorrectValue,
                             quoted_trimmed(b.sale) + " is not a sale's record number"};
    const auto sum = parse_single(b.sum, regional);
    if (!sum || !std::isfinite(*sum))
        return RefundFailure{RefundBox::Sum, Msg::IncorrectValue,
                             quoted_trimmed(b.sum) + " is not a number"};
    const auto date = parse_date(b.date, regional);
    if (!date)
        return RefundFailure{RefundBox::Date, Msg::IncorrectValue,
                             quoted_trimmed(b.date) + " is not a date"};
    const auto s = sale(*number);
    if (!s)
        return RefundFailure{RefundBox::Sale, Msg::NoRecord,
                             "sale " + format_long(*number) + ": the sales register holds " +
                                 format_long(saleCount()) + " sales"};
    if (!(*sum > 0))
        return RefundFailure{RefundBox::Sum, Msg::IncorrectValue,
                             quoted_trimmed(b.sum) + ": a refund is a sum above 0"};
    const double rest = left(*number);
    // One part in ten million: the rest typed as shown is the rest.
    if (static_cast<double>(*sum) > rest + std::fabs(rest) * 1e-7)
        return RefundFailure{RefundBox::Sum, Msg::IncorrectValue,
                             quoted_trimmed(b.sum) + " is more than is left of sale " +
                                 format_long(*number) + ", " +
                                 format_double(std::max(rest, 0.0), regional)};
    if (std::floor(*date) < std::floor(s->date))
        return RefundFailure{RefundBox::Date, Msg::IncorrectValue,
                             quoted_trimmed(b.date) + " is before the sale, dated " +
                                 format_date(s->date, regional)};
    return std::nullopt;
}

RefundRecord RefundChecker::record(const RefundBoxes& b) const {
    const Regional& regional = state_.regional;
    return {parse_long(b.sale, regional).value_or(0), parse_single(b.sum, regional).value_or(0),
            std::floor(parse_date(b.date, regional).value_or(0))};
}

std::filesystem::path refund_details_file(const std::filesystem::path& appDir, int64_t n) {
    return appDir / "addinfo" / side_file_name("r", n);
}

int64_t save_refund(const AppState& state, const RefundRecord& refund, const std::string& details) {
    ensure_folder(state.dataDir());
    const auto path = state.dataFile(file::kRefunds);
    const int64_t number = RecordFile(path, RefundRecord::kSize).count() + 1;
    write_history(state.appDir, "refunds", number,
                  "created: Sale: " + std::to_string(refund.sale) +
                      "; Sum: " + format_single(refund.sum, Regional{}) +
                      "; Date: " + history_date(refund.date));
    // A details file left by a refund that never landed is not this one's.
    const auto detailsFile = refund_details_file(state.appDir, number);
    std::error_code ignored;
    std::filesystem::remove(detailsFile, ignored);
    uint8_t bytes[RefundRecord::kSize];
    refund.encode(bytes);
    const int64_t written = append_records(path, RefundRecord::kSize, bytes, 1);
    if (!details.empty()) write_side_file(refund_details_file(state.appDir, written), details);
    return written;
}

}  // namespace qdx
