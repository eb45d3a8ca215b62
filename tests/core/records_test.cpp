#include "core/records.h"

#include <gtest/gtest.h>

#include "core/corrections.h"
#include "core/cp1252.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/text_field.h"
#include "support/test_support.h"

namespace qdx {
namespace {

TEST(RecordCount, RoundsHalvesToEven) {
    EXPECT_EQ(record_count_for(0, 225), 0);
    EXPECT_EQ(record_count_for(337, 225), 1);
    EXPECT_EQ(record_count_for(338, 225), 2);
    EXPECT_EQ(record_count_for(24, 16), 2);  // 1.5 -> 2
    EXPECT_EQ(record_count_for(40, 16), 2);  // 2.5 -> 2
    EXPECT_EQ(record_count_for(56, 16), 4);  // 3.5 -> 4
    EXPECT_EQ(record_count_for(7, 16), 0);
}

TEST(RecordFile, TrailingFragmentReadsAsZeros) {
    test::TempFolder dir;
    auto path = dir.path() / "sales.qdx";
    {
        RecordFile f(path, MoneyRecord::kSize);
        f.write(1, MoneyRecord{7, 9.0f, 37257});
    }
    std::filesystem::resize_file(path, 28);  // 1.75 records
    RecordFile f(path, MoneyRecord::kSize);
    EXPECT_EQ(f.count(), 2);
    auto m = f.read<MoneyRecord>(2);
    EXPECT_EQ(m.affiliateId, 0);
    EXPECT_EQ(m.date, 0);
    EXPECT_EQ(f.read<MoneyRecord>(99).affiliateId, 0);
    int seen = 0;
    f.scan(1, f.count(), [&](int64_t, const uint8_t*) { ++seen; });
    EXPECT_EQ(seen, 2);
}

TEST(Cp1252, MapsBothWaysAndMarksMissingCharacters) {
    EXPECT_EQ(utf8_to_cp1252("Zürich €"), "Z\xFCrich \x80");
    EXPECT_EQ(utf8_to_cp1252("Wiśniewski"), "Wi?niewski");
    EXPECT_EQ(cp1252_to_utf8("Z\xFCrich \x80"), "Zürich €");
}

// The bulk readers take single fields through the layouts, the codecs whole
// records: a record with a distinct value in every field reads back the same
// both ways, so a span that strays from its codec shows here.
TEST(RecordLayouts, EveryFieldReadsBackThroughItsSpan) {
    namespace A = layout::affiliate;
    using layout::get;
    AffiliateRecord a{"Ann",    "Brown", "1 Main St", "Leeds",   "LS1 4AB", "England",  "0113 49",
                      "a@b.uk", "ab.uk", -7,          123456789, "VIP",     2147483647, 37257.25};
    uint8_t ab[AffiliateRecord::kSize];
    a.encode(ab);
    EXPECT_EQ(get<A::kName>(ab), fit_field("Ann", width::kName));
    EXPECT_EQ(get<A::kSurname>(ab), fit_field("Brown", width::kSurname));
    EXPECT_EQ(get<A::kStreet>(ab), fit_field("1 Main St", width::kStreet));
    EXPECT_EQ(get<A::kCity>(ab), fit_field("Leeds", width::kCity));
    EXPECT_EQ(get<A::kPostCod>(ab), fit_field("LS1 4AB", width::kPostCod));
    EXPECT_EQ(get<A::kCountry>(ab), fit_field("England", width::kCountry));
    EXPECT_EQ(get<A::kPhone>(ab), fit_field("0113 49", width::kPhone));
    EXPECT_EQ(get<A::kEmail>(ab), fit_field("a@b.uk", width::kEmail));
    EXPECT_EQ(get<A::kUrl>(ab), fit_field("ab.uk", width::kUrl));
    EXPECT_EQ(get<A::kId>(ab), -7);
    EXPECT_EQ(get<A::kReferrerId>(ab), 123456789);
    EXPECT_EQ(get<A::kAdditionalInfo>(ab), fit_field("VIP", width::kAdditionalInfo));
    EXPECT_EQ(get<A::kLevel>(ab), 2147483647);
    EXPECT_EQ(get<A::kDate>(ab), 37257.25);
    // The one list names each field once, at its own span.
    for (const layout::Entry& e : A::kFields)
        EXPECT_EQ(A::span(e.field).offset, e.span.offset) << static_cast<int>(e.field);
    EXPECT_THROW(A::span(Field::Sum), std::logic_error);

    SettingsRecord s{"Fixed", 12.5f, -3, "EUR", {1, 2, 3, 4, 5, 6, 7, 8.5f}};
    uint8_t sb[SettingsRecord::kSize];
    s.encode(sb);
    EXPECT_EQ(get<layout::settings::kType>(sb), fit_field("Fixed", width::kSettingsType));
    EXPECT_EQ(get<layout::settings::kMinPayment>(sb), 12.5f);
    EXPECT_EQ(get<layout::settings::kPeriodicity>(sb), -3);
    EXPECT_EQ(get<layout::settings::kUnit>(sb), fit_field("EUR", width::kUnit));
    EXPECT_EQ(le::get_f32(sb + layout::settings::level(1).offset), 1.0f);
    EXPECT_EQ(le::get_f32(sb + layout::settings::level(8).offset), 8.5f);
    EXPECT_EQ(SettingsRecord::decode(sb).levels, s.levels);

    uint8_t mb[MoneyRecord::kSize];
    MoneyRecord{-42, 3.25f, 38000.5}.encode(mb);
    EXPECT_EQ(get<layout::money::kAffiliateId>(mb), -42);
    EXPECT_EQ(get<layout::money::kSum>(mb), 3.25f);
    EXPECT_EQ(get<layout::money::kDate>(mb), 38000.5);

    uint8_t cb[CommunicationRecord::kSize];
    CommunicationRecord{9, "Welcome", 38000.5, 38001.75}.encode(cb);
    EXPECT_EQ(get<layout::communication::kAffiliateId>(cb), 9);
    EXPECT_EQ(get<layout::communication::kSubject>(cb), fit_field("Welcome", width::kSubject));
    EXPECT_EQ(get<layout::communication::kDate>(cb), 38000.5);
    EXPECT_EQ(get<layout::communication::kDateOfResponse>(cb), 38001.75);

    uint8_t rb[RefundRecord::kSize];
    RefundRecord{77, 1.5f, 38002}.encode(rb);
    EXPECT_EQ(get<layout::correction::kTarget>(rb), 77);
    EXPECT_EQ(VoidRecord::decode(rb).payment, 77);
    EXPECT_EQ(VoidRecord::decode(rb).sum, 1.5f);

    uint8_t wb[ActivityRecord::kSize];
    ActivityRecord{2.5f, 11}.encode(wb);
    EXPECT_EQ(get<layout::activity::kVolume>(wb), 2.5f);
    EXPECT_EQ(get<layout::activity::kNewReferrals>(wb), 11);
    AccountRecord{4.5f, -1.25f}.encode(wb);
    EXPECT_EQ(get<layout::account::kIncome>(wb), 4.5f);
    EXPECT_EQ(get<layout::account::kPayments>(wb), -1.25f);
}

}  // namespace
}  // namespace qdx
