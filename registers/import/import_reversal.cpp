#include "registers/import/import_reversal.h"

#include <cmath>
#include <sstream>
#include <unordered_set>

#include "core/csv_values.h"
#include "core/files.h"
#include "core/history.h"
#include "core/record_append.h"
#include "core/record_file.h"
#include "registers/refund_editing.h"

namespace qdx {

namespace {

// The payments that a void takes off already.
std::unordered_set<int32_t> voided_payments(const AppState& state) {
    std::unordered_set<int32_t> voided;
    const auto path = state.dataFile(file::kVoids);
    if (!file_exists(path)) return voided;
    RecordFile voids(path, VoidRecord::kSize);
    voids.scan(1, voids.count(), [&](int64_t, const uint8_t* bytes) {
        voided.insert(VoidRecord::decode(bytes).payment);
    });
    return voided;
}

template <class Visit>
void visit_records(const AppState& state, const ImportReversal& plan, const char* fileName,
                   const char* noun, Visit visit) {
    const auto path = state.dataFile(fileName);
    RecordFile records;
    if (file_exists(path)) records.open(path, MoneyRecord::kSize);
    const int64_t count = records.isOpen() ? records.count() : 0;
    if (plan.entry.first < 1 || plan.entry.last < plan.entry.first || plan.entry.last > count)
        throw ReversalRefused(import_name(plan.number, plan.entry) + " cannot be reversed: the " +
                              plan.entry.registerName + " register holds " + std::to_string(count) +
                              " " + noun + ", not records " + std::to_string(plan.entry.first) +
                              " to " + std::to_string(plan.entry.last));
    records.scan(plan.entry.first, plan.entry.last, [&](int64_t k, const uint8_t* bytes) {
        const MoneyRecord r = MoneyRecord::decode(bytes);
        if (std::floor(r.date) > std::floor(plan.date))
            throw ReversalRefused(import_name(plan.number, plan.entry) + " cannot be reversed on " +
                                  history_date(plan.date) + ": record " + std::to_string(k) +
                                  " is dated " + history_date(r.date) +
                                  "; reverse it on that day or later");
        visit(static_cast<int32_t>(k), r);
    });
}

}  // namespace

std::vector<LedgerEntry> read_ledger(const AppState& state) {
    std::vector<LedgerEntry> entries;
    std::istringstream in(read_whole_file(ledger_file(state)));
    for (std::string line; std::getline(in, line);)
        if (auto e = parse_ledger_line(line)) entries.push_back(*e);
    return entries;
}

std::string import_name(int64_t number, const LedgerEntry& e) {
    return "Import " + std::to_string(number) + " (" + e.registerName + ", records " +
           std::to_string(e.first) + " to " + std::to_string(e.last) + ", " + e.date + ")";
}

ImportReversal plan_import_reversal(const AppState& state, int64_t number, double date) {
    const auto entries = read_ledger(state);
    if (number < 1 || number > static_cast<int64_t>(entries.size()))
        throw ReversalRefused("There is no import " + std::to_string(number) +
                              ": the ledger holds " + std::to_string(entries.size()) +
                              (entries.size() == 1 ? " import" : " imports"));
    ImportReversal plan;
    plan.number = number;
    plan.entry = entries[static_cast<size_t>(number - 1)];
    plan.date = std::floor(date);
    const std::string name = import_name(number, plan.entry);
    if (plan.entry.registerName == "affiliates")
        throw ReversalRefused(name + " cannot be reversed: affiliates are never removed");
    if (plan.entry.registerName == "refunds")
        throw ReversalRefused(name + " cannot be reversed: a refund is never taken back");
    if (plan.entry.registerName == "sales") {
        RefundChecker checker(state);
        visit_records(state, plan, file::kSales, "sales", [&](int32_t k, const MoneyRecord&) {
            const double left = checker.left(k);
            if (!(left > 0)) {
                ++plan.alreadyCorrected;
                return;
            }
            plan.refunds.push_back({k, static_cast<float>(left), plan.date});
            plan.total += static_cast<double>(static_cast<float>(left));
        });
    } else if (plan.entry.registerName == "payments") {
        const auto voided = voided_payments(state);
        visit_records(state, plan, file::kPayments, "payments",
                      [&](int32_t k, const MoneyRecord& r) {
                          if (voided.count(k) != 0) {
                              ++plan.alreadyCorrected;
                              return;
                          }
                          plan.voids.push_back({k, r.sum, plan.date});
                          plan.total += static_cast<double>(r.sum);
                      });
    } else {
        throw ReversalRefused(name + " cannot be reversed: the ledger names no register Qdx keeps");
    }
    if (plan.count() == 0)
        throw ReversalRefused(name + " was reversed already: every one of its " +
                              plan.entry.registerName + " is " +
                              (plan.voidsPayments() ? "voided" : "refunded in full"));
    return plan;
}

int64_t reverse_import(const AppState& state, const ImportReversal& plan) {
    const bool voids = plan.voidsPayments();
    const auto path = state.dataFile(voids ? file::kVoids : file::kRefunds);
    const size_t length = voids ? VoidRecord::kSize : RefundRecord::kSize;
    std::vector<uint8_t> bytes(static_cast<size_t>(plan.count()) * length);
    for (size_t i = 0; i < static_cast<size_t>(plan.count()); ++i) {
        if (voids)
            plan.voids[i].encode(bytes.data() + i * length);
        else
            plan.refunds[i].encode(bytes.data() + i * length);
    }
    ensure_folder(state.dataDir());
    RecordFile(path, length);  // appends go to a file that exists; an empty one corrects nothing
    check_history_writable(state.appDir);
    const int64_t first =
        append_records(path, length, bytes.data(), static_cast<size_t>(plan.count()));
    // Noted once the corrections are in; a stop before leaves neither. A
    // reversal asked again finds nothing left and writes nothing.
    try {
        write_history(state.appDir, voids ? "voids" : "refunds", first,
                      "reversal of " + import_name(plan.number, plan.entry) + ": " +
                          std::to_string(plan.count()) + (voids ? " voids" : " refunds") +
                          " dated " + history_date(plan.date) + ", records " +
                          std::to_string(first) + " to " +
                          std::to_string(first + plan.count() - 1));
    } catch (const HistoryError&) {
        // Checked writable just before; a disk that filled meanwhile.
    }
    return first;
}

}  // namespace qdx
