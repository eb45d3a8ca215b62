#include "reports/report_table.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <numeric>
#include <optional>

#include "core/atomic_file.h"
#include "core/file_names.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/text_field.h"
#include "core/tree.h"
#include "reports/html_text.h"

namespace qdx {

namespace {

constexpr const char* kLineEnd = "\r\n";
// Bytes of an export gathered before they go to the file.
constexpr size_t kPieceSize = 1 << 20;
// Rows whose affiliate records are read at once for the detail columns.
constexpr size_t kDetailRows = 4096;

// Where the detail fields lie in a stored affiliate record.
struct FieldSpan {
    size_t offset, width;
};
constexpr FieldSpan kFieldSpans[] = {
    {0, width::kName},    {20, width::kSurname}, {40, width::kStreet},
    {60, width::kCity},   {90, width::kCountry}, {80, width::kPostCod},
    {110, width::kPhone}, {125, width::kEmail},  {155, width::kUrl}};
constexpr size_t kLevelOffset = 213;

// Exact powers of ten: every one up to 1e22 is a double without rounding.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kExactPowers = 22;

// The separators the number formatters can write and read back like a point.
bool plain_separator(char c) {
    return !(c >= '0' && c <= '9') && c != 'E' && c != 'e' && c != '-' && c != '+' && c != ' ' &&
           c != '\0';
}

// A number in its general form with `digits` significant digits, as the
// regional formatters write it.
void append_general(std::string& out, double value, int digits, char separator) {
    if (value == 0 || std::isnan(value)) {
        out += '0';
        return;
    }
    char buffer[64];
    char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits)
            .ptr;
    for (char* p = buffer; p != end; ++p) {
        if (*p == 'e')
            *p = 'E';
        else if (*p == '.')
            *p = separator;
    }
    out.append(buffer, end);
}

void append_long(std::string& out, int64_t value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// The value of a text the number formatters wrote (0 when it is not a number).
double read_back(const std::string& text, const Regional& regional) {
    return parse_number(text, regional).value_or(0);
}

// The value the 7-digit text of a finite, non-zero float reads back as,
// worked out on the number: the float scaled to seven integer digits by an
// exact power of ten, rounded, and scaled back by one correctly rounded
// division or product, which is what reading the decimal text gives.
// Nothing when the scaled value lies too near a half to round surely, or the
// power of ten would not be exact.
std::optional<double> seven_digit_value(float value) {
    const double a = std::fabs(static_cast<double>(value));
    // The power of two gives the power of ten to within one; the loop settles it.
    int k = 6 - static_cast<int>(std::floor(std::ilogb(a) * 0.30102999566398120));
    for (int tries = 0; tries < 3; ++tries) {
        if (k > kExactPowers || k < -kExactPowers) return std::nullopt;
        // One rounding at most: the scaled value is off by less than 2e-9.
        const double scaled =
            k >= 0 ? a * kPowersOfTen[k] : a / kPowersOfTen[static_cast<size_t>(-k)];
        if (scaled < 1e6) {
            ++k;
            continue;
        }
        if (scaled >= 1e7) {
            --k;
            continue;
        }
        const double fraction = scaled - std::floor(scaled);
        if (std::fabs(fraction - 0.5) < 1e-6) return std::nullopt;
        const double r = std::nearbyint(scaled);
        const double back =
            k >= 0 ? r / kPowersOfTen[k] : r * kPowersOfTen[static_cast<size_t>(-k)];
        return value < 0 ? -back : back;
    }
    return std::nullopt;
}

}  // namespace

// ---------------------------------------------------------------------------
// Affiliate records by number

struct AffiliateRecordBlock::File {
    explicit File(std::filesystem::path p) : path(std::move(p)) {}
    std::filesystem::path path;
    RecordFile records;
    bool opened = false;
};

AffiliateRecordBlock::AffiliateRecordBlock(std::filesystem::path affiliatesFile)
    : file_(std::make_unique<File>(std::move(affiliatesFile))) {}

AffiliateRecordBlock::~AffiliateRecordBlock() = default;

void AffiliateRecordBlock::load(std::span<const int32_t> numbers) {
    constexpr size_t size = AffiliateRecord::kSize;
    bytes_.assign(numbers.size() * size, 0);
    if (!file_->opened) {
        file_->records = open_input(file_->path, size);
        file_->opened = true;
    }
    const RecordFile& file = file_->records;
    const int64_t n = file.isOpen() ? file.count() : 0;
    std::vector<size_t> wanted;
    wanted.reserve(numbers.size());
    for (size_t i = 0; i < numbers.size(); ++i)
        if (numbers[i] >= 1 && numbers[i] <= n) wanted.push_back(i);
    if (wanted.empty()) return;
    if (!std::is_sorted(wanted.begin(), wanted.end(),
                        [&](size_t a, size_t b) { return numbers[a] < numbers[b]; }))
        std::stable_sort(wanted.begin(), wanted.end(),
                         [&](size_t a, size_t b) { return numbers[a] < numbers[b]; });
    const int64_t first = numbers[wanted.front()];
    const int64_t last = numbers[wanted.back()];
    if (static_cast<size_t>(last - first) > 4 * wanted.size() + 64) {
        // Scattered: record by record.
        for (size_t i : wanted) file.readRaw(numbers[i], bytes_.data() + i * size);
        return;
    }
    size_t next = 0;
    file.scanBlocks(first, last, [&](int64_t k0, const uint8_t* block, size_t count) {
        const int64_t end = k0 + static_cast<int64_t>(count);
        while (next < wanted.size() && numbers[wanted[next]] < end) {
            const size_t i = wanted[next++];
            std::copy_n(block + static_cast<size_t>(numbers[i] - k0) * size, size,
                        bytes_.data() + i * size);
        }
    });
}

const uint8_t* AffiliateRecordBlock::record(size_t i) const {
    return bytes_.data() + i * AffiliateRecord::kSize;
}

// ---------------------------------------------------------------------------
// The table

// The records of a window of rows, for each detail list.
struct ReportTable::DetailCache {
    size_t first = 0, count = 0;
    std::vector<std::unique_ptr<AffiliateRecordBlock>> blocks;
};

// The window the table's own text() reads through, whichever thread asks.
struct ReportTable::SharedWindow {
    std::mutex lock;
    std::unique_ptr<DetailCache> cache;
};

ReportTable::ReportTable() : shared_(std::make_unique<SharedWindow>()) {}
ReportTable::~ReportTable() = default;
ReportTable::ReportTable(ReportTable&&) noexcept = default;
ReportTable& ReportTable::operator=(ReportTable&&) noexcept = default;

ReportTable::ReportTable(const ReportTable& other)
    : request(other.request),
      caption(other.caption),
      hasTotalRow(other.hasTotalRow),
      showRegisterPayments(other.showRegisterPayments),
      printPos(other.printPos),
      printCols(other.printCols),
      notice(other.notice),
      summedColumns(other.summedColumns),
      header_(other.header_),
      rows_(other.rows_),
      columns_(other.columns_),
      texts_(other.texts_),
      records_(other.records_),
      affiliatesFile_(other.affiliatesFile_),
      regional_(other.regional_),
      shared_(std::make_unique<SharedWindow>()) {}

ReportTable& ReportTable::operator=(const ReportTable& other) {
    if (this != &other) {
        ReportTable copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void ReportTable::setHeader(std::string_view formatString) {
    header_.clear();
    size_t start = 0;
    while (true) {
        size_t bar = formatString.find('|', start);
        header_.emplace_back(formatString.substr(start, bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    rows_ = 1;
    columns_.assign(header_.size(), Column{});
    texts_.clear();
    records_.clear();
    forgetWindow();
    hasTotalRow = false;
    summedColumns.clear();
}

void ReportTable::setColumnCount(size_t columns) {
    header_.resize(columns);
    columns_.resize(columns);
    for (auto it = texts_.begin(); it != texts_.end();)
        it = (it->first & 0xffff) >= columns ? texts_.erase(it) : std::next(it);
}

size_t ReportTable::appendRow() { return rows_++; }

size_t ReportTable::appendTextRow(const std::vector<std::string>& texts) {
    const size_t row = appendRow();
    for (size_t c = 0; c < texts.size(); ++c) setText(row, c, texts[c]);
    return row;
}

void ReportTable::reserveRows(size_t rows) {
    for (Column& col : columns_)
        if (col.kind != Kind::Detail) col.values.reserve(rows);
    for (auto& list : records_) list.reserve(rows);
}

void ReportTable::setPrintLayout(std::initializer_list<int16_t> positions, int16_t columns) {
    size_t i = 0;
    for (int16_t p : positions) {
        if (i == printPos.size()) break;
        printPos[i++] = p;
    }
    printCols = columns;
}

void ReportTable::setRegional(const Regional& regional) {
    // The puts of one report pass the same settings: copied once.
    if (&regional == regionalSource_ && regional.decimalSeparator == regional_.decimalSeparator &&
        regional.shortDateFormat == regional_.shortDateFormat)
        return;
    regional_ = regional;
    regionalSource_ = &regional;
}

ReportTable::Column& ReportTable::column(size_t c) {
    if (columns_.size() <= c) columns_.resize(c + 1);
    return columns_[c];
}

void ReportTable::setKind(Column& col, size_t row, Kind kind) {
    if (col.kind == Kind::None && col.kinds.empty()) col.kind = kind;
    if (col.kind == kind && col.kinds.empty()) return;
    if (col.kinds.size() < rows_) col.kinds.resize(rows_, col.kind);
    col.kinds[row] = kind;
}

void ReportTable::putNumber(size_t row, size_t c, Kind kind, double value) {
    Column& col = column(c);
    if (col.values.size() <= row) col.values.resize(rows_, std::nan(""));
    col.values[row] = value;
    const Kind old = row < col.kinds.size() ? col.kinds[row] : col.kind;
    if (old == Kind::Text && kind != Kind::Text) texts_.erase(key(row, c));
    setKind(col, row, kind);
}

void ReportTable::put(size_t row, size_t c, std::string text, double value) {
    putNumber(row, c, Kind::Text, value);
    texts_[key(row, c)] = std::move(text);
}

void ReportTable::setText(size_t row, size_t c, std::string text) {
    if (row == 0) {
        if (header_.size() <= c) setColumnCount(c + 1);
        header_[c] = std::move(text);
        return;
    }
    put(row, c, std::move(text), std::nan(""));
}

ReportTable::Kind ReportTable::kind(size_t row, size_t c) const {
    if (c >= columns_.size() || row == 0) return Kind::Text;
    const Column& col = columns_[c];
    if (row < col.kinds.size()) return col.kinds[row];
    if (col.kind == Kind::Detail) return Kind::Detail;
    return row < col.values.size() ? col.kind : Kind::None;
}

double ReportTable::number(size_t row, size_t c) const {
    if (c >= columns_.size()) return std::nan("");
    const Column& col = columns_[c];
    if (row >= col.values.size()) return std::nan("");
    const Kind k = row < col.kinds.size() ? col.kinds[row] : col.kind;
    return k == Kind::Label ? std::nan("") : col.values[row];
}

int32_t ReportTable::rowId(size_t row) const {
    // As an ID box reads a number: halves to even, 0 outside the 4-byte range.
    const double id = std::nearbyint(number(row, 0));
    if (!(id >= INT32_MIN && id <= INT32_MAX)) return 0;
    return static_cast<int32_t>(id);
}

void ReportTable::setDetailColumn(size_t c, Field field, size_t list) {
    Column& col = column(c);
    col = Column{};
    col.kind = Kind::Detail;
    col.field = field;
    col.list = static_cast<uint8_t>(list);
    recordNumbers(list);
    forgetWindow();
}

std::vector<int32_t>& ReportTable::recordNumbers(size_t list) {
    if (records_.size() <= list) records_.resize(list + 1);
    forgetWindow();
    return records_[list];
}

void ReportTable::setAffiliatesFile(std::filesystem::path path) {
    affiliatesFile_ = std::move(path);
    forgetWindow();
}

ReportTable::SharedWindow& ReportTable::sharedWindow() const {
    // Only a table moved from has none; it is not read from two threads.
    if (!shared_) shared_ = std::make_unique<SharedWindow>();
    return *shared_;
}

void ReportTable::forgetWindow() {
    if (shared_) shared_->cache.reset();
}

const uint8_t* ReportTable::detailRecord(size_t row, size_t list,
                                         std::unique_ptr<DetailCache>& window) const {
    if (list >= records_.size() || row >= records_[list].size()) return nullptr;
    if (records_[list][row] == kNoRecord) return nullptr;
    if (!window) {
        window = std::make_unique<DetailCache>();
        for (size_t i = 0; i < records_.size(); ++i)
            window->blocks.push_back(std::make_unique<AffiliateRecordBlock>(affiliatesFile_));
    }
    DetailCache& cache = *window;
    if (row < cache.first || row >= cache.first + cache.count) {
        // A window around the row: exports walk forward, a view scrolls both ways.
        cache.first = row > kDetailRows / 8 ? row - kDetailRows / 8 : 0;
        cache.count = std::min(kDetailRows, rows_ - cache.first);
        for (size_t i = 0; i < records_.size(); ++i) {
            const auto& numbers = records_[i];
            const size_t from = std::min(cache.first, numbers.size());
            const size_t to = std::min(cache.first + cache.count, numbers.size());
            cache.blocks[i]->load(std::span(numbers).subspan(from, to - from));
        }
    }
    return cache.blocks[list]->record(row - cache.first);
}

void ReportTable::appendText(std::string& out, size_t row, size_t c) const {
    if (row != 0 && c < columns_.size() && storedKind(columns_[c], row) == Kind::Detail) {
        SharedWindow& shared = sharedWindow();
        const std::lock_guard<std::mutex> hold(shared.lock);
        appendCell(out, row, c, &shared.cache);
        return;
    }
    appendCell(out, row, c, nullptr);
}

void ReportTable::appendCell(std::string& out, size_t row, size_t c,
                             std::unique_ptr<DetailCache>* window) const {
    if (row == 0) {
        if (c < header_.size()) out += header_[c];
        return;
    }
    if (c >= columns_.size()) return;
    const Column& col = columns_[c];
    const Kind k = storedKind(col, row);
    if (k == Kind::Text) {
        if (auto it = texts_.find(key(row, c)); it != texts_.end()) out += it->second;
        return;
    }
    if (k == Kind::Detail) {
        const uint8_t* record = window ? detailRecord(row, col.list, *window) : nullptr;
        if (!record) return;
        if (col.field == Field::Level) {
            append_long(out, le::get_i32(record + kLevelOffset));
        } else {
            const FieldSpan span = kFieldSpans[static_cast<size_t>(col.field)];
            out.append(reinterpret_cast<const char*>(record) + span.offset, span.width);
        }
        return;
    }
    if (row >= col.values.size()) return;
    const double v = col.values[row];
    switch (k) {
        case Kind::Long:
        case Kind::Label:
            if (!std::isnan(v)) append_long(out, static_cast<int64_t>(v));
            break;
        case Kind::Single:
            append_general(out, v, 7, regional_.decimalSeparator);
            break;
        case Kind::Rounded:
            append_general(out, v, 15, regional_.decimalSeparator);
            break;
        case Kind::Date:
            out += format_date(v, regional_);
            break;
        case Kind::NonFinite:
            out += non_finite_text(v);
            break;
        default:
            break;
    }
}

ReportTable::Reader::Reader(const ReportTable& table) : table_(table) {}
ReportTable::Reader::~Reader() = default;

void ReportTable::Reader::appendText(std::string& out, size_t row, size_t column) {
    table_.appendCell(out, row, column, &cache_);
}

std::string ReportTable::Reader::text(size_t row, size_t column) {
    std::string out;
    appendText(out, row, column);
    return out;
}

std::string ReportTable::text(size_t row, size_t c) const {
    std::string out;
    appendText(out, row, c);
    return out;
}

std::vector<std::string> ReportTable::rowTexts(size_t row) const {
    std::vector<std::string> out(columnCount());
    for (size_t c = 0; c < out.size(); ++c) appendText(out[c], row, c);
    return out;
}

void ReportTable::sortRows(size_t first, size_t last, size_t c) {
    if (last <= first + 1) return;
    // Keys as the grid reads its cells: empty, number, or other text.
    struct Key {
        int kind;
        double number = 0;
        std::string text;
    };
    const size_t n = last - first;
    std::vector<Key> keys(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t r = first + i;
        const Kind k = kind(r, c);
        const double v = number(r, c);
        if ((k == Kind::Long || k == Kind::Single || k == Kind::Rounded) && !std::isnan(v)) {
            keys[i] = {1, v, {}};
            continue;
        }
        std::string t = text(r, c);
        if (t.empty())
            keys[i] = {0, 0, {}};
        else if (std::optional<double> x = parse_number(t, regional_))
            keys[i] = {1, *x, {}};
        else
            keys[i] = {2, 0, std::move(t)};
    }
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const Key &x = keys[a], &y = keys[b];
        if (x.kind != y.kind) return x.kind < y.kind;
        if (x.kind == 1) return x.number < y.number;
        if (x.kind == 2) return x.text < y.text;
        return false;
    });
    auto permute = [&](auto& values) {
        if (values.size() <= first) return;
        if (values.size() < last)
            values.resize(last, typename std::decay_t<decltype(values)>::value_type{});
        std::vector<typename std::decay_t<decltype(values)>::value_type> sorted(n);
        for (size_t i = 0; i < n; ++i) sorted[i] = values[first + order[i]];
        std::copy(sorted.begin(), sorted.end(), values.begin() + static_cast<long>(first));
    };
    for (Column& col : columns_) {
        if (!col.values.empty() && col.values.size() < last) col.values.resize(last, std::nan(""));
        permute(col.values);
        if (!col.kinds.empty() && col.kinds.size() < last) col.kinds.resize(last, col.kind);
        permute(col.kinds);
    }
    for (auto& list : records_) {
        if (!list.empty() && list.size() < last) list.resize(last, kNoRecord);
        permute(list);
    }
    if (!texts_.empty()) {
        std::vector<size_t> newRow(n);
        for (size_t i = 0; i < n; ++i) newRow[order[i]] = first + i;
        std::unordered_map<uint64_t, std::string> moved;
        for (auto& [k, t] : texts_) {
            const size_t r = static_cast<size_t>(k >> 16);
            const size_t c2 = static_cast<size_t>(k & 0xffff);
            moved[r >= first && r < last ? key(newRow[r - first], c2) : k] = std::move(t);
        }
        texts_ = std::move(moved);
    }
    forgetWindow();
}

// ---------------------------------------------------------------------------
// Numbers as shown

double shown_value(float value, const Regional& regional) {
    if (!std::isfinite(value)) return value;
    if (value == 0) return 0;
    if (plain_separator(regional.decimalSeparator))
        if (std::optional<double> v = seven_digit_value(value)) return *v;
    return read_back(format_single(value, regional), regional);
}

double shown_value(double value, const Regional& regional) {
    if (!std::isfinite(value)) return value;
    return read_back(format_double(value, regional), regional);
}

float as_single(double value) {
    if (!std::isfinite(value)) return static_cast<float>(value);
    if (!(std::fabs(value) <= FLT_MAX)) return 0.0f;
    return static_cast<float>(value);
}

const char* non_finite_text(double value) {
    if (std::isnan(value)) return "NaN";
    return value < 0 ? "-inf" : "inf";
}

float shown_single(float value, const Regional& regional) {
    return as_single(shown_value(value, regional));
}

void put_date(ReportTable& table, size_t row, size_t column, double date,
              const Regional& regional) {
    table.setRegional(regional);
    table.putNumber(row, column, ReportTable::Kind::Date, date);
    // NaN is the date's number, and still shows as a damaged date.
    if (std::isnan(date)) table.put(row, column, format_date(date, regional), date);
}

void put_long(ReportTable& table, size_t row, size_t column, int64_t value) {
    const auto number = static_cast<double>(value);
    if (std::fabs(number) < 9007199254740992.0)
        table.putNumber(row, column, ReportTable::Kind::Long, number);
    else
        table.put(row, column, format_long(value), number);
}

void put_label(ReportTable& table, size_t row, size_t column, int64_t value) {
    const auto number = static_cast<double>(value);
    if (std::fabs(number) < 9007199254740992.0)
        table.putNumber(row, column, ReportTable::Kind::Label, number);
    else
        table.setText(row, column, format_long(value));
}

namespace {

// A float cell whose text is written from the value it reads back as: the
// 7-digit text of that value is the float's own.
void put_single_value(ReportTable& table, size_t row, size_t column, float value,
                      const Regional& regional) {
    if (!std::isfinite(value)) {
        table.putNumber(row, column, ReportTable::Kind::NonFinite, value);
        return;
    }
    table.putNumber(row, column, ReportTable::Kind::Single, shown_value(value, regional));
}

}  // namespace

void put_single(ReportTable& table, size_t row, size_t column, float value,
                const Regional& regional) {
    table.setRegional(regional);
    put_single_value(table, row, column, value, regional);
}

void put_rounded(ReportTable& table, size_t row, size_t column, double value,
                 const Regional& regional) {
    table.setRegional(regional);
    if (!std::isfinite(value)) {
        table.putNumber(row, column, ReportTable::Kind::NonFinite, value);
        return;
    }
    // Rounded on the number itself: writing it out first would round twice.
    // A number too large for thousandths has no decimals to round.
    double rounded = round3(value);
    if (!std::isfinite(rounded)) rounded = value;
    // Below 1e11 an amount of 3 decimals has at most 15 digits, and its text
    // reads back as the rounded value itself; zero reads back without a sign.
    double shown = rounded;
    if (rounded == 0)
        shown = 0;
    else if (!(std::fabs(rounded) < 1e11))
        shown = read_back(format_double(rounded, regional), regional);
    table.putNumber(row, column, ReportTable::Kind::Rounded, shown);
}

void append_total_row(ReportTable& table, const std::vector<size_t>& summedColumns,
                      const Regional& regional) {
    const size_t last = table.appendRow();
    table.setText(last, 0, " Total");
    for (size_t c : summedColumns) put_rounded(table, last, c, 0, regional);
    table.hasTotalRow = true;
    table.summedColumns = summedColumns;

    // The running total is kept as its cell shows it: `shown` is what the
    // cell reads back as after each addition, `sum` the latest addition.
    std::vector<float> shown(summedColumns.size(), 0.0f);
    std::vector<float> sum(summedColumns.size(), 0.0f);
    for (size_t i = 0; i < summedColumns.size(); ++i) {
        const size_t c = summedColumns[i];
        float running = 0.0f, latest = 0.0f;
        for (size_t r = 1; r < last; ++r) {
            const double n = table.number(r, c);
            const bool damaged = table.kind(r, c) == ReportTable::Kind::NonFinite;
            put_rounded(table, r, c, std::isnan(n) && !damaged ? 0 : n, regional);
            latest = running + as_single(table.number(r, c));
            running = shown_single(latest, regional);
        }
        shown[i] = running;
        sum[i] = latest;
    }
    for (size_t i = 0; i < summedColumns.size(); ++i) {
        const size_t c = summedColumns[i];
        if (last > 1) put_single(table, last, c, sum[i], regional);
        put_rounded(table, last, c, table.number(last, c), regional);
    }
}

std::string title_line(const ReportTable& table, const AppState& state) {
    return table.caption + " from " + format_date(table.request.range.from, state.regional) +
           " to " + format_date(table.request.range.to, state.regional);
}

namespace {

// Renders the text export into `out`, handing it to `spill` whenever it holds
// more than `spillAt` bytes, so that a file can be written piece by piece.
template <typename Spill>
void render_text(const ReportTable& table, char separator, const AppState& state, std::string& out,
                 size_t spillAt, Spill spill) {
    out += title_line(table, state);
    out += kLineEnd;
    out += kLineEnd;
    // A window of its own: the grid may be painted from the same table meanwhile.
    ReportTable::Reader reader(table);
    const size_t columns = table.columnCount();
    for (size_t r = 0; r < table.rowCount(); ++r) {
        for (size_t c = 0; c < columns; ++c) {
            if (c > 0) out += separator;
            reader.appendText(out, r, c);
        }
        out += kLineEnd;
        if (out.size() > spillAt) spill(out);
    }
}

// Renders the HTML export into `out`, spilling it as render_text does.
template <typename Spill>
void render_html(const ReportTable& table, const AppState& state, std::string& out, size_t spillAt,
                 Spill spill) {
    out += "<html> <body>";
    out += kLineEnd;
    append_html_text(out, title_line(table, state));
    out += kLineEnd;
    out += "<br>";
    out += kLineEnd;
    out += "<br>";
    out += kLineEnd;
    out += "<table cellpadding=2 border=3 align='left'> ";
    out += kLineEnd;
    std::string cell;
    ReportTable::Reader reader(table);
    const size_t columns = table.columnCount();
    for (size_t r = 0; r < table.rowCount(); ++r) {
        const char* open = r == 0 ? "<th>" : "<td>";
        const char* close = r == 0 ? "</th>" : "</td>";
        out += "<tr>";
        out += kLineEnd;
        for (size_t c = 0; c < columns; ++c) {
            out += open;
            cell.clear();
            reader.appendText(cell, r, c);
            append_html_text(out, cell);
            out += close;
            out += kLineEnd;
        }
        out += "</tr>";
        out += kLineEnd;
        if (out.size() > spillAt) spill(out);
    }
    out += "</body> </html>";
    out += kLineEnd;
}

// Writes what `render(out, spillAt, spill)` produces to `path`, piece by piece.
// A stop asked for before the commit leaves the earlier export as it was.
template <typename Render>
void save_in_pieces(const std::filesystem::path& path, Progress& progress, Render render) {
    AtomicFile file(path);
    std::string piece;
    piece.reserve(kPieceSize + 4096);
    int64_t written = 0;
    progress.stage("Saving the report", 0, "bytes");
    auto spill = [&](std::string& out) {
        written += static_cast<int64_t>(out.size());
        progress.step(written);
        file.write(out);
        out.clear();
    };
    render(piece, kPieceSize, spill);
    spill(piece);
    progress.check();
    file.commit();
}

}  // namespace

std::string export_text(const ReportTable& table, char separator, const AppState& state) {
    std::string out;
    render_text(table, separator, state, out, std::string::npos, [](std::string&) {});
    return out;
}

void stream_text(const ReportTable& table, char separator, const AppState& state,
                 const std::function<void(std::string_view)>& write) {
    std::string piece;
    piece.reserve(kPieceSize + 4096);
    auto spill = [&](std::string& out) {
        write(out);
        out.clear();
    };
    render_text(table, separator, state, piece, kPieceSize, spill);
    spill(piece);
}

std::string export_html(const ReportTable& table, const AppState& state) {
    std::string out;
    render_html(table, state, out, std::string::npos, [](std::string&) {});
    return out;
}

std::filesystem::path save_text(const ReportTable& table, char separator, const AppState& state,
                                Progress& progress) {
    auto folder = state.appDir / "output";
    ensure_folder(folder);
    auto path = folder / (report_file_name(table.caption, ".txt"));
    save_in_pieces(path, progress, [&](std::string& out, size_t spillAt, auto spill) {
        render_text(table, separator, state, out, spillAt, spill);
    });
    return path;
}

std::filesystem::path save_html(const ReportTable& table, const AppState& state,
                                Progress& progress) {
    auto folder = state.appDir / "output" / "html";
    ensure_folder(folder);
    auto path = folder / (report_file_name(table.caption, ".htm"));
    save_in_pieces(path, progress, [&](std::string& out, size_t spillAt, auto spill) {
        render_html(table, state, out, spillAt, spill);
    });
    return path;
}

}  // namespace qdx
