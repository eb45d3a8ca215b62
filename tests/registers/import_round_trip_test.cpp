// Each register's own CSV export comes back in: exported, imported into an
// empty program, the register file and its side texts are what they were,
// byte for byte.
#include <gtest/gtest.h>

#include "core/demo_program.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "registers/import/csv_import.h"
#include "registers/register_csv.h"
#include "registers/side_files.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

// Imports the export `csv` into `to`, from a copy beside its folder.
void round_trip(const AppState& to, ImportKind kind, const fs::path& csv) {
    const fs::path moved = to.appDir.parent_path() / csv.filename();
    fs::copy_file(csv, moved, fs::copy_options::overwrite_existing);
    const ImportPlan plan = plan_import(to, kind, moved, {});
    ASSERT_TRUE(plan.importable())
        << (plan.problems.empty() ? std::string("no rows")
                                  : plan.problems[0].column + ": " + plan.problems[0].message);
    run_import(to, plan);
}

TEST(ImportRoundTrip, EveryDemoRegisterComesBackByteForByte) {
    for (uint32_t seed : {1u, 7u}) {
        SCOPED_TRACE(seed);
        test::TempFolder folder;
        AppState from(folder.path() / "from"), to(folder.path() / "to");
        DemoOptions demo;
        demo.seed = seed;
        write_demo_program(from.appDir, demo);
        fs::create_directories(to.dataDir());
        round_trip(to, ImportKind::Affiliates, export_affiliates_csv(from));
        round_trip(to, ImportKind::Sales, export_money_csv(from, kSalesRegister));
        round_trip(to, ImportKind::Payments, export_money_csv(from, kPaymentsRegister));
        for (const char* name : {file::kAffiliates, file::kSales, file::kPayments})
            EXPECT_TRUE(test::read_file(from.dataFile(name)) == test::read_file(to.dataFile(name)))
                << name;
    }
}

}  // namespace
}  // namespace qdx
