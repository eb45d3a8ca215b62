#include "core/payment_runs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "core/files.h"
#include "core/history.h"
#include "core/import_journal.h"
#include "core/ole_date.h"
#include "core/record_append.h"
#include "core/record_file.h"
#include "core/records.h"

namespace qdx {

namespace fs = std::filesystem;

namespace detail {
void (*run_step)(int step) = [](int) {};
}

namespace {

__extension__ typedef unsigned __int128 Wide;

// 2^-149 is the smallest float step; every float is a whole number of them.
constexpr int kUnitExponent = 149;

bool parse_day(const std::string& text, double& date) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return false;
    date = ole_from_ymd(y, m, d);
    return is_calendar_date(date) && history_date(date) == text;
}

bool parse_range(const std::string& text, int64_t& first, int64_t& last) {
    long long a = 0, b = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%lld..%lld%c", &a, &b, &tail) != 2 || a > b) return false;
    first = a;
    last = b;
    return true;
}

bool parse_count(const std::string& text, int64_t& count) {
    long long n = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%lld%c", &n, &tail) != 1 || n < 0) return false;
    count = n;
    return true;
}

}  // namespace

void ExactFloatSum::add(float value) {
    if (!std::isfinite(value) || value == 0) return;
    int exponent = 0;
    const double fraction = std::frexp(static_cast<double>(value), &exponent);
    uint64_t mantissa = static_cast<uint64_t>(std::ldexp(std::fabs(fraction), 24));
    int shift = exponent - 24 + kUnitExponent;
    if (shift < 0) {  // a subnormal: the bits shifted out are zeros
        mantissa >>= -shift;
        shift = 0;
    }
    uint64_t v[kLimbs] = {};
    const auto at = static_cast<size_t>(shift / 64);
    const int bit = shift % 64;
    v[at] = mantissa << bit;
    if (bit != 0) v[at + 1] = mantissa >> (64 - bit);
    if (value > 0) {
        Wide carry = 0;
        for (size_t i = 0; i < kLimbs; ++i) {
            const Wide s = static_cast<Wide>(limb_[i]) + v[i] + carry;
            limb_[i] = static_cast<uint64_t>(s);
            carry = s >> 64;
        }
    } else {
        uint64_t borrow = 0;
        for (size_t i = 0; i < kLimbs; ++i) {
            const uint64_t before = limb_[i];
            limb_[i] = before - v[i] - borrow;
            borrow = (before < v[i] || (before == v[i] && borrow)) ? 1 : 0;
        }
    }
}

std::string ExactFloatSum::centsText() const {
    uint64_t a[kLimbs];
    std::copy(std::begin(limb_), std::end(limb_), a);
    const bool negative = (a[kLimbs - 1] >> 63) != 0;
    if (negative) {
        uint64_t carry = 1;
        for (uint64_t& x : a) {
            x = ~x + carry;
            carry = (carry && x == 0) ? 1 : 0;
        }
    }
    Wide carry = 0;
    for (uint64_t& x : a) {
        const Wide p = static_cast<Wide>(x) * 100 + carry;
        x = static_cast<uint64_t>(p);
        carry = p >> 64;
    }
    // cents = a / 2^149, rounded half to even.
    constexpr int low = kUnitExponent % 64;  // 21 bits of limb 2
    uint64_t q[kLimbs] = {};
    for (size_t i = 0; i + 2 < kLimbs; ++i)
        q[i] = (a[i + 2] >> low) | (i + 3 < kLimbs ? a[i + 3] << (64 - low) : 0);
    const bool half = ((a[2] >> (low - 1)) & 1) != 0;
    const bool beyondHalf = a[0] != 0 || a[1] != 0 || (a[2] & ((uint64_t{1} << (low - 1)) - 1));
    if (half && (beyondHalf || (q[0] & 1)))
        for (uint64_t& x : q)
            if (++x != 0) break;
    std::string digits;
    for (;;) {
        Wide rest = 0;
        bool zero = true;
        for (size_t i = kLimbs; i-- > 0;) {
            const Wide cur = (rest << 64) | q[i];
            q[i] = static_cast<uint64_t>(cur / 10);
            rest = cur % 10;
            zero = zero && q[i] == 0;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest)));
        if (zero) break;
    }
    while (digits.size() < 3) digits.insert(digits.begin(), '0');
    digits.insert(digits.size() - 2, ".");
    return (negative && digits != "0.00" ? "-" : "") + digits;
}

std::string run_line(const PaymentRun& r) {
    return "run " + std::to_string(r.number) + " " + r.time + " " + history_date(r.from) + ".." +
           history_date(r.to) + " payments " + std::to_string(r.first) + ".." +
           std::to_string(r.last) + " count " + std::to_string(r.count) + " total " + r.total;
}

std::string reversal_line(int64_t run, const RunReversal& r) {
    return "reversed " + std::to_string(run) + " " + r.time + " dated " + history_date(r.date) +
           " voids " + std::to_string(r.firstVoid) + ".." + std::to_string(r.lastVoid) + " count " +
           std::to_string(r.count) + " total " + r.total;
}

std::vector<PaymentRun> read_payment_runs(const fs::path& dataDir) {
    std::vector<PaymentRun> runs;
    const fs::path ledger = dataDir / file::kPaymentRuns;
    if (!file_exists(ledger)) return runs;
    std::istringstream in(read_whole_file(ledger));
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::vector<std::string> t;
        for (std::string word; fields >> word;) t.push_back(word);
        int64_t number = 0;
        if (t.size() == 10 && t[0] == "run" && t[4] == "payments" && t[6] == "count" &&
            t[8] == "total") {
            PaymentRun r;
            const size_t dots = t[3].find("..");
            if (!parse_count(t[1], r.number) || dots == std::string::npos ||
                !parse_day(t[3].substr(0, dots), r.from) ||
                !parse_day(t[3].substr(dots + 2), r.to) || !parse_range(t[5], r.first, r.last) ||
                !parse_count(t[7], r.count) || find_run(runs, r.number))
                continue;
            r.time = t[2];
            r.total = t[9];
            runs.push_back(r);
        } else if (t.size() == 11 && t[0] == "reversed" && t[3] == "dated" && t[5] == "voids" &&
                   t[7] == "count" && t[9] == "total" && parse_count(t[1], number)) {
            RunReversal v;
            const auto run = std::find_if(runs.begin(), runs.end(),
                                          [&](const PaymentRun& r) { return r.number == number; });
            if (run == runs.end() || run->reversal || !parse_day(t[4], v.date) ||
                !parse_range(t[6], v.firstVoid, v.lastVoid) || !parse_count(t[8], v.count))
                continue;
            v.time = t[2];
            v.total = t[10];
            run->reversal = v;
        }
    }
    return runs;
}

const PaymentRun* find_run(const std::vector<PaymentRun>& runs, int64_t number) {
    for (const PaymentRun& r : runs)
        if (r.number == number) return &r;
    return nullptr;
}

const PaymentRun* run_of_payment(const std::vector<PaymentRun>& runs, int64_t payment) {
    for (const PaymentRun& r : runs)
        if (r.first <= payment && payment <= r.last) return &r;
    return nullptr;
}

std::string run_summary(const PaymentRun& r, const Regional& regional) {
    std::string text = "Run " + std::to_string(r.number) + ": registered " + shown_time(r.time) +
                       ", range " + format_date(r.from, regional) + " to " +
                       format_date(r.to, regional) + ", payments " + std::to_string(r.first) +
                       " to " + std::to_string(r.last) + ", " + std::to_string(r.count) +
                       (r.count == 1 ? " payment, " : " payments, ") + r.total + " in all";
    if (r.reversal)
        text += "; reversed on " + format_date(r.reversal->date, regional) + " by voids " +
                std::to_string(r.reversal->firstVoid) + " to " +
                std::to_string(r.reversal->lastVoid) + ", " + r.reversal->total;
    return text;
}

std::string time_now_text() { return history_now(); }

std::string shown_time(std::string_view time) {
    std::string text(time.substr(0, 16));
    if (text.size() > 10 && text[10] == 'T') text[10] = ' ';
    return text;
}

bool append_with_run_line(const AppState& state, const char* registerFile, int64_t first,
                          const uint8_t* bytes, size_t rows, const std::string& line) {
    const fs::path dataDir = state.dataDir();
    const fs::path path = state.dataFile(registerFile);
    PendingImport note;
    note.registerFile = registerFile;
    note.recordLength = kRunRecordLength;
    note.first = first;
    note.rows = static_cast<int64_t>(rows);
    note.recordsHash = records_hash(
        std::string_view(reinterpret_cast<const char*>(bytes), rows * kRunRecordLength));
    note.sidePrefix.reset();  // no side files go with them
    note.ledgerLine = line;
    write_pending_import(dataDir, note, file::kPaymentRuns);
    detail::run_step(1);
    try {
        if (append_records(path, kRunRecordLength, bytes, rows) != first)
            throw FileError("write", path, "it changed while it was written");
    } catch (const PartialAppendError&) {
        throw;  // the next start cuts the part back and drops the note
    } catch (...) {
        try {
            cancel_pending_import(dataDir, file::kPaymentRuns);
        } catch (const std::exception&) {
            // The next start finds the records not there and drops the note.
        }
        throw;
    }
    detail::run_step(2);
    try {
        complete_pending_import(dataDir, note, file::kPaymentRuns);
        detail::run_step(3);
        return true;
    } catch (const FileError&) {
        return false;  // the records are in; the note stays and the next start adds the line
    }
}

PaymentRun register_payment_run(const AppState& state, double from, double to, const uint8_t* bytes,
                                size_t rows) {
    const fs::path dataDir = state.dataDir();
    const fs::path path = state.dataFile(file::kPayments);
    // One run at a time: one stopped earlier is finished or taken back first.
    recover_pending_import(dataDir, file::kPaymentRuns);
    recover_interrupted_append(path);
    if (!file_exists(path)) throw FileError("write", path, "it does not exist");
    check_history_writable(state.appDir);

    const std::vector<PaymentRun> runs = read_payment_runs(dataDir);
    PaymentRun run;
    for (const PaymentRun& r : runs) run.number = std::max(run.number, r.number);
    ++run.number;
    run.time = time_now_text();
    run.from = from;
    run.to = to;
    run.first = record_count_for(fs::file_size(path), kRunRecordLength) + 1;
    run.count = static_cast<int64_t>(rows);
    run.last = run.first + run.count - 1;
    ExactFloatSum total;
    for (size_t i = 0; i < rows; ++i)
        total.add(MoneyRecord::decode(bytes + i * MoneyRecord::kSize).sum);
    run.total = total.centsText();

    append_with_run_line(state, file::kPayments, run.first, bytes, rows, run_line(run));
    // Noted once the payments are in: a stopped run leaves no line.
    try {
        write_history(state.appDir, "payments", run.first,
                      "payment run " + std::to_string(run.number) + ": " +
                          std::to_string(run.count) + " payments dated " + history_date(to) +
                          ", records " + std::to_string(run.first) + " to " +
                          std::to_string(run.last) + ", " + run.total + " in all");
    } catch (const HistoryError&) {
        // Checked writable just before; a disk that filled meanwhile.
    }
    return run;
}

}  // namespace qdx
