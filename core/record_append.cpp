#include "core/record_append.h"

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
int (*cut_back)(platform::File& file, uint64_t length) = [](platform::File& file, uint64_t length) {
    return file.truncate(length);
};
}  // namespace detail

namespace {

fs::path journal_of(const fs::path& path) {
    return path.parent_path() / ("." + path.filename().string() + ".qdx-append");
}

fs::path folder_of(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

std::string reason(int err) { return platform::error_text(err); }

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
int restore(platform::File& file, const Journal& j) {
    uint64_t size = 0;
    if (const int err = file.size(size); err != 0) return err;
    if (size > j.length)
        if (const int err = detail::cut_back(file, j.length); err != 0) return err;
    if (!j.overwritten.empty()) {
        const uint64_t at = j.length - j.overwritten.size();
        const platform::Io io = file.writeAt(at, j.overwritten.data(), j.overwritten.size());
        if (io.error != 0) return io.error;
    }
    return file.sync();
}

void remove_journal(const fs::path& path) {
    if (const int err = platform::remove_file(journal_of(path)); err != 0 && err != ENOENT)
        throw FileError("remove", journal_of(path), err);
    sync_folder(folder_of(path));
}

void write_journal(const fs::path& path, const Journal& j) {
    const fs::path journal = journal_of(path);
    const std::string text = j.text();
    platform::File out;
    int err = out.open(journal, platform::Mode::WriteTruncate);
    if (err == 0) err = out.write(text.data(), text.size()).error;
    if (err == 0) err = out.sync();
    if (err != 0) {
        out.close();
        platform::remove_file(journal);
        throw FileError("write", path, err);
    }
    sync_folder(folder_of(path));
}

// Writes and syncs the records; 0 or errno.
int write_synced(platform::File& file, const uint8_t* data, size_t size, uint64_t offset) {
    if (const int err = file.writeAt(offset, data, size).error; err != 0) return err;
    return file.sync();
}

}  // namespace

void recover_interrupted_append(const fs::path& path, bool evenIfRunning) {
    const fs::path journal = journal_of(path);
    std::error_code ec;
    if (!fs::exists(journal, ec)) return;
    Journal j;
    if (!Journal::parse(read_whole_file(journal), j)) {
        // Cut short while it was written: the append had not begun.
        remove_journal(path);
        return;
    }
    if (!evenIfRunning && j.pid != platform::process_id() && platform::process_running(j.pid))
        return;  // still appending
    if (file_exists(path)) {
        platform::File file;
        int err = file.open(path, platform::Mode::ReadWrite);
        if (err == 0) err = restore(file, j);
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
        throw FileError("write", path, "another program is appending to it");
    platform::File file;
    uint64_t length = 0;
    int opened = file.open(path, platform::Mode::ReadWrite);
    if (opened == 0) opened = file.size(length);
    if (opened != 0) throw FileError("write", path, opened);
    const int64_t first = record_count_for(length, recordLength) + 1;
    const uint64_t offset = static_cast<uint64_t>(first - 1) * recordLength;

    Journal j;
    j.length = length;
    j.pid = platform::process_id();
    if (offset < length) {
        j.overwritten.resize(length - offset);
        const platform::Io io = file.readAt(offset, j.overwritten.data(), j.overwritten.size());
        if (io.bytes != j.overwritten.size())
            throw FileError("read", path, io.error ? io.error : EIO);
    }
    write_journal(path, j);

    if (const int err = write_synced(file, bytes, count * recordLength, offset); err != 0) {
        if (const int undo = restore(file, j); undo != 0)
            throw PartialAppendError("Cannot write " + path.string() + ": " + reason(err) +
                                     ". It may hold part of the records: cutting it back failed (" +
                                     reason(undo) + "); the next start tries again.");
        remove_journal(path);
        throw FileError("write", path, err);
    }
    remove_journal(path);
    return first;
}

}  // namespace qdx
