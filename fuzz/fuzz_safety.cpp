// The readers of outside text in keeping the data safe: the history log and
// a backup's manifest. Nothing crashes; a manifest that reads is written back
// as the same text and names only paths inside the backed-up folders.
// Input: one byte choosing the reader (even: history, odd: manifest), then the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/history.h"
#include "safety/backup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] % 2 == 0) {
        for (const qdx::HistoryLine& line : qdx::parse_history(text)) {
            if (line.what.find('\n') != std::string::npos) std::abort();
            if (!line.time.empty() && line.time.size() < 10) std::abort();
            (void)qdx::history_day(line);
        }
        return 0;
    }
    std::string error;
    const auto manifest = qdx::parse_manifest(text, error);
    if (!manifest) {
        if (error.empty()) std::abort();
        return 0;
    }
    for (const qdx::ManifestEntry& e : manifest->files)
        if (e.path.find("..") != std::string::npos || e.path.empty() || e.path[0] == '/' ||
            e.sha256.size() != 64)
            std::abort();
    if (qdx::manifest_text(*manifest) != text) std::abort();
    return 0;
}
