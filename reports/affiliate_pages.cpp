// The earnings page and the downline page of every affiliate. Everything
// the pages read is loaded once: the referral tree with its children, the
// activity of the range, the downline cache's lists and the fields shown.
#include "reports/affiliate_pages.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/accounts.h"
#include "core/corrections.h"
#include "core/downline_cache.h"
#include "core/files.h"
#include "core/level_marks.h"
#include "core/platform/platform.h"
#include "core/progress.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/referral_index.h"
#include "core/text_field.h"
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
    const DateRange range;
    ReferralIndex index;
    int32_t count = 0;  // affiliates on file
    // The activity file as it stands, kept in step with every rank marking.
    std::optional<LevelMarker> marker;

    DownlineLists lists;
    std::vector<int32_t> idField;  // the record's own ID field, 1..count
    std::string fields;            // MemberFields of records 1..count
    AffiliateRecord absent;        // what a record beyond the file reads as

    // The refunds of the range. With any, a page whose network has one shows
    // its sales as sold (`sold`, before the refunds) and each refund on a
    // line of its own below them, taking its commission back.
    std::vector<RangeCorrection> refunds;
    std::vector<uint8_t> hasRefund;  // 1..count: the affiliate's sale was refunded
    std::vector<float> sold;         // 1..count: own sales of the range
    std::vector<int32_t> rankOf;     // 1..count: the rank on the page being written

    Impl(const AppState& s, const DateRange& r) : state(s), range(r) {}

    const ReferralTree& tree() const { return index.tree(); }
    void load(const std::vector<ActivityRecord>& activity);
    void loadRefunds();
    std::string earningsPage(int32_t id, float income);
    void refundLines(std::string& out, const std::vector<std::pair<int32_t, int32_t>>& ranked);
    std::string downlinePage(int32_t id);
    void memberLine(std::string& out, int32_t member, int32_t rootLevel) const;
};

void PageWriter::Impl::load(const std::vector<ActivityRecord>& activity) {
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
    marker.emplace(state, activity, INT64_MAX);
    lists = DownlineLists::load(state, count);
    loadRefunds();
}

void PageWriter::Impl::loadRefunds() {
    refunds = refunds_in_range(state, range, count).corrections;
    if (refunds.empty()) return;
    const auto n = static_cast<size_t>(count) + 1;
    hasRefund.assign(n, 0);
    rankOf.assign(n, 0);
    for (const RangeCorrection& r : refunds) hasRefund[static_cast<size_t>(r.affiliate)] = 1;
    // Summed as the activity file sums them, before its refunds are taken off.
    sold.assign(n, 0.0f);
    RecordFile sales = open_input(state.dataFile(file::kSales), MoneyRecord::kSize);
    if (!sales.isOpen()) return;
    sales.scan(1, sales.count(), [&](int64_t, const uint8_t* bytes) {
        const MoneyRecord sale = MoneyRecord::decode(bytes);
        if (!range.contains(sale.date) || !tree().contains(sale.affiliateId)) return;
        float& v = sold[static_cast<size_t>(sale.affiliateId)];
        v = add_single(v, sale.sum);
    });
}

void PageWriter::Impl::refundLines(std::string& out,
                                   const std::vector<std::pair<int32_t, int32_t>>& ranked) {
    const Regional& regional = state.regional;
    for (const auto& [member, rank] : ranked) rankOf[static_cast<size_t>(member)] = rank;
    out += std::string(
               "<tr> <th>Refunded on</th><th>ID   </th><th>Sub level</th><th>Refund   </th>"
               "<th>Taken back</th></tr>") +
           kEnd;
    for (const RangeCorrection& r : refunds) {
        const int32_t rank = rankOf[static_cast<size_t>(r.affiliate)];
        if (rank == 0) continue;
        const auto back =
            static_cast<float>(round3(refund_reward(state.settings, rank, r.sum, r.targetSum)));
        const std::string cells[] = {format_date(r.date, regional), format_long(r.affiliate),
                                     format_long(rank - 1), format_single(r.sum, regional),
                                     format_single(back == 0 ? 0.0f : -back, regional)};
        out += "<tr>";
        for (const std::string& cell : cells) {
            out += "<td>";
            append_html_text(out, cell);
            out += "</td>";
        }
        out += std::string("</tr>") + kEnd;
    }
    for (const auto& [member, rank] : ranked) rankOf[static_cast<size_t>(member)] = 0;
}

std::string PageWriter::Impl::earningsPage(int32_t id, float income) {
    const Regional& regional = state.regional;
    std::string out;
    out +=
        std::string("<html>") + kEnd + "<title> Earnings Report </title>" + kEnd + "<body>" + kEnd;
    out += " Your income for the period from " + format_date(range.from, regional) + " to " +
           format_date(range.to, regional) + " is " + format_single(income, regional) + kEnd;
    out += std::string("<br>") + kEnd + "<br>" + kEnd;
    if (income == 0) return out + "</body></html>" + kEnd;

    out += std::string("Structure of your income") + kEnd + "<br>" + kEnd + "<br>" + kEnd;
    out += std::string("<table cellpadding=2 border=3 align='left'> ") + kEnd;
    out += std::string(
               "<tr> <th>ID   </th><th>Sub level</th><th>Sale   </th><th>Commissions</th>"
               "<th>Income   </th></tr>") +
           kEnd;
    const Settings& settings = state.settings;
    auto ranks = marker->mark(index, id, settings.levelsInUse);
    // With refunds on the page its sales are shown as sold. (Without, the
    // ranked members' volumes are their sales as sold already.)
    std::vector<std::pair<int32_t, int32_t>> refunded;
    if (!refunds.empty()) {
        std::vector<std::pair<int32_t, int32_t>> soldRanks;
        for (const auto& ranked : index.ranks(id, settings.levelsInUse, [&](int32_t m) {
                 if (m < 1 || m > count) return false;
                 const auto k = static_cast<size_t>(m);
                 return hasRefund[k] != 0 || sold[k] > 0;
             })) {
            const auto k = static_cast<size_t>(ranked.first);
            if (hasRefund[k] != 0) refunded.push_back(ranked);
            if (sold[k] > 0) soldRanks.push_back(ranked);
        }
        if (!refunded.empty()) ranks = std::move(soldRanks);
    }
    for (const auto& [i, rank] : ranks) {
        if (rank > 8) throw ReportError("rank out of range");
        const float v = refunded.empty() ? marker->volume(i) : sold[static_cast<size_t>(i)];
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
    if (!refunded.empty()) {
        for (const auto& [i, rank] : refunded)
            if (rank > 8) throw ReportError("rank out of range");
        refundLines(out, refunded);
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
    out += " Your downline on the date " + format_date(range.to, state.regional) + kEnd;
    out += std::string("<br>") + kEnd + "<br>" + kEnd;
    out += std::string("<table cellpadding=2 border=3 align='left'> ") + kEnd;
    out += std::string(
               "<tr> <th>Sub level  </th><th>ID   </th><th>Name    </th><th>Surname   </th>"
               "<th>E-mail         </th><th>Phone  </th></tr>") +
           kEnd;
    const std::vector<int32_t> members = lists.downline(id, static_cast<size_t>(count));
    // Nobody is listed on the page of an affiliate registered after the range.
    if (tree().dateOf(id) <= range.to) {
        const int32_t rootLevel = tree().levelOf(id);
        for (int32_t member : members) memberLine(out, member, rootLevel);
    }
    return out + "</body></html>" + kEnd;
}

namespace {
std::filesystem::path page_folder(const AppState& state) { return state.appDir / "HTML"; }
// The run's pages are appended to this one file and copied into HTML only
// once all of them are written, so that a stopped or failed run leaves the
// earlier set whole.
std::filesystem::path staging_file(const AppState& state) { return state.appDir / "HTML.partial"; }
void remove_staging(const AppState& state) {
    std::error_code ignored;
    // remove_all: a folder of that name is what an older Qdx staged into.
    std::filesystem::remove_all(staging_file(state), ignored);
}

constexpr size_t kStagingBlock = 4 << 20;

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path, int err) {
    throw FileError(what, path, err);
}

void write_all(platform::File& file, const char* data, size_t size,
               const std::filesystem::path& path) {
    if (const int err = file.write(data, size).error; err != 0) fail("write", path, err);
}
}  // namespace

struct PageWriter::Staging {
    struct Page {
        int32_t id;
        bool downline;
        uint64_t offset, length;
    };
    std::filesystem::path path;
    platform::File file;
    std::string pending;  // bytes not yet appended to the file
    uint64_t size = 0;    // bytes of the file and pending together
    std::vector<Page> pages;

    void add(int32_t id, bool downline, const std::string& text) {
        pages.push_back({id, downline, size, text.size()});
        pending += text;
        size += text.size();
        if (pending.size() >= kStagingBlock) flush();
    }
    void flush() {
        write_all(file, pending.data(), pending.size(), path);
        pending.clear();
    }
};

PageWriter::PageWriter(const AppState& state, const DateRange& range, Progress& progress)
    : impl_(std::make_unique<Impl>(state, range)), progress_(progress) {
    // What a run that ended before its pages were in place left. Its pages
    // are not put in place: a crash while they were being copied leaves
    // some pages of that run and some earlier ones until this run ends.
    remove_staging(state);
    const std::vector<ActivityRecord> activity = build_activity(state, range, progress);
    refresh_downline_cache(state, progress);
    impl_->load(activity);
}

PageWriter::~PageWriter() {
    if (staging_) {
        staging_.reset();
        remove_staging(impl_->state);
    }
}

void PageWriter::write(int32_t id, float income) {
    if (id < 1) return;  // affiliates are numbered from 1
    if (!staging_) {
        auto staging = std::make_unique<Staging>();
        staging->path = staging_file(impl_->state);
        if (const int err =
                staging->file.open(staging->path, platform::Mode::ReadWriteTruncate, {0600, false});
            err != 0)
            fail("write", staging->path, err);
        staging_ = std::move(staging);
    }
    staging_->add(id, false, impl_->earningsPage(id, income));
    staging_->add(id, true, impl_->downlinePage(id));
}

void PageWriter::finish() {
    // The activity file as the last page's marking leaves it. (A stopped
    // run leaves it as build_activity wrote it.)
    impl_->marker->save();
    if (!staging_) return;
    Staging& staging = *staging_;
    staging.flush();
    const auto folder = page_folder(impl_->state);
    ensure_folder(folder);
    platform::Folder dir;
    if (const int err = dir.open(folder); err != 0) fail("open", folder, err);

    // Not stopped half-way. An existing page is overwritten where it is and
    // cut to its new length: its blocks are reused, where a rename over it
    // or a new file would free and allocate them (five to fifty times slower
    // on a disk that discards freed blocks).
    const auto total = static_cast<int64_t>(staging.pages.size());
    progress_.finalStage("Putting the pages in place", total, "pages");
    std::string bytes;
    int64_t done = 0;
    for (const Staging::Page& p : staging.pages) {
        bytes.resize(p.length);
        const platform::Io got = staging.file.readAt(p.offset, bytes.data(), p.length);
        if (got.bytes != p.length) fail("read", staging.path, got.error ? got.error : EIO);
        const std::string name = " " + std::to_string(p.id) + (p.downline ? "d.html" : ".html");
        // A new page needs no cut: on ext4 even a cut to the same length
        // journals the file once more.
        platform::File page;
        int err = dir.openFile(page, name, platform::Mode::WriteNew, {0644, /*noFollow=*/true});
        const bool existed = err == EEXIST;
        if (existed)
            err = dir.openFile(page, name, platform::Mode::WriteCreate, {0644, /*noFollow=*/true});
        if (err != 0) fail("write", folder / name, err);
        write_all(page, bytes.data(), bytes.size(), folder / name);
        if (existed) {
            if (const int cut = page.truncate(bytes.size()); cut != 0)
                fail("write", folder / name, cut);
        }
        progress_.tell(++done);
    }
    if (const int err = dir.syncAll(); err != 0) fail("write", folder, err);
    staging_.reset();
    remove_staging(impl_->state);
}

}  // namespace qdx
