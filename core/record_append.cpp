#include "core/record_append.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/import_journal.h"
#include "core/payment_runs.h"

namespace qdx {

namespace detail {
int (*cut_back)(int fd, off_t length) = ::ftruncate;
}

namespace {

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

fs::path journal_of(const fs::path& path) {
    return path.parent_path() / ("." + path.filename().string() + ".qdx-append");
}

fs::path folder_of(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

std::string reason(int err) { return std::strerror(err); }

// The journal: the file's length before the append, the appending process,
// and the bytes the first record overwrites (a fragment shorter than half a
// record, counted as no record) in hex, "-" when none. "end" closes it, so a
// journal cut short by a stop reads as no journal.
struct Journal {
    uint64_t length = 0;
    long pid = 0;
    std::string overwritten;

    std::string text() const {
        std::string hex;
        for (unsigned char c : overwritten) {
            char two[3];
            std::snprintf(two, sizeof two, "%02x", c);
            hex += two;
        }
        return "qdx-append " + std::to_string(length) + " " + std::to_string(pid) + " " +
               (hex.empty() ? "-" : hex) + " end\n";
    }

    static bool parse(const std::string& text, Journal& j) {
        unsigned long long length = 0;
        long pid = 0;
        char hex[512];
        char end[4];
        int used = 0;
        if (std::sscanf(text.c_str(), "qdx-append %llu %ld %511s %3s%n", &length, &pid, hex, end,
                        &used) != 4 ||
            std::strcmp(end, "end") != 0 || text.substr(static_cast<size_t>(used)) != "\n")
            return false;
        j.length = length;
        j.pid = pid;
        j.overwritten.clear();
        const std::string h = hex;
        if (h == "-") return true;
        if (h.size() % 2 != 0) return false;
        for (size_t i = 0; i < h.size(); i += 2) {
            unsigned int byte = 0;
            if (std::sscanf(h.c_str() + i, "%2x", &byte) != 1) return false;
            j.overwritten += static_cast<char>(byte);
        }
        return true;
    }
};

// Cuts the open file back to what the journal noted and syncs it; 0 or errno.
int restore(int fd, const Journal& j) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    if (static_cast<uint64_t>(st.st_size) > j.length &&
        detail::cut_back(fd, static_cast<off_t>(j.length)) != 0)
        return errno;
    const off_t at = static_cast<off_t>(j.length - j.overwritten.size());
    if (!j.overwritten.empty() && ::pwrite(fd, j.overwritten.data(), j.overwritten.size(), at) !=
                                      static_cast<ssize_t>(j.overwritten.size()))
        return errno ? errno : EIO;
    return ::fsync(fd) == 0 ? 0 : errno;
}

void remove_journal(const fs::path& path) {
    if (::unlink(journal_of(path).c_str()) != 0 && errno != ENOENT)
        throw FileError("Cannot remove " + journal_of(path).string() + ": " + reason(errno));
    sync_folder(folder_of(path));
}

void write_journal(const fs::path& path, const Journal& j) {
    const fs::path journal = journal_of(path);
    const std::string text = j.text();
    errno = 0;
    Fd out{::open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (out.fd < 0 ||
        ::write(out.fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        ::fsync(out.fd) != 0) {
        const int err = errno ? errno : ENOSPC;
        ::unlink(journal.c_str());
        throw FileError("Cannot write " + path.string() + ": " + reason(err));
    }
    sync_folder(folder_of(path));
}

// Writes and syncs the records; 0 or errno.
int write_synced(int fd, const uint8_t* data, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

}  // namespace

void recover_interrupted_append(const fs::path& path, bool evenIfRunning) {
    const fs::path journal = journal_of(path);
    struct stat st {};
    if (::stat(journal.c_str(), &st) != 0) return;
    Journal j;
    if (!Journal::parse(read_whole_file(journal), j)) {
        // Cut short while it was written: the append had not begun.
        remove_journal(path);
        return;
    }
    if (!evenIfRunning && j.pid != ::getpid() &&
        !(::kill(static_cast<pid_t>(j.pid), 0) != 0 && errno == ESRCH))
        return;  // still appending
    if (file_exists(path)) {
        Fd file{::open(path.c_str(), O_RDWR | O_CLOEXEC)};
        const int err = file.fd < 0 ? errno : restore(file.fd, j);
        if (err != 0)
            throw FileError("Cannot cut " + path.string() +
                            " back after an unfinished append: " + reason(err));
    }
    remove_journal(path);
}

void recover_interrupted_appends(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string suffix = ".qdx-append";
        if (name.size() > suffix.size() + 1 && name[0] == '.' &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            recover_interrupted_append(folder / name.substr(1, name.size() - suffix.size() - 1),
                                       true);
    }
    // An import's or a payment run's ledger line goes with its records, once
    // they are as they stay.
    recover_pending_import(folder);
    recover_pending_import(folder, file::kPaymentRuns);
}

int64_t append_records(const fs::path& path, size_t recordLength, const uint8_t* bytes,
                       size_t count) {
    recover_interrupted_append(path);
    if (file_exists(journal_of(path)))
        throw FileError("Cannot write " + path.string() + ": another program is appending to it");
    Fd file{::open(path.c_str(), O_RDWR | O_CLOEXEC)};
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0)
        throw FileError("Cannot write " + path.string() + ": " + reason(errno));
    const auto length = static_cast<uint64_t>(st.st_size);
    const int64_t first = record_count_for(length, recordLength) + 1;
    const auto offset = static_cast<off_t>(first - 1) * static_cast<off_t>(recordLength);

    Journal j;
    j.length = length;
    j.pid = ::getpid();
    if (static_cast<uint64_t>(offset) < length) {
        errno = 0;
        j.overwritten.resize(length - static_cast<uint64_t>(offset));
        if (::pread(file.fd, j.overwritten.data(), j.overwritten.size(), offset) !=
            static_cast<ssize_t>(j.overwritten.size()))
            throw FileError("Cannot read " + path.string() + ": " + reason(errno ? errno : EIO));
    }
    write_journal(path, j);

    if (const int err = write_synced(file.fd, bytes, count * recordLength, offset); err != 0) {
        if (const int undo = restore(file.fd, j); undo != 0)
            throw PartialAppendError("Cannot write " + path.string() + ": " + reason(err) +
                                     ". It may hold part of the records: cutting it back failed (" +
                                     reason(undo) + "); the next start tries again.");
        remove_journal(path);
        throw FileError("Cannot write " + path.string() + ": " + reason(err));
    }
    remove_journal(path);
    return first;
}

}  // namespace qdx
