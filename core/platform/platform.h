#pragma once
// The engine's one way to the operating system: open files and folders,
// renames that replace, flushes to disk, processes, the user and the program.
// platform_posix.cpp implements it for Linux and other POSIX systems,
// platform_windows.cpp for Windows.
//
// Errors are errno values, 0 for success (Windows' own error codes are
// mapped to the nearest one); error_text() says them in words. Paths are
// std::filesystem paths, handed to the system in its own form (wide on
// Windows), so names beyond ASCII work everywhere.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

#include "core/regional.h"

namespace qdx::platform {

// The error in words, as a message ends: "No such file or directory".
std::string error_text(int error);

// How a file is opened. Files are never inherited by child processes.
enum class Mode {
    Read,               // read only; the file must exist
    ReadWrite,          // read and write; the file must exist
    ReadWriteCreate,    // read and write; created empty when missing
    ReadWriteTruncate,  // read and write; created, or emptied when it exists
    WriteCreate,        // write only; created empty when missing, kept otherwise
    WriteTruncate,      // write only; created, or emptied when it exists
    WriteNew,           // write only; created, and refused when it exists
    Append,             // write only at the end; the file must exist
    AppendCreate,       // read anywhere, write only at the end; created when missing
};

struct OpenOptions {
    // The permission bits of a new file, before the umask (POSIX only).
    unsigned permissions = 0644;
    // A symbolic link in the name's last part is refused (ELOOP), not
    // followed (POSIX only).
    bool noFollow = false;
};

// The outcome of a read or write: the bytes moved, and the error that
// stopped it (0 when none).
struct Io {
    size_t bytes = 0;
    int error = 0;
};

// An open file, closed when it goes.
class File {
  public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Closes what was open and opens `path`; 0 or the error.
    int open(const std::filesystem::path& path, Mode mode, OpenOptions options = {});
    // 0, or the error a close reports (a write that did not reach the disk).
    int close();
    bool isOpen() const;

    // Reads up to `size` bytes at `offset`, as many as the file holds there:
    // fewer only at its end or on an error.
    Io readAt(uint64_t offset, void* buffer, size_t size) const;
    // Writes all `size` bytes at `offset`; a disk that takes nothing more
    // gives ENOSPC.
    Io writeAt(uint64_t offset, const void* buffer, size_t size);
    // Reads the next bytes with one request to the system: fewer than `size`
    // at the end of a file, none past it.
    Io read(void* buffer, size_t size);
    // Writes all `size` bytes at the file's position (at its end when
    // appending).
    Io write(const void* buffer, size_t size);

    // The file's length in bytes; 0 or the error.
    int size(uint64_t& bytes) const;
    // Cuts the file to (or extends it with zeros to) `length` bytes.
    int truncate(uint64_t length);
    // Flushes the file's bytes and what describes them to the disk.
    int sync();
    // Flushes the file's bytes and only what is needed to read them back.
    int syncData();
    // Takes the exclusive lock of the file, without waiting: EWOULDBLOCK
    // when another opening holds it. It lasts until the file is closed.
    int tryLock();

  private:
    friend class Folder;
#ifdef _WIN32
    void* handle_ = nullptr;
    bool append_ = false;
#else
    int fd_ = -1;
#endif
};

// An open folder, whose files are opened by their names in it (on POSIX
// without looking up the folder's path again).
class Folder {
  public:
    Folder() = default;
    ~Folder();
    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // 0 or the error (ENOENT when there is no such folder, ENOTDIR when it
    // is something else).
    int open(const std::filesystem::path& path);
    void close();
    bool isOpen() const;
    const std::filesystem::path& path() const { return path_; }

    // Opens the file `name` (one part, no separator) in the folder.
    int openFile(File& file, const std::string& name, Mode mode, OpenOptions options = {}) const;
    // Flushes everything written to the folder's file system (syncfs where
    // the system has it, else the folder itself).
    int syncAll();

  private:
    std::filesystem::path path_;
#ifndef _WIN32
    int fd_ = -1;
#else
    bool open_ = false;
#endif
};

// Renames `from` over `to`, replacing what is there in one step. On Windows
// a file another program holds open is waited for a moment, then refused
// with EBUSY, whose text says to close it there.
int replace_file(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes a file (not a folder); ENOENT when there is none.
int remove_file(const std::filesystem::path& path);
// Flushes a folder's entries, so that a rename or removal in it lasts
// (Windows does that with the rename itself: nothing to do there).
int sync_folder(const std::filesystem::path& folder);
// Flushes everything written to the file system that holds `path`.
int sync_file_system(const std::filesystem::path& path);
// 0 when `path` exists and this user may write it, else the error.
int check_writable(const std::filesystem::path& path);

// A number that moves on whenever the modification time of the file or
// folder `path` does, at the file system's finest resolution (the C
// library's times on Windows move only by whole seconds). Throws
// std::filesystem::filesystem_error when there is no such entry.
int64_t modification_stamp(const std::filesystem::path& path);

// What tells one state of a file from another: its length, the time of its
// last change (nanoseconds since 1970, UTC) and which file it is (the inode
// and device; the file index and volume serial number on Windows), so that a
// file replaced by another of the same length and time still differs.
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;
    uint64_t file = 0;
    uint64_t device = 0;
    bool operator==(const FileStamp&) const = default;
};
// 0 and the stamp of the file at `path`, or the error.
int file_stamp(const std::filesystem::path& path, FileStamp& stamp);

// This process's id.
long process_id();
// Whether a process of that id runs (of any user); false for ids below 1.
bool process_running(long pid);
// The running program's file; empty when the system does not say.
std::filesystem::path program_path();
// The folder where this user's Qdx data goes when the program's folder
// cannot take it: $XDG_DATA_HOME/Qdx or ~/.local/share/Qdx; %APPDATA%\Qdx.
std::filesystem::path user_data_folder();
// The user's login name.
std::string user_name();
// Standard output written byte for byte from here on: Windows' C library
// otherwise writes CR LF for each LF. Nothing to do on POSIX.
void binary_standard_output();
// Whether standard error goes to a terminal (and not to a file or a pipe).
bool standard_error_is_terminal();
// `t` in the local time zone.
std::tm local_time(std::time_t t);
// How far the local time zone is ahead of UTC at `t`, in minutes (60 for
// +01:00); strftime's %z says a zone's name instead on Windows.
int utc_offset_minutes(std::time_t t);
// The user's regional settings as the system states them, for the programs
// built without Qt (regional_from_system makes the engine's value of them;
// with Qt the programs read them from QLocale, as the windows do). On
// Windows the user locale's short date, decimal symbol and month names
// (GetLocaleInfoEx); elsewhere the C library's locale of the environment
// (LC_ALL, LC_TIME, LANG...): nl_langinfo's D_FMT translated from strftime's
// letters, RADIXCHAR and the month names: an approximation of what Qt
// reads, and the C locale's (MM/dd/yy, '.') when the named locale is not
// installed.
SystemRegional user_regional_settings();

// A path for libraries that take names as char strings (libzip): its bytes
// as they are on POSIX, UTF-8 on Windows.
std::string narrow_path(const std::filesystem::path& path);

}  // namespace qdx::platform
