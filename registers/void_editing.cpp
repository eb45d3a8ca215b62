#include "registers/void_editing.h"

#include <cmath>

#include "core/files.h"
#include "core/history.h"
#include "core/import_journal.h"
#include "core/record_append.h"
#include "core/regional.h"
#include "core/text_field.h"

namespace qdx {

namespace {

// The voids file's next record number; the file is made only once a void is written.
int64_t next_void(const AppState& state) {
    const auto path = state.dataFile(file::kVoids);
    if (!file_exists(path)) return 1;
    return record_count_for(std::filesystem::file_size(path), VoidRecord::kSize) + 1;
}

void make_voids_file(const AppState& state) {
    ensure_folder(state.dataDir());
    if (!file_exists(state.dataFile(file::kVoids)))
        write_file_atomically(state.dataFile(file::kVoids), "");
}

std::string count_text(int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

VoidChecker::VoidChecker(const AppState& state) : state_(state) {
    if (file_exists(state.dataFile(file::kPayments)))
        payments_.open(state.dataFile(file::kPayments), MoneyRecord::kSize);
    const auto path = state.dataFile(file::kVoids);
    if (!file_exists(path)) return;
    RecordFile voids(path, VoidRecord::kSize);
    voids.scan(1, voids.count(), [&](int64_t, const uint8_t* bytes) {
        const VoidRecord v = VoidRecord::decode(bytes);
        voided_.emplace(v.payment, v);  // the first void of a payment stands
    });
}

std::optional<MoneyRecord> VoidChecker::payment(int64_t number) const {
    if (number < 1 || number > paymentCount()) return std::nullopt;
    return payments_.read<MoneyRecord>(number);
}

std::optional<VoidRecord> VoidChecker::voidOf(int32_t number) const {
    const auto it = voided_.find(number);
    if (it == voided_.end()) return std::nullopt;
    return it->second;
}

std::optional<VoidFailure> VoidChecker::check(const VoidBoxes& b) const {
    const Regional& regional = state_.regional;
    if (trim(b.payment).empty()) return VoidFailure{VoidBox::Payment, Msg::EnterData, ""};
    if (trim(b.date).empty()) return VoidFailure{VoidBox::Date, Msg::EnterData, ""};
    const auto number = parse_long(b.payment, regional);
    if (!number || !digits_only_text(b.payment))
        return VoidFailure{VoidBox::Payment, Msg::IncorrectValue,
                           quoted_trimmed(b.payment) + " is not a payment's record number"};
    const auto date = parse_date(b.date, regional);
    if (!date)
        return VoidFailure{VoidBox::Date, Msg::IncorrectValue,
                           quoted_trimmed(b.date) + " is not a date"};
    const auto p = payment(*number);
    if (!p)
        return VoidFailure{VoidBox::Payment, Msg::NoRecord,
                           "payment " + format_long(*number) + ": the payments register holds " +
                               format_long(paymentCount()) + " payments"};
    if (!(p->sum > 0) || !std::isfinite(p->sum))
        return VoidFailure{VoidBox::Payment, Msg::IncorrectValue,
                           "payment " + format_long(*number) + " is of " +
                               format_single(p->sum, regional) +
                               ": only a payment above 0 can be voided"};
    if (const auto earlier = voidOf(*number))
        return VoidFailure{VoidBox::Payment, Msg::IncorrectValue,
                           "payment " + format_long(*number) + " was voided already, on " +
                               format_date(earlier->date, regional)};
    if (std::floor(*date) < std::floor(p->date))
        return VoidFailure{VoidBox::Date, Msg::IncorrectValue,
                           quoted_trimmed(b.date) + " is before the payment, dated " +
                               format_date(p->date, regional)};
    return std::nullopt;
}

VoidRecord VoidChecker::record(const VoidBoxes& b) const {
    const Regional& regional = state_.regional;
    const int32_t number = parse_long(b.payment, regional).value_or(0);
    const auto p = payment(number);
    return {number, p ? p->sum : 0.0f, std::floor(parse_date(b.date, regional).value_or(0))};
}

std::string void_failure_text(const Messages& messages, const VoidFailure& failure) {
    std::string text = message_text(messages, failure.message);
    if (!failure.detail.empty()) text += ": " + failure.detail;
    return text;
}

int64_t save_void(const AppState& state, const VoidRecord& voided) {
    const int64_t number = next_void(state);
    write_history(state.appDir, "voids", number,
                  "created: Payment: " + std::to_string(voided.payment) +
                      "; Sum: " + format_single(voided.sum, Regional{}) +
                      "; Date: " + history_date(voided.date));
    uint8_t bytes[VoidRecord::kSize];
    voided.encode(bytes);
    make_voids_file(state);
    return append_records(state.dataFile(file::kVoids), VoidRecord::kSize, bytes, 1);
}

ReversalPlan plan_reversal(const AppState& state, int64_t number, double date) {
    // A run or reversal stopped earlier is finished or taken back first.
    recover_pending_import(state.dataDir(), file::kPaymentRuns);
    const std::vector<PaymentRun> runs = read_payment_runs(state.dataDir());
    const PaymentRun* run = find_run(runs, number);
    if (!run)
        throw ReversalRefused(
            "There is no payment run " + std::to_string(number) +
            (runs.empty() ? ": no run was registered yet"
                          : ": the runs are numbered 1 to " + std::to_string(runs.back().number)));
    const Regional& regional = state.regional;
    if (run->reversal)
        throw ReversalRefused("Payment run " + std::to_string(number) +
                              " is not reversed again: this run was reversed on " +
                              format_date(run->reversal->date, regional));
    const VoidChecker checker(state);
    if (run->last > checker.paymentCount())
        throw ReversalRefused("Payment run " + std::to_string(number) + " names payments " +
                              std::to_string(run->first) + " to " + std::to_string(run->last) +
                              ", but the payments register holds " +
                              std::to_string(checker.paymentCount()));
    ReversalPlan plan;
    plan.run = *run;
    plan.date = std::floor(date);
    ExactFloatSum total;
    for (int64_t k = run->first; k <= run->last; ++k) {
        const MoneyRecord p = *checker.payment(k);
        if (checker.voidOf(static_cast<int32_t>(k))) {
            ++plan.voidedBefore;
            continue;
        }
        if (!(p.sum > 0) || !std::isfinite(p.sum)) continue;  // nothing was paid to take back
        if (plan.date < std::floor(p.date))
            throw ReversalRefused("The voids' date " + format_date(plan.date, regional) +
                                  " is before payment " + std::to_string(k) + " of run " +
                                  std::to_string(number) + ", dated " +
                                  format_date(p.date, regional));
        plan.voids.push_back({static_cast<int32_t>(k), p.sum, plan.date});
        total.add(p.sum);
    }
    if (plan.voids.empty())
        throw ReversalRefused(
            "Payment run " + std::to_string(number) + " has nothing left to reverse: " +
            (plan.voidedBefore == run->count
                 ? "all its " + count_text(run->count, "payment was", "payments were") +
                       " voided one by one"
                 : count_text(plan.voidedBefore, "payment was", "payments were") +
                       " voided one by one and the others are of 0 or less"));
    plan.total = total.centsText();
    return plan;
}

std::string reversal_summary(const ReversalPlan& plan, const Regional& regional) {
    std::string text = "Reversing payment run " + std::to_string(plan.run.number) + " voids " +
                       count_text(static_cast<int64_t>(plan.voids.size()), "payment", "payments") +
                       ", " + plan.total + " in all, dated " + format_date(plan.date, regional);
    if (plan.voidedBefore > 0)
        text += "; " + count_text(plan.voidedBefore, "payment of the run was", "payments were") +
                " voided one by one already and " + (plan.voidedBefore == 1 ? "is" : "are") +
                " left as " + (plan.voidedBefore == 1 ? "it is" : "they are");
    return text + ".";
}

RunReversal reverse_run(const AppState& state, const ReversalPlan& plan) {
    const ReversalPlan now = plan_reversal(state, plan.run.number, plan.date);
    if (now.voids.size() != plan.voids.size() || now.total != plan.total)
        throw ReversalRefused("The payments or the voids changed since run " +
                              std::to_string(plan.run.number) + " was checked; check it again");
    check_history_writable(state.appDir);
    RunReversal reversal;
    reversal.time = time_now_text();
    reversal.date = now.date;
    reversal.firstVoid = next_void(state);
    reversal.count = static_cast<int64_t>(now.voids.size());
    reversal.lastVoid = reversal.firstVoid + reversal.count - 1;
    reversal.total = now.total;
    std::vector<uint8_t> bytes(now.voids.size() * VoidRecord::kSize);
    for (size_t i = 0; i < now.voids.size(); ++i)
        now.voids[i].encode(bytes.data() + i * VoidRecord::kSize);
    make_voids_file(state);
    append_with_run_line(state, file::kVoids, reversal.firstVoid, bytes.data(), now.voids.size(),
                         reversal_line(now.run.number, reversal));
    // Noted once the voids are in: a stopped reversal leaves no line.
    try {
        write_history(state.appDir, "voids", reversal.firstVoid,
                      "reversal of payment run " + std::to_string(now.run.number) + ": " +
                          std::to_string(reversal.count) + " voids dated " +
                          history_date(reversal.date) + ", records " +
                          std::to_string(reversal.firstVoid) + " to " +
                          std::to_string(reversal.lastVoid) + ", " + reversal.total + " in all");
    } catch (const HistoryError&) {
        // Checked writable just before; a disk that filled meanwhile.
    }
    return reversal;
}

}  // namespace qdx
