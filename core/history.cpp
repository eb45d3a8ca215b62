#include "core/history.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/cp1252.h"
#include "core/ole_date.h"
#include "core/platform/platform.h"

namespace qdx {

namespace fs = std::filesystem;

namespace {

std::string now_with_offset() {
    const std::time_t t = std::time(nullptr);
    const std::tm local = platform::local_time(t);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const int offset = platform::utc_offset_minutes(t);
    const int minutes = offset < 0 ? -offset : offset;
    char zone[16];  // +01:00
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return std::string(text) + zone;
}

std::string login_name() { return platform::user_name(); }

std::string program_name() {
    const fs::path exe = platform::program_path();
    return exe.empty() ? std::string("?") : exe.filename().string();
}

std::string one_line(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return out;
}

[[noreturn]] void cannot(const fs::path& path, int err) {
    throw HistoryError("The history " + path.string() + " cannot be written (" +
                       platform::error_text(err) + "); nothing was changed.");
}

std::string text_value(const std::string& ansi) {
    std::string v = ansi;
    while (!v.empty() && v.back() == ' ') v.pop_back();
    return cp1252_to_utf8(v);
}

template <class T>
std::string num(T v) {
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return std::string(text, ec == std::errc() ? end : text);
}

}  // namespace

std::string history_now() { return now_with_offset(); }

std::string history_date(double date) {
    if (!is_calendar_date(date)) return "? (" + num(date) + ")";
    const Ymd d = ymd_from_ole(date);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
    return text;
}

namespace {

std::string date_value(double date) { return history_date(date); }

// Collects "Field: before → after" for the fields that differ.
struct Changes {
    bool created;
    std::string out;
    void add(const char* field, const std::string& before, const std::string& after) {
        if (!created && before == after) return;
        if (created && after.empty()) return;
        out += out.empty() ? "" : "; ";
        out += field;
        out += created ? ": " + after : ": " + before + " → " + after;
    }
};

}  // namespace

fs::path history_file(const fs::path& appDir) { return appDir / "data" / "history.log"; }

void write_history(const fs::path& appDir, std::string_view registerName, int64_t record,
                   std::string_view what) {
    const fs::path path = history_file(appDir);
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    platform::File file;
    if (const int err = file.open(path, platform::Mode::AppendCreate); err != 0) cannot(path, err);
    std::string line;
    // A line cut by a stop is ended, so that this one starts a line of its own.
    uint64_t size = 0;
    if (const int err = file.size(size); err != 0) cannot(path, err);
    if (size > 0) {
        char last = '\n';
        const platform::Io io = file.readAt(size - 1, &last, 1);
        if (io.bytes != 1) cannot(path, io.error ? io.error : EIO);
        if (last != '\n') line += '\n';
    }
    line += now_with_offset() + '\t' + one_line(login_name()) + '\t' + one_line(program_name()) +
            '\t' + one_line(registerName) + '\t' + (record > 0 ? std::to_string(record) : "") +
            '\t' + one_line(what) + '\n';
    if (const int err = file.write(line.data(), line.size()).error; err != 0) {
        // Take back what got in, so that the log holds no half line. Should
        // that fail, the next line starts on a line of its own in any case.
        file.truncate(size);
        cannot(path, err);
    }
    if (const int err = file.syncData(); err != 0) cannot(path, err);
}

void check_history_writable(const fs::path& appDir) {
    const fs::path path = history_file(appDir);
    std::error_code ec;
    if (fs::exists(path, ec)) {
        platform::File file;
        if (const int err = file.open(path, platform::Mode::Append); err != 0) cannot(path, err);
        if (fs::is_directory(path, ec)) cannot(path, EISDIR);
        return;
    }
    fs::path folder = path.parent_path();
    while (!folder.empty() && !fs::exists(folder, ec) && folder != folder.parent_path())
        folder = folder.parent_path();
    if (folder.empty()) return;
    if (const int err = platform::check_writable(folder); err != 0) cannot(path, err);
}

std::string record_changes(const AffiliateRecord* b, const AffiliateRecord& a) {
    Changes c{b == nullptr, {}};
    const AffiliateRecord none;
    const AffiliateRecord& o = b ? *b : none;
    c.add("Name", text_value(o.name), text_value(a.name));
    c.add("Surname", text_value(o.surname), text_value(a.surname));
    c.add("Street", text_value(o.street), text_value(a.street));
    c.add("City", text_value(o.city), text_value(a.city));
    c.add("Post_Cod", text_value(o.postCod), text_value(a.postCod));
    c.add("Country", text_value(o.country), text_value(a.country));
    c.add("Phone", text_value(o.phone), text_value(a.phone));
    c.add("E_mail", text_value(o.email), text_value(a.email));
    c.add("URL", text_value(o.url), text_value(a.url));
    c.add("Affiliate's ID", num(o.id), num(a.id));
    c.add("Referrer's ID", num(o.referrerId), num(a.referrerId));
    c.add("Additional Info", text_value(o.additionalInfo), text_value(a.additionalInfo));
    c.add("Level", num(o.level), num(a.level));
    c.add("Date", date_value(o.date), date_value(a.date));
    return c.out;
}

std::string record_changes(const MoneyRecord* b, const MoneyRecord& a) {
    Changes c{b == nullptr, {}};
    const MoneyRecord none;
    const MoneyRecord& o = b ? *b : none;
    c.add("Affiliate's ID", num(o.affiliateId), num(a.affiliateId));
    c.add("Sum", num(o.sum), num(a.sum));
    c.add("Date", date_value(o.date), date_value(a.date));
    return c.out;
}

std::string record_changes(const CommunicationRecord* b, const CommunicationRecord& a) {
    Changes c{b == nullptr, {}};
    const CommunicationRecord none;
    const CommunicationRecord& o = b ? *b : none;
    c.add("Affiliate's ID", num(o.affiliateId), num(a.affiliateId));
    c.add("Subject", text_value(o.subject), text_value(a.subject));
    c.add("Date", date_value(o.date), date_value(a.date));
    c.add("Date of responce", date_value(o.responseDate), date_value(a.responseDate));
    return c.out;
}

std::string record_changes(const SettingsRecord* b, const SettingsRecord& a) {
    Changes c{b == nullptr, {}};
    const SettingsRecord none;
    const SettingsRecord& o = b ? *b : none;
    c.add("Type", text_value(o.type), text_value(a.type));
    c.add("MinPayment", num(o.minPayment), num(a.minPayment));
    c.add("Periodicity", num(o.periodicity), num(a.periodicity));
    c.add("Unit", text_value(o.unit), text_value(a.unit));
    static const char* const levels[] = {"L1", "L2", "L3", "L4", "L5", "L6", "L7", "L8"};
    for (size_t k = 0; k < 8; ++k) c.add(levels[k], num(o.levels[k]), num(a.levels[k]));
    return c.out;
}

std::vector<HistoryLine> parse_history(std::string_view text) {
    std::vector<HistoryLine> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const bool cut = end == std::string_view::npos;
        std::string_view line = text.substr(at, cut ? std::string_view::npos : end - at);
        at = cut ? text.size() : end + 1;
        if (line.empty() && !cut) continue;
        HistoryLine h;
        h.cut = cut;
        std::string_view parts[6];
        size_t n = 0, from = 0;
        while (n < 5) {
            const size_t tab = line.find('\t', from);
            if (tab == std::string_view::npos) break;
            parts[n++] = line.substr(from, tab - from);
            from = tab + 1;
        }
        bool ok = n == 5;
        int64_t record = 0;
        if (ok) {
            parts[5] = line.substr(from);
            if (!parts[4].empty()) {
                auto [p, ec] =
                    std::from_chars(parts[4].data(), parts[4].data() + parts[4].size(), record);
                ok = ec == std::errc() && p == parts[4].data() + parts[4].size() && record > 0;
            }
            ok = ok && parts[0].size() >= 10;
        }
        if (ok) {
            h.time = parts[0];
            h.user = parts[1];
            h.program = parts[2];
            h.registerName = parts[3];
            h.record = record;
            h.what = parts[5];
        } else {
            h.what = line;
        }
        lines.push_back(std::move(h));
    }
    return lines;
}

std::string history_day(const HistoryLine& line) {
    if (line.time.size() < 10) return {};
    const std::string day = line.time.substr(0, 10);
    int y = 0, m = 0, d = 0;
    if (std::sscanf(day.c_str(), "%4d-%2d-%2d", &y, &m, &d) != 3) return {};
    return day;
}

}  // namespace qdx
