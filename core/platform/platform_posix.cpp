// The platform layer on Linux and other POSIX systems.
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/platform/platform.h"

namespace qdx::platform {

namespace fs = std::filesystem;

namespace {

int flags_of(Mode mode) {
    switch (mode) {
        case Mode::Read:
            return O_RDONLY;
        case Mode::ReadWrite:
            return O_RDWR;
        case Mode::ReadWriteCreate:
            return O_RDWR | O_CREAT;
        case Mode::ReadWriteTruncate:
            return O_RDWR | O_CREAT | O_TRUNC;
        case Mode::WriteCreate:
            return O_WRONLY | O_CREAT;
        case Mode::WriteTruncate:
            return O_WRONLY | O_CREAT | O_TRUNC;
        case Mode::WriteNew:
            return O_WRONLY | O_CREAT | O_EXCL;
        case Mode::Append:
            return O_WRONLY | O_APPEND;
        case Mode::AppendCreate:
            return O_RDWR | O_APPEND | O_CREAT;
    }
    return O_RDONLY;
}

int open_flags(Mode mode, OpenOptions options) {
    return flags_of(mode) | O_CLOEXEC | (options.noFollow ? O_NOFOLLOW : 0);
}

// An error, or EBADF for a handle that is not open.
int closed() { return EBADF; }

}  // namespace

std::string error_text(int error) { return std::strerror(error); }

File::~File() { close(); }

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

int File::open(const fs::path& path, Mode mode, OpenOptions options) {
    close();
    fd_ = ::open(path.c_str(), open_flags(mode, options), static_cast<mode_t>(options.permissions));
    return fd_ < 0 ? errno : 0;
}

int File::close() {
    if (fd_ < 0) return 0;
    const int fd = std::exchange(fd_, -1);
    return ::close(fd) == 0 ? 0 : errno;
}

bool File::isOpen() const { return fd_ >= 0; }

Io File::readAt(uint64_t offset, void* buffer, size_t size) const {
    Io io;
    if (fd_ < 0) return {0, closed()};
    auto* bytes = static_cast<char*>(buffer);
    while (io.bytes < size) {
        const ssize_t n =
            ::pread(fd_, bytes + io.bytes, size - io.bytes, static_cast<off_t>(offset + io.bytes));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            io.error = errno;
            break;
        }
        if (n == 0) break;  // the end of the file
        io.bytes += static_cast<size_t>(n);
    }
    return io;
}

Io File::writeAt(uint64_t offset, const void* buffer, size_t size) {
    Io io;
    if (fd_ < 0) return {0, closed()};
    const auto* bytes = static_cast<const char*>(buffer);
    while (io.bytes < size) {
        const ssize_t n =
            ::pwrite(fd_, bytes + io.bytes, size - io.bytes, static_cast<off_t>(offset + io.bytes));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            io.error = n < 0 ? errno : ENOSPC;
            break;
        }
        io.bytes += static_cast<size_t>(n);
    }
    return io;
}

Io File::read(void* buffer, size_t size) {
    if (fd_ < 0) return {0, closed()};
    while (true) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {0, errno};
        return {static_cast<size_t>(n), 0};
    }
}

Io File::write(const void* buffer, size_t size) {
    Io io;
    if (fd_ < 0) return {0, closed()};
    const auto* bytes = static_cast<const char*>(buffer);
    while (io.bytes < size) {
        const ssize_t n = ::write(fd_, bytes + io.bytes, size - io.bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            io.error = n < 0 ? errno : ENOSPC;
            break;
        }
        io.bytes += static_cast<size_t>(n);
    }
    return io;
}

int File::size(uint64_t& bytes) const {
    bytes = 0;
    if (fd_ < 0) return closed();
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return errno;
    bytes = static_cast<uint64_t>(st.st_size);
    return 0;
}

int File::truncate(uint64_t length) {
    if (fd_ < 0) return closed();
    return ::ftruncate(fd_, static_cast<off_t>(length)) == 0 ? 0 : errno;
}

int File::sync() {
    if (fd_ < 0) return closed();
    return ::fsync(fd_) == 0 ? 0 : errno;
}

int File::syncData() {
    if (fd_ < 0) return closed();
#ifdef __APPLE__
    return ::fsync(fd_) == 0 ? 0 : errno;
#else
    return ::fdatasync(fd_) == 0 ? 0 : errno;
#endif
}

int File::tryLock() {
    if (fd_ < 0) return closed();
    return ::flock(fd_, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
}

Folder::~Folder() { close(); }

Folder::Folder(Folder&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

int Folder::open(const fs::path& path) {
    close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return errno;
    path_ = path;
    return 0;
}

void Folder::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

bool Folder::isOpen() const { return fd_ >= 0; }

int Folder::openFile(File& file, const std::string& name, Mode mode, OpenOptions options) const {
    file.close();
    if (fd_ < 0) return closed();
    file.fd_ = ::openat(fd_, name.c_str(), open_flags(mode, options),
                        static_cast<mode_t>(options.permissions));
    return file.fd_ < 0 ? errno : 0;
}

int Folder::syncAll() {
    if (fd_ < 0) return closed();
#ifdef __linux__
    return ::syncfs(fd_) == 0 ? 0 : errno;
#else
    return ::fsync(fd_) == 0 ? 0 : errno;
#endif
}

int replace_file(const fs::path& from, const fs::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int remove_file(const fs::path& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

int sync_folder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

int sync_file_system(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
#ifdef __linux__
    const int result = ::syncfs(fd) == 0 ? 0 : errno;
#else
    ::sync();
    const int result = 0;
#endif
    ::close(fd);
    return result;
}

int check_writable(const fs::path& path) { return ::access(path.c_str(), W_OK) == 0 ? 0 : errno; }

long process_id() { return static_cast<long>(::getpid()); }

bool process_running(long pid) {
    if (pid < 1 || static_cast<pid_t>(pid) != pid) return false;
    // A process of another user cannot be signalled (EPERM), yet it runs.
    return !(::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

fs::path program_path() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
}

fs::path user_data_folder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return fs::path(xdg) / "Qdx";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local" / "share" / "Qdx";
}

std::string user_name() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
    if (const char* user = std::getenv("USER")) return user;
    return std::to_string(::geteuid());
}

void binary_standard_output() {}

bool standard_error_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

std::tm local_time(std::time_t t) {
    std::tm local{};
    ::localtime_r(&t, &local);
    return local;
}

int64_t modification_stamp(const fs::path& path) {
    return static_cast<int64_t>(fs::last_write_time(path).time_since_epoch().count());
}

int file_stamp(const fs::path& path, FileStamp& stamp) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    stamp.size = static_cast<uint64_t>(st.st_size);
    stamp.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.file = static_cast<uint64_t>(st.st_ino);
    stamp.device = static_cast<uint64_t>(st.st_dev);
    return 0;
}

int utc_offset_minutes(std::time_t t) {
    const std::tm local = local_time(t);
    return static_cast<int>(local.tm_gmtoff / 60);
}

std::string narrow_path(const fs::path& path) { return path.string(); }

SystemRegional user_regional_settings() {
    locale_t locale = ::newlocale(LC_ALL_MASK, "", locale_t{});
    if (!locale) locale = ::newlocale(LC_ALL_MASK, "C", locale_t{});
    // The names are in the locale's code set: UTF-8 or, in the C locale, ASCII.
    const std::string codeSet = ::nl_langinfo_l(CODESET, locale);
    const bool utf8 = codeSet == "UTF-8" || codeSet == "utf8";
    auto text = [&](nl_item item) {
        std::string s = ::nl_langinfo_l(item, locale);
        if (!utf8)
            for (char& c : s)
                if (static_cast<unsigned char>(c) >= 0x80) c = '?';
        return s;
    };
    SystemRegional r;
    r.shortDate = picture_from_strftime(text(D_FMT));
    r.decimalPoint = text(RADIXCHAR);
    for (int m = 0; m < 12; ++m) {
        r.monthNames[static_cast<size_t>(m)] = text(MON_1 + m);
        r.monthAbbreviations[static_cast<size_t>(m)] = text(ABMON_1 + m);
    }
    ::freelocale(locale);
    return r;
}

}  // namespace qdx::platform
