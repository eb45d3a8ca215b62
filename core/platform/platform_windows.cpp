// The platform layer on Windows. Paths go to the wide (UTF-16) calls, so
// every name the file system holds works. Files are opened sharing reading,
// writing and deletion with other openings, as POSIX files are.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h:
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "core/platform/platform.h"

namespace qdx::platform {

namespace fs = std::filesystem;

namespace {

// The errno value nearest to a Windows error.
int errno_of(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
            return 0;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            return EACCES;
        case ERROR_SHARING_VIOLATION:
            return EBUSY;
        case ERROR_LOCK_VIOLATION:
            return EWOULDBLOCK;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        case ERROR_CANT_RESOLVE_FILENAME:
            return ELOOP;
        default:
            return EIO;
    }
}

int last_error() { return errno_of(::GetLastError()); }

HANDLE handle_of(void* h) { return static_cast<HANDLE>(h); }

// Reads and writes go in pieces a DWORD can count.
constexpr size_t kPiece = size_t{1} << 30;

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

struct Opening {
    DWORD access = 0;
    DWORD disposition = 0;
    bool append = false;
};

Opening opening_of(Mode mode) {
    switch (mode) {
        case Mode::Read:
            return {GENERIC_READ, OPEN_EXISTING, false};
        case Mode::ReadWrite:
            return {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, false};
        case Mode::ReadWriteCreate:
            return {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, false};
        case Mode::ReadWriteTruncate:
            return {GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, false};
        case Mode::WriteCreate:
            return {GENERIC_WRITE, OPEN_ALWAYS, false};
        case Mode::WriteTruncate:
            return {GENERIC_WRITE, CREATE_ALWAYS, false};
        case Mode::WriteNew:
            return {GENERIC_WRITE, CREATE_NEW, false};
        case Mode::Append:
            return {GENERIC_WRITE, OPEN_EXISTING, true};
        case Mode::AppendCreate:
            return {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, true};
    }
    return {GENERIC_READ, OPEN_EXISTING, false};
}

// UTF-16 to UTF-8.
std::string narrow(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size) - 1);
    return out;
}

}  // namespace

std::string error_text(int error) {
    if (error == EBUSY) return "the file is open in another program; close it there and try again";
    return std::strerror(error);
}

File::~File() { close(); }

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), append_(other.append_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
        append_ = other.append_;
    }
    return *this;
}

int File::open(const fs::path& path, Mode mode, OpenOptions options) {
    close();
    (void)options;  // permissions and links are POSIX matters
    const Opening o = opening_of(mode);
    const HANDLE h = ::CreateFileW(path.native().c_str(), o.access,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   o.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // A folder of that name: the POSIX error.
        if (error == ERROR_ACCESS_DENIED) {
            const DWORD attributes = ::GetFileAttributesW(path.native().c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                return EISDIR;
        }
        return errno_of(error);
    }
    handle_ = h;
    append_ = o.append;
    return 0;
}

int File::close() {
    if (!handle_) return 0;
    const HANDLE h = handle_of(std::exchange(handle_, nullptr));
    return ::CloseHandle(h) ? 0 : last_error();
}

bool File::isOpen() const { return handle_ != nullptr; }

Io File::readAt(uint64_t offset, void* buffer, size_t size) const {
    Io io;
    if (!handle_) return {0, EBADF};
    auto* bytes = static_cast<char*>(buffer);
    while (io.bytes < size) {
        OVERLAPPED o = at(offset + io.bytes);
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min(size - io.bytes, kPiece));
        if (!::ReadFile(handle_of(handle_), bytes + io.bytes, want, &got, &o)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_HANDLE_EOF) io.error = errno_of(error);
            break;
        }
        if (got == 0) break;
        io.bytes += got;
    }
    return io;
}

Io File::writeAt(uint64_t offset, const void* buffer, size_t size) {
    Io io;
    if (!handle_) return {0, EBADF};
    const auto* bytes = static_cast<const char*>(buffer);
    while (io.bytes < size) {
        OVERLAPPED o = at(offset + io.bytes);
        DWORD put = 0;
        const auto want = static_cast<DWORD>(std::min(size - io.bytes, kPiece));
        if (!::WriteFile(handle_of(handle_), bytes + io.bytes, want, &put, &o)) {
            io.error = last_error();
            break;
        }
        if (put == 0) {
            io.error = ENOSPC;
            break;
        }
        io.bytes += put;
    }
    return io;
}

Io File::read(void* buffer, size_t size) {
    if (!handle_) return {0, EBADF};
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min(size, kPiece));
    if (!::ReadFile(handle_of(handle_), buffer, want, &got, nullptr)) {
        const DWORD error = ::GetLastError();
        return {0, error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE ? 0 : errno_of(error)};
    }
    return {got, 0};
}

Io File::write(const void* buffer, size_t size) {
    Io io;
    if (!handle_) return {0, EBADF};
    const auto* bytes = static_cast<const char*>(buffer);
    while (io.bytes < size) {
        DWORD put = 0;
        const auto want = static_cast<DWORD>(std::min(size - io.bytes, kPiece));
        BOOL ok = FALSE;
        if (append_) {
            // All ones as the offset: at the end of the file, whatever its length now.
            OVERLAPPED o{};
            o.Offset = 0xFFFFFFFFu;
            o.OffsetHigh = 0xFFFFFFFFu;
            ok = ::WriteFile(handle_of(handle_), bytes + io.bytes, want, &put, &o);
        } else {
            ok = ::WriteFile(handle_of(handle_), bytes + io.bytes, want, &put, nullptr);
        }
        if (!ok) {
            io.error = last_error();
            break;
        }
        if (put == 0) {
            io.error = ENOSPC;
            break;
        }
        io.bytes += put;
    }
    return io;
}

int File::size(uint64_t& bytes) const {
    bytes = 0;
    if (!handle_) return EBADF;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_of(handle_), &size)) return last_error();
    bytes = static_cast<uint64_t>(size.QuadPart);
    return 0;
}

int File::truncate(uint64_t length) {
    if (!handle_) return EBADF;
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(length);
    return ::SetFileInformationByHandle(handle_of(handle_), FileEndOfFileInfo, &end, sizeof end)
               ? 0
               : last_error();
}

int File::sync() {
    if (!handle_) return EBADF;
    if (::FlushFileBuffers(handle_of(handle_))) return 0;
    DWORD error = ::GetLastError();
    // Windows flushes only through a handle that may write: a file opened
    // for reading is flushed through a second opening of it that may.
    if (error == ERROR_ACCESS_DENIED) {
        const HANDLE writer =
            ::ReOpenFile(handle_of(handle_), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
        if (writer == INVALID_HANDLE_VALUE) return last_error();
        const bool flushed = ::FlushFileBuffers(writer);
        error = ::GetLastError();
        ::CloseHandle(writer);
        if (flushed) return 0;
    }
    return errno_of(error);
}

int File::syncData() { return sync(); }

int File::tryLock() {
    if (!handle_) return EBADF;
    OVERLAPPED o{};
    if (::LockFileEx(handle_of(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                     MAXDWORD, MAXDWORD, &o))
        return 0;
    const DWORD error = ::GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? EWOULDBLOCK
                                                                      : errno_of(error);
}

Folder::~Folder() { close(); }

Folder::Folder(Folder&& other) noexcept
    : path_(std::move(other.path_)), open_(std::exchange(other.open_, false)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        path_ = std::move(other.path_);
        open_ = std::exchange(other.open_, false);
    }
    return *this;
}

int Folder::open(const fs::path& path) {
    close();
    const DWORD attributes = ::GetFileAttributesW(path.native().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return last_error();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ENOTDIR;
    path_ = path;
    open_ = true;
    return 0;
}

void Folder::close() {
    open_ = false;
    path_.clear();
}

bool Folder::isOpen() const { return open_; }

int Folder::openFile(File& file, const std::string& name, Mode mode, OpenOptions options) const {
    file.close();
    if (!open_) return EBADF;
    return file.open(path_ / fs::path(std::u8string(name.begin(), name.end())), mode, options);
}

// Windows flushes no file system for a program without administrator's
// rights: what was written reaches the disk with the system's own flush.
int Folder::syncAll() { return open_ ? 0 : EBADF; }

int replace_file(const fs::path& from, const fs::path& to) {
    // A virus scanner or an indexer holds a new file for a moment: a few tries.
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExW(from.native().c_str(), to.native().c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        const DWORD error = ::GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                          error == ERROR_ACCESS_DENIED;
        if (!held) return errno_of(error);
        if (attempt == 9) {
            // Denied for good: a read-only target is no other program's doing.
            const DWORD attributes = ::GetFileAttributesW(to.native().c_str());
            if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
                (attributes & FILE_ATTRIBUTE_READONLY))
                return EACCES;
            return EBUSY;
        }
        ::Sleep(100);
    }
}

int remove_file(const fs::path& path) {
    return ::DeleteFileW(path.native().c_str()) ? 0 : last_error();
}

int sync_folder(const fs::path& folder) {
    const DWORD attributes = ::GetFileAttributesW(folder.native().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return last_error();
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ENOTDIR;
}

int sync_file_system(const fs::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.native().c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? last_error() : 0;
}

int check_writable(const fs::path& path) {
    return ::_waccess(path.native().c_str(), 2) == 0 ? 0 : errno;
}

long process_id() { return static_cast<long>(::GetCurrentProcessId()); }

bool process_running(long pid) {
    if (pid < 1) return false;
    const HANDLE h =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h) return ::GetLastError() == ERROR_ACCESS_DENIED;  // another user's
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    ::CloseHandle(h);
    return running;
}

fs::path program_path() {
    std::vector<wchar_t> name(MAX_PATH);
    while (true) {
        const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return {};
        if (n < name.size()) return fs::path(std::wstring(name.data(), n));
        name.resize(name.size() * 2);
    }
}

fs::path user_data_folder() {
    if (const wchar_t* appData = ::_wgetenv(L"APPDATA"); appData && *appData)
        return fs::path(appData) / "Qdx";
    if (const wchar_t* profile = ::_wgetenv(L"USERPROFILE"); profile && *profile)
        return fs::path(profile) / "AppData" / "Roaming" / "Qdx";
    std::error_code ec;
    return fs::temp_directory_path(ec) / "Qdx";
}

std::string user_name() {
    wchar_t name[257];
    DWORD size = 257;
    if (::GetUserNameW(name, &size)) return narrow(name);
    if (const wchar_t* user = ::_wgetenv(L"USERNAME")) return narrow(user);
    return "?";
}

void binary_standard_output() {
    std::fflush(stdout);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

bool standard_error_is_terminal() { return ::_isatty(::_fileno(stderr)) != 0; }

std::tm local_time(std::time_t t) {
    std::tm local{};
    ::localtime_s(&local, &t);
    return local;
}

int64_t modification_stamp(const fs::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.native().c_str(), GetFileExInfoStandard, &data))
        throw fs::filesystem_error("cannot read the modification time", path,
                                   std::error_code(last_error(), std::generic_category()));
    // In 100 ns steps since 1601.
    return static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                data.ftLastWriteTime.dwLowDateTime);
}

int file_stamp(const fs::path& path, FileStamp& stamp) {
    // Opened for no access at all: the stamp is read even while another
    // program has the file open for writing.
    const HANDLE h = ::CreateFileW(path.native().c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return last_error();
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read = ::GetFileInformationByHandle(h, &info) != 0;
    const int err = read ? 0 : last_error();
    ::CloseHandle(h);
    if (!read) return err;
    auto joined = [](DWORD high, DWORD low) {
        return (static_cast<uint64_t>(high) << 32) | static_cast<uint64_t>(low);
    };
    stamp.size = joined(info.nFileSizeHigh, info.nFileSizeLow);
    // In 100 ns steps since 1601; 1970 came 11,644,473,600 seconds later.
    const auto since1601 = static_cast<int64_t>(
        joined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    stamp.modified = (since1601 - 116444736000000000LL) * 100;
    stamp.file = joined(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.device = info.dwVolumeSerialNumber;
    return 0;
}

int utc_offset_minutes(std::time_t t) {
    // The local time read as if it were UTC, less the time itself.
    std::tm local = local_time(t);
    return static_cast<int>((::_mkgmtime(&local) - t) / 60);
}

std::string narrow_path(const fs::path& path) { return narrow(path.native().c_str()); }

namespace {

std::string user_locale_text(LCTYPE type) {
    wchar_t text[128];
    if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, 128) <= 0) return {};
    return narrow(text);
}

}  // namespace

SystemRegional user_regional_settings() {
    SystemRegional r;
    r.shortDate = user_locale_text(LOCALE_SSHORTDATE);
    r.decimalPoint = user_locale_text(LOCALE_SDECIMAL);
    for (LCTYPE m = 0; m < 12; ++m) {
        r.monthNames[m] = user_locale_text(LOCALE_SMONTHNAME1 + m);
        r.monthAbbreviations[m] = user_locale_text(LOCALE_SABBREVMONTHNAME1 + m);
    }
    return r;
}

}  // namespace qdx::platform
