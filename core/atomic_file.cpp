#include "core/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

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

[[noreturn]] void fail(const fs::path& target, int err) {
    throw FileError("Cannot write " + target.string() + ": " + std::strerror(err));
}

bool process_gone(long pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

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
        if (pid != 0 && pid != ::getpid() && process_gone(pid)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

void write_all(int fd, std::string_view bytes, const fs::path& target) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(target, n < 0 ? errno : ENOSPC);
        done += static_cast<size_t>(n);
    }
}

}  // namespace

AtomicFile::AtomicFile(fs::path target, Sync sync) : target_(std::move(target)), sync_(sync) {
    const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    sweep_once(folder);
    temp_ = folder / ("." + target_.filename().string() + std::string(kTempMark) +
                      std::to_string(::getpid()));
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) fail(target_, errno);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temp_.c_str());
}

void AtomicFile::write(std::string_view bytes) {
    if (fd_ < 0) fail(target_, EBADF);
    if (bytes.size() >= kFlushSize) {
        flush();
        write_all(fd_, bytes, target_);
        return;
    }
    pending_.append(bytes);
    if (pending_.size() >= kFlushSize) flush();
}

void AtomicFile::flush() {
    write_all(fd_, pending_, target_);
    pending_.clear();
}

void AtomicFile::commit() {
    if (fd_ < 0) fail(target_, EBADF);
    flush();
    if (sync_ == Sync::EachFile && ::fsync(fd_) != 0) fail(target_, errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail(target_, errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) fail(target_, errno);
    committed_ = true;
    if (sync_ == Sync::EachFile)
        sync_folder(target_.has_parent_path() ? target_.parent_path() : fs::path("."));
}

namespace {
template <typename Sync>
void sync_opened(const fs::path& path, int flags, Sync sync) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) fail(path, errno);
    const int result = sync(fd);
    const int err = errno;
    ::close(fd);
    if (result != 0) fail(path, err);
}
}  // namespace

void sync_folder(const fs::path& folder) {
    sync_opened(folder, O_RDONLY | O_DIRECTORY, [](int fd) { return ::fsync(fd); });
}

void sync_filesystem(const fs::path& path) {
    sync_opened(path, O_RDONLY, [](int fd) { return ::syncfs(fd); });
}

}  // namespace qdx
