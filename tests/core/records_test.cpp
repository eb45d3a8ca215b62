#include <gtest/gtest.h>

#include "core/cp1252.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/records.h"
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

TEST(RecordFile, CreatesAppendsReplacesAndSharesWrites) {
    test::TempFolder dir;
    auto path = dir.path() / "sales.qdx";
    RecordFile a(path, MoneyRecord::kSize);
    EXPECT_TRUE(file_exists(path));
    EXPECT_EQ(a.count(), 0);
    a.write(1, MoneyRecord{3, 200.0f, 37257});
    EXPECT_EQ(std::filesystem::file_size(path), 16u);

    RecordFile b(path, MoneyRecord::kSize);  // a second opening sees the first's writes
    EXPECT_EQ(b.read<MoneyRecord>(1).affiliateId, 3);
    b.write(2, MoneyRecord{4, 1.5f, 37258});
    EXPECT_EQ(a.count(), 2);
    a.write(1, MoneyRecord{5, 2.5f, 37259});
    EXPECT_EQ(b.read<MoneyRecord>(1).affiliateId, 5);
    EXPECT_EQ(a.count(), 2);
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

TEST(Records, FieldsSitAtTheirOffsets) {
    AffiliateRecord a;
    a.name = "Ann";
    a.surname = std::string(25, 'S');
    a.id = 0x01020304;
    a.referrerId = -1;
    a.level = 2;
    a.date = 37257;
    uint8_t bytes[AffiliateRecord::kSize];
    a.encode(bytes);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 20), "Ann" + std::string(17, ' '));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes + 20), 20), std::string(20, 'S'));
    EXPECT_EQ(bytes[185], 0x04);
    EXPECT_EQ(bytes[188], 0x01);
    EXPECT_EQ(bytes[189], 0xFF);
    EXPECT_EQ(bytes[213], 2);
    EXPECT_EQ(le::get_f64(bytes + 217), 37257.0);
    auto back = AffiliateRecord::decode(bytes);
    EXPECT_EQ(back.name, "Ann" + std::string(17, ' '));
    EXPECT_EQ(back.referrerId, -1);

    SettingsRecord s;
    s.type = "Fixed";
    s.levels = {10, 5, 2, 0, 0, 0, 0, 1.5f};
    s.periodicity = 30;
    uint8_t sb[SettingsRecord::kSize];
    s.encode(sb);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(sb), 10), "Fixed     ");
    EXPECT_EQ(le::get_i16(sb + 14), 30);
    EXPECT_EQ(le::get_f32(sb + 54), 1.5f);

    CommunicationRecord c;
    c.affiliateId = 9;
    c.subject = "Hello";
    c.date = 1;
    c.dateOfResponce = 2;
    uint8_t cb[CommunicationRecord::kSize];
    c.encode(cb);
    EXPECT_EQ(le::get_f64(cb + 34), 1.0);
    EXPECT_EQ(le::get_f64(cb + 42), 2.0);
}

TEST(Cp1252, MapsBothWaysAndMarksMissingCharacters) {
    EXPECT_EQ(utf8_to_cp1252("Zürich €"), "Z\xFCrich \x80");
    EXPECT_EQ(utf8_to_cp1252("Wiśniewski"), "Wi?niewski");
    EXPECT_EQ(cp1252_to_utf8("Z\xFCrich \x80"), "Zürich €");
}

}  // namespace
}  // namespace qdx
