#include "core/records.h"

#include <gtest/gtest.h>

#include "core/cp1252.h"
#include "core/files.h"
#include "core/record_file.h"
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

}  // namespace
}  // namespace qdx
