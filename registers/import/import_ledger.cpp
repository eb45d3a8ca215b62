#include "registers/import/import_ledger.h"

#include <cstdio>
#include <sstream>

#include "core/files.h"

namespace qdx {

std::filesystem::path ledger_file(const AppState& state) {
    return state.dataDir() / "imports.ledger";
}

std::string file_hash(std::string_view bytes) {
    // Two FNV-1a passes with different offsets: 128 bits against collisions.
    uint64_t a = 0xcbf29ce484222325ULL, b = 0x84222325cbf29ce4ULL;
    for (unsigned char c : bytes) {
        a = (a ^ c) * 0x100000001b3ULL;
        b = (b ^ c) * 0x100000001b3ULL;
    }
    char hex[33];
    std::snprintf(hex, sizeof hex, "%016llx%016llx", static_cast<unsigned long long>(a),
                  static_cast<unsigned long long>(b));
    return hex;
}

std::optional<LedgerEntry> parse_ledger_line(const std::string& line) {
    std::istringstream in(line);
    LedgerEntry e;
    std::string range;
    if (!(in >> e.size >> e.hash >> e.date >> e.registerName >> range)) return std::nullopt;
    const size_t dots = range.find("..");
    if (dots == std::string::npos) return std::nullopt;
    try {
        e.first = std::stoll(range.substr(0, dots));
        e.last = std::stoll(range.substr(dots + 2));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return e;
}

std::optional<LedgerEntry> find_in_ledger(const AppState& state, uint64_t size,
                                          const std::string& hash,
                                          const std::string& registerName) {
    std::istringstream in(read_whole_file(ledger_file(state)));
    std::optional<LedgerEntry> found;
    for (std::string line; std::getline(in, line);) {
        auto e = parse_ledger_line(line);
        // The latest import of the file is the one to name.
        if (e && e->size == size && e->hash == hash && e->registerName == registerName) found = e;
    }
    return found;
}

std::string ledger_line(const LedgerEntry& e) {
    return std::to_string(e.size) + " " + e.hash + " " + e.date + " " + e.registerName + " " +
           std::to_string(e.first) + ".." + std::to_string(e.last);
}

void add_to_ledger(const AppState& state, const LedgerEntry& e) {
    const std::string line = ledger_line(e) + "\n";
    ensure_folder(state.dataDir());
    write_file_atomically(ledger_file(state), read_whole_file(ledger_file(state)) + line);
}

}  // namespace qdx
