#include "core/import_journal.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/record_append.h"
#include "core/record_file.h"

namespace qdx {

namespace fs = std::filesystem;

namespace {

struct Fnv {
    uint64_t a = 0xcbf29ce484222325ULL, b = 0x84222325cbf29ce4ULL;
    void add(std::string_view bytes) {
        for (unsigned char c : bytes) {
            a = (a ^ c) * 0x100000001b3ULL;
            b = (b ^ c) * 0x100000001b3ULL;
        }
    }
    std::string hex() const {
        char text[33];
        std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(a),
                      static_cast<unsigned long long>(b));
        return text;
    }
};

std::string note_text(const PendingImport& p) {
    return "qdx-import " + p.registerFile + " " + std::to_string(p.recordLength) + " " +
           std::to_string(p.first) + " " + std::to_string(p.rows) + " " + p.recordsHash + " " +
           (!p.sidePrefix           ? "~"
            : p.sidePrefix->empty() ? "-"
                                    : *p.sidePrefix) +
           " end\n" + p.ledgerLine + "\n";
}

bool parse_note(const std::string& text, PendingImport& p) {
    const size_t end = text.find('\n');
    if (end == std::string::npos) return false;
    std::istringstream in(text.substr(0, end));
    std::string magic, prefix, close;
    if (!(in >> magic >> p.registerFile >> p.recordLength >> p.first >> p.rows >> p.recordsHash >>
          prefix >> close) ||
        magic != "qdx-import" || close != "end" || p.recordLength == 0 || p.first < 1 ||
        p.rows < 1 || p.registerFile.find('/') != std::string::npos || p.registerFile == ".." ||
        p.registerFile == ".")
        return false;
    // "~": no side files; "-": side files named by the number alone.
    if (prefix == "~")
        p.sidePrefix.reset();
    else
        p.sidePrefix = prefix == "-" ? "" : prefix;
    std::string rest = text.substr(end + 1);
    if (rest.empty() || rest.back() != '\n') return false;
    rest.pop_back();
    if (rest.find('\n') != std::string::npos) return false;
    p.ledgerLine = rest;
    return true;
}

// Whether the register holds the noted records, byte for byte.
bool records_landed(const fs::path& file, const PendingImport& p) {
    if (!file_exists(file)) return false;
    const uint64_t from = static_cast<uint64_t>(p.first - 1) * p.recordLength;
    const uint64_t size = static_cast<uint64_t>(p.rows) * p.recordLength;
    if (fs::file_size(file) < from + size) return false;
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    Fnv hash;
    std::vector<char> block(1 << 20);
    for (uint64_t left = size; left > 0;) {
        const auto n = static_cast<std::streamsize>(std::min<uint64_t>(left, block.size()));
        if (!in.read(block.data(), n))
            throw FileError("Cannot read " + file.string() + " to finish an interrupted import");
        hash.add(std::string_view(block.data(), static_cast<size_t>(n)));
        left -= static_cast<uint64_t>(n);
    }
    return hash.hex() == p.recordsHash;
}

}  // namespace

std::string records_hash(std::string_view bytes) {
    Fnv hash;
    hash.add(bytes);
    return hash.hex();
}

fs::path pending_import_file(const fs::path& dataDir, std::string_view ledger) {
    return dataDir / ("." + std::string(ledger) + ".qdx-pending");
}

void write_pending_import(const fs::path& dataDir, const PendingImport& pending,
                          std::string_view ledgerName) {
    write_file_atomically(pending_import_file(dataDir, ledgerName), note_text(pending));
}

void complete_pending_import(const fs::path& dataDir, const PendingImport& pending,
                             std::string_view ledgerName) {
    const fs::path ledger = dataDir / std::string(ledgerName);
    std::string text = file_exists(ledger) ? read_whole_file(ledger) : std::string();
    // Killed after the line landed and before the note went: it is not added again.
    if (("\n" + text).find("\n" + pending.ledgerLine + "\n") == std::string::npos) {
        if (!text.empty() && text.back() != '\n') text += '\n';
        write_file_atomically(ledger, text + pending.ledgerLine + "\n");
    }
    cancel_pending_import(dataDir, ledgerName);
}

void cancel_pending_import(const fs::path& dataDir, std::string_view ledger) {
    remove_if_exists(pending_import_file(dataDir, ledger));
    sync_folder(dataDir);
}

void recover_pending_import(const fs::path& dataDir, std::string_view ledger) {
    const fs::path note = pending_import_file(dataDir, ledger);
    if (!file_exists(note)) return;
    PendingImport p;
    if (!parse_note(read_whole_file(note), p)) {
        // Written whole or not at all; one that does not read is no writer's.
        cancel_pending_import(dataDir, ledger);
        return;
    }
    const fs::path file = dataDir / p.registerFile;
    recover_interrupted_append(file);
    if (records_landed(file, p)) {
        complete_pending_import(dataDir, p, ledger);
        return;
    }
    if (!p.sidePrefix) {
        cancel_pending_import(dataDir, ledger);
        return;
    }
    const std::string& prefix = *p.sidePrefix;
    // Side files of numbers past the register's end belong to no record.
    const fs::path addinfo = dataDir.parent_path() / "addinfo";
    const int64_t count =
        file_exists(file) ? record_count_for(fs::file_size(file), p.recordLength) : 0;
    const int64_t from = std::max(p.first, count + 1), to = p.first + p.rows - 1;
    // The folder is listed once: an import may have written a million of them.
    std::vector<fs::path> stale;
    std::error_code error;
    for (fs::directory_iterator it(addinfo, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".txt") != 0)
            continue;
        const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        if (digits.empty() || digits.size() > 18 || digits[0] == '0' ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const int64_t n = std::stoll(digits);
        if (n >= from && n <= to) stale.push_back(it->path());
    }
    for (const fs::path& path : stale)
        if (!fs::remove(path, error) && error)
            throw FileError("Cannot remove " + path.string() +
                            " after an interrupted import: " + error.message());
    cancel_pending_import(dataDir, ledger);
}

}  // namespace qdx
