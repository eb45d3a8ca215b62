#include "core/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

#include "core/record_file.h"

namespace qdx {

namespace fs = std::filesystem;

namespace {

constexpr size_t kFlushSize = 1 << 20;
constexpr std::string_view kTempMark = ".qdx-tmp-";

[[noreturn]] void fail(const fs::path& target, int err) { throw FileError("write", target, err); }

bool process_gone(long pid) { return pid > 0 && !platform::process_running(pid); }

// The writer's process id of a temporary file's name, or 0 for any other name.
long writer_of(const std::string& name) {
    if (name.empty() || name[0] != '.') return 0;
    const size_t mark = name.rfind(kTempMark);
    if (mark == std::string::npos) return 0;
    const std::string digits = name.substr(mark + kTempMark.size());
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stol(digits);
}

// Removes the temporary files of writers that are gone, once per folder and
// run: a folder of pages holds a million files, too many to list at each write.
void sweep_once(const fs::path& folder) {
    static std::mutex mutex;
    static std::set<fs::path> swept;
    {
        std::lock_guard lock(mutex);
        if (!swept.insert(folder).second) return;
    }
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const long pid = writer_of(it->path().filename().string());
        if (pid != 0 && pid != platform::process_id() && process_gone(pid)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

// What stands at `path` when it is not a regular file, or null.
const char* not_a_file(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    switch (status.type()) {
        case fs::file_type::not_found:
        case fs::file_type::none:
        case fs::file_type::regular:
            return nullptr;
        case fs::file_type::directory:
            return "a folder";
        case fs::file_type::character:
        case fs::file_type::block:
            return "a device";
        case fs::file_type::fifo:
            return "a fifo";
        case fs::file_type::socket:
            return "a socket";
        default:
            return "not a regular file";
    }
}

// The file a path names, its symbolic links followed to the last one's
// target (which need not exist yet).
fs::path final_target(const fs::path& path) {
    fs::path p = path;
    for (int links = 0;; ++links) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
        if (links == 40) fail(path, ELOOP);
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) fail(path, ec.value());
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
}

// A target that is not a regular file is never replaced.
void refuse_unless_file(const fs::path& given, const fs::path& target) {
    if (const char* what = not_a_file(target)) {
        const std::string name = given == target
                                     ? given.string()
                                     : given.string() + " (a link to " + target.string() + ")";
        throw FileError("Cannot write " + name + ": it is " + what +
                        ", not a regular file, and is left as it is");
    }
}

void write_all(platform::File& file, std::string_view bytes, const fs::path& target) {
    if (const int err = file.write(bytes.data(), bytes.size()).error; err != 0) fail(target, err);
}

}  // namespace

AtomicFile::AtomicFile(fs::path target, Sync sync)
    : given_(std::move(target)), target_(final_target(given_)), sync_(sync) {
    refuse_unless_file(given_, target_);
    const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    sweep_once(folder);
    temp_ = folder / ("." + target_.filename().string() + std::string(kTempMark) +
                      std::to_string(platform::process_id()));
    if (const int err = file_.open(temp_, platform::Mode::WriteTruncate); err != 0)
        fail(given_, err);
}

AtomicFile::~AtomicFile() {
    file_.close();
    if (!committed_) platform::remove_file(temp_);
}

void AtomicFile::write(std::string_view bytes) {
    if (!file_.isOpen()) fail(target_, EBADF);
    if (bytes.size() >= kFlushSize) {
        flush();
        write_all(file_, bytes, target_);
        return;
    }
    pending_.append(bytes);
    if (pending_.size() >= kFlushSize) flush();
}

void AtomicFile::flush() {
    write_all(file_, pending_, target_);
    pending_.clear();
}

void AtomicFile::commit() {
    if (!file_.isOpen()) fail(target_, EBADF);
    flush();
    if (sync_ == Sync::EachFile)
        if (const int err = file_.sync(); err != 0) fail(target_, err);
    if (const int err = file_.close(); err != 0) fail(target_, err);
    refuse_unless_file(given_, target_);  // something else may have come there meanwhile
    if (const int err = platform::replace_file(temp_, target_); err != 0) fail(target_, err);
    committed_ = true;
    if (sync_ == Sync::EachFile)
        sync_folder(target_.has_parent_path() ? target_.parent_path() : fs::path("."));
}

void sync_folder(const fs::path& folder) {
    if (const int err = platform::sync_folder(folder); err != 0) fail(folder, err);
}

void sync_filesystem(const fs::path& path) {
    if (const int err = platform::sync_file_system(path); err != 0) fail(path, err);
}

}  // namespace qdx
