#include "core/demo_program.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/bank_details.h"
#include "core/corrections.h"
#include "core/cp1252.h"
#include "core/files.h"
#include "core/history.h"
#include "core/ole_date.h"
#include "core/payee_file.h"
#include "core/payment_runs.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/sample_program.h"
#include "core/text_field.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

// Text is Windows-1252: "\xE9" is é, "\xFC" is ü and so on.
struct Person {
    const char* name;
    const char* ascii;  // for the e-mail address
};
const Person kFirstNames[] = {
    {"Anna", "anna"},     {"Ben", "ben"},       {"Carla", "carla"},
    {"David", "david"},   {"Eva", "eva"},       {"Fran\xE7oise", "francoise"},
    {"Gregor", "gregor"}, {"Hannah", "hannah"}, {"Ian", "ian"},
    {"Jos\xE9", "jose"},  {"Karen", "karen"},   {"Liam", "liam"},
    {"Marta", "marta"},   {"Niels", "niels"},   {"Olivia", "olivia"},
    {"Pedro", "pedro"},   {"Rachel", "rachel"}, {"S\xF8ren", "soren"},
    {"Tom", "tom"},       {"Ursula", "ursula"}, {"Victor", "victor"},
    {"Wendy", "wendy"},   {"Yusuf", "yusuf"},   {"Zoe", "zoe"}};
const Person kSurnames[] = {{"Adams", "adams"},
                            {"Baker", "baker"},
                            {"Costa", "costa"},
                            {"Dubois", "dubois"},
                            {"Evans", "evans"},
                            {"Fischer", "fischer"},
                            {"Garcia", "garcia"},
                            {"Hansen", "hansen"},
                            {"Ivanova", "ivanova"},
                            {"Jensen", "jensen"},
                            {"Kelly", "kelly"},
                            {"Lopez", "lopez"},
                            {"M\xFCller", "muller"},
                            {"Novak", "novak"},
                            {"O'Brien", "obrien"},
                            {"Patel", "patel"},
                            {"Quinn", "quinn"},
                            {"Rossi", "rossi"},
                            {"Schmidt", "schmidt"},
                            {"Turner", "turner"},
                            {"Nu\xF1"
                             "ez",
                             "nunez"},
                            {"Walsh", "walsh"},
                            {"Young", "young"},
                            {"Zimmer", "zimmer"}};
const char* const kStreets[] = {"High Street",  "Station Road", "Church Lane", "Mill Road",
                                "Park Avenue",  "Queen Street", "Elm Grove",   "Harbour Way",
                                "Market Place", "Orchard Close"};
struct Place {
    const char* city;
    const char* postCode;
    const char* country;
    const char* phone;  // the number but its last three digits
};
const Place kPlaces[] = {{"London", "SW1A 1AA", "United Kingdom", "+44 20 79460"},
                         {"Manchester", "M1 1AE", "United Kingdom", "+44 161 4960"},
                         {"Dublin", "D02 XY45", "Ireland", "+353 1 555 0"},
                         {"Berlin", "10115", "Germany", "+49 30 555 0"},
                         {"M\xFCnchen", "80331", "Germany", "+49 89 555 0"},
                         {"Paris", "75001", "France", "+33 1 5555 0"},
                         {"Lyon", "69002", "France", "+33 4 5555 0"},
                         {"Madrid", "28013", "Spain", "+34 91 555 0"},
                         {"Amsterdam", "1012 JS", "Netherlands", "+31 20 555 0"},
                         {"Copenhagen", "1050", "Denmark", "+45 3355 0"},
                         {"Toronto", "M5H 2N2", "Canada", "+1 416 555 0"},
                         {"Boston", "02108", "United States", "+1 617 555 0"}};
const char* const kShortInfo[] = {"Blog on cooking",   "Prefers e-mail",  "Met at trade fair",
                                  "YouTube channel",   "Newsletter 5k",   "Coupon site",
                                  "Photography forum", "Calls after 6 pm"};
const char* const kLongInfo[] = {
    "Runs a gardening blog with about 12,000 readers a month; wants banners in green.",
    "Joined after the spring webinar. Promotes us in a weekly podcast about small business.",
    "Prefers payment by bank transfer at the end of the month; send the statement by e-mail."};
struct Product {
    const char* name;
    float price;
};
const Product kProducts[] = {{"E-book: Garden Basics", 19.95f},
                             {"Recipe collection", 12.5f},
                             {"Photo course, online", 49.0f},
                             {"Annual membership", 99.0f},
                             {"Starter kit", 29.5f},
                             {"Premium kit", 149.0f},
                             {"Workshop ticket", 249.99f}};
struct Conversation {
    const char* subject;
    const char* message;
    const char* response;
    const char* comments;  // may be empty
};
const Conversation kConversations[] = {
    {"Welcome pack", "Hello,\r\nplease send me the welcome pack and the banner codes.",
     "Dear partner,\r\nthe welcome pack is attached. Your links carry your affiliate ID.", ""},
    {"Question about commissions", "How much do I earn when someone I referred makes a sale?",
     "You earn 5% of every sale of the affiliates you referred, and less on the levels below.",
     "Sent the level table as well."},
    {"Banner request", "Could we get a 300x250 banner in dark colours?",
     "A dark banner set has been added to your account.", ""},
    {"Payment received?", "I have not seen last month's payment yet.",
     "The payment was sent on the last day of the month; banks take two to three days.",
     "Checked the payments register: paid."},
    {"Change of address", "We have moved; please use the new address from now on.",
     "Thank you, the address is updated.", "Updated the affiliate record."},
    {"Link not tracking", "Sales from my newsletter do not seem to be credited.",
     "The newsletter links lacked your ID. Corrected links are below.",
     "Credited two sales by hand."},
    {"Thanks for the bonus", "Thanks for the extra bonus this quarter!",
     "You earned it. Keep going!", ""}};

// Dice that give the same throws for the same seed on every platform.
class Dice {
  public:
    explicit Dice(uint32_t seed) : gen_(seed) {}
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(gen_() % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }
    template <class T, size_t N>
    const T& pick(const T (&items)[N]) {
        return items[below(static_cast<uint32_t>(N))];
    }

  private:
    std::mt19937 gen_;
};

constexpr int32_t kDeepestLevel = 5;
const std::array<float, 8> kRewards{10, 5, 3, 2, 1, 0, 0, 0};  // percent of each sale
constexpr float kMinimalPayment = 50;

// Side texts are written whole, followed by CR LF.
void write_side_text(const fs::path& path, const std::string& text) {
    ensure_folder(path.parent_path());
    write_file_atomically(path, text + "\r\n");
}

template <class R>
void write_records(const fs::path& path, const std::vector<R>& records) {
    remove_if_exists(path);
    RecordFile f(path, R::kSize);
    for (size_t i = 0; i < records.size(); ++i) f.write(static_cast<int64_t>(i + 1), records[i]);
}

// An earlier affiliate to refer a new one: often one of the newest (networks
// grow in bursts), otherwise anyone, never one on the deepest level.
int32_t pick_referrer(const std::vector<AffiliateRecord>& earlier, Dice& dice) {
    const auto n = static_cast<uint32_t>(earlier.size());
    for (int attempt = 0; attempt < 20; ++attempt) {
        uint32_t i = dice.chance(55) ? n - 1 - dice.below(std::min(n, 6u)) : dice.below(n);
        if (earlier[i].level < kDeepestLevel) return earlier[i].id;
    }
    return 1;
}

std::vector<AffiliateRecord> make_affiliates(const fs::path& appDir, int32_t count, double firstDay,
                                             double lastDay, Dice& dice) {
    const int32_t roots = std::max(2, count / 12);
    // Registration days in order of ID: the roots start the year, the others
    // join over it.
    std::vector<double> days;
    for (int32_t i = 0; i < count; ++i)
        days.push_back(i < roots ? firstDay + i * 3
                                 : firstDay + 10 +
                                       dice.below(static_cast<uint32_t>(lastDay - firstDay - 9)));
    std::sort(days.begin(), days.end());

    std::vector<AffiliateRecord> all;
    std::set<std::string> emails;
    for (int32_t id = 1; id <= count; ++id) {
        AffiliateRecord a;
        const Person& first = dice.pick(kFirstNames);
        const Person& last = dice.pick(kSurnames);
        const Place& place = dice.pick(kPlaces);
        a.name = first.name;
        a.surname = last.name;
        a.street = std::to_string(1 + dice.below(180)) + " " + dice.pick(kStreets);
        a.city = place.city;
        a.postCod = place.postCode;
        a.country = place.country;
        a.phone = place.phone + std::to_string(100 + dice.below(900));
        a.email = std::string(first.ascii) + "." + last.ascii;
        if (!emails.insert(a.email).second) a.email += std::to_string(id);
        a.email += "@example.com";
        if (dice.chance(40)) a.url = std::string("www.") + last.ascii + "-online.example";
        a.id = id;
        // Every root brings in at least one affiliate; later ones join anywhere.
        a.referrerId = id <= roots ? 0 : id <= 2 * roots ? id - roots : pick_referrer(all, dice);
        a.level = a.referrerId ? all[static_cast<size_t>(a.referrerId - 1)].level + 1 : 1;
        a.date = days[static_cast<size_t>(id - 1)];
        if (dice.chance(15)) {
            write_side_text(appDir / "addinfo" / (std::to_string(id) + ".txt"),
                            dice.pick(kLongInfo));
        } else if (dice.chance(35)) {
            a.additionalInfo = dice.pick(kShortInfo);
        }
        all.push_back(a);
    }
    return all;
}

struct Sale {
    MoneyRecord record;
    const Product* product;
};

// Each affiliate sells a little or a lot, every month from its registration.
std::vector<Sale> make_sales(const std::vector<AffiliateRecord>& affiliates, double lastDay,
                             Dice& dice) {
    std::vector<Sale> sales;
    for (const AffiliateRecord& a : affiliates) {
        const uint32_t zeal = dice.below(4);  // 0 sells rarely, 3 often
        for (double month = a.date; month <= lastDay; month = first_day_of_next_month(month)) {
            const double end = std::min(last_day_of_month(month), lastDay);
            // As many sales per day in a short month or a part of one.
            uint32_t n = dice.below(zeal + 2);
            for (uint32_t k = 0; k < n; ++k) {
                const Product& p = dice.pick(kProducts);
                double day = month + dice.below(31);
                if (day <= end) sales.push_back({{a.id, p.price, day}, &p});
            }
        }
    }
    // Entered in the order they happened.
    std::stable_sort(sales.begin(), sales.end(),
                     [](const Sale& x, const Sale& y) { return x.record.date < y.record.date; });
    return sales;
}

// Monthly payouts of every balance that has reached the minimal payment,
// dated the last day of the month; the last month or two are still open.
// One payout is one payment run over its month.
struct DemoRun {
    double from = 0, to = 0;
    int64_t first = 0, last = 0;
};

std::vector<MoneyRecord> make_payments(const std::vector<AffiliateRecord>& affiliates,
                                       const std::vector<Sale>& sales, double firstDay,
                                       double lastDay, std::vector<DemoRun>& runs) {
    std::vector<double> balance(affiliates.size() + 1, 0.0);
    std::vector<MoneyRecord> payments;
    const double lastPayout = one_month_before(lastDay);
    size_t next = 0;
    for (double monthEnd = last_day_of_month(firstDay); monthEnd <= lastPayout;
         monthEnd = last_day_of_month(first_day_of_next_month(monthEnd))) {
        for (; next < sales.size() && sales[next].record.date <= monthEnd; ++next) {
            const MoneyRecord& s = sales[next].record;
            int32_t earner = s.affiliateId;
            for (size_t level = 0; level < kRewards.size() && earner; ++level) {
                balance[static_cast<size_t>(earner)] += s.sum * kRewards[level] / 100.0;
                earner = affiliates[static_cast<size_t>(earner - 1)].referrerId;
            }
        }
        const int64_t first = static_cast<int64_t>(payments.size()) + 1;
        for (const AffiliateRecord& a : affiliates) {
            double& owed = balance[static_cast<size_t>(a.id)];
            if (owed < kMinimalPayment) continue;
            const double paid = std::floor(owed * 100) / 100;
            payments.push_back({a.id, static_cast<float>(paid), monthEnd});
            owed -= paid;
        }
        const double from = runs.empty() ? firstDay : runs.back().to + 1;
        if (static_cast<int64_t>(payments.size()) >= first)
            runs.push_back({from, monthEnd, first, static_cast<int64_t>(payments.size())});
    }
    return payments;
}

std::vector<CommunicationRecord> make_communications(const fs::path& appDir,
                                                     const std::vector<AffiliateRecord>& affiliates,
                                                     double lastDay, Dice& dice) {
    std::vector<CommunicationRecord> all;
    const auto count = static_cast<int32_t>(std::max<size_t>(3, affiliates.size() / 3));
    for (int32_t i = 0; i < count; ++i) {
        const AffiliateRecord& a = affiliates[dice.below(static_cast<uint32_t>(affiliates.size()))];
        CommunicationRecord c;
        c.affiliateId = a.id;
        c.date = a.date + dice.below(static_cast<uint32_t>(std::max(1.0, lastDay - a.date - 4)));
        c.responseDate = std::min(c.date + dice.below(4), lastDay);
        all.push_back(c);
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& x, const auto& y) { return x.date < y.date; });
    for (size_t i = 0; i < all.size(); ++i) {
        const Conversation& talk = dice.pick(kConversations);
        const std::string n = std::to_string(i + 1);
        all[i].subject = talk.subject;
        write_side_text(appDir / "comm" / (n + ".txt"), talk.message);
        write_side_text(appDir / "comm" / ("r" + n + ".txt"), talk.response);
        if (*talk.comments) write_side_text(appDir / "comm" / ("c" + n + ".txt"), talk.comments);
    }
    return all;
}

// A few refunds of the last three months' sales: one returned whole, two
// in part, each a few days after its sale, in the order they happened.
std::vector<RefundRecord> make_refunds(const std::vector<Sale>& sales, double lastDay, Dice& dice,
                                       std::vector<std::string>& details) {
    std::vector<size_t> recent;
    for (size_t i = 0; i < sales.size(); ++i)
        if (sales[i].record.date >= lastDay - 90) recent.push_back(i);
    std::vector<RefundRecord> refunds;
    for (int n = 0; n < 3 && !recent.empty(); ++n) {
        const size_t at = dice.below(static_cast<uint32_t>(recent.size()));
        const size_t i = recent[at];
        recent.erase(recent.begin() + static_cast<ptrdiff_t>(at));
        const Sale& sale = sales[i];
        const bool whole = n == 0;
        const double day = std::min(sale.record.date + 3 + dice.below(10), lastDay);
        const double sum = whole ? sale.record.sum : std::floor(sale.record.sum * 50.0) / 100;
        refunds.push_back({static_cast<int32_t>(i + 1), static_cast<float>(sum), day});
        details.push_back(whole ? std::string("Returned: ") + sale.product->name
                                : "Partial refund: damaged in transit");
    }
    std::vector<size_t> order(refunds.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t x, size_t y) { return refunds[x].date < refunds[y].date; });
    std::vector<RefundRecord> sorted;
    std::vector<std::string> sortedDetails;
    for (size_t k : order) {
        sorted.push_back(refunds[k]);
        sortedDetails.push_back(details[k]);
    }
    details = std::move(sortedDetails);
    return sorted;
}

// The payment runs' ledger of the monthly payouts, the last of them reversed
// a few days later (the bank sent the batch back), by one void per payment.
std::vector<VoidRecord> write_runs(const fs::path& dataDir, const std::vector<DemoRun>& runs,
                                   const std::vector<MoneyRecord>& payments, double lastDay) {
    std::string ledger;
    std::vector<VoidRecord> voids;
    for (size_t i = 0; i < runs.size(); ++i) {
        const DemoRun& r = runs[i];
        PaymentRun run;
        run.number = static_cast<int64_t>(i + 1);
        run.time = history_date(r.to) + "T18:00:00+00:00";
        run.from = r.from;
        run.to = r.to;
        run.first = r.first;
        run.last = r.last;
        run.count = r.last - r.first + 1;
        ExactFloatSum total;
        for (int64_t k = r.first; k <= r.last; ++k)
            total.add(payments[static_cast<size_t>(k - 1)].sum);
        run.total = total.centsText();
        ledger += run_line(run) + "\n";
        if (i + 1 == runs.size()) {
            RunReversal reversal;
            reversal.date = std::min(r.to + 4, lastDay);
            reversal.time = history_date(reversal.date) + "T09:30:00+00:00";
            for (int64_t k = r.first; k <= r.last; ++k)
                voids.push_back({static_cast<int32_t>(k), payments[static_cast<size_t>(k - 1)].sum,
                                 reversal.date});
            reversal.firstVoid = 1;
            reversal.lastVoid = static_cast<int64_t>(voids.size());
            reversal.count = reversal.lastVoid;
            reversal.total = run.total;
            ledger += reversal_line(run.number, reversal) + "\n";
        }
    }
    if (!ledger.empty()) write_file_atomically(dataDir / file::kPaymentRuns, ledger);
    return voids;
}

SettingsRecord demo_settings() {
    SettingsRecord s;
    s.type = "Percents";
    s.minPayment = kMinimalPayment;
    s.periodicity = 30;
    s.unit = "$";
    s.levels = kRewards;
    return s;
}

DemoSummary write_bulk_demo(const fs::path& appDir, const DemoOptions& options) {
    SampleShape sample;
    sample.affiliates = options.affiliates;
    sample.sales = int64_t{10} * options.affiliates;
    sample.payments = options.affiliates;
    sample.seed = options.seed;
    sample.firstDay = options.lastDay - 364;
    sample.days = 365;
    write_sample_program(appDir, sample);
    return {sample.affiliates, sample.sales, sample.payments, 0};
}

// How each demo affiliate is paid: by bank transfer to an account in its
// country for most, by PayPal (or Wise) for some and those outside the SEPA
// area, not at all for a few. The accounts are made up, with check digits
// that pass. Taken from the ID alone, so the other files stay as they were.
std::string demo_iban(const std::string& country, int32_t id) {
    struct Bban {
        const char* country;
        const char* code;
        const char* bank;  // the letters or digits before the account's digits
        size_t digits;
    };
    static constexpr Bban kBbans[] = {{"United Kingdom", "GB", "NWBK601613", 8},
                                      {"Ireland", "IE", "AIBK931152", 8},
                                      {"Germany", "DE", "37040044", 10},
                                      {"France", "FR", "2004101005", 13},
                                      {"Spain", "ES", "21000418", 12},
                                      {"Netherlands", "NL", "ABNA", 10},
                                      {"Denmark", "DK", "0040", 10}};
    for (const Bban& b : kBbans) {
        if (country != b.country) continue;
        std::string account = std::to_string(1000003 * static_cast<int64_t>(id) + 424242);
        account = std::string(b.digits > account.size() ? b.digits - account.size() : 0, '0') +
                  account.substr(0, b.digits);
        const std::string bban = std::string(b.bank) + account;
        // ISO 13616: the check digits make the number, read with the country
        // and "00" moved behind, leave 1 when divided by 97.
        int rest = 0;
        for (char c : bban + b.code + "00") {
            const int value = c >= 'A' ? c - 'A' + 10 : c - '0';
            rest = (value >= 10 ? rest * 100 + value : rest * 10 + value) % 97;
        }
        const int check = 98 - rest;
        return std::string(b.code) + (check < 10 ? "0" : "") + std::to_string(check) + bban;
    }
    return {};
}

std::vector<PayeeDetails> make_payees(const std::vector<AffiliateRecord>& affiliates) {
    std::vector<PayeeDetails> payees;
    for (const AffiliateRecord& a : affiliates) {
        PayeeDetails p;
        const std::string iban = demo_iban(std::string(trim(a.country)), a.id);
        if (a.id % 10 == 4) {
            // no payment method yet
        } else if (a.id % 10 == 5) {
            p.method = PayMethod::Wise;
        } else if (a.id % 10 == 3 || iban.empty()) {
            p.method = PayMethod::PayPal;
            if (a.id % 20 == 3) p.email = "paypal." + std::to_string(a.id) + "@example.com";
        } else {
            p.method = PayMethod::BankTransfer;
            const std::string name =
                cp1252_to_utf8(std::string(trim(a.name)) + " " + std::string(trim(a.surname)));
            p.holder = check_sepa_name(name).value;
            p.iban = iban;
        }
        payees.push_back(p);
    }
    return payees;
}

// The account the demo program pays from, as the payout dialog keeps it.
constexpr const char* kDemoDebtor =
    "name=Qdx Demo Program\niban=DE89370400440532013000\nbic=COBADEFFXXX\nsepa=09\n";

}  // namespace

DemoSummary write_demo_program(const fs::path& appDir, const DemoOptions& options) {
    if (options.affiliates > kLargestDetailedDemo) return write_bulk_demo(appDir, options);

    const AppState state(appDir);
    ensure_folder(state.dataDir());
    Dice dice(options.seed);
    const double firstDay = options.lastDay - 364;
    std::vector<AffiliateRecord> affiliates =
        make_affiliates(appDir, std::max(1, options.affiliates), firstDay, options.lastDay, dice);
    std::vector<Sale> sales = make_sales(affiliates, options.lastDay, dice);
    std::vector<DemoRun> runs;
    std::vector<MoneyRecord> payments =
        make_payments(affiliates, sales, firstDay, options.lastDay, runs);
    std::vector<CommunicationRecord> talks =
        make_communications(appDir, affiliates, options.lastDay, dice);

    std::vector<MoneyRecord> saleRecords;
    for (size_t i = 0; i < sales.size(); ++i) {
        saleRecords.push_back(sales[i].record);
        if (dice.chance(12))
            write_side_text(
                appDir / "addinfo" / ("s" + std::to_string(i + 1) + ".txt"),
                std::string("Order ") + std::to_string(10000 + i) + ": " + sales[i].product->name);
    }
    for (size_t i = 0; i < payments.size(); ++i)
        if (dice.chance(25))
            write_side_text(appDir / "addinfo" / ("p" + std::to_string(i + 1) + ".txt"),
                            "Bank transfer, reference QDX-" + std::to_string(5000 + i));

    std::vector<std::string> refundDetails;
    const std::vector<RefundRecord> refunds =
        make_refunds(sales, options.lastDay, dice, refundDetails);
    for (size_t i = 0; i < refunds.size(); ++i)
        write_side_text(appDir / "addinfo" / ("r" + std::to_string(i + 1) + ".txt"),
                        refundDetails[i]);

    write_records(state.dataFile(file::kSettings), std::vector{demo_settings()});
    write_records(state.dataFile(file::kAffiliates), affiliates);
    write_records(state.dataFile(file::kSales), saleRecords);
    write_records(state.dataFile(file::kPayments), payments);
    write_records(state.dataFile(file::kCommunications), talks);
    if (!refunds.empty()) write_records(state.dataFile(file::kRefunds), refunds);
    const std::vector<VoidRecord> voids =
        write_runs(state.dataDir(), runs, payments, options.lastDay);
    if (!voids.empty()) write_records(state.dataFile(file::kVoids), voids);
    write_payee_file(payee_file_path(state), make_payees(affiliates));
    write_file_atomically(appDir / "payout_debtor.txt", kDemoDebtor);
    return {static_cast<int32_t>(affiliates.size()), static_cast<int64_t>(saleRecords.size()),
            static_cast<int64_t>(payments.size()),   static_cast<int64_t>(talks.size()),
            static_cast<int64_t>(refunds.size()),    static_cast<int64_t>(voids.size())};
}

}  // namespace qdx
