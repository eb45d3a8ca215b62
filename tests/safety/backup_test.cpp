// Backups: one .zip with a manifest; a restore gives every file back as it
// was at the backup, and refuses a damaged, foreign or tampered archive with
// nothing changed.
#include "safety/backup.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>
#include <map>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/history.h"
#include "core/record_file.h"
#include "core/records.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

using test::data_files;

void change_a_sale(const fs::path& app) {
    RecordFile sales(app / "data" / file::kSales, MoneyRecord::kSize);
    MoneyRecord r = sales.read<MoneyRecord>(2);
    r.sum += 100;
    sales.write(2, r);
    sales.write(sales.count() + 1, r);
}

// The backups the program made itself in backups/.
int automatic_backups(const fs::path& app) {
    int made = 0;
    for (const auto& e : fs::directory_iterator(app / "backups"))
        made += e.path().filename().string().rfind("qdx-", 0) == 0;
    return made;
}

struct Example : ::testing::Test {
    test::TempFolder folder;
    fs::path app = folder.path() / "app";
    Progress none;
    void SetUp() override {
        test::copy_example("world-9047", app);
        fs::create_directories(app / "addinfo");
        std::ofstream(app / "addinfo" / "s3.txt") << "gift wrap\r\n";
    }
};

TEST_F(Example, RestoreGivesBackEveryFileAsItWasAtTheBackup) {
    write_history(app, "", 0, "backup to b.zip");
    const fs::path zip = folder.path() / "b.zip";
    const Manifest m = write_backup(app, zip, none);
    const auto atBackup = data_files(app);
    EXPECT_EQ(m.files.size(), atBackup.size());
    change_a_sale(app);
    std::ofstream(app / "addinfo" / "s3.txt") << "changed\r\n";
    std::ofstream(app / "addinfo" / "s9.txt") << "new\r\n";

    const fs::path before = restore_backup(app, zip, none);
    EXPECT_TRUE(fs::exists(before));
    auto restored = data_files(app);
    const std::string history = restored["data/history.log"];
    restored.erase("data/history.log");
    auto expected = atBackup;
    expected.erase("data/history.log");
    EXPECT_EQ(restored, expected);
    // The history says both steps.
    EXPECT_NE(history.find("backup to b.zip"), std::string::npos) << history;
    EXPECT_NE(history.find("restore from " + zip.string()), std::string::npos) << history;
    EXPECT_FALSE(fs::exists(app / ".qdx-restore-new"));
    EXPECT_FALSE(fs::exists(app / ".qdx-restore"));
    // The data before the restore was kept and is itself a whole backup.
    EXPECT_NO_THROW(verify_backup(before, none));
}

TEST_F(Example, RefusesDamagedForeignAndTamperedArchivesWithNothingChanged) {
    const fs::path zip = folder.path() / "b.zip";
    write_backup(app, zip, none);
    change_a_sale(app);
    const auto present = data_files(app);
    const std::string bytes = test::read_file(zip);

    const fs::path truncated = folder.path() / "cut.zip";
    std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() * 2 / 3);
    const fs::path foreign = folder.path() / "foreign.zip";
    {
        int err = 0;
        zip_t* z = zip_open(foreign.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        static const char text[] = "hello";
        zip_file_add(z, "data/affiliates.qdx", zip_source_buffer(z, text, 5, 0), 0);
        ASSERT_EQ(zip_close(z), 0);
    }
    const fs::path tampered = folder.path() / "tampered.zip";
    fs::copy_file(zip, tampered);
    {
        int err = 0;
        zip_t* z = zip_open(tampered.c_str(), 0, &err);
        const zip_int64_t i = zip_name_locate(z, "data/sales.qdx", 0);
        ASSERT_GE(i, 0);
        static std::string other = test::read_file(app / "data" / file::kSales).substr(0, 32);
        zip_file_replace(z, static_cast<zip_uint64_t>(i),
                         zip_source_buffer(z, other.data(), other.size(), 0), 0);
        ASSERT_EQ(zip_close(z), 0);
    }
    const std::pair<fs::path, const char*> refused[] = {
        {truncated, "not a whole .zip"},
        {foreign, "not a Qdx backup"},
        {tampered, "data/sales.qdx"},
        {folder.path() / "none.zip", "not a whole .zip"}};
    for (const auto& [path, why] : refused) {
        SCOPED_TRACE(path.string());
        const std::string error =
            test::error_of<BackupRefused>([&] { restore_backup(app, path, none); });
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_NE(error.find("nothing was changed"), std::string::npos);
        EXPECT_EQ(data_files(app), present);
        EXPECT_FALSE(fs::exists(app / ".qdx-restore-new"));
    }
}

TEST_F(Example, ARestoreStoppedBetweenItsRenamesIsPutInPlaceAtTheNextTry) {
    const fs::path zip = folder.path() / "b.zip";
    write_backup(app, zip, none);
    const auto atBackup = data_files(app);
    change_a_sale(app);
    // As a kill after the note and the first rename leaves it: data/ moved
    // aside, the unpacked set beside, the note written.
    fs::create_directories(app / ".qdx-restore-new");
    for (const char* f : {"data", "addinfo"})
        fs::copy(app / f, app / ".qdx-restore-new" / f, fs::copy_options::recursive);
    fs::remove_all(app / ".qdx-restore-new" / "data");
    fs::create_directories(app / ".qdx-restore-new" / "data");
    for (const auto& [name, bytes] : atBackup)
        if (name.rfind("data/", 0) == 0)
            std::ofstream(app / ".qdx-restore-new" / name, std::ios::binary) << bytes;
    fs::create_directories(app / ".qdx-restore-old");
    fs::rename(app / "data", app / ".qdx-restore-old" / "data");
    std::ofstream(app / ".qdx-restore") << "qdx-restore\n";
    EXPECT_TRUE(finish_interrupted_restore(app));
    EXPECT_EQ(data_files(app), atBackup);
    EXPECT_FALSE(fs::exists(app / ".qdx-restore-old"));
}

TEST_F(Example, AutomaticBackupsKeepTheLastTwenty) {
    fs::create_directories(app / "backups");
    for (int k = 0; k < 25; ++k)
        std::ofstream(app / "backups" /
                      ("qdx-2000-01-01-0000" + std::to_string(10 + k) + "-x.zip"));
    std::ofstream(app / "backups" / "mine.zip");  // not an automatic one
    const fs::path made = automatic_backup(app, "repair", none);
    EXPECT_EQ(automatic_backups(app), 20);
    EXPECT_TRUE(fs::exists(made));
    EXPECT_TRUE(fs::exists(app / "backups" / "mine.zip"));
    EXPECT_FALSE(fs::exists(app / "backups" / "qdx-2000-01-01-000010-x.zip"));
}

// The number kept is a setting; a setting that is no such number refuses
// the backup, and so the step it comes before, naming the file.
TEST_F(Example, TheNumberOfAutomaticBackupsKeptIsASetting) {
    EXPECT_EQ(backups_to_keep(app), 20);
    set_backups_to_keep(app, 2);
    for (int k = 0; k < 4; ++k) automatic_backup(app, "import", none);
    EXPECT_EQ(automatic_backups(app), 2);

    EXPECT_THROW(set_backups_to_keep(app, 0), FileError);
    for (const char* bad : {"", "0", "1001", "two", "3.5", "-1"}) {
        write_file_atomically(app / "data" / "backups_kept.txt", bad);
        const std::string error =
            test::error_of<FileError>([&] { automatic_backup(app, "import", none); });
        EXPECT_NE(error.find("backups_kept.txt holds \"" + std::string(bad)), std::string::npos)
            << error;
    }
    EXPECT_EQ(automatic_backups(app), 2);
}

TEST(Manifest, ReadsWhatItWritesAndRefusesPathsOutsideTheData) {
    Manifest m;
    m.created = "2026-12-07T01:40:00+01:00";
    m.files = {{"data/sales.qdx", 16, std::string(64, 'a')},
               {"addinfo/s 1.txt", 0, std::string(64, 'b')}};
    std::string error;
    const auto back = parse_manifest(manifest_text(m), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->files.size(), 2u);
    EXPECT_EQ(back->files[1].path, "addinfo/s 1.txt");
    EXPECT_EQ(back->created, m.created);
    for (const char* path :
         {"../etc/passwd", "/data/x", "data/../../x", "output/x", "data", "data//x", "data/./x"}) {
        SCOPED_TRACE(path);
        Manifest bad = m;
        bad.files[0].path = path;
        EXPECT_FALSE(parse_manifest(manifest_text(bad), error));
    }
    std::string cut = manifest_text(m);
    EXPECT_FALSE(parse_manifest(cut.substr(0, cut.size() - 1), error));
    EXPECT_FALSE(parse_manifest(cut.substr(0, cut.find("end")), error));
    EXPECT_EQ(sha256_hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace qdx
