// The earnings page and the downline page of every affiliate. Everything
// the pages read is loaded once: the referral tree with its children, the
// activity of the range, the downline cache's lists and the fields shown.
#include "reports/affiliate_pages.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/accounts.h"
#include "core/atomic_file.h"
#include "core/files.h"
#include "core/level_marks.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/referral_index.h"
#include "core/text_field.h"
#include "reports/downline_cache.h"
#include "reports/html_text.h"
#include "reports/reports.h"

namespace qdx {

namespace {

constexpr const char* kEnd = "\r\n";

// The fields a downline line shows, at their stored widths.
struct MemberFields {
    static constexpr size_t kWidth = width::kName + width::kSurname + width::kEmail + width::kPhone;
    static std::string pack(const AffiliateRecord& a) {
        return fit_field(a.name, width::kName) + fit_field(a.surname, width::kSurname) +
               fit_field(a.email, width::kEmail) + fit_field(a.phone, width::kPhone);
    }
};

}  // namespace

struct PageWriter::Impl {
    const AppState& state;
    ReferralIndex index;
    int32_t count = 0;  // affiliates on file
    // The activity file as it stands, kept in step with every rank marking.
    std::optional<LevelMarker> marker;

    DownlineLists lists;
    std::vector<int32_t> idField;  // the record's own ID field, 1..count
    std::string fields;            // MemberFields of records 1..count
    AffiliateRecord absent;        // what a record beyond the file reads as
    bool written = false;          // pages to put on disk at finish()

    explicit Impl(const AppState& s) : state(s) {}

    const ReferralTree& tree() const { return index.tree(); }
    void load();
    std::string earningsPage(int32_t id, float income);
    std::string downlinePage(int32_t id);
    void memberLine(std::string& out, int32_t member, int32_t rootLevel) const;
};

void PageWriter::Impl::load() {
    const auto path = state.dataFile(file::kAffiliates);
    if (file_exists(path)) {
        RecordFile affiliates(path, AffiliateRecord::kSize);
        index = ReferralIndex(ReferralTree::fromFile(affiliates));
        count = index.count();
        idField.assign(static_cast<size_t>(count) + 1, 0);
        fields.reserve(static_cast<size_t>(count) * MemberFields::kWidth);
        affiliates.scan(1, count, [&](int64_t k, const uint8_t* bytes) {
            const AffiliateRecord a = AffiliateRecord::decode(bytes);
            idField[static_cast<size_t>(k)] = a.id;
            fields += MemberFields::pack(a);
        });
    }
    const uint8_t zeros[AffiliateRecord::kSize] = {};
    absent = AffiliateRecord::decode(zeros);
    // Every activity record is marked, also any beyond the affiliates.
    marker.emplace(state, INT64_MAX);
    lists = DownlineLists::load(state, count);
}

std::string PageWriter::Impl::earningsPage(int32_t id, float income) {
    const Regional& regional = state.regional;
    std::string out;
    out +=
        std::string("<html>") + kEnd + "<title> Earnings Report </title>" + kEnd + "<body>" + kEnd;
    out += " Your income for the period from " + format_date(state.datefrom, regional) + " to " +
           format_date(state.dateto, regional) + " is " + format_single(income, regional) + kEnd;
    out += std::string("<br>") + kEnd + "<br>" + kEnd;
    if (income == 0) return out + "</body></html>" + kEnd;

    out += std::string("Structure of your income") + kEnd + "<br>" + kEnd + "<br>" + kEnd;
    out += std::string("<table cellpadding=2 border=3 align='left'> ") + kEnd;
    out += std::string(
               "<tr> <th>ID   </th><th>Sub level</th><th>Sale   </th><th>Commissions</th>"
               "<th>Income   </th></tr>") +
           kEnd;
    const auto ranks = marker->mark(index, id, state.settings.levelsInUse);
    const Settings& settings = state.settings;
    for (const auto& [i, rank] : ranks) {
        if (rank > 8) throw ReportError("rank out of range");
        const float v = marker->volume(i);
        const float rate = settings.rewards[static_cast<size_t>(rank)];
        float commission = rate;
        if (settings.payType == 1) {
            const float product = rate * v;  // single precision throughout
            const float share = product / 100.0f;
            commission = static_cast<float>(round3(share));
        }
        out += "<tr><td>" + format_long(i) + "</td><td>" + format_long(rank - 1) + "</td><td>" +
               format_single(v, regional) + "</td><td>" + format_single(rate, regional) +
               "</td><td>" + format_single(commission, regional) + "</td></tr>" + kEnd;
    }
    return out + "</body></html>" + kEnd;
}

void PageWriter::Impl::memberLine(std::string& out, int32_t member, int32_t rootLevel) const {
    std::string_view name = absent.name, surname = absent.surname, email = absent.email,
                     phone = absent.phone;
    int32_t ownId = absent.id;
    if (tree().contains(member)) {
        std::string_view packed(
            fields.data() + static_cast<size_t>(member - 1) * MemberFields::kWidth,
            MemberFields::kWidth);
        name = packed.substr(0, width::kName);
        surname = packed.substr(width::kName, width::kSurname);
        email = packed.substr(width::kName + width::kSurname, width::kEmail);
        phone = packed.substr(width::kName + width::kSurname + width::kEmail, width::kPhone);
        ownId = idField[static_cast<size_t>(member)];
    }
    out += "<tr><td>";
    out += format_long(static_cast<int64_t>(tree().levelOf(member)) - rootLevel);
    out += "</td><td>";
    out += format_long(ownId);
    out += "</td><td>";
    append_html_text(out, name);
    out += "</td><td>";
    append_html_text(out, surname);
    out += "</td><td>";
    append_html_text(out, email);
    out += "</td> <td> ";
    append_html_text(out, phone);
    out += "</td></tr>";
    out += kEnd;
}

std::string PageWriter::Impl::downlinePage(int32_t id) {
    std::string out;
    out +=
        std::string("<html>") + kEnd + "<title> Downline Report </title>" + kEnd + "<body>" + kEnd;
    out += " Your downline on the date " + format_date(state.dateto, state.regional) + kEnd;
    out += std::string("<br>") + kEnd + "<br>" + kEnd;
    out += std::string("<table cellpadding=2 border=3 align='left'> ") + kEnd;
    out += std::string(
               "<tr> <th>Sub level  </th><th>ID   </th><th>Name    </th><th>Surname   </th>"
               "<th>E-mail         </th><th>Phone  </th></tr>") +
           kEnd;
    const std::vector<int32_t> members = lists.downline(id, static_cast<size_t>(count));
    // Nobody is listed on the page of an affiliate registered after the range.
    if (tree().dateOf(id) <= state.dateto) {
        const int32_t rootLevel = tree().levelOf(id);
        for (int32_t member : members) memberLine(out, member, rootLevel);
    }
    return out + "</body></html>" + kEnd;
}

namespace {
void write_page(const std::filesystem::path& path, const std::string& text) {
    AtomicFile page(path, AtomicFile::Sync::Later);
    page.write(text);
    page.commit();
}
}  // namespace

namespace {
std::filesystem::path page_folder(const AppState& state) { return state.appDir / "HTML"; }
// The run's pages are written here and moved into HTML only once all of them
// are written, so that a stopped or failed run leaves the earlier set whole.
std::filesystem::path staging_folder(const AppState& state) {
    return state.appDir / "HTML.partial";
}
void remove_staging(const AppState& state) {
    std::error_code ignored;
    std::filesystem::remove_all(staging_folder(state), ignored);
}
}  // namespace

PageWriter::PageWriter(const AppState& state, Progress& progress)
    : impl_(std::make_unique<Impl>(state)) {
    remove_staging(state);  // what a run that never ended left
    build_activity(state, progress);
    check_downline(state, progress);
    impl_->load();
}

PageWriter::~PageWriter() {
    if (impl_->written) remove_staging(impl_->state);
}

void PageWriter::write(int32_t id, float income) {
    if (id < 1) return;  // affiliates are numbered from 1
    const auto folder = staging_folder(impl_->state);
    if (!impl_->written) ensure_folder(folder);
    impl_->written = true;
    const std::string stem = " " + std::to_string(id);
    write_page(folder / (stem + ".html"), impl_->earningsPage(id, income));
    write_page(folder / (stem + "d.html"), impl_->downlinePage(id));
}

void PageWriter::finish() {
    if (!impl_->written) return;
    const auto staging = staging_folder(impl_->state);
    const auto folder = page_folder(impl_->state);
    sync_filesystem(staging);
    ensure_folder(folder);
    // The move is not stopped half-way: a rename per page replaces its
    // earlier version.
    for (const auto& entry : std::filesystem::directory_iterator(staging))
        std::filesystem::rename(entry.path(), folder / entry.path().filename());
    sync_filesystem(folder);
    remove_staging(impl_->state);
    impl_->written = false;
}

}  // namespace qdx
