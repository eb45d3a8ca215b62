#include "safety/backup.h"

#include <nettle/sha2.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <memory>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/history.h"
#include "core/platform/platform.h"

namespace qdx {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolders[] = {"data", "addinfo", "comm"};
constexpr int kKeptByDefault = 20;
constexpr const char* kKeptFile = "backups_kept.txt";

class Sha256 {
  public:
    Sha256() { sha256_init(&ctx_); }
    void add(const void* data, size_t size) {
        sha256_update(&ctx_, size, static_cast<const uint8_t*>(data));
    }
    std::string hex() {
        uint8_t digest[SHA256_DIGEST_SIZE];
        sha256_digest(&ctx_, sizeof digest, digest);
        static const char* const digits = "0123456789abcdef";
        std::string out;
        for (uint8_t b : digest) {
            out += digits[b >> 4];
            out += digits[b & 15];
        }
        return out;
    }

  private:
    sha256_ctx ctx_;
};

// A file's size and hash, read once.
ManifestEntry hash_file(const fs::path& path, const std::string& name) {
    platform::File file;
    if (const int err = file.open(path, platform::Mode::Read); err != 0)
        throw FileError("read", path, err);
    Sha256 sha;
    std::vector<char> buffer(1 << 20);
    uint64_t size = 0;
    while (true) {
        const platform::Io n = file.read(buffer.data(), buffer.size());
        if (n.error != 0) throw FileError("read", path, n.error);
        if (n.bytes == 0) break;
        sha.add(buffer.data(), n.bytes);
        size += n.bytes;
    }
    file.close();
    return {name, size, sha.hex()};
}

bool is_leftover(const std::string& name) {
    return name.find(".qdx-tmp-") != std::string::npos || name == ".qdx.lock";
}

bool safe_path(std::string_view p) {
    if (p.empty() || p.front() == '/' || p.back() == '/') return false;
    if (p.find('\\') != std::string_view::npos || p.find('\0') != std::string_view::npos ||
        p.find('\n') != std::string_view::npos)
        return false;
    const size_t slash = p.find('/');
    if (slash == std::string_view::npos) return false;
    const std::string_view top = p.substr(0, slash);
    if (top != "data" && top != "addinfo" && top != "comm") return false;
    size_t from = 0;
    while (from <= p.size()) {
        size_t to = p.find('/', from);
        if (to == std::string_view::npos) to = p.size();
        const std::string_view part = p.substr(from, to - from);
        if (part.empty() || part == "." || part == "..") return false;
        from = to + 1;
    }
    return true;
}

struct ZipCloser {
    void operator()(zip_t* z) const {
        if (z) zip_discard(z);
    }
};
using Zip = std::unique_ptr<zip_t, ZipCloser>;

std::string zip_message(zip_t* z) { return z ? zip_strerror(z) : "unknown"; }

}  // namespace

std::string sha256_hex(std::string_view bytes) {
    Sha256 sha;
    sha.add(bytes.data(), bytes.size());
    return sha.hex();
}

std::string manifest_text(const Manifest& m) {
    std::string out = "qdx-backup 1\ncreated " + m.created + "\n";
    for (const ManifestEntry& e : m.files)
        out += "file " + std::to_string(e.size) + " " + e.sha256 + " " + e.path + "\n";
    out += "end " + std::to_string(m.files.size()) + "\n";
    return out;
}

// A whole number as the manifest writes it: digits, no leading zero.
bool read_count(std::string_view digits, uint64_t& value) {
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return false;
    auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc() && p == digits.data() + digits.size();
}

std::optional<Manifest> parse_manifest(std::string_view text, std::string& error) {
    Manifest m;
    size_t at = 0, number = 0;
    bool ended = false;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(number) + " of the manifest " + why;
        return std::nullopt;
    };
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            ++number;
            return fail("is cut short");
        }
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (ended) return fail("follows its end");
        if (number == 1) {
            if (line != "qdx-backup 1") return fail("is not \"qdx-backup 1\"");
        } else if (number == 2) {
            if (line.substr(0, 8) != "created " || line.size() < 18) return fail("gives no time");
            m.created = line.substr(8);
        } else if (line.substr(0, 4) == "end ") {
            uint64_t count = 0;
            if (!read_count(line.substr(4), count) || count != m.files.size())
                return fail("gives a count that is not the number of files");
            ended = true;
        } else if (line.substr(0, 5) == "file ") {
            std::string_view rest = line.substr(5);
            ManifestEntry e;
            const size_t blank = rest.find(' ');
            if (blank == std::string_view::npos || !read_count(rest.substr(0, blank), e.size))
                return fail("gives no size");
            rest = rest.substr(blank + 1);
            if (rest.size() < 66 || rest[64] != ' ' ||
                rest.substr(0, 64).find_first_not_of("0123456789abcdef") != std::string_view::npos)
                return fail("gives no SHA-256");
            e.sha256 = rest.substr(0, 64);
            e.path = rest.substr(65);
            if (!safe_path(e.path)) return fail("names a file outside data, addinfo and comm");
            for (const ManifestEntry& other : m.files)
                if (other.path == e.path) return fail("names a file twice");
            m.files.push_back(std::move(e));
        } else {
            return fail("is not a manifest line");
        }
    }
    if (!ended) {
        error = "the manifest has no end";
        return std::nullopt;
    }
    return m;
}

Manifest write_backup(const fs::path& appDir, const fs::path& target, Progress& progress) {
    Manifest m;
    m.created = history_now();
    std::vector<fs::path> sources;
    progress.stage("Listing the files to back up", 0, "files");
    for (const char* folder : kFolders) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(appDir / folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (!it->is_regular_file()) continue;
            if (is_leftover(it->path().filename().string())) continue;
            sources.push_back(it->path());
            m.files.push_back({fs::relative(it->path(), appDir).generic_string(), 0, {}});
        }
        if (ec && ec != std::errc::no_such_file_or_directory)
            throw FileError("read", appDir / folder, ec.message());
    }
    std::vector<size_t> order(sources.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return m.files[a].path < m.files[b].path; });
    {
        std::vector<fs::path> s;
        std::vector<ManifestEntry> f;
        for (size_t i : order) {
            s.push_back(sources[i]);
            f.push_back(m.files[i]);
        }
        sources = std::move(s);
        m.files = std::move(f);
    }
    progress.stage("Reading the files", static_cast<int64_t>(sources.size()), "files");
    for (size_t i = 0; i < sources.size(); ++i) {
        progress.step(static_cast<int64_t>(i));
        m.files[i] = hash_file(sources[i], m.files[i].path);
    }

    ensure_folder(target.parent_path().empty() ? fs::path(".") : target.parent_path());
    const fs::path temp = target.parent_path() / ("." + target.filename().string() + ".qdx-tmp-" +
                                                  std::to_string(platform::process_id()));
    std::error_code ignored;
    fs::remove(temp, ignored);
    int err = 0;
    Zip zip(zip_open(platform::narrow_path(temp).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err));
    if (!zip) {
        zip_error_t e;
        zip_error_init_with_code(&e, err);
        const std::string why = zip_error_strerror(&e);
        zip_error_fini(&e);
        throw FileError("write", target, why);
    }
    auto fail = [&](const std::string& why) {
        zip.reset();
        std::error_code ig;
        fs::remove(temp, ig);
        throw FileError("write", target, why + "; no backup was written");
    };
    const std::string manifest = manifest_text(m);
    zip_source_t* ms = zip_source_buffer(zip.get(), manifest.data(), manifest.size(), 0);
    if (!ms || zip_file_add(zip.get(), kManifestName, ms, ZIP_FL_ENC_UTF_8) < 0) {
        if (ms) zip_source_free(ms);
        fail(zip_message(zip.get()));
    }
    for (size_t i = 0; i < sources.size(); ++i) {
        zip_source_t* s = zip_source_file(zip.get(), platform::narrow_path(sources[i]).c_str(), 0,
                                          static_cast<zip_int64_t>(m.files[i].size));
        if (!s) fail(zip_message(zip.get()));
        const zip_int64_t index =
            zip_file_add(zip.get(), m.files[i].path.c_str(), s, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(s);
            fail(zip_message(zip.get()));
        }
        zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    }
    progress.finalStage("Writing the archive", 1000, "‰");
    struct State {
        Progress* progress;
    } state{&progress};
    zip_register_progress_callback_with_state(
        zip.get(), 0.001,
        [](zip_t*, double done, void* s) {
            static_cast<State*>(s)->progress->tell(static_cast<int64_t>(done * 1000));
        },
        nullptr, &state);
    zip_register_cancel_callback_with_state(
        zip.get(),
        [](zip_t*, void* s) { return static_cast<State*>(s)->progress->stopRequested() ? 1 : 0; },
        nullptr, &state);
    if (zip_close(zip.get()) != 0) {
        const bool stopped = progress.stopRequested();
        const std::string why = zip_message(zip.get());
        zip.reset();
        fs::remove(temp, ignored);
        if (stopped) throw Cancelled{};
        throw FileError("write", target, why + "; no backup was written");
    }
    zip.release();  // closed
    fs::rename(temp, target, ignored);
    if (ignored) {
        fs::remove(temp, ignored);
        throw FileError("write", target, ignored.message());
    }
    sync_folder(target.parent_path().empty() ? fs::path(".") : target.parent_path());
    return m;
}

int backups_to_keep(const fs::path& appDir) {
    const fs::path file = appDir / "data" / kKeptFile;
    if (!file_exists(file)) return kKeptByDefault;
    std::string text = read_whole_file(file);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    int count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || count < 1 ||
        count > kMostBackupsKept)
        throw FileError(file.string() + " holds \"" + text +
                        "\": expected the number of automatic backups to keep, a whole number "
                        "from 1 to " +
                        std::to_string(kMostBackupsKept));
    return count;
}

void set_backups_to_keep(const fs::path& appDir, int count) {
    if (count < 1 || count > kMostBackupsKept)
        throw FileError("The number of automatic backups to keep is a whole number from 1 to " +
                        std::to_string(kMostBackupsKept) + ", not " + std::to_string(count));
    ensure_folder(appDir / "data");
    write_file_atomically(appDir / "data" / kKeptFile, std::to_string(count) + "\n");
}

fs::path automatic_backup(const fs::path& appDir, std::string_view why, Progress& progress) {
    const size_t keep = static_cast<size_t>(backups_to_keep(appDir));
    const fs::path folder = appDir / "backups";
    ensure_folder(folder);
    const std::time_t t = std::time(nullptr);
    const std::tm local = platform::local_time(t);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
    fs::path target = folder / ("qdx-" + std::string(stamp) + "-" + std::string(why) + ".zip");
    for (int n = 2; fs::exists(target); ++n)
        target = folder / ("qdx-" + std::string(stamp) + "-" + std::string(why) + "-" +
                           std::to_string(n) + ".zip");
    write_history(appDir, "", 0, "backup before " + std::string(why) + " to " + target.string());
    write_backup(appDir, target, progress);
    // The oldest automatic backups beyond those kept go; their names sort by time.
    std::vector<fs::path> kept;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("qdx-", 0) == 0 && name.size() > 4 &&
            name.compare(name.size() - 4, 4, ".zip") == 0)
            kept.push_back(it->path());
    }
    std::sort(kept.begin(), kept.end());
    for (size_t i = 0; i + keep < kept.size(); ++i) fs::remove(kept[i], ec);
    return target;
}

namespace {

// Checks every file of the archive against the manifest; with `into`,
// writes each one below it.
Manifest check_archive(const fs::path& path, Progress& progress, const fs::path* into) {
    const std::string name = path.string();
    int err = 0;
    Zip zip(zip_open(platform::narrow_path(path).c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err));
    if (!zip) {
        zip_error_t e;
        zip_error_init_with_code(&e, err);
        const std::string why = zip_error_strerror(&e);
        zip_error_fini(&e);
        throw BackupRefused(name + " is not a whole .zip archive (" + why +
                            "); nothing was changed.");
    }
    auto refuse = [&](const std::string& why) -> BackupRefused {
        return BackupRefused(name + " " + why + "; nothing was changed.");
    };
    const zip_int64_t mi = zip_name_locate(zip.get(), kManifestName, 0);
    if (mi < 0) throw refuse("is not a Qdx backup: it holds no " + std::string(kManifestName));
    auto read_entry = [&](zip_uint64_t index, uint64_t expected, Sha256* sha, platform::File* out,
                          std::string* text) {
        zip_file_t* f = zip_fopen_index(zip.get(), index, 0);
        if (!f) throw refuse("is damaged: " + zip_message(zip.get()));
        std::vector<char> buffer(1 << 20);
        uint64_t got = 0;
        while (true) {
            const zip_int64_t n = zip_fread(f, buffer.data(), buffer.size());
            if (n < 0) {
                const std::string why = zip_file_strerror(f);
                zip_fclose(f);
                throw refuse("is damaged: " + why);
            }
            if (n == 0) break;
            got += static_cast<uint64_t>(n);
            if (got > expected) {
                zip_fclose(f);
                throw refuse("holds a file larger than its manifest says");
            }
            if (sha) sha->add(buffer.data(), static_cast<size_t>(n));
            if (text) text->append(buffer.data(), static_cast<size_t>(n));
            if (out)
                if (const int err = out->write(buffer.data(), static_cast<size_t>(n)).error;
                    err != 0) {
                    zip_fclose(f);
                    throw FileError(std::string("Cannot unpack the backup: ") +
                                    platform::error_text(err));
                }
        }
        zip_fclose(f);
        return got;
    };
    std::string text;
    read_entry(static_cast<zip_uint64_t>(mi), 1 << 26, nullptr, nullptr, &text);
    std::string error;
    auto manifest = parse_manifest(text, error);
    if (!manifest) throw refuse("holds a damaged manifest: " + error);
    const zip_int64_t entries = zip_get_num_entries(zip.get(), 0);
    std::vector<bool> met(manifest->files.size(), false);
    progress.stage("Checking the backup", static_cast<int64_t>(manifest->files.size()), "files");
    int64_t done = 0;
    for (zip_int64_t i = 0; i < entries; ++i) {
        if (i == mi) continue;
        const char* entry = zip_get_name(zip.get(), static_cast<zip_uint64_t>(i), 0);
        if (!entry) throw refuse("is damaged: " + zip_message(zip.get()));
        const std::string entryName = entry;
        if (!entryName.empty() && entryName.back() == '/') continue;  // a folder
        auto at = std::find_if(manifest->files.begin(), manifest->files.end(),
                               [&](const ManifestEntry& e) { return e.path == entryName; });
        if (at == manifest->files.end())
            throw refuse("holds " + entryName + ", which its manifest does not name");
        const size_t k = static_cast<size_t>(at - manifest->files.begin());
        if (met[k]) throw refuse("holds " + entryName + " twice");
        met[k] = true;
        progress.step(done++);
        platform::File file;
        if (into) {
            const fs::path out = *into / entryName;
            ensure_folder(out.parent_path());
            if (const int err = file.open(out, platform::Mode::WriteTruncate); err != 0)
                throw FileError("Cannot unpack the backup into " + out.string() + ": " +
                                platform::error_text(err));
        }
        Sha256 sha;
        const uint64_t got = read_entry(static_cast<zip_uint64_t>(i), at->size, &sha,
                                        into ? &file : nullptr, nullptr);
        if (into) {
            int err = file.sync();
            if (const int closing = file.close(); err == 0) err = closing;
            if (err != 0)
                throw FileError(std::string("Cannot unpack the backup: ") +
                                platform::error_text(err));
        }
        if (got != at->size) throw refuse("holds " + entryName + " shorter than its manifest says");
        if (sha.hex() != at->sha256)
            throw refuse("holds " + entryName + ", whose SHA-256 differs from its manifest's");
    }
    for (size_t k = 0; k < met.size(); ++k)
        if (!met[k])
            throw refuse("lacks " + manifest->files[k].path + ", which its manifest names");
    return *manifest;
}

fs::path restore_note(const fs::path& appDir) { return appDir / ".qdx-restore"; }
fs::path restore_new(const fs::path& appDir) { return appDir / ".qdx-restore-new"; }
fs::path restore_old(const fs::path& appDir) { return appDir / ".qdx-restore-old"; }

void put_in_place(const fs::path& appDir) {
    ensure_folder(restore_old(appDir));
    for (const char* folder : kFolders) {
        const fs::path unpacked = restore_new(appDir) / folder;
        if (!fs::exists(unpacked)) continue;
        const fs::path present = appDir / folder, aside = restore_old(appDir) / folder;
        std::error_code ec;
        if (fs::exists(present) && !fs::exists(aside)) fs::rename(present, aside, ec);
        if (ec) throw FileError("Cannot move " + present.string() + " aside: " + ec.message());
        if (fs::exists(present)) fs::remove_all(present, ec);
        fs::rename(unpacked, present, ec);
        if (ec)
            throw FileError("Cannot put the restored " + present.string() +
                            " in place: " + ec.message());
    }
    sync_folder(appDir);
    std::error_code ignored;
    fs::remove(restore_note(appDir), ignored);
    sync_folder(appDir);
    fs::remove_all(restore_old(appDir), ignored);
    fs::remove_all(restore_new(appDir), ignored);
}

}  // namespace

Manifest verify_backup(const fs::path& zip, Progress& progress) {
    return check_archive(zip, progress, nullptr);
}

bool finish_interrupted_restore(const fs::path& appDir) {
    std::error_code ignored;
    if (file_exists(restore_note(appDir))) {
        put_in_place(appDir);
        return true;
    }
    // Unpacking was stopped before the note: the data was never touched.
    fs::remove_all(restore_new(appDir), ignored);
    fs::remove_all(restore_old(appDir), ignored);
    return false;
}

fs::path restore_backup(const fs::path& appDir, const fs::path& zip, Progress& progress) {
    finish_interrupted_restore(appDir);
    const Manifest checked = verify_backup(zip, progress);
    const fs::path staging = restore_new(appDir);
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    try {
        check_archive(zip, progress, &staging);
        for (const char* folder : kFolders) ensure_folder(staging / folder);
    } catch (...) {
        fs::remove_all(staging, ignored);
        throw;
    }
    fs::path before;
    try {
        before = automatic_backup(appDir, "restore", progress);
    } catch (...) {
        fs::remove_all(staging, ignored);
        throw;
    }
    // The history the restored data will carry says both steps.
    const std::string what = "restore from " + zip.string() + " (made " + checked.created + ")";
    write_history(appDir, "", 0, what);
    write_history(staging, "", 0, what + "; the data before it is in " + before.string());
    progress.finalStage("Putting the restored data in place", 0, "");
    write_file_atomically(restore_note(appDir), "qdx-restore\n");
    put_in_place(appDir);
    return before;
}

}  // namespace qdx
