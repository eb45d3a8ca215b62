#include "cli/qdx_report_progress.h"

#include <cstdio>

#include "core/platform/platform.h"

namespace qdx::cli {

TerminalProgress::TerminalProgress() {
    if (!platform::standard_error_is_terminal()) return;
    progress_ = Progress({}, [this](const ProgressReport& report) { show(report); });
}

TerminalProgress::~TerminalProgress() {
    if (line_.empty()) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(line_.size()), "");
    std::fflush(stderr);
}

void TerminalProgress::show(const ProgressReport& report) {
    std::string line = report.what;
    if (report.total > 0)
        line += ": " + std::to_string(report.done * 100 / report.total) + " %";
    else if (report.done > 0)
        line += ": " + std::to_string(report.done) + " " + report.unit;
    if (line == line_) return;
    // Spaces cover what is left of a longer line.
    const size_t cover = line_.size() > line.size() ? line_.size() - line.size() : 0;
    std::fprintf(stderr, "\r%s%*s", line.c_str(), static_cast<int>(cover), "");
    std::fflush(stderr);
    line_ = std::move(line);
}

}  // namespace qdx::cli
