#include "reports/report_table.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "core/affiliate_lookup.h"
#include "reports/shown_numbers.h"

namespace qdx {

namespace {

// Rows whose affiliate records are read at once for the detail columns.
constexpr size_t kDetailRows = 4096;

void append_long(std::string& out, int64_t value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// The value of a text the number formatters wrote (0 when it is not a number).
double read_back(const std::string& text, const Regional& regional) {
    return parse_number(text, regional).value_or(0);
}

}  // namespace

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

size_t ReportTable::appendRows(size_t count) {
    const size_t first = rows_;
    rows_ += count;
    return first;
}

bool ReportTable::readyColumns(size_t count) {
    if (count > 0) column(count - 1);
    for (Column& col : columns_) {
        if (col.kind == Kind::Detail || col.values.size() >= rows_) continue;
        // Rows not put yet stay empty, in a column that already has a kind too.
        if (col.kind != Kind::None || !col.kinds.empty()) {
            col.kinds.resize(col.values.size(), col.kind);
            col.kinds.resize(rows_, Kind::None);
        }
        col.values.resize(rows_, std::nan(""));
    }
    return texts_.empty();
}

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

std::span<const double> ReportTable::numbers(size_t c) const {
    if (c >= columns_.size()) return {};
    return columns_[c].values;
}

int32_t ReportTable::rowId(size_t row) const {
    // As an ID box reads a number: halves to even, 0 outside the 4-byte range.
    const double id = std::nearbyint(number(row, 0));
    if (!(id >= INT32_MIN && id <= INT32_MAX)) return 0;
    return static_cast<int32_t>(id);
}

void ReportTable::setDetailColumn(size_t c, Field field, size_t list) {
    // Refused before the column changes, so a refusal leaves the table as it was.
    const layout::Span span = layout::affiliate::span(field);
    if (span.type != layout::Type::Text && span.type != layout::Type::Int32)
        throw std::logic_error("a detail column shows a text or a whole number");
    Column& col = column(c);
    col = Column{};
    col.kind = Kind::Detail;
    col.field = span;
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
        if (col.field.type == layout::Type::Int32)
            append_long(out, le::get_i32(record + col.field.offset));
        else
            out += layout::text_at(record, col.field);
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
    if (round_ && row != 0 && column < table_.columns_.size() &&
        storedKind(table_.columns_[column], row) == Kind::Detail &&
        table_.appendFromRound(out, *round_, column, row, place_))
        return;
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

void ReportTable::reorderRows(size_t first, std::span<const size_t> order) {
    const size_t n = order.size();
    if (n < 2) return;
    const size_t last = first + n;
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

}  // namespace qdx
